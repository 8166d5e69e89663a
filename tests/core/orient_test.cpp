// Placing by EXIF orientation against the standard's own wording: the stored picture
// mirrored left to right when the orientation says so (2, 4, 5, 7), then turned clockwise by
// quarter turns (3 and 4 twice, 6 and 7 once, 5 and 8 three times); on odd sizes, at an
// offset and cut at the screen's edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "buffer_screen.h"
#include "jpeg/decode.h"
#include "jpeg/orient.h"
#include "pnm.h"

namespace qv::jpeg {
namespace {

using testing::BufferScreen;

struct Picture {
    int32_t w, h;
    std::vector<uint8_t> bgr;  // top row first, no padding
    const uint8_t* at(int32_t x, int32_t y) const { return bgr.data() + (size_t(y) * w + x) * 3; }
};

Picture mirrored(const Picture& p) {
    Picture m{p.w, p.h, p.bgr};
    for (int32_t y = 0; y < p.h; ++y)
        for (int32_t x = 0; x < p.w; ++x) std::memcpy(m.bgr.data() + (size_t(y) * p.w + x) * 3, p.at(p.w - 1 - x, y), 3);
    return m;
}

// A quarter turn clockwise: the left column becomes the top row.
Picture turned(const Picture& p) {
    Picture t{p.h, p.w, p.bgr};
    for (int32_t y = 0; y < t.h; ++y)
        for (int32_t x = 0; x < t.w; ++x) std::memcpy(t.bgr.data() + (size_t(y) * t.w + x) * 3, p.at(y, p.h - 1 - x), 3);
    return t;
}

const int kTurns[9] = {0, 0, 0, 2, 2, 3, 1, 1, 3};

// The picture as orientation o shows it.
Picture shown(const Picture& stored, int o) {
    Picture want = o == 2 || o == 4 || o == 5 || o == 7 ? mirrored(stored) : stored;
    for (int i = 0; i < kTurns[o]; ++i) want = turned(want);
    return want;
}

TEST(Orientation, EachOfTheEightAsTheStandardWordsIt) {
    for (auto [w, h] : {std::pair{7, 3}, {70, 131}})
        for (int32_t o = 1; o <= 8; ++o)
            for (auto [ax, ay] : {std::pair{0, 0}, {2, 1}}) {
                Picture stored{w, h, std::vector<uint8_t>(size_t(w) * h * 3)};
                for (size_t i = 0; i < stored.bgr.size(); ++i) stored.bgr[i] = uint8_t(i * 7 + i / 251);
                const Picture want = shown(stored, o);
                int32_t sw = w, sh = h;
                oriented_size(o, sw, sh);
                ASSERT_EQ(sw, want.w);
                ASSERT_EQ(sh, want.h);
                // A screen narrower than the shown picture on one side: the cut shows too.
                BufferScreen s(want.w + 1, want.h - 1);
                const auto before = s.snapshot();
                s.set_cursor(ax, ay);
                place_oriented(stored.bgr.data(), size_t(w) * 3, w, h, o, SetJpegTarget(s.view()));
                const int32_t cw = std::min(want.w, s.view().width - ax), ch = std::min(want.h, s.view().height - ay);
                ASSERT_TRUE(s.unchanged_outside(ax, ay, cw, ch, before)) << o;
                for (int32_t y = 0; y < ch; ++y)
                    for (int32_t x = 0; x < cw; ++x)
                        ASSERT_EQ(std::memcmp(s.view().at(ax + x, ay + y), want.at(x, y), 3), 0)
                            << "orientation " << o << ", " << w << " x " << h << ", pixel " << x << "," << y;
            }
}

// Loading with JpegLoadParam's options: at each scale the decode is djpeg's at that scale,
// and with an EXIF orientation it is that decode as the orientation shows it; the size
// query reports the same size.
TEST(Orientation, LoadsScaledAndTurnedAsDjpegDecodesAndTheStandardTurns) {
#ifdef _WIN32
    GTEST_SKIP() << "djpeg runs on the native build only";
#else
    for (const char* name : {"wide-420", "wide-prog", "wide-gray"}) {
        const std::string jpeg = testing::read_bytes(testing::testdata(std::string(name) + ".jpg"));
        ASSERT_FALSE(jpeg.empty()) << "missing test data; run scripts/test";
        for (int scale : {1, 2, 4, 8}) {
            const std::string out = "qv_core_scaled.ppm";
            ASSERT_EQ(std::system(("djpeg -scale 1/" + std::to_string(scale) + " -ppm -outfile " + out + " " +
                                   testing::testdata(std::string(name) + ".jpg"))
                                      .c_str()),
                      0);
            const testing::Pnm ref = testing::read_pnm(out);
            std::remove(out.c_str());
            ASSERT_TRUE(ref.ok());
            Picture stored{ref.width, ref.height, std::vector<uint8_t>(size_t(ref.width) * ref.height * 3)};
            for (int32_t y = 0; y < ref.height; ++y)
                for (int32_t x = 0; x < ref.width; ++x) {
                    uint8_t rgb[3];
                    ref.rgb(x, y, rgb);
                    uint8_t* p = stored.bgr.data() + (size_t(y) * ref.width + x) * 3;
                    p[0] = rgb[2], p[1] = rgb[1], p[2] = rgb[0];
                }
            for (int o = 0; o <= 9; ++o) {
                // The EXIF block right after the start marker: big-endian, one entry (type SHORT).
                const uint8_t block[] = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1,
                                         0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, uint8_t(o), 0, 0, 0, 0, 0, 0};
                const std::string file = jpeg.substr(0, 2) + std::string(block, block + sizeof block) + jpeg.substr(2);
                const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
                const LoadOptions options{scale, true, false};
                const int shown_as = o >= 1 && o <= 8 ? o : 1;
                const Picture want = shown(stored, shown_as);
                int32_t w = 0, h = 0;
                ASSERT_EQ(probe_jpeg_memory(bytes, file.size(), w, h, options), kDone);
                EXPECT_EQ(w, want.w) << name << " 1/" << scale << " orientation " << o;
                EXPECT_EQ(h, want.h);
                BufferScreen s(want.w + 2, want.h + 1);
                const auto before = s.snapshot();
                s.set_cursor(2, 1);
                JpegTarget t = SetJpegTarget(s.view());
                ASSERT_EQ(decode_jpeg_memory(bytes, file.size(), 0, t, options), kDone);
                ASSERT_TRUE(s.unchanged_outside(2, 1, want.w, want.h, before));
                for (int32_t y = 0; y < want.h; ++y)
                    ASSERT_EQ(std::memcmp(s.view().at(2, 1 + y), want.at(0, y), size_t(want.w) * 3), 0)
                        << name << " 1/" << scale << " orientation " << o << " row " << y;
                // Cut short, libjpeg fills what is missing: placed, and the answer says so.
                BufferScreen c(want.w, want.h);
                const auto uncut = c.snapshot();
                JpegTarget ct = SetJpegTarget(c.view());
                EXPECT_EQ(decode_jpeg_memory(bytes, file.size() / 2, 0, ct, options), kBadStream);
                EXPECT_NE(c.snapshot(), uncut) << name << " orientation " << o;
            }
        }
    }
#endif
}

}  // namespace
}  // namespace qv::jpeg

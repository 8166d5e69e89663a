// The encoder: what lands in the file (markers, tables, sampling, density, comment) and
// what the pixels decode back to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "buffer_screen.h"
#include "jpeg/decode.h"
#include "jpeg/encode.h"
#include "jpeg_files.h"
#include "pnm.h"

namespace qv::jpeg {
namespace {

using testing::BufferScreen;
using testing::find_marker;
using testing::Marker;
using testing::markers_of;
using testing::read_bytes;

struct Sof {
    uint8_t code = 0;
    int width = 0, height = 0, components = 0;
    int sampling0 = 0;  // h << 4 | v of the first component
};

Sof sof_of(const std::vector<Marker>& ms) {
    Sof s;
    for (const Marker& m : ms) {
        if (m.code != 0xC0 && m.code != 0xC1 && m.code != 0xC2) continue;
        const auto* p = reinterpret_cast<const uint8_t*>(m.payload.data());
        s.code = m.code;
        s.height = p[1] << 8 | p[2];
        s.width = p[3] << 8 | p[4];
        s.components = p[5];
        s.sampling0 = p[7];
    }
    return s;
}

class Encode : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path.c_str()); }
    std::string path = "qv_core_encode.jpg";
    EncoderSettings settings;
};

TEST_F(Encode, DefaultsAreQuality70Baseline420WithoutComment) {
    BufferScreen s(64, 48);
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 64, 48, settings), 0);
    auto ms = markers_of(read_bytes(path));
    Sof sof = sof_of(ms);
    EXPECT_EQ(sof.code, 0xC0);
    EXPECT_EQ(sof.width, 64);
    EXPECT_EQ(sof.height, 48);
    EXPECT_EQ(sof.components, 3);
    EXPECT_EQ(sof.sampling0, 0x22);
    EXPECT_EQ(find_marker(ms, 0xFE), nullptr);
    const Marker* dqt = find_marker(ms, 0xDB);
    ASSERT_NE(dqt, nullptr);
    // Quality 70 scales the standard luminance table by 60%: 16 -> 10, 11 -> 7, 12 -> 7.
    EXPECT_EQ(uint8_t(dqt->payload[1]), 10);
    EXPECT_EQ(uint8_t(dqt->payload[2]), 7);
    EXPECT_EQ(uint8_t(dqt->payload[3]), 7);
    const Marker* jfif = find_marker(ms, 0xE0);
    ASSERT_NE(jfif, nullptr);
    EXPECT_EQ(jfif->payload.substr(0, 5), std::string("JFIF\0", 5));
    EXPECT_EQ(jfif->payload[7], 0) << "libjpeg's default density unit";
}

TEST_F(Encode, SettingsReachTheFile) {
    BufferScreen s(40, 30);
    settings.quality = 90;
    settings.save_flags = 1 | 2;  // progressive, grayscale
    settings.save_dct = 2;
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 40, 30, settings), 0);
    auto ms = markers_of(read_bytes(path));
    Sof sof = sof_of(ms);
    EXPECT_EQ(sof.code, 0xC2);
    EXPECT_EQ(sof.components, 1);
    EXPECT_EQ(uint8_t(find_marker(ms, 0xDB)->payload[1]), 3);  // 16 at 20%

    settings = EncoderSettings{};
    settings.h_sampling = 1;
    settings.v_sampling = 1;
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 40, 30, settings), 0);
    EXPECT_EQ(sof_of(markers_of(read_bytes(path))).sampling0, 0x11);
    settings.v_sampling = 0;  // both must be set
    settings.h_sampling = 2;
    settings.x_density = 72;
    settings.y_density = 96;
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 40, 30, settings), 0);
    ms = markers_of(read_bytes(path));
    EXPECT_EQ(sof_of(ms).sampling0, 0x22);
    const std::string& jfif = find_marker(ms, 0xE0)->payload;
    EXPECT_EQ(jfif[7], 1);
    EXPECT_EQ(uint8_t(jfif[8]) << 8 | uint8_t(jfif[9]), 72);
    EXPECT_EQ(uint8_t(jfif[10]) << 8 | uint8_t(jfif[11]), 96);

    // The DCT and the smoothing change the data.
    std::string plain = read_bytes(path);
    settings.save_dct = 3;
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 40, 30, settings), 0);
    EXPECT_NE(read_bytes(path), plain);
    settings.save_dct = 0;
    settings.smoothing = 50;
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 40, 30, settings), 0);
    EXPECT_NE(read_bytes(path), plain);
}

TEST_F(Encode, CommentFollowsJfifOnceAndIsConsumed) {
    BufferScreen s(16, 16);
    const uint8_t text[] = "abc";
    settings.comment = text;
    settings.comment_length = 3;
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 16, 16, settings), 0);
    auto ms = markers_of(read_bytes(path));
    ASSERT_GE(ms.size(), 4u);
    EXPECT_EQ(ms[0].code, 0xD8);
    EXPECT_EQ(ms[1].code, 0xE0);
    EXPECT_EQ(ms[2].code, 0xFE);
    EXPECT_EQ(ms[2].payload, "abc");
    EXPECT_EQ(ms[3].code, 0xDB);
    EXPECT_EQ(settings.comment, nullptr);
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 16, 16, settings), 0);
    EXPECT_EQ(find_marker(markers_of(read_bytes(path)), 0xFE), nullptr);
}

TEST_F(Encode, PixelsComeBackWithinJpegLossAndRedStaysRed) {
    BufferScreen s(24, 16);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 24; ++x) {
            uint8_t* p = s.view().at(x, y);
            p[0] = 0;  // blue, green, red: pure red
            p[1] = 0;
            p[2] = 255;
        }
    settings.quality = 100;
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 24, 16, settings), 0);
    BufferScreen back(24, 16);
    JpegTarget t = SetJpegTarget(back.view());
    ASSERT_EQ(DecodeJpegFile(path.c_str(), 0, 0, t), kDone);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 24; ++x) {
            const uint8_t* p = back.view().at(x, y);
            ASSERT_LE(p[0], 2);
            ASSERT_LE(p[1], 2);
            ASSERT_GE(p[2], 253);
        }
}

TEST_F(Encode, RegionStartsAtTheClampedCursorAndIsCut) {
    BufferScreen s(640, 40);
    s.set_cursor(100, 30);
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 1000, 5, settings), 0);
    Sof sof = sof_of(markers_of(read_bytes(path)));
    EXPECT_EQ(sof.width, 540);
    EXPECT_EQ(sof.height, 5);
    s.set_cursor(640, -1);  // outside: column 0, row 0
    ASSERT_EQ(encode_region(s.view(), path.c_str(), 0x7FFFFFFF, 0x7FFFFFFF, settings), 0);
    sof = sof_of(markers_of(read_bytes(path)));
    EXPECT_EQ(sof.width, 640);
    EXPECT_EQ(sof.height, 40);
    // The region's pixels are the ones saved: a coloured block at the cursor.
    BufferScreen b(50, 50);
    for (int32_t y = 0; y < 50; ++y)
        for (int32_t x = 0; x < 50; ++x) {
            uint8_t* p = b.view().at(x, y);
            bool block = x >= 20 && y >= 10;
            p[0] = block ? 200 : 10;
            p[1] = block ? 30 : 10;
            p[2] = block ? 60 : 10;
        }
    b.set_cursor(20, 10);
    settings.quality = 100;
    ASSERT_EQ(encode_region(b.view(), path.c_str(), 30, 40, settings), 0);
    BufferScreen back(30, 40);
    JpegTarget t = SetJpegTarget(back.view());
    ASSERT_EQ(DecodeJpegFile(path.c_str(), 0, 0, t), kDone);
    for (auto [x, y] : {std::pair{0, 0}, {29, 0}, {0, 39}, {29, 39}, {15, 20}}) {
        const uint8_t* p = back.view().at(x, y);
        EXPECT_NEAR(p[0], 200, 3) << x << "," << y;
        EXPECT_NEAR(p[1], 30, 3) << x << "," << y;
        EXPECT_NEAR(p[2], 60, 3) << x << "," << y;
    }
}

TEST_F(Encode, FailuresLeaveNoFileAndKeepTheComment) {
    BufferScreen s(16, 16);
    auto before = s.snapshot();
    const uint8_t text[] = "kept";
    settings.comment = text;
    settings.comment_length = 4;
    EXPECT_EQ(encode_region(s.view(), "no-such-folder/x.jpg", 16, 16, settings), 1);
    EXPECT_EQ(encode_region(s.view(), nullptr, 16, 16, settings), 1);
    for (auto [w, h] : {std::pair{0, 16}, {16, 0}, {-3, 16}, {16, -1}}) {
        EXPECT_EQ(encode_region(s.view(), path.c_str(), w, h, settings), 2) << w << "x" << h;
        EXPECT_EQ(std::fopen(path.c_str(), "rb"), nullptr) << "the half-written file is removed";
    }
    EXPECT_EQ(settings.comment, text);
    EXPECT_TRUE(s.unchanged_outside(0, 0, 0, 0, before));
}

TEST_F(Encode, DjpegReadsTheFilesBack) {
#ifdef _WIN32
    GTEST_SKIP() << "djpeg runs on the native build only";
#else
    BufferScreen s(77, 41);
    for (int flags : {0, 1, 2, 3}) {
        settings = EncoderSettings{};
        settings.save_flags = flags;
        settings.quality = 100;
        settings.h_sampling = settings.v_sampling = 1;
        ASSERT_EQ(encode_region(s.view(), path.c_str(), 77, 41, settings), 0);
        std::string out = path + ".pnm";
        ASSERT_EQ(std::system(("djpeg -pnm -outfile " + out + " " + path).c_str()), 0) << flags;
        testing::Pnm back = testing::read_pnm(out);
        std::remove(out.c_str());
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back.width, 77);
        EXPECT_EQ(back.height, 41);
        EXPECT_EQ(back.channels, (flags & 2) ? 1 : 3);
        if (flags & 2) continue;
        int worst = 0;
        for (int32_t y = 0; y < 41; ++y)
            for (int32_t x = 0; x < 77; ++x) {
                uint8_t rgb[3];
                back.rgb(x, y, rgb);
                const uint8_t* p = s.view().at(x, y);
                for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(rgb[c]) - int(p[2 - c])));
            }
        // The pattern is noise, the hardest picture there is; quality 100 still keeps it close.
        EXPECT_LE(worst, 12) << flags;
    }
#endif
}

TEST_F(Encode, OneByOneAndTheTopRowAtTheBufferEnd) {
    // The screen's top row is the last in its buffer: a buffer of exactly the screen's size,
    // so that AddressSanitizer sees any read past its end.
    for (int32_t w : {1, 3, 5, 101}) {
        for (int32_t h : {1, 2, 17}) {
            Screen s;
            s.width = w;
            s.height = h;
            std::vector<uint8_t> exact(s.size_bytes(), 77);
            s.pixels = exact.data();
            ASSERT_EQ(encode_region(s, path.c_str(), w, h, settings), 0) << w;
            Sof sof = sof_of(markers_of(read_bytes(path)));
            EXPECT_EQ(sof.width, w);
            EXPECT_EQ(sof.height, h);
        }
    }
}

}  // namespace
}  // namespace qv::jpeg

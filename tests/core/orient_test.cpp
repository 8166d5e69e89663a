// Placing by EXIF orientation against the standard's own wording: the stored picture
// mirrored left to right when the orientation says so (2, 4, 5, 7), then turned clockwise by
// quarter turns (3 and 4 twice, 6 and 7 once, 5 and 8 three times); on odd sizes, at an
// offset and cut at the screen's edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "buffer_screen.h"
#include "jpeg/orient.h"

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

TEST(Orientation, EachOfTheEightAsTheStandardWordsIt) {
    const int kTurns[9] = {0, 0, 0, 2, 2, 3, 1, 1, 3};
    for (auto [w, h] : {std::pair{7, 3}, {70, 131}})
        for (int32_t o = 1; o <= 8; ++o)
            for (auto [ax, ay] : {std::pair{0, 0}, {2, 1}}) {
                Picture stored{w, h, std::vector<uint8_t>(size_t(w) * h * 3)};
                for (size_t i = 0; i < stored.bgr.size(); ++i) stored.bgr[i] = uint8_t(i * 7 + i / 251);
                Picture want = o == 2 || o == 4 || o == 5 || o == 7 ? mirrored(stored) : stored;
                for (int i = 0; i < kTurns[o]; ++i) want = turned(want);
                int32_t sw = w, sh = h;
                oriented_size(o, sw, sh);
                ASSERT_EQ(sw, want.w);
                ASSERT_EQ(sh, want.h);
                // A screen narrower than the shown picture on one side: the cut shows too.
                BufferScreen s(want.w + 1, want.h - 1);
                const auto before = s.snapshot();
                place_oriented(stored.bgr.data(), size_t(w) * 3, w, h, o, s.view(), {ax, ay});
                const int32_t cw = std::min(want.w, s.view().width - ax), ch = std::min(want.h, s.view().height - ay);
                ASSERT_TRUE(s.unchanged_outside(ax, ay, cw, ch, before)) << o;
                for (int32_t y = 0; y < ch; ++y)
                    for (int32_t x = 0; x < cw; ++x)
                        ASSERT_EQ(std::memcmp(s.view().at(ax + x, ay + y), want.at(x, y), 3), 0)
                            << "orientation " << o << ", " << w << " x " << h << ", pixel " << x << "," << y;
            }
}

}  // namespace
}  // namespace qv::jpeg

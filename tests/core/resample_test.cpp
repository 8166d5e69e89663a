// Resampling against Pillow's Image.resize (tests/common/pillow_resize.py), every filter on a
// photograph-like picture, fine hatching and single-pixel lines, shrinking to 1/8 and
// enlarging to 4 times, by whole and fractional ratios; and the placement rules. (Debian's
// python3, whose Pillow python3-pil installs.)
#include "compose/resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "buffer_screen.h"
#include "simd/parallel.h"

namespace qv::compose {
namespace {

using testing::BufferScreen;

constexpr Rect kFrom{9, 6, 96, 64};

// The three pictures, drawn into the source rectangle of a larger screen.
BufferScreen picture(int kind) {
    BufferScreen s(kFrom.x + kFrom.w + 5, kFrom.y + kFrom.h + 3);
    uint32_t noise = 12345;
    for (int32_t y = 0; y < kFrom.h; ++y)
        for (int32_t x = 0; x < kFrom.w; ++x) {
            uint8_t* p = s.view().at(kFrom.x + x, kFrom.y + y);
            for (int c = 0; c < 3; ++c) {
                noise = noise * 1103515245u + 12345u;
                int v = 0;
                if (kind == 0) v = int(128 + 90 * std::sin(x / (7.0 + c)) * std::cos(y / 9.0) + (noise >> 28)) ;
                if (kind == 1) v = ((x + (c == 1 ? y : 0)) % 2) * 255 ^ (c == 2 && (x / 3 + y / 2) % 2 ? 200 : 0);
                if (kind == 2) v = (x == 17 || y == 31 || x == y + c) ? 255 : 0;
                p[c] = uint8_t(v);
            }
        }
    return s;
}

struct Size {
    int32_t w, h;
};
// 1/8 and 1/2 (whole), fractional shrinks, one side kept, 2 and 4 times, fractional
// enlargements, and one side enlarged while the other shrinks.
constexpr Size kSizes[] = {{12, 8}, {48, 32}, {37, 23}, {70, 45}, {96, 40}, {192, 128}, {384, 256}, {131, 97}, {200, 20}};

#ifndef _WIN32
void write_ppm(const Screen& s, Rect r, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "P6\n%d %d\n255\n", r.w, r.h);
    for (int32_t y = 0; y < r.h; ++y)
        for (int32_t x = 0; x < r.w; ++x) {
            const uint8_t* p = s.at(r.x + x, r.y + y);
            const uint8_t rgb[3] = {p[2], p[1], p[0]};
            std::fwrite(rgb, 1, 3, f);
        }
    std::fclose(f);
}

// The exact mean of the block of the picture that output (x, y) covers.
uint8_t block_mean(const Screen& s, Size to, int32_t x, int32_t y, int c) {
    const int32_t bw = kFrom.w / to.w, bh = kFrom.h / to.h;
    uint32_t sum = 0;
    for (int32_t j = 0; j < bh; ++j)
        for (int32_t i = 0; i < bw; ++i) sum += s.at(kFrom.x + x * bw + i, kFrom.y + y * bh + j)[c];
    return uint8_t((sum + bw * bh / 2) / (bw * bh));
}

#endif

TEST(Resample, EveryFilterWithinOneOfPillow) {
#ifdef _WIN32
    GTEST_SKIP() << "Pillow runs on the native build only";
#else
    std::string jobs;
    for (int kind = 0; kind < 3; ++kind) {
        BufferScreen s = picture(kind);
        write_ppm(s.view(), kFrom, "qv_rs_" + std::to_string(kind) + ".ppm");
        for (int f = 0; f < kFilterCount; ++f)
            for (Size to : kSizes)
                jobs += "qv_rs_" + std::to_string(kind) + ".ppm " + std::to_string(to.w) + " " + std::to_string(to.h) +
                        " " + std::to_string(f) + " qv_rs_" + std::to_string(kind) + "_" + std::to_string(f) + "_" +
                        std::to_string(to.w) + "x" + std::to_string(to.h) + ".ppm\n";
    }
    std::FILE* python = popen("/usr/bin/python3 ../../tests/common/pillow_resize.py", "w");
    ASSERT_NE(python, nullptr);
    std::fputs(jobs.c_str(), python);
    ASSERT_EQ(pclose(python), 0);

    for (int kind = 0; kind < 3; ++kind) {
        BufferScreen s = picture(kind);
        for (int f = 0; f < kFilterCount; ++f)
            for (Size to : kSizes) {
                const std::string name = "qv_rs_" + std::to_string(kind) + "_" + std::to_string(f) + "_" +
                                         std::to_string(to.w) + "x" + std::to_string(to.h) + ".ppm";
                const testing::Pnm ref = testing::read_pnm(name);
                std::remove(name.c_str());
                ASSERT_TRUE(ref.ok()) << name;
                BufferScreen d(to.w + 3, to.h + 2);
                const auto before = d.snapshot();
                ASSERT_TRUE(resample(s.view(), kFrom, d.view(), {2, 1}, to.w, to.h, Filter(f)));
                const bool whole = f == 0 && kFrom.w % to.w == 0 && kFrom.h % to.h == 0;
                int worst = 0;
                for (int32_t y = 0; y < to.h; ++y)
                    for (int32_t x = 0; x < to.w; ++x) {
                        uint8_t rgb[3];
                        ref.rgb(x, y, rgb);
                        for (int c = 0; c < 3; ++c) {
                            const int got = d.view().at(2 + x, 1 + y)[c];
                            worst = std::max(worst, std::abs(got - rgb[2 - c]));
                            if (whole) { ASSERT_EQ(got, block_mean(s.view(), to, x, y, c)) << name << " " << x << "," << y; }
                        }
                    }
                EXPECT_LE(worst, 1) << name;
                EXPECT_TRUE(d.unchanged_outside(2, 1, to.w, to.h, before)) << name;
            }
        std::remove(("qv_rs_" + std::to_string(kind) + ".ppm").c_str());
    }
#endif
}

// What shows of a resampled picture does not depend on where it is cut, how the rows are
// split over threads, or whether it is drawn into its own screen.
TEST(Resample, CutSplitAndIntoItselfGiveTheSamePixels) {
    BufferScreen s = picture(0);
    for (int f = 0; f < kFilterCount; ++f)
        for (Size to : {Size{37, 23}, Size{131, 97}, Size{48, 32}}) {
            BufferScreen whole(to.w, to.h);
            ASSERT_TRUE(resample(s.view(), kFrom, whole.view(), {0, 0}, to.w, to.h, Filter(f)));
            // Cut at the right and bottom edges, in three bands.
            simd::force_parts(3);
            BufferScreen cut(to.w / 2 + 4, to.h / 2 + 3);
            const auto before = cut.snapshot();
            ASSERT_TRUE(resample(s.view(), kFrom, cut.view(), {4, 3}, to.w, to.h, Filter(f)));
            simd::force_parts(0);
            EXPECT_TRUE(cut.unchanged_outside(4, 3, to.w / 2, to.h / 2, before));
            for (int32_t y = 0; y < to.h / 2; ++y)
                ASSERT_EQ(0, std::memcmp(cut.view().at(4, 3 + y), whole.view().at(0, y), size_t(to.w / 2) * 3)) << f << " " << y;
            // Into the source's own screen, overlapping the rectangle it reads.
            BufferScreen self = picture(0);
            ASSERT_TRUE(resample(self.view(), kFrom, self.view(), {kFrom.x + 3, kFrom.y + 2}, to.w, to.h, Filter(f)));
            const int32_t shown_w = std::min(to.w, self.view().width - kFrom.x - 3);
            const int32_t shown_h = std::min(to.h, self.view().height - kFrom.y - 2);
            for (int32_t y = 0; y < shown_h; ++y)
                ASSERT_EQ(0, std::memcmp(self.view().at(kFrom.x + 3, kFrom.y + 2 + y), whole.view().at(0, y),
                                         size_t(shown_w) * 3))
                    << f << " " << y;
        }
}

// A single pixel stretched to any size by any filter stays that pixel everywhere (the weights
// are renormalised), a row or column taken to the extremes reads nothing outside it, and
// neither does a rectangle that reaches the end of the buffer.
TEST(Resample, OnePixelStretchedAndThinExtremes) {
    BufferScreen s = picture(2);
    const uint8_t* one = s.view().at(kFrom.x + 17, kFrom.y + 3);
    for (int f = 0; f < kFilterCount; ++f)
        for (Size to : {Size{1, 1}, Size{300, 1}, Size{1, 200}, Size{57, 43}}) {
            BufferScreen d(to.w, to.h);
            ASSERT_TRUE(resample(s.view(), {kFrom.x + 17, kFrom.y + 3, 1, 1}, d.view(), {0, 0}, to.w, to.h, Filter(f)));
            for (int32_t y = 0; y < to.h; ++y)
                for (int32_t x = 0; x < to.w; ++x) ASSERT_EQ(std::memcmp(d.view().at(x, y), one, 3), 0) << f << " " << x << "," << y;
            // The whole picture squeezed into one row, one column, one pixel.
            ASSERT_TRUE(resample(s.view(), kFrom, d.view(), {0, 0}, to.w, to.h, Filter(f)));
        }
    // A screen whose rows have no padding and whose buffer ends with its top row's last pixel
    // (an allocation of exactly its size, so that the sanitizers see a read past it), read up
    // to its right edge.
    Screen tight;
    tight.width = 64, tight.height = 8;
    std::vector<uint8_t> pixels(tight.size_bytes(), 77);
    tight.pixels = pixels.data();
    for (int f = 0; f < kFilterCount; ++f)
        for (Size to : {Size{21, 3}, Size{63, 8}, Size{150, 20}}) {
            BufferScreen d(to.w, to.h);
            ASSERT_TRUE(resample(tight, {1, 0, 63, 8}, d.view(), {0, 0}, to.w, to.h, Filter(f)));
            EXPECT_EQ(d.view().at(to.w - 1, 0)[0], 77) << f;
        }
}

}  // namespace
}  // namespace qv::compose

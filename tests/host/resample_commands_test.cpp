// Resample and ResampleParam through the DLL's exports: which screen is read and which is
// drawn, from and to where, with which filter, and the DLL's arithmetic against Pillow's.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "host_fixture.h"

#include "compose/resample.h"
#include "pnm.h"

namespace qv::test {
namespace {

TEST(ResampleCommand, ReadsTheSourceCopyAreaAndDrawsAtTheTargetPosition) {
    HostScreen src(90, 60, false), dst(50, 40, false), ref(50, 40, false);
    src.fill_pattern(3);
    src.set_cursor(10, 5);
    for (int32_t f = 0; f < compose::kFilterCount; ++f)
        for (const Rect area : {Rect{10, 5, 64, 48}, Rect{10, 5, 80, 55}}) {
            src.set_area(area.w == 64 ? 64 : 0, area.w == 64 ? 48 : 0);  // 0: up to the edges
            ASSERT_EQ(call("ResampleParam", f), 0);
            dst.fill({1, 2, 3});
            dst.set_cursor(7, 4);
            ASSERT_EQ(call("Resample", dst.record(), src.record(), 48, 40), 0);  // cut to 43 x 36
            ref.fill({1, 2, 3});
            ASSERT_TRUE(compose::resample(src.view(), area, ref.view(), {7, 4}, 48, 40, compose::Filter(f)));
            EXPECT_EQ(dst.bytes(), ref.bytes()) << f << " " << area.w;
        }
    // A filter out of range is refused and the one set stays (nearest, the last set).
    EXPECT_EQ(call("ResampleParam", 5), 3);
    EXPECT_EQ(call("ResampleParam", -1), 3);
    dst.set_cursor(7, 4);
    ASSERT_EQ(call("Resample", dst.record(), src.record(), 48, 40), 0);
    EXPECT_EQ(dst.bytes(), ref.bytes());
    call("ResampleParam", 3);
}

// The DLL's own arithmetic (its compiler, its maths library) against Pillow's resizes that
// scripts/testdata made natively: every filter, shrinking and enlarging.
TEST(ResampleCommand, EqualsPillowInTheDll) {
    const testing::Pnm wide = testing::read_pnm(testing::testdata("wide.ppm"));
    ASSERT_TRUE(wide.ok()) << "missing test data; run scripts/test";
    HostScreen src(wide.width, wide.height, false);
    for (int32_t y = 0; y < wide.height; ++y)
        for (int32_t x = 0; x < wide.width; ++x) {
            uint8_t rgb[3];
            wide.rgb(x, y, rgb);
            src.set_pixel(x, y, {rgb[2], rgb[1], rgb[0]});
        }
    for (int32_t f = 0; f < compose::kFilterCount; ++f)
        for (const auto& [w, h] : {std::pair{13, 9}, {50, 33}, {101, 20}, {202, 134}, {317, 71}}) {
            const testing::Pnm ref = testing::read_pnm(testing::testdata(
                "wide.resample-" + std::to_string(f) + "-" + std::to_string(w) + "x" + std::to_string(h) + ".ppm"));
            ASSERT_TRUE(ref.ok()) << f << " " << w << "x" << h;
            HostScreen d(w, h, false);
            ASSERT_EQ(call("ResampleParam", f), 0);
            ASSERT_EQ(call("Resample", d.record(), src.record(), w, h), 0);
            int worst = 0;
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    uint8_t rgb[3];
                    ref.rgb(x, y, rgb);
                    const Bgr p = d.pixel(x, y);
                    worst = std::max({worst, std::abs(p.r - rgb[0]), std::abs(p.g - rgb[1]), std::abs(p.b - rgb[2])});
                }
            // Exact (no whole ratios here), but Lanczos' sines come from the DLL's maths library.
            EXPECT_LE(worst, f == 3 ? 1 : 0) << "filter " << f << ", " << w << " x " << h;
        }
    call("ResampleParam", 3);
}

TEST(ResampleCommand, RefusesPaletteScreensAndEmptySizesUntouched) {
    HostScreen full(20, 20, false), pal(20, 20, true);
    full.fill_pattern(1);
    pal.fill_pattern(2);
    const auto full_before = full.bytes(), pal_before = pal.bytes();
    EXPECT_EQ(call("Resample", pal.record(), full.record(), 10, 10), -1);
    EXPECT_EQ(call("Resample", full.record(), pal.record(), 10, 10), -1);
    EXPECT_EQ(call("Resample", full.record(), full.record(), 0, 10), 3);
    EXPECT_EQ(call("Resample", full.record(), full.record(), 10, -1), 3);
    EXPECT_EQ(full.bytes(), full_before);
    EXPECT_EQ(pal.bytes(), pal_before);
}

}  // namespace
}  // namespace qv::test

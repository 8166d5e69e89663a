// Resample and ResampleParam through the DLL's exports: which screen is read and which is
// drawn, from and to where, with which filter (the filters' arithmetic itself is checked
// against Pillow in the core's tests).
#include "host_fixture.h"

#include "compose/resample.h"

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

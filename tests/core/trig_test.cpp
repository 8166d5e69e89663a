// The shared sine table and the table-driven scaled trigonometry.
#include <gtest/gtest.h>

#include "host/sine_table.h"
#include "command_decls.h"
#include "text/trig.h"

namespace qv::text {
namespace {

TEST(SineTable, EntriesAsDefined) {
    const int16_t* t = host::sine_table();
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[1], 71);
    EXPECT_EQ(t[30], 2048);
    EXPECT_EQ(t[90], 4096);
    EXPECT_EQ(t[180], 0);
    EXPECT_EQ(t[270], -4096);
    for (int i = 180; i < 360; ++i) EXPECT_EQ(t[i], -t[i - 180]) << i;
    EXPECT_EQ(host::cosine(0), 4096);
    EXPECT_EQ(host::sine(-90), -4096);
    EXPECT_EQ(host::sine(4096), t[136]);
}

TEST(TriFunc, HandValuesAndRightAngles) {
    EXPECT_EQ(tri_func(0, 30, 100), 50);
    EXPECT_EQ(tri_func(1, 0, 1000), 1000);
    EXPECT_EQ(tri_func(7, -90, 100), -100);
    EXPECT_EQ(tri_func(2, 90, 100), 2147483647);
    EXPECT_EQ(tri_func(2, 270, 100), -2147483647);
    EXPECT_EQ(tri_func(2, -90, 5), -2147483647);
    EXPECT_EQ(tri_func(2, 45, 100), 100);
    EXPECT_EQ(tri_func(0, 4096, 4096), host::sine_table()[136]);
}

TEST(TriFunc, SineIsOddAndCosineEvenForEveryAngleAndScale) {
    for (int32_t scale : {1, 7, 100, 999, 4096, 100000, -3}) {
        for (int32_t a = 0; a <= 4096; ++a) {
            ASSERT_EQ(tri_func(0, -a, scale), -tri_func(0, a, scale)) << a << " scale " << scale;
            ASSERT_EQ(tri_func(1, -a, scale), tri_func(1, a, scale)) << a << " scale " << scale;
        }
    }
}

TEST(RoundBySign, AwayFromZeroAndHeldToRange) {
    EXPECT_EQ(round_by_sign(49.5, 1), 50);
    EXPECT_EQ(round_by_sign(-49.5, -1), -50);
    EXPECT_EQ(round_by_sign(-0.2, -0.2), 0);
    EXPECT_EQ(round_by_sign(1e12, 1), 2147483647);
    EXPECT_EQ(round_by_sign(-1e12, -1), int32_t(-2147483647 - 1));
}

TEST(GetAngle, DirectionOfTheLineEitherWay) {
    EXPECT_EQ(GetAngle(0, 0, 10, 10), -450000);
    EXPECT_EQ(GetAngle(10, 10, 0, 0), -450000);
    EXPECT_EQ(GetAngle(0, 0, 10, -10), -3150000);
    EXPECT_EQ(GetAngle(0, 0, 10, 0), 0);
    EXPECT_EQ(GetAngle(5, 1, 5, 9), 3) << "a vertical line";
}

}  // namespace
}  // namespace qv::text

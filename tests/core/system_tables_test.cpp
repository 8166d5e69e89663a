// The system commands' tables: Inkey's key codes for every virtual key and lock state,
// GetWeekDate for every day from 1800 to 4100 against a calendar walked a day at a time,
// and the file dialogs' filter.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "system/file_mask.h"
#include "system/keys.h"
#include "system/week_date.h"

namespace qv::system {
namespace {

// The key codes by kind of key, as a script sees them.
int32_t expected_code(int32_t vk, bool shift, bool caps, bool num) {
    if (vk >= 'A' && vk <= 'Z') return shift != caps ? vk : vk + 32;
    if (vk >= '1' && vk <= '9') return shift ? std::string("!\"#$%&'()")[size_t(vk - '1')] : vk;
    if (vk >= 33 && vk <= 47) return vk + 896;
    if (vk >= 96 && vk <= 105) return num && !shift ? '0' + vk - 96 : vk + 512;
    if (vk >= 106 && vk <= 111) return std::string("*+\0-./", 6)[size_t(vk - 106)];
    if (vk >= 112) return vk + 512;
    return vk;
}

TEST(Keys, EveryVirtualKeyInEveryShiftCapsAndNumState) {
    for (int32_t vk = 0; vk < 256; ++vk)
        for (int state = 0; state < 8; ++state) {
            const bool shift = state & 1, caps = state & 2, num = state & 4;
            ASSERT_EQ(key_code(vk, shift, caps, num), expected_code(vk, shift, caps, num))
                << "key " << vk << " shift " << shift << " caps " << caps << " num " << num;
        }
    EXPECT_EQ(key_code(0x24, false, false, false), 932) << "Home";
    EXPECT_EQ(key_code('2', true, false, false), 34);
    EXPECT_EQ(key_code(0x65, false, false, true), '5');
}

TEST(WeekDate, EveryDayFrom1800To4100AndTheInvalidOnes) {
    const auto leap = [](int32_t y) { return y % 4000 != 0 && (y % 400 == 0 || (y % 4 == 0 && y % 100 != 0)); };
    const int32_t lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int32_t weekday = 4;  // 1 January 1800 was a Wednesday (1 Sunday .. 7 Saturday)
    for (int32_t y = 1800; y <= 4100; ++y)
        for (int32_t m = 1; m <= 12; ++m) {
            const int32_t days = lengths[m - 1] + (m == 2 && leap(y));
            for (int32_t d = 1; d <= days; ++d) {
                ASSERT_EQ(week_date(y, m, d, 0), -weekday) << y << "-" << m << "-" << d;
                ASSERT_EQ(week_date(y, m, d, 1), 0);
                weekday = weekday % 7 + 1;
            }
            ASSERT_EQ(week_date(y, m, days + 1, 0), 3) << y << "-" << m;
            ASSERT_EQ(week_date(y, m, days + 1, 7), -1);
        }
    EXPECT_EQ(week_date(2000, 1, 1, 0), -7);
    EXPECT_EQ(week_date(4000, 2, 29, 1), -1) << "4000 is no leap year";
    for (auto [y, m, d] : {std::array{1799, 12, 31}, {2000, 0, 1}, {2000, 13, 1}, {2000, 1, 0}, {2000, 1, -5}})
        EXPECT_EQ(week_date(y, m, d, 0), 3) << y << "-" << m << "-" << d;
    EXPECT_LT(week_date(2147483647, 12, 31, 0), 0) << "the largest year still has a weekday";
}

TEST(FileMask, PairsSeparatorsAndTheLimit) {
    char strings[4][16] = {"Pictures", "*.jpg", "All", "*.*"};
    char out[kMaskBytes];
    ASSERT_TRUE(build_filter(&strings[0][0], 16, 2, out));
    EXPECT_EQ(std::string(out, 18), std::string("Pictures\0*.jpg\0\0\0", 18));
    ASSERT_TRUE(build_filter(&strings[0][0], 16, 4, out));
    EXPECT_EQ(std::string(out, 24), std::string("Pictures\0*.jpg\0All\0*.*\0\0", 24));
    // Strings that fill their slot without a zero end there; bytes below 8 become zeros.
    char tight[2][4] = {{'A', 'B', 'C', 'D'}, {'*', 5, 'x', 0}};
    ASSERT_TRUE(build_filter(&tight[0][0], 4, 2, out));
    EXPECT_EQ(std::string(out, 10), std::string("ABCD\0*\0x\0\0", 10));
    // A text of more than 4128 bytes is refused and the mask left as it was; 4127 fit.
    std::string long_text(4096 * 2, 'p');
    std::memcpy(out, "kept", 5);
    EXPECT_FALSE(build_filter(long_text.c_str(), 4096, 2, out));
    EXPECT_STREQ(out, "kept");
    std::string exact(2 * 2062, 'q');
    exact[2061] = 0;
    EXPECT_TRUE(build_filter(exact.c_str(), 2062, 2, out)) << "2061 + 1 + 2062 + 1 + 2 = 4127";
}

}  // namespace
}  // namespace qv::system

// The screen table and the version queries, called as the portable functions the
// exported thunks forward to.
#include <gtest/gtest.h>

#include <cstring>

#include "command_decls.h"
#include "host/screen_table.h"

namespace qv::host {
namespace {

class ScreenTable : public ::testing::Test {
protected:
    void SetUp() override { settings = Settings{}; }
    void TearDown() override { settings = Settings{}; }
    BMSCR a{}, b{};
};

TEST_F(ScreenTable, StartsEmptyAtSlotZero) {
    EXPECT_EQ(current_table_screen(), nullptr);
    EXPECT_EQ(settings.copy_redraw, 0);
}

TEST_F(ScreenTable, SetBMSCRFillsTheSlotAndSetsCopyRedraw) {
    EXPECT_EQ(SetBMSCR(&a, 1, 3, 0), 0);
    EXPECT_EQ(settings.screen_table[3], &a);
    EXPECT_EQ(settings.copy_redraw, 1);
    for (int i = 0; i < kSlots; ++i) {
        if (i == 3) continue;
        EXPECT_EQ(settings.screen_table[i], nullptr) << i;
    }
}

TEST_F(ScreenTable, SlotsAboveEightFillSlotEight) {
    EXPECT_EQ(SetBMSCR(&a, 0, 12, 0), 0);
    EXPECT_EQ(settings.screen_table[8], &a);
    EXPECT_EQ(SetBMSCR(&b, 0, 0x7FFFFFFF, 0), 0);
    EXPECT_EQ(settings.screen_table[8], &b);
}

TEST_F(ScreenTable, NegativeSlotChangesOnlyCopyRedraw) {
    SetBMSCR(&a, 0, 0, 0);
    EXPECT_EQ(SetBMSCR(&b, 7, -1, 0), 0);
    EXPECT_EQ(settings.copy_redraw, 7);
    EXPECT_EQ(settings.screen_table[0], &a);
    for (int i = 1; i < kSlots; ++i) EXPECT_EQ(settings.screen_table[i], nullptr) << i;
    EXPECT_EQ(SetBMSCR(&b, 0, int32_t(0x80000000u), 0), 0);
    EXPECT_EQ(settings.copy_redraw, 0);
}

TEST_F(ScreenTable, SetBMNoSelectsInRangeSlotsElseZero) {
    SetBMSCR(&a, 0, 0, 0);
    SetBMSCR(&b, 0, 8, 0);
    EXPECT_EQ(SetBMNo(8, 0, 0, 0), 0);
    EXPECT_EQ(current_table_screen(), &b);
    EXPECT_EQ(SetBMNo(9, 0, 0, 0), 0);
    EXPECT_EQ(settings.current_slot, 0);
    EXPECT_EQ(current_table_screen(), &a);
    SetBMNo(8, 0, 0, 0);
    EXPECT_EQ(SetBMNo(-1, 0, 0, 0), 0);
    EXPECT_EQ(settings.current_slot, 0);
    SetBMNo(5, 0, 0, 0);
    EXPECT_EQ(settings.current_slot, 5);
    EXPECT_EQ(current_table_screen(), nullptr);
}

TEST(Version, GetQuorvelVerWritesSixBytesAndReportsItsDigits) {
    char buffer[16];
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(GetQuorvelVer(0, 0, 0, buffer), -394497);
    EXPECT_STREQ(buffer, "0.651");
    for (size_t i = 6; i < sizeof buffer; ++i) EXPECT_EQ(uint8_t(buffer[i]), 0xEE) << i;
}

TEST(Version, GetTobExtVerWritesSixBytesAndReportsItsDigits) {
    char buffer[16];
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(GetTobExtVer(1, 2, 3, buffer), -524289);
    EXPECT_STREQ(buffer, "0.801");
    for (size_t i = 6; i < sizeof buffer; ++i) EXPECT_EQ(uint8_t(buffer[i]), 0xEE) << i;
}

TEST(Version, NullBufferOnlyReportsTheStatus) {
    EXPECT_EQ(GetQuorvelVer(0, 0, 0, nullptr), -394497);
    EXPECT_EQ(GetTobExtVer(0, 0, 0, nullptr), -524289);
}

}  // namespace
}  // namespace qv::host

// The host records: the capacity rule, the pixel addressing rule and the redraw flag.
#include <gtest/gtest.h>

#include "host/records.h"
#include "host/views.h"

namespace qv::host {
namespace {

PVAL string_var(uint16_t len1, uint16_t len2) {
    PVAL v{};
    v.type = kString;
    v.len[1] = len1;
    v.len[2] = len2;
    return v;
}

TEST(Capacity, FirstDimensionTimesSecondWhenThereIsOne) {
    EXPECT_EQ(capacity(var_sizes(string_var(64, 0), nullptr)), 256u);
    EXPECT_EQ(capacity(var_sizes(string_var(64, 1), nullptr)), 256u);
    EXPECT_EQ(capacity(var_sizes(string_var(64, 3), nullptr)), 768u);
    EXPECT_EQ(capacity(var_sizes(string_var(0, 5), nullptr)), 0u);
}

TEST(Capacity, DimsRecordOverridesLenWhenFlagged) {
    const uint32_t dims_words[2] = {10, 2};  // words 2 and 3 of the dims record
    PVAL v = string_var(64, 3);
    v.uses_dims_record = 1;
    EXPECT_EQ(capacity(var_sizes(v, dims_words)), 80u);
    v.uses_dims_record = 0;  // not > 0: len holds
    EXPECT_EQ(capacity(var_sizes(v, dims_words)), 768u);
    v.uses_dims_record = -1;
    EXPECT_EQ(capacity(var_sizes(v, dims_words)), 768u);
}

TEST(Capacity, LargestHostSizesDoNotOverflow) {
    const uint32_t dims_words[2] = {0xFFFFFFFFu, 0xFFFFFFFFu};
    PVAL v = string_var(0, 0);
    v.uses_dims_record = 1;
    EXPECT_EQ(capacity(var_sizes(v, dims_words)), uint64_t(0xFFFFFFFFu) * 4 * 0xFFFFFFFFu);
    EXPECT_EQ(capacity(var_sizes(string_var(65535, 65535), nullptr)), uint64_t(65535) * 4 * 65535);
}

TEST(Capacity, FirstDimensionBytesIgnoresTheRest) {
    PVAL v = string_var(16, 4);
    v.uses_dims_record = 1;
    EXPECT_EQ(first_dimension_bytes(v), 64u);
}

TEST(PixelAddressing, StrideIsRoundedToWholeWords) {
    Screen s;
    s.width = 101;
    s.height = 7;
    EXPECT_EQ(s.stride(), 304u);
    EXPECT_EQ(s.offset(0, 0), 6u * 304);
    EXPECT_EQ(s.offset(0, 6), 0u);
    EXPECT_EQ(s.offset(100, 6), 300u);
    EXPECT_EQ(s.offset(3, 2), 4u * 304 + 9);
    s.bpp = 1;
    EXPECT_EQ(s.stride(), 104u);
    EXPECT_EQ(s.offset(3, 2), 4u * 104 + 3);
    s.width = 4;
    EXPECT_EQ(s.stride(), 4u);
    s.bpp = 3;
    EXPECT_EQ(s.stride(), 12u);
    s.width = 1;
    EXPECT_EQ(s.stride(), 4u);
}

TEST(PixelAddressing, LargeScreensAddressWithoutOverflow) {
    Screen s;
    s.width = 30000;
    s.height = 30000;
    EXPECT_EQ(s.size_bytes(), size_t(90000) * 30000);
    EXPECT_EQ(s.offset(29999, 0), size_t(29999) * 90000 + 29999 * 3);
}

TEST(Records, RedrawFlagIsTheHighHalfOfItsWord) {
    BMSCR s{};
    s.redraw = 0xFFFF;  // low half only: the host's own bits
    EXPECT_FALSE(redraw_requested(s));
    s.redraw = 0x10000;
    EXPECT_TRUE(redraw_requested(s));
    s.redraw = int32_t(0x80000000u);
    EXPECT_TRUE(redraw_requested(s));
}

}  // namespace
}  // namespace qv::host

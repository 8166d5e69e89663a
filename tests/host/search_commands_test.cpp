// The search commands through the DLL's exports.
#include <cstring>

#include "host_fixture.h"

namespace qv::test {
namespace {

HostVar text_var(const std::string& s, uint32_t size) {
    HostVar v = HostVar::text(size);
    std::memcpy(v.data(), s.data(), s.size());
    return v;
}

TEST(SearchCommands, SearchStrFindsAndChecks) {
    HostVar v = text_var("ABCABC", 16);
    EXPECT_EQ(call("SearchStr", v.record(), "BC", 6, 0), -2);
    EXPECT_EQ(call("SearchStr", v.record(), "bc", -6, 0), -2);
    EXPECT_EQ(call("SearchStr", v.record(), "BC", 6, 2), -5) << "the limit counts from the offset";
    EXPECT_EQ(call("SearchStr", v.record(), "BC", 2, 3), 0);
    EXPECT_EQ(call("SearchStr", v.record(), "BC", 3, 3), -5);
    EXPECT_EQ(call("SearchStr", v.record(), "ZZ", 100000, 0), 0);
    EXPECT_EQ(call("SearchStr", v.record(), "", 6, 0), 3);
    EXPECT_EQ(call("SearchStr", v.record(), "BC", 0, 0), 3);
    EXPECT_EQ(call("SearchStr", v.record(), "BC", 6, -1), 3);
    std::string long_pattern(2049, 'q');
    EXPECT_EQ(call("SearchStr", v.record(), long_pattern.c_str(), -6, 0), 3);
    EXPECT_EQ(call("SearchStr", v.record(), long_pattern.c_str(), 6, 0), 0);
    // The end of the variable's storage bounds every search: a match there is found, none past it.
    HostVar edge = text_var(std::string(14, 'x') + "YZ", 16);
    EXPECT_EQ(call("SearchStr", edge.record(), "YZ", 0x7FFFFFFF, 0), -15);
    EXPECT_EQ(call("SearchStr", edge.record(), "YZ", 0x7FFFFFFF, 15), 0);
    EXPECT_EQ(call("SearchStr", edge.record(), "YZ", 5, 1000), 0);
}

TEST(SearchCommands, SearchBinPatternLife) {
    HostVar data = text_var("xxGqFyy", 8);
    EXPECT_EQ(call("SearchBin", data.record(), 8, 0), -255) << "never set";
    HostVar pattern = HostVar::ints(3);
    pattern.ints()[0] = 0x47;
    pattern.ints()[1] = -1;
    pattern.ints()[2] = 0x46;
    EXPECT_EQ(call("SearchBinParam", pattern.record(), 0), 3);
    EXPECT_EQ(call("SearchBinParam", pattern.record(), 99), 0) << "the count is cut to the array's";
    EXPECT_EQ(call("SearchBin", data.record(), 8, 0), -3);
    EXPECT_EQ(call("SearchBin", data.record(), 8, 3), 0);
    EXPECT_EQ(call("SearchBin", data.record(), 4, 0), 0) << "the match must fit below the end";
    EXPECT_EQ(call("SearchBin", data.record(), 0, 0), 3);
    EXPECT_EQ(call("SearchBin", data.record(), 8, -1), 3);
    pattern.ints()[0] = 0x20;  // the pattern is a copy: later changes to the array do nothing
    EXPECT_EQ(call("SearchBin", data.record(), 8, 0), -3);
    EXPECT_EQ(call("SearchBinNull"), 0);
    EXPECT_EQ(call("SearchBin", data.record(), 8, 0), 3) << "released";
    EXPECT_EQ(call("SearchBinNull"), 0);
    pattern.ints()[0] = 0xF041;  // a byte whose high four bits are 4: 'G' (0x47) at 2
    EXPECT_EQ(call("SearchBinParam", pattern.record(), 1), 0);
    EXPECT_EQ(call("SearchBin", data.record(), 8, 0), -3);
}

}  // namespace
}  // namespace qv::test

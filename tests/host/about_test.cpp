// The version queries through the exports, and the about and notice boxes, answered by a
// helper thread as a user would.
#include <cstring>

#include "host_fixture.h"

namespace qv::test {
namespace {

TEST(VersionCommands, WriteTheirTextAndReportTheirDigits) {
    HostVar v = HostVar::text(16);
    std::memset(v.data(), 0xEE, 16);
    EXPECT_EQ(call("GetQuorvelVer", 5, 6, 7, v.data()), -394497);
    EXPECT_STREQ(v.chars(), "0.651");
    for (int i = 6; i < 16; ++i) EXPECT_EQ(v.data()[i], 0xEE) << i;

    std::memset(v.data(), 0xEE, 16);
    EXPECT_EQ(call("GetTobExtVer", 0, 0, 0, v.data()), -524289);
    EXPECT_STREQ(v.chars(), "0.801");
    for (int i = 6; i < 16; ++i) EXPECT_EQ(v.data()[i], 0xEE) << i;
}

TEST(AboutBoxes, UndecoratedAboutMeWaitsForTheUserAndReturnsIdok) {
    auto about = reinterpret_cast<int(__stdcall*)()>(reinterpret_cast<void*>(GetProcAddress(library(), "AboutMe")));
    ASSERT_NE(about, nullptr);
    BoxPresser presser("About Quorvel", IDOK);
    EXPECT_EQ(about(), IDOK);
    ASSERT_TRUE(presser.wait());
    EXPECT_NE(presser.text().find("0.651"), std::string::npos) << presser.text();
    EXPECT_NE(presser.text().find("Vesh"), std::string::npos) << presser.text();
    EXPECT_NE(presser.text().find("This software is based in part on the work of the Independent JPEG Group"),
              std::string::npos)
        << presser.text();
    EXPECT_TRUE(presser.has_icon());
}

TEST(AboutBoxes, TheCommandAboutMeShowsTheUtilityNoticeAndReturnsZero) {
    BoxPresser presser("About Quorvel", IDOK);
    EXPECT_EQ(call("AboutMe", 1, 2, 3, 4), 0);
    ASSERT_TRUE(presser.wait());
    EXPECT_NE(presser.text().find("0.801"), std::string::npos) << presser.text();
    EXPECT_TRUE(presser.has_icon());
}

TEST(AboutBoxes, AlphaMethodShowsAPlainOneLineBox) {
    BoxPresser presser("AlphaMethod", IDOK);
    EXPECT_EQ(call("AlphaMethod"), 0);
    ASSERT_TRUE(presser.wait());
    EXPECT_FALSE(presser.text().empty());
    EXPECT_EQ(presser.text().find('\n'), std::string::npos) << presser.text();
    EXPECT_FALSE(presser.has_icon());
}

TEST(ScreenTableCommands, AcceptAnyArgumentsThroughTheExports) {
    HostScreen s(32, 16, false);
    EXPECT_EQ(call("SetBMSCR", s.record(), 1, 0), 0);
    EXPECT_EQ(call("SetBMSCR", s.record(), 0, 12), 0);
    EXPECT_EQ(call("SetBMSCR", 0, 0, -1), 0);
    EXPECT_EQ(call("SetBMNo", 9), 0);
    EXPECT_EQ(call("SetBMNo", -1), 0);
    EXPECT_EQ(call("SetBMNo", 3), 0);
    EXPECT_EQ(call("SetBMNo", 0), 0);
}

}  // namespace
}  // namespace qv::test

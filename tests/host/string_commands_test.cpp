// The string commands through the DLL's exports. Tests named Japanese* run in a second
// Wine process with the Japanese code page and locale (scripts/test); the others do not
// depend on the locale.
#include <cstring>

#include "host_fixture.h"

namespace qv::test {
namespace {

HostVar text_var(const std::string& s, uint32_t size) {
    HostVar v = HostVar::text(size);
    std::memcpy(v.data(), s.c_str(), s.size() + 1);
    return v;
}

TEST(StringCommands, FastCaseCountAndHex) {
    HostVar v = text_var("abc\x82\x61xyz", 16);
    EXPECT_EQ(call("UpperCaseF", v.record()), 0);
    EXPECT_STREQ(v.chars(), "ABC\x82\x61XYZ");
    EXPECT_EQ(call("LowerCaseF", v.record()), 0);
    EXPECT_STREQ(v.chars(), "abc\x82\x61xyz");
    HostVar ints = HostVar::ints(4);
    EXPECT_EQ(call("UpperCaseF", ints.record()), 6);

    HostVar bytes = HostVar::text(64);
    std::memset(bytes.data(), 'q', 64);
    bytes.data()[5] = 'z';
    EXPECT_EQ(call("CountChr", bytes.record(), 'q', 100, 10), -54) << "bytes 10 to 63 only";
    EXPECT_EQ(call("CountChr", bytes.record(), 'q' + 256, 10, 0), -9) << "the low 8 bits count";
    EXPECT_EQ(call("CountChr", bytes.record(), 'q', 5, 64), 0);
    EXPECT_EQ(call("CountChr", bytes.record(), 'q', 0, 0), 3);
    EXPECT_EQ(call("CountChr", bytes.record(), 'q', 5, -1), 3);

    HostVar n = HostVar::ints(1);
    EXPECT_EQ(call("Hex2Int", n.record(), "  -7fffffff"), 0);
    EXPECT_EQ(n.ints()[0], -2147483647);
    n.ints()[0] = 5;
    EXPECT_EQ(call("Hex2Int", n.record(), "-80000000"), -255);
    EXPECT_EQ(n.ints()[0], 5) << "not written";
    EXPECT_EQ(call("Hex2Int", n.record(), "+-1F"), 0);
    EXPECT_EQ(n.ints()[0], -31);
    EXPECT_EQ(call("Hex2Int", v.record(), "1F"), -1);
}

TEST(StringCommands, DecimalStrAndNodeExt) {
    HostVar v = HostVar::text(64);
    EXPECT_EQ(call("DecimalStr", v.record(), 7, 2), 0);
    EXPECT_STREQ(v.chars(), "3.1");
    EXPECT_EQ(call("DecimalStr", v.record(), 1205, 100), 0);
    EXPECT_STREQ(v.chars(), "12.5");
    EXPECT_EQ(call("DecimalStr", v.record(), -7, 2), 0);
    EXPECT_STREQ(v.chars(), "-3.-1");
    EXPECT_EQ(call("DecimalStr", v.record(), 7, 0), -3) << "no division by 0";
    EXPECT_EQ(call("DecimalStr", v.record(), int32_t(0x80000000u), -1), -3);
    EXPECT_STREQ(v.chars(), "-3.-1") << "a refused division leaves the variable";
    HostVar small = HostVar::text(60);
    EXPECT_EQ(call("DecimalStr", small.record(), 7, 2), -2);
    HostVar ints = HostVar::ints(16);
    EXPECT_EQ(call("DecimalStr", ints.record(), 7, 2), -1);

    const char* path = "C:\\Data\\photo.tar.gz";
    EXPECT_EQ(call("NodeExt", v.record(), path, 1), 0);
    EXPECT_STREQ(v.chars(), "C:");
    EXPECT_EQ(call("NodeExt", v.record(), path, 2), 0);
    EXPECT_STREQ(v.chars(), "photo.tar");
    EXPECT_EQ(call("NodeExt", v.record(), path, 3), 0);
    EXPECT_STREQ(v.chars(), "gz");
    EXPECT_EQ(call("NodeExt", v.record(), path, 0), 0);
    EXPECT_STREQ(v.chars(), "C:\\Data\\");
    EXPECT_EQ(call("NodeExt", v.record(), "file", 1), -255);
    EXPECT_EQ(call("NodeExt", ints.record(), "file", 2), -1);
    HostVar tiny = HostVar::text(4);
    EXPECT_EQ(call("NodeExt", tiny.record(), path, 2), -16);
}

TEST(StringCommands, MapStrAndCaseInTheDefaultLocale) {
    HostVar v = text_var("Hello", 32);
    EXPECT_EQ(call("UpperCase", v.record()), 0);
    EXPECT_STREQ(v.chars(), "HELLO");
    EXPECT_EQ(call("LowerCase", v.record()), 0);
    EXPECT_STREQ(v.chars(), "hello");
    HostVar empty = text_var("", 16);
    EXPECT_EQ(call("UpperCase", empty.record()), 3);
    EXPECT_EQ(call("UpperCaseF", empty.record()), 0);
    EXPECT_EQ(call("MapStr", v.record(), "MiXeD", 16), 0);
    EXPECT_STREQ(v.chars(), "mixed");
    EXPECT_EQ(call("MapStr", v.record(), "", 16), 3);
    HostVar small = text_var("", 4);
    EXPECT_EQ(call("MapStr", small.record(), "longer than four", 32), -1) << "no room: the mapping fails";
    HostVar ints = HostVar::ints(4);
    EXPECT_EQ(call("MapStr", ints.record(), "x", 32), 6);
    EXPECT_EQ(call("UpperCase", ints.record()), 6);
}

TEST(Japanese, ThisRunHasTheJapaneseCodePage) {
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(PRIMARYLANGID(GetUserDefaultLCID()), LANG_JAPANESE);
}

TEST(Japanese, MapStrWidthAndKana) {
    HostVar v = HostVar::text(64);
    // Half-width "abc" and katakana ｱｶﾞ become full width (ｶﾞ composes to ガ).
    EXPECT_EQ(call("MapStr", v.record(), "abc\xb1\xb6\xde", 0), 0);
    EXPECT_STREQ(v.chars(), "\x82\x81\x82\x82\x82\x83\x83\x41\x83\x4b");
    EXPECT_EQ(call("MapStr", v.record(), "\x82\x81\x82\x82\x83\x41", 2), 0);  // back to half width
    EXPECT_STREQ(v.chars(), "ab\xb1");
    EXPECT_EQ(call("MapStr", v.record(), "\x83\x41\x83\x43", 4), 0);  // katakana アイ to hiragana あい
    EXPECT_STREQ(v.chars(), "\x82\xa0\x82\xa2");
    EXPECT_EQ(call("MapStr", v.record(), "\x82\xa0\x82\xa2", 8), 0);  // and back
    EXPECT_STREQ(v.chars(), "\x83\x41\x83\x43");
    HostVar small = HostVar::text(4);
    EXPECT_EQ(call("MapStr", small.record(), "abc", 1), -1) << "full width needs six bytes and the terminator";
}

TEST(Japanese, CaseMapsFullWidthLettersAndLeavesTrailBytes) {
    // Full-width ａ (82 81) becomes Ａ (82 60); the ASCII letters change; 82 61 (Ｂ) keeps
    // its trail byte 'a'.
    HostVar v = HostVar::text(32);
    std::strcpy(v.chars(), "x\x82\x81\x82\x61y");
    EXPECT_EQ(call("UpperCase", v.record()), 0);
    EXPECT_STREQ(v.chars(), "X\x82\x60\x82\x61Y");
    EXPECT_EQ(call("LowerCase", v.record()), 0);
    EXPECT_STREQ(v.chars(), "x\x82\x81\x82\x82y");  // Ｂ becomes ｂ (82 82)
    std::strcpy(v.chars(), "x\x82\x61y");
    EXPECT_EQ(call("UpperCaseF", v.record()), 0);
    EXPECT_STREQ(v.chars(), "X\x82\x61Y");
}

}  // namespace
}  // namespace qv::test

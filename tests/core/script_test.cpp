// The runner's script reader: tokens, numbers, texts, and the command table it reads.
#include <gtest/gtest.h>

#include <set>

#include "result_meanings.h"
#include "script.h"

namespace qv::run {
namespace {

std::vector<Token> tokens_of(const char* line) {
    std::vector<Token> t;
    std::string error;
    EXPECT_TRUE(tokenize(line, t, error)) << error;
    return t;
}

std::string error_of(const char* line) {
    std::vector<Token> t;
    std::string error;
    EXPECT_FALSE(tokenize(line, t, error)) << line;
    return error;
}

TEST(Tokenize, WordsNumbersTextsAndComments) {
    auto t = tokens_of("  JpegLoad main \"a b.jpg\" -12 0x1F  # comment \"x\"");
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[0].type, Token::Type::Word);
    EXPECT_EQ(t[0].text, "JpegLoad");
    EXPECT_EQ(t[2].type, Token::Type::Text);
    EXPECT_EQ(t[2].text, "a b.jpg");
    EXPECT_EQ(t[3].type, Token::Type::Number);
    EXPECT_EQ(t[3].number, -12);
    EXPECT_EQ(t[4].number, 31);
    EXPECT_TRUE(tokens_of("").empty());
    EXPECT_TRUE(tokens_of("# only a comment").empty());
    EXPECT_EQ(tokens_of("a\"b\"").size(), 2u);
}

TEST(Tokenize, NumbersStayWithin32Bits) {
    EXPECT_EQ(tokens_of("2147483647")[0].number, 2147483647);
    EXPECT_EQ(tokens_of("-2147483648")[0].number, int32_t(0x80000000u));
    EXPECT_EQ(tokens_of("0xFFFFFFFF")[0].number, -1);
    EXPECT_EQ(tokens_of("+7")[0].number, 7);
    EXPECT_NE(error_of("2147483648").find("not a 32-bit number"), std::string::npos);
    error_of("-2147483649");
    error_of("0x100000000");
    error_of("99999999999999999999999999");
    error_of("12abc");
    error_of("0x");
    error_of("-0x80000001");
}

TEST(Tokenize, TextEscapesAndShiftJisBytes) {
    auto t = tokens_of(R"("q\"b\\s\n\t\x82\xA0" "\x00z")");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].text, std::string("q\"b\\s\n\t\x82\xA0"));
    EXPECT_EQ(t[1].text, std::string("\0z", 2));
    // Double-byte characters whose trail byte is a backslash (0x83 0x5C, 0x95 0x5C) are no escape.
    auto raw = tokens_of("\"\x83\x5C\x95\x5C\" x");
    ASSERT_EQ(raw.size(), 2u);
    EXPECT_EQ(raw[0].text, "\x83\x5C\x95\x5C");
    EXPECT_NE(error_of("\"open").find("closing quote"), std::string::npos);
    error_of("\"bad \\q\"");
    error_of("\"\\x4\"");
    error_of("\"trailing backslash\\");
}

TEST(CommandTable, NamesAreUniqueAndFound) {
    std::set<std::string> names;
    for (const CommandInfo& c : command_table()) {
        EXPECT_TRUE(names.insert(c.name).second) << c.name;
        EXPECT_EQ(find_command(c.name), &c);
        EXPECT_GT(std::string(c.summary).size(), 0u) << c.name;
    }
    EXPECT_EQ(find_command("getquorvelver"), nullptr);
    EXPECT_EQ(find_command(""), nullptr);
    const CommandInfo* v = find_command("GetQuorvelVer");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->kinds[3], Kind::PTR);
    EXPECT_EQ(find_command("SetBMSCR")->kinds[0], Kind::SCR);
}

// Results by their own rows, by a shared group's, as host errors and as statuses, at the
// ends of a range and of the 32-bit results. (A command without results stops the build.)
TEST(ResultsTable, ResultsReadBackByTheirRowsAndGroups) {
    EXPECT_STREQ(result_meaning("JpegLoad", -255), "a palette-mode screen: nothing decoded");
    EXPECT_STREQ(result_meaning("JpegLoad", -1), "the file cannot be opened") << "from the decoder's group";
    EXPECT_EQ(result_meaning("JpegLoad", 1), nullptr) << "status 1 is no error 1";
    EXPECT_EQ(result_meaning("JpegLoad", -3), nullptr);
    EXPECT_STREQ(result_meaning("PiInfo", 6), "not an integer variable");
    EXPECT_NE(result_meaning("Rough", 1), result_meaning("Rough", -1)) << "error 1 and status 1 differ";
    EXPECT_NE(result_meaning("GetWinRect", INT32_MIN + 1), nullptr) << "status 2147483647";
    EXPECT_EQ(result_meaning("GetWinRect", INT32_MIN), nullptr) << "status 2147483648 is the fault, no command's";
    EXPECT_NE(fault_meaning(INT32_MIN), nullptr);
    EXPECT_EQ(fault_meaning(-2147483646), nullptr);
    EXPECT_NE(result_meaning("GetWinRect", 5), nullptr) << "an edge at -5";
    EXPECT_NE(result_meaning("GetAngle", -3600000), nullptr);
    EXPECT_EQ(result_meaning("GetAngle", -3600001), nullptr);
    EXPECT_EQ(result_meaning("NoSuchCommand", 0), nullptr);
}

}  // namespace
}  // namespace qv::run

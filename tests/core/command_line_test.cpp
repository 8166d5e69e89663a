// GetCmdLine's argument part: every rule of the scan and its fallbacks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "system/command_line.h"

namespace qv::system {
namespace {

TEST(CommandLine, ArgumentsAfterTheProgramAndEveryFallback) {
    struct Case {
        const char* line;
        int32_t mode;
        const char* want;
    } cases[] = {
        {"prog.exe alpha", 0, "prog.exe alpha"},
        {"prog.exe alpha beta", 1, "alpha beta"},
        {"\"C:\\Program Files\\prog.exe\" alpha", 1, "alpha"},
        {"prog.exe", 1, "prog.exe"},                        // no space at all
        {"prog.exe ", 1, "prog.exe "},                      // nothing after the space
        {"\"C:\\my prog.exe", 1, "\"C:\\my prog.exe"},      // no closing quote
        {"\"C:\\prog.exe\"alpha", 1, "\"C:\\prog.exe\"alpha"},  // no space after it
        {"\"C:\\prog.exe\" ", 1, "\"C:\\prog.exe\" "},
        {"a\"b c\" d", 1, "d"},                             // the first quote opens, wherever it is
        {"prog.exe obj x", 16, "x"},
        {"prog.exe obj x", 1, "obj x"},
        {"prog.exe obj ", 0x80, "obj "},                    // nothing after "obj "
        {"x obj y", 0x10, "y"},                             // after the program, then "obj "
        {"prog.exe objx", 0x10, "objx"},
    };
    for (const Case& c : cases) {
        const size_t n = std::strlen(c.line);
        EXPECT_EQ(std::string(c.line + argument_start(c.line, n, c.mode)), c.want) << c.line << " mode " << c.mode;
    }
    // A line cut to fit the variable is scanned as cut: "prog.exe al" of 11 bytes.
    EXPECT_EQ(argument_start("prog.exe alpha", 9, 1), 0u) << "the space is its last byte";
    EXPECT_EQ(argument_start("prog.exe alpha", 11, 1), 9u);
}

}  // namespace
}  // namespace qv::system

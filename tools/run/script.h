// Reading the runner's scripts: splitting a line into words, numbers and quoted texts, and
// looking commands up in the command table. Portable: no Win32 here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_kinds.h"

namespace qv::run {

struct Token {
    enum class Type { Word, Number, Text };
    Type type = Type::Word;
    std::string text;     // the word, or the text with its escapes resolved
    int32_t number = 0;   // for numbers
};

// Splits one script line. '#' outside quotes starts a comment. Numbers are decimal or 0x
// hexadecimal, with an optional sign, within 32 bits (hexadecimal up to 0xFFFFFFFF, taken
// as the same bits). Texts are Shift-JIS: a double-byte character is taken whole, so a
// trail byte that is a backslash is no escape. A quoted text knows \" \\ \n \t and \xHH (any byte, such as Shift-JIS).
// On failure returns false with a message in `error`.
bool tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error);

struct CommandInfo {
    const char* name;
    Kind kinds[4];
    const char* summary;
};

const std::vector<CommandInfo>& command_table();
const CommandInfo* find_command(std::string_view name);

// The word a script author reads for an argument kind ("screen name", "number", ...).
const char* kind_description(Kind kind);

// A command's four argument words as a script wrote them: the kind each must have, and
// whether it may be left out (trailing integers and ignored arguments default to 0).
bool argument_optional(Kind kind);

}  // namespace qv::run

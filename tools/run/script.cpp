// The runner's script reader (see script.h).
#include "script.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "text/sjis.h"

namespace qv::run {

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parse_number(const std::string& word, int32_t& out) {
    std::string_view s = word;
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return false;
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    uint64_t value = 0;
    for (char c : s) {
        int d = hex_digit(c);
        if (d < 0 || d >= base) return false;
        value = value * base + d;
        if (value > 0xFFFFFFFFull) return false;
    }
    if (base == 10) {
        if (negative ? value > 0x80000000ull : value > 0x7FFFFFFFull) return false;
    } else if (negative && value > 0x80000000ull) {
        return false;
    }
    uint32_t bits = uint32_t(value);
    out = int32_t(negative ? 0u - bits : bits);
    return true;
}

bool starts_number(std::string_view word) {
    size_t i = (!word.empty() && (word[0] == '-' || word[0] == '+')) ? 1 : 0;
    return i < word.size() && std::isdigit(static_cast<unsigned char>(word[i]));
}

}  // namespace

bool tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error) {
    tokens.clear();
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Token t;
            t.type = Token::Type::Text;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (text::is_lead_byte(uint8_t(d)) && i < line.size()) {
                    t.text += d;  // a double-byte character: its trail byte may be a backslash
                    t.text += line[i++];
                    continue;
                }
                if (d != '\\') {
                    t.text += d;
                    continue;
                }
                if (i >= line.size()) break;
                char e = line[i++];
                switch (e) {
                    case 'n': t.text += '\n'; break;
                    case 't': t.text += '\t'; break;
                    case 'r': t.text += '\r'; break;
                    case '"': t.text += '"'; break;
                    case '\\': t.text += '\\'; break;
                    case 'x': {
                        int hi = i < line.size() ? hex_digit(line[i]) : -1;
                        int lo = i + 1 < line.size() ? hex_digit(line[i + 1]) : -1;
                        if (hi < 0 || lo < 0) {
                            error = "\\x needs two hexadecimal digits";
                            return false;
                        }
                        t.text += char(hi * 16 + lo);
                        i += 2;
                        break;
                    }
                    default:
                        error = std::string("unknown escape \\") + e;
                        return false;
                }
            }
            if (!closed) {
                error = "text is missing its closing quote";
                return false;
            }
            tokens.push_back(std::move(t));
        } else {
            size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '\n' && line[i] != '#' && line[i] != '"')
                ++i;
            Token t;
            t.text = std::string(line.substr(start, i - start));
            if (starts_number(t.text)) {
                if (!parse_number(t.text, t.number)) {
                    error = "'" + t.text + "' is not a 32-bit number";
                    return false;
                }
                t.type = Token::Type::Number;
            }
            tokens.push_back(std::move(t));
        }
    }
    return true;
}

const std::vector<CommandInfo>& command_table() {
    static const std::vector<CommandInfo> table = {
#define CMD(name, folder, a1, a2, a3, a4, concepts, summary) \
    {#name, {Kind::a1, Kind::a2, Kind::a3, Kind::a4}, summary},
#include "commands.h"
#undef CMD
    };
    return table;
}

const CommandInfo* find_command(std::string_view name) {
    for (const CommandInfo& c : command_table())
        if (name == c.name) return &c;
    return nullptr;
}

const char* kind_description(Kind kind) {
    switch (kind) {
        case Kind::SCR: return "a screen name";
        case Kind::VAR: return "a variable name";
        case Kind::PTR: return "a variable name (its storage is passed) or 0";
        case Kind::STR:
        case Kind::WSTR: return "a quoted text or a string variable";
        case Kind::INT: return "a number";
        case Kind::NONE: return "a number or nothing (ignored)";
    }
    return "?";
}

bool argument_optional(Kind kind) { return kind == Kind::INT || kind == Kind::NONE; }

}  // namespace qv::run

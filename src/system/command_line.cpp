// GetCmdLine's argument part (see command_line.h).
#include "system/command_line.h"

#include <cstring>

namespace qv::system {

namespace {

size_t after_program(const char* text, size_t n) {
    size_t i = 0;
    while (i < n && text[i] != ' ' && text[i] != '"') ++i;
    if (i == n) return 0;
    if (text[i] == '"') {
        const void* close = std::memchr(text + i + 1, '"', n - i - 1);
        if (!close) return 0;
        i = size_t(static_cast<const char*>(close) - text) + 1;
        if (i >= n || text[i] != ' ') return 0;
    }
    return i + 1 < n ? i + 1 : 0;  // nothing after the space: the whole line
}

}  // namespace

size_t argument_start(const char* text, size_t n, int32_t mode) {
    size_t start = mode ? after_program(text, n) : 0;
    if ((mode & 0xF0) && n - start > 4 && std::memcmp(text + start, "obj ", 4) == 0) start += 4;
    return start;
}

}  // namespace qv::system

// The dialogs' filter (see file_mask.h).
#include "system/file_mask.h"

#include <cstring>

namespace qv::system {

bool build_filter(const char* strings, size_t width, size_t count, char (&out)[kMaskBytes]) {
    size_t total = 2;
    for (size_t i = 0; i < count; ++i) total += strnlen(strings + i * width, width) + 1;
    if (total > kMaskBytes) return false;
    char text[kMaskBytes] = {};
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t n = strnlen(strings + i * width, width);
        std::memcpy(text + at, strings + i * width, n);
        text[at + n] = 1;
        at += n + 1;
    }
    text[at] = text[at + 1] = 1;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 8) c = 0;
    std::memcpy(out, text, kMaskBytes);
    return true;
}

}  // namespace qv::system

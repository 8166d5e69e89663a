// The string helpers (see strings.h).
#include "text/strings.h"

#include <cstring>

#include "text/sjis.h"

namespace qv::text {

namespace {

bool lead(char c) { return is_lead_byte(uint8_t(c)); }

// The position of the last `target` byte from `from` on, walking whole characters (a lead
// byte followed by the terminator ends the walk); -1 when none.
ptrdiff_t last_of(const char* s, size_t from, char target) {
    ptrdiff_t found = -1;
    for (size_t i = from; s[i]; ++i) {
        if (lead(s[i])) {
            if (!s[i + 1]) break;
            ++i;
        } else if (s[i] == target) {
            found = ptrdiff_t(i);
        }
    }
    return found;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void change_case_fast(char* s, size_t size, bool upper) {
    if (size == 0) return;
    s[size - 1] = 0;  // the walk always ends inside the buffer
    for (size_t i = 0; s[i]; ++i) {
        if (lead(s[i])) {
            if (!s[i + 1]) break;
            ++i;
        } else if (upper && s[i] >= 'a' && s[i] <= 'z') {
            s[i] = char(s[i] - 32);
        } else if (!upper && s[i] >= 'A' && s[i] <= 'Z') {
            s[i] = char(s[i] + 32);
        }
    }
}

size_t format_decimal(int32_t v, char* out) {
    char digits[12];
    size_t n = 0;
    uint32_t u = v < 0 ? 0u - uint32_t(v) : uint32_t(v);
    do {
        digits[n++] = char('0' + u % 10);
        u /= 10;
    } while (u);
    size_t len = 0;
    if (v < 0) out[len++] = '-';
    while (n) out[len++] = digits[--n];
    out[len] = 0;
    return len;
}

int32_t parse_hex(const char* text, int32_t& value) {
    bool minus = false, plus = false, started = false;
    int digits = 0, first = 0;
    uint32_t v = 0;
    for (const char* p = text; p && *p; ++p) {
        const char c = *p;
        if (c == ' ') {
            if (started) break;
            continue;
        }
        if (c == '-' || c == '+') {
            bool& flag = c == '-' ? minus : plus;
            if (flag || digits > 0) break;
            flag = started = true;
            continue;
        }
        const int d = hex_digit(c);
        if (d < 0) break;
        if (digits == 0) first = d;
        v = v * 16 + uint32_t(d);
        started = true;
        if (++digits == 8) {
            if ((minus || plus) && first >= 8) return -255;
            break;
        }
    }
    value = int32_t(minus ? 0u - v : v);
    return 0;
}

int32_t path_part(const char* path, int32_t part, char* out, size_t size) {
    std::memset(out, 0, size);
    const size_t length = std::strlen(path);
    const bool drive = length >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    const ptrdiff_t b = last_of(path, 0, '\\');
    const ptrdiff_t d = last_of(path, b < 0 ? 0 : size_t(b), '.');
    if (part == 1) {
        if (!drive) return -255;
        if (size < 3) return -16;  // the letter, the colon and the terminator must fit
        out[0] = char(path[0] >= 'a' ? path[0] - 32 : path[0]);
        out[1] = ':';
        return 0;
    }
    if (part == 2) {
        if (d == 0 || (d >= 0 && d == b + 1)) return -255;
        const size_t start = b >= 0 ? size_t(b) + 1 : (drive ? 2 : 0);
        const size_t end = (d >= 0 && size_t(d) > start) ? size_t(d) : length;
        const size_t n = end > start ? end - start : 0;
        // Byte by byte while the text still fits with its terminator; what was copied stays.
        const size_t fits = size == 0 ? 0 : size - 1;
        std::memcpy(out, path + start, n < fits ? n : fits);
        return n + 1 > size ? -16 : 0;
    }
    if (part == 3) {
        if (d < 0) return -255;
        const size_t n = length - size_t(d);  // the extension and its terminator
        if (n > size) return -16;
        std::memcpy(out, path + d + 1, n);
        return 0;
    }
    if (b < 0) return -255;
    if (size < size_t(b) + 2) return -16;
    std::memcpy(out, path, size_t(b) + 1);
    return 0;
}

}  // namespace qv::text

// The Pi header reader (see header.h).
#include "host/memory.h"
#include "pi/header.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace qv::pi {

namespace {

constexpr size_t kMinWindow = 70;
constexpr size_t kPrefixedBase = 128;
constexpr size_t kMinPrefixedWindow = 199;

// Index i of the default 256-colour palette: green in bits 7-5, red in 4-2, blue in 1-0.
void default_palette(uint8_t* p, int32_t colours) {
    auto three = [](unsigned v) { return uint8_t((v << 5) | (v << 2) | (v >> 1)); };
    for (unsigned i = 0; i < 256; ++i) {
        p[3 * i] = three((i >> 2) & 7);
        p[3 * i + 1] = three(i >> 5);
        p[3 * i + 2] = uint8_t((i & 3) * 85);
    }
    if (colours != 16) return;
    static const uint8_t sixteen[16][3] = {
        {0, 0, 0},     {0, 0, 119},   {119, 0, 0},   {119, 0, 119}, {0, 119, 0},   {0, 119, 119},
        {119, 119, 0}, {119, 119, 119}, {0, 0, 0},   {0, 0, 255},   {255, 0, 0},   {255, 0, 255},
        {0, 255, 0},   {0, 255, 255}, {255, 255, 0}, {255, 255, 255}};
    std::memcpy(p, sixteen, sizeof sixteen);
    std::memset(p + sizeof sixteen, 0, 768 - sizeof sixteen);
}

// The first position at or after `from`, below `end`, holding `byte`; `end` when none.
size_t find_byte(const uint8_t* w, size_t from, size_t end, uint8_t byte) {
    if (from >= end) return end;
    const void* hit = std::memchr(w + from, byte, end - from);
    return hit ? size_t(static_cast<const uint8_t*>(hit) - w) : end;
}

size_t find_pi(const uint8_t* w, size_t from, size_t end) {
    for (size_t i = from; i < end; ++i)
        if (w[i] == 'P' && w[i + 1] == 'i') return i;  // end <= size - 3: i + 1 is inside
    return end;
}

}  // namespace

int32_t parse_pi_header(const uint8_t* w, size_t size, PiFormat& format, int32_t& width, int32_t& height) {
    width = -1;
    height = -1;
    format.colour_count = 0;
    if (size < kMinWindow) return -1;
    size_t base;
    if (w[0] == 'P' && w[1] == 'i') {
        base = 0;
    } else if (size >= kMinPrefixedWindow && w[kPrefixedBase] == 'P' && w[kPrefixedBase + 1] == 'i') {
        base = kPrefixedBase;
    } else {
        return -1;
    }

    size_t comment = base + 2;
    if (w[comment] == 'D' && w[comment + 1] == 'M' && w[comment + 2] == 'Y') {
        size_t zero = find_byte(w, base + 5, size - 5, 0);
        if (zero == size - 5) return -1;
        // A second "Pi" after the zero byte: the comment starts behind it.
        size_t second = find_pi(w, zero, size - 3);
        if (second != size - 3) comment = second + 2;
    }
    if (comment >= size) return -1;

    size_t eof_mark = find_byte(w, comment, size, 0x1A);
    if (eof_mark == size) return -1;
    size_t z = find_byte(w, eof_mark, size, 0x00);
    if (z == size) return -1;

    // Mode at z+1, depth at z+4, the extension length at z+9, then E bytes, width, height.
    if (z + 5 > size) return -1;
    const bool stored_palette = (w[z + 1] & 0x80) == 0;
    const int32_t colours = w[z + 4] == 4 ? 16 : 256;
    default_palette(format.palette, colours);
    format.colour_count = colours;
    if (z + 11 > size) return -1;
    const size_t extension = size_t(w[z + 9]) << 8 | w[z + 10];
    const size_t size_at = z + 11 + extension;
    if (size_at + 4 > size) return -1;
    const int32_t picture_width = int32_t(w[size_at]) << 8 | w[size_at + 1];
    const int32_t picture_height = int32_t(w[size_at + 2]) << 8 | w[size_at + 3];
    size_t at = size_at + 4;
    const size_t palette_bytes = 3 * size_t(colours);
    // The palette must end before the window does, stored or not.
    if (at + palette_bytes >= size) return -1;
    if (stored_palette) {
        std::memcpy(format.palette, w + at, palette_bytes);
        at += palette_bytes;
    }
    format.data_offset = uint32_t(at);
    width = picture_width;
    height = picture_height;
    return 0;
}

int32_t read_pi_header_file(const char* path, PiFormat& format, int32_t& width, int32_t& height) {
    width = -1;
    height = -1;
    std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) return -2;
    host::Buffer<uint8_t> block = host::allocate<uint8_t>(kBlockSize + 4);
    size_t got = block ? std::fread(block.get(), 1, kBlockSize, f) : 0;
    bool failed = !block || std::ferror(f);
    if (std::fclose(f) != 0 || failed) return -2;
    return parse_pi_header(block.get(), got, format, width, height);
}

}  // namespace qv::pi

// DIB reading (see dib.h). Sizes are computed in 64 bits, so that no header can make them
// wrap; nothing is read before the block's size has been checked against what the header
// claims.
#include "clip/dib.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "png/decode.h"  // the largest picture the library decodes

namespace qv::clip {

namespace {

int32_t i32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return int32_t(v);
}

constexpr size_t kHeader = 40;
constexpr int32_t kBitFields = 3;

// The index of pixel i of a row, `bits` (1, 4 or 8) a pixel, the first pixel in the high bits.
uint8_t index_at(const uint8_t* row, int32_t bits, int32_t i) {
    switch (bits) {
        case 8: return row[i];
        case 4: return uint8_t(i & 1 ? row[i / 2] & 15 : row[i / 2] >> 4);
        default: return uint8_t(row[i / 8] >> (7 - i % 8) & 1);
    }
}

}  // namespace

DibStatus check_dib(const uint8_t* block, size_t size, bool palette_screen, Dib& out, DibForms forms) {
    const bool with_alpha = forms == DibForms::kWithAlpha;
    if (size < kHeader) return kShortBlock;
    const uint64_t header = uint32_t(i32(block));
    if (header < kHeader) return kCoreHeader;
    if (with_alpha && header > size) return kShortBlock;
    uint16_t bits16;
    std::memcpy(&bits16, block + 14, 2);
    const int32_t bits = out.bits = bits16;
    const bool alpha = with_alpha && bits == 32;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && !alpha) return kBadBitCount;
    if (bits == 24 && palette_screen) return kFullColourDib;
    const int32_t compression = i32(block + 16);
    uint64_t masks = 0;  // bytes of bit fields after a 40-byte header
    if (alpha && compression == kBitFields) {
        // The usual byte order only: red, green, blue in the third, second and first byte.
        if (header == kHeader) masks = 12;
        else if (header < kHeader + 12) return kCompressed;
        if (size < kHeader + 12 || i32(block + 40) != 0xFF0000 || i32(block + 44) != 0xFF00 || i32(block + 48) != 0xFF)
            return kCompressed;
    } else if (compression != 0) {
        return kCompressed;
    }
    int32_t width = i32(block + 4), height = i32(block + 8);
    out.top_down = alpha && height < 0 && height != INT32_MIN;
    if (out.top_down) height = -height;
    if (width < 0 || height < 0 || (alpha && (width == 0 || height == 0))) return kTopDownOrNoWidth;
    if (alpha && (uint32_t(width) > png::kMaxSide || uint32_t(height) > png::kMaxSide ||
                  uint64_t(width) * uint64_t(height) * 4 > png::kMaxSampleBytes))
        return kDibTooLarge;
    const uint64_t stride = ((uint64_t(width) * uint64_t(bits) + 7) / 8 + 3) & ~uint64_t(3);
    const uint32_t used = uint32_t(i32(block + 32));
    const int32_t full_table = bits < 24 ? 1 << bits : 0;
    const int32_t entries = used > 0 && used < uint32_t(full_table) ? int32_t(used) : full_table;
    // A 32-bit bitmap need not have a colour table; one it has is read past.
    const uint64_t table = alpha ? masks + 4 * uint64_t(used) : 4 * uint64_t(entries);
    if (header + table + stride * uint64_t(height) > size) return kShortBlock;
    out.colours = block + header;
    out.bits_start = block + header + table;
    out.entries = entries;
    out.width = width;
    out.height = height;
    out.stride = size_t(stride);
    return kDibOk;
}

void dib_colours(const Dib& dib, uint8_t* colours) {
    for (int32_t i = 0; i < dib.entries; ++i) {
        const uint8_t* q = dib.colours + 4 * i;  // blue, green, red, reserved
        colours[3 * i] = q[2];
        colours[3 * i + 1] = q[1];
        colours[3 * i + 2] = q[0];
    }
}

void place_dib(const Dib& dib, const Screen& s, Point at) {
    const int32_t x = at.x, y = at.y;
    const int32_t w = std::min(dib.width, s.width - x), h = std::min(dib.height, s.height - y);
    const int32_t entries = dib.entries;
    if (w < 1 || h < 1) return;
    // Both are bottom-up: the rows go in the order of memory, from the last up.
    const auto source_row = [&](int32_t j) { return dib.row(j); };
    if (dib.bits == 24) {
        rows_in_memory_order(0, h, [&](int32_t j) { std::memcpy(s.at(x, y + j), source_row(j), size_t(w) * 3); });
        return;
    }
    if (s.palette_mode()) {
        rows_in_memory_order(0, h, [&](int32_t j) {
            const uint8_t* row = source_row(j);
            uint8_t* p = s.at(x, y + j);
            if (dib.bits == 8) {
                std::memcpy(p, row, size_t(w));
            } else {
                for (int32_t i = 0; i < w; ++i) p[i] = index_at(row, dib.bits, i);
            }
        });
        return;
    }
    // Full colour through the colour table: four bytes a pixel (blue, green, red and a byte
    // the next pixel overwrites), but three for a row's last, whose fourth would leave it.
    uint32_t bgr[256] = {};
    for (int32_t i = 0; i < entries; ++i) bgr[i] = uint32_t(dib.colours[4 * i]) | uint32_t(dib.colours[4 * i + 1]) << 8 |
                                                  uint32_t(dib.colours[4 * i + 2]) << 16;
    rows_in_memory_order(0, h, [&](int32_t j) {
        const uint8_t* row = source_row(j);
        uint8_t* p = s.at(x, y + j);
        if (dib.bits == 8) {
            for (int32_t i = 0; i + 1 < w; ++i) std::memcpy(p + 3 * size_t(i), &bgr[row[i]], 4);
            std::memcpy(p + 3 * size_t(w - 1), &bgr[row[w - 1]], 3);
        } else {
            for (int32_t i = 0; i + 1 < w; ++i) std::memcpy(p + 3 * size_t(i), &bgr[index_at(row, dib.bits, i)], 4);
            std::memcpy(p + 3 * size_t(w - 1), &bgr[index_at(row, dib.bits, w - 1)], 3);
        }
    });
}

uint64_t text_limit(const Var& v) {
    if (v.units == 0) return 0;
    const uint64_t one = 4 * uint64_t(v.units) - 1;
    return v.elements > 1 ? one * v.elements : one;
}

void take_text(const uint8_t* block, size_t size, const Var& v) {
    if (v.capacity == 0) return;
    const uint64_t limit = text_limit(v);
    const size_t n = size_t(std::min<uint64_t>(limit, size));
    const void* zero = std::memchr(block, 0, n);
    const size_t length = zero ? size_t(static_cast<const uint8_t*>(zero) - block) : n;
    std::memcpy(v.data, block, length);
    v.data[length] = 0;
    v.data[limit] = 0;
}

}  // namespace qv::clip

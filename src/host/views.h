// Typed views of a screen and a variable: what the portable core works on instead of the
// raw records. They hold real pointers, so they work the same in the 32-bit DLL and in the
// 64-bit native build, where tests make them directly.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

struct Screen {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 3;          // 3 in full colour (blue, green, red), 1 in palette mode
    uint8_t* pixels = nullptr;
    uint8_t* palette = nullptr;  // 256 RGBQUAD (blue, green, red, reserved)
    int32_t cursor_x = 0, cursor_y = 0;
    int32_t area_width = 0, area_height = 0;
    uint32_t color = 0;       // COLORREF 0x00BBGGRR

    bool palette_mode() const { return bpp == 1; }

    // Rows are padded to whole 32-bit words.
    size_t stride() const { return (size_t(bpp) * size_t(width) + 3) & ~size_t(3); }
    size_t size_bytes() const { return stride() * size_t(height); }

    // The buffer is bottom-up: row 0, the top row as shown, is stored last.
    size_t offset(int32_t x, int32_t y) const {
        return size_t(height - 1 - y) * stride() + size_t(x) * size_t(bpp);
    }
    uint8_t* at(int32_t x, int32_t y) const { return pixels + offset(x, y); }
    bool contains(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
};

// Whether two screens' buffers overlap (the same screen, in practice): then work that reads
// one and writes the other must keep the order scripts see.
inline bool share_bytes(const Screen& a, const Screen& b) {
    return a.pixels < b.pixels + b.size_bytes() && b.pixels < a.pixels + a.size_bytes();
}

// Calls f(y) for the rows y0 .. y0 + h - 1 in the order they lie in memory: from the last
// up, as the buffer is bottom-up. Work whose result does not depend on the order of its
// rows reads the buffer this way as one forward stream, which the processor prefetches
// well; row by row from the top, each row begins a new stream, and a large picture can
// take three times as long.
template <class F>
void rows_in_memory_order(int32_t y0, int32_t h, F f) {
    for (int32_t y = y0 + h - 1; y >= y0; --y) f(y);
}

struct Var {
    uint16_t type = 0;
    uint64_t capacity = 0;   // bytes of storage, from the capacity rule
    uint32_t units = 0;      // first dimension in 4-byte units
    uint32_t elements = 0;   // second dimension (0 or 1 = none)
    uint8_t* data = nullptr;

    int32_t* ints() const { return reinterpret_cast<int32_t*>(data); }
    char* chars() const { return reinterpret_cast<char*>(data); }
};

}  // namespace qv

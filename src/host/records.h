// The two host records the library reads and writes: the screen record (BMSCR) and the
// variable record (PVAL), exactly as the Vesh host lays them out in its 32-bit process.
//
// Pointer and handle fields are kept as 32-bit words so that the layout is the same in
// the DLL and in the 64-bit native build of the core; only the DLL turns a word into a
// pointer (host/pointers.h). Everything else uses the typed views of host/views.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::host {

using Word = uint32_t;  // a pointer or handle as the 32-bit host stores it

// A screen: a bottom-up DIB shown in a window. Fields the library does not use are kept
// as reserved words so that every named field sits at its word index.
struct BMSCR {
    int32_t reserved0;
    int32_t width;          // 1
    int32_t height;         // 2
    int32_t palette_mode;   // 3: 0 full colour (3 bytes a pixel), else 8-bit palette index
    Word hdc;               // 4: memory DC holding the buffer's bitmap
    Word pixels;            // 5
    Word bitmap_info;       // 6: BITMAPINFOHEADER
    int32_t reserved7[2];
    Word palette;           // 9: colour table, 256 RGBQUAD
    Word hpalette;          // 10: logical palette, 0 when none
    Word old_hpalette;      // 11: palette selected in hdc before hpalette
    int32_t palette_count;  // 12
    Word hwnd;              // 13
    int32_t reserved14[3];
    int32_t window_type;    // 17: 2 = RedrawScreen does not copy to the window
    int32_t reserved18;
    int32_t redraw;         // 19: high 16 bits are the redraw flag
    int32_t window_width;   // 20
    int32_t window_height;  // 21
    int32_t reserved22;
    int32_t view_x;         // 23
    int32_t view_y;         // 24
    int32_t reserved25[2];
    int32_t cursor_x;       // 27
    int32_t cursor_y;       // 28
    int32_t reserved29[4];
    int32_t area_width;     // 33
    int32_t area_height;    // 34
    int32_t reserved35[3];
    Word font;              // 38
    int32_t reserved39;
    uint32_t color;         // 40: COLORREF 0x00BBGGRR
    Word objects[64];       // 41..104: control window handles, 0 = empty slot
};

#define QV_WORD(field, index) static_assert(offsetof(BMSCR, field) == (index) * 4, #field)
QV_WORD(width, 1);
QV_WORD(height, 2);
QV_WORD(palette_mode, 3);
QV_WORD(hdc, 4);
QV_WORD(pixels, 5);
QV_WORD(bitmap_info, 6);
QV_WORD(palette, 9);
QV_WORD(hpalette, 10);
QV_WORD(old_hpalette, 11);
QV_WORD(palette_count, 12);
QV_WORD(hwnd, 13);
QV_WORD(window_type, 17);
QV_WORD(redraw, 19);
QV_WORD(window_width, 20);
QV_WORD(window_height, 21);
QV_WORD(view_x, 23);
QV_WORD(view_y, 24);
QV_WORD(cursor_x, 27);
QV_WORD(cursor_y, 28);
QV_WORD(area_width, 33);
QV_WORD(area_height, 34);
QV_WORD(font, 38);
QV_WORD(color, 40);
QV_WORD(objects, 41);
#undef QV_WORD
static_assert(sizeof(BMSCR) == 105 * 4);

// The redraw flag is the high half of word 19; the low half is the host's.
inline bool redraw_requested(const BMSCR& s) { return (uint32_t(s.redraw) >> 16) != 0; }

// A script variable.
struct PVAL {
    uint16_t type;              // kString or kInteger (other values are other host types)
    uint16_t mode;
    uint16_t len[5];            // len[1]: first dimension in 4-byte units; len[2]: second
    int16_t uses_dims_record;   // > 0: sizes come from dims_record words 2 and 3
    Word data;
    Word dims_record;
};
static_assert(offsetof(PVAL, type) == 0);
static_assert(offsetof(PVAL, mode) == 2);
static_assert(offsetof(PVAL, len) == 4);
static_assert(offsetof(PVAL, uses_dims_record) == 14);
static_assert(offsetof(PVAL, data) == 16);
static_assert(offsetof(PVAL, dims_record) == 20);
static_assert(sizeof(PVAL) == 24);

constexpr uint16_t kString = 2;
constexpr uint16_t kInteger = 4;

// The sizes that decide a variable's capacity, after the dims-record rule.
struct VarSizes {
    uint32_t units;     // first dimension, 4-byte units
    uint32_t elements;  // second dimension; 0 or 1 = none
};

// dims_words: the dims record's words 2 and 3, read only when uses_dims_record > 0.
inline VarSizes var_sizes(const PVAL& v, const uint32_t* dims_words) {
    if (v.uses_dims_record > 0 && dims_words) return {dims_words[0], dims_words[1]};
    return {v.len[1], v.len[2]};
}

// Byte size of a variable's storage. 64-bit so that no host value can overflow it.
inline uint64_t capacity(VarSizes s) {
    uint64_t bytes = uint64_t(s.units) * 4;
    return s.elements > 1 ? bytes * s.elements : bytes;
}

// The first-dimension size that some commands use instead of capacity.
inline uint32_t first_dimension_bytes(const PVAL& v) { return uint32_t(v.len[1]) * 4; }

}  // namespace qv::host

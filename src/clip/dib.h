// Reading a device-independent bitmap from a block of bytes (the clipboard's, which any
// program may have put there) into a screen, and the size of the text a string variable
// takes from the clipboard. Portable: the clipboard calls are clipboard_win.cpp's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/area.h"

namespace qv::clip {

enum DibStatus : int32_t {
    kDibOk = 0,
    kBadBitCount = -256,     // other than 1, 4, 8 and 24 (and 32 where taken)
    kCompressed = -257,      // or, where 32 bits are taken, bit fields other than the usual
    kTopDownOrNoWidth = -258, // a negative height (top-down rows) or width: not taken
    kShortBlock = -259,      // smaller than the header, colour table and bits need
    kCoreHeader = -260,      // a header of fewer than 40 bytes (biSize): the old core header
    kFullColourDib = -512,   // 24 bits for a palette screen
    kDibTooLarge = -261,     // 32 bits: more than the largest picture the library decodes
};

// The forms a reader takes: GetClipDib's (1, 4, 8 and 24 bits, bottom-up, uncompressed), or
// those and the 32-bit bitmaps with alpha that current programs put on the clipboard:
// uncompressed or with bit fields in the usual byte order (in a V4 or V5 header, or three
// words after a 40-byte one), rows either way up, a colour table of biClrUsed entries read
// past; not empty, and no larger than the largest picture the library decodes.
enum class DibForms { kPlain, kWithAlpha };

// What a checked block holds.
struct Dib {
    const uint8_t* colours = nullptr;  // `entries` RGBQUAD entries (bits < 24)
    const uint8_t* bits_start = nullptr;
    int32_t width = 0, height = 0;  // the height is the number of rows, either way up
    int32_t bits = 0;    // known once the header is read, whether or not the block is taken
    int32_t entries = 0;  // the colour table's length: 0 for 24 and 32 bits
    size_t stride = 0;
    bool top_down = false;

    // Row y, the top row as shown being 0.
    const uint8_t* row(int32_t y) const { return bits_start + size_t(top_down ? y : height - 1 - y) * stride; }
};

// Checks the block in the order GetClipDib reports: the header's size, the bit count,
// compression, then the block's size. The colour table starts after biSize bytes (a
// BITMAPV4HEADER or BITMAPV5HEADER is read past), and has biClrUsed entries when that is
// from 1 to 2^bits - 1, else 2^bits.
DibStatus check_dib(const uint8_t* block, size_t size, bool palette_screen, Dib& out,
                    DibForms forms = DibForms::kPlain);

// Copies a checked DIB of 1 to 24 bits into the screen from `at` (inside the screen), its top
// row first, cut at the screen's right and bottom edges. A palette screen takes the indexes
// (its palette is dib_colours'); a full-colour screen gets the colours, black for an index
// past the table's end.
void place_dib(const Dib& dib, const Screen& screen, Point at);

// The colour table as a palette screen takes it: dib.entries triplets red, green, blue, for
// InstallPalette.
void dib_colours(const Dib& dib, uint8_t* colours);

// The longest text a string variable takes: 4 x units - 1, times the elements when there are
// more than one; 0 for a variable without storage.
uint64_t text_limit(const Var& v);

// GetClipTxt's copy of a clipboard text block into a string variable: the bytes before the
// first zero, at most the text limit, a zero after them and one at the limit. Another
// program may publish a block without a zero byte: its text then ends with the block.
// Nothing is written into a variable without storage.
void take_text(const uint8_t* block, size_t size, const Var& v);

}  // namespace qv::clip

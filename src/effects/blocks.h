// Block effects: mosaic cells (full colour; palette screens go through GDI in the DLL),
// fewer bits per component, and the dispersion of pixels inside 8 x 8 blocks.
#pragma once

#include <cstdint>

#include "host/area.h"
#include "host/views.h"

namespace qv::effects {

// Cells of cw x ch pixels (both >= 1) from (x, y): cols x rows of them; each cell becomes
// its average colour.
void mosaic(const Screen& s, int32_t x, int32_t y, int32_t cols, int32_t rows, int32_t cw, int32_t ch);

// bits 1..7: keep the top bits; 9..15: keep the top bits(-8) and fill below with the
// value shifted right. (8 and 16 are no-ops; the caller checks the range.)
void rough(const Screen& s, Rect r, int32_t bits);

// The permutation of a dispersion: 0..63 with 500 random exchanges.
void dispersion_permutation(uint8_t p[64]);

// Blocks of 8 x 8 pixels from (x, y), bw across and bh down: position k of each block
// receives the pixel from position p[k]. Whole pixels (3 bytes, or 1 in palette mode).
void disperse(const Screen& s, int32_t x, int32_t y, int32_t bw, int32_t bh, const uint8_t p[64]);

}  // namespace qv::effects

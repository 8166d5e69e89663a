// Moving pixels without changing them: rotation with scaling, mirroring and scrolling.
// Rectangles are checked by the callers; rows are addressed by the padded stride.
#pragma once

#include <cstdint>

#include "compose/blend.h"
#include "host/views.h"

namespace qv::compose {

struct Rotation {
    int32_t centre_x = 0, centre_y = 0;
    int32_t scale_num = 1, scale_den = 32;
    int32_t key = -1;  // 0..255 a transparent value, -1 none
};

// Destination rectangle (d, w, h) from the source extent (s, sw, sh) turned by `angle`
// degrees (any int; the caller checks the range), nearest pixel, no background fill.
void rotate(const Screen& dst, Point d, int32_t w, int32_t h, const Screen& src, Point s, int32_t sw, int32_t sh,
            int32_t angle, const Rotation& r);

void flip_rows(const Screen& s, Point at, int32_t w, int32_t h);     // Flip_V
void flip_columns(const Screen& s, Point at, int32_t w, int32_t h);  // Flip_H

// Full-width rows [first, first + rows) moved by `by` rows (negative: up); the uncovered
// `clear` rows at the block's far end are then zeroed.
void move_rows(const Screen& s, int32_t first, int32_t rows, int32_t by, bool clear);

// Within the segment of w pixels at x of rows [y, y + h): contents moved left (by < 0) or
// right by |by|, and |by| pixels at the uncovered end cleared when asked.
void move_in_rows(const Screen& s, Point at, int32_t w, int32_t h, int32_t by, bool clear);

}  // namespace qv::compose

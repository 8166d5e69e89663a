// Neighbourhood filters on a rectangle of a full-colour screen: convolution, the weighted
// blur, median/minimum/maximum and emboss. Neighbours come from the whole screen; only
// positions outside the screen are missing.
#pragma once

#include <cstdint>

#include "host/area.h"
#include "host/views.h"

namespace qv::effects {

// Sums of neighbour x matrix element (element 7 (3 + dy) + 3 + dx) over a window of the
// radius, divided by `divisor` (truncating), clamped. 0, or -2 when the buffer cannot be had.
int32_t convolve(const Screen& s, Rect r, const int32_t matrix[49], int32_t divisor, int32_t radius);

// Weighted average over the window, the weights of missing neighbours left out; black when
// no weight remains. 0 or -2.
int32_t weighted_blur(const Screen& s, Rect r, const int32_t matrix[49], int32_t radius);

// The same blur for a matrix of the form column x row minus `centre_less` at the centre
// (element (3 + dy, 3 + dx) = column[3 + dy] * row[3 + dx], less centre_less at dy = dx = 0),
// computed as a pass along the rows and one down the columns: the same sums, fewer
// multiplications. The centre's weight must be positive. 0 or -2.
int32_t separable_blur(const Screen& s, Rect r, const int32_t column[7], const int32_t row[7], int32_t centre_less,
                       int32_t radius);

// mode 1 minimum, 2 maximum, else median, of the 3 x 3 neighbours by the key
// B + 2R + 4G; whole pixels. 0 or -2.
int32_t median(const Screen& s, Rect r, int32_t mode, int32_t fill);

// dx + dy + 127 per component, in place, reading only pixels not yet changed.
void emboss(const Screen& s, Rect r);

}  // namespace qv::effects

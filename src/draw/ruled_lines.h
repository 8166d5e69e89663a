// AutoLine_H and AutoLine_V: lines every `step` rows or columns over the copy area, written
// straight into the pixel buffer (no GDI), in the palette index or the screen's colour.
#pragma once

#include <cstdint>

#include "host/views.h"

namespace qv::draw {

// 0, or 3 when the copy area at the position is smaller than 4 x 4, reaches outside the
// screen, the index is negative, or the step is below 1 or beyond the area's height (rows)
// or width (columns). Nothing is written then.
int32_t rule_lines(const Screen& s, int32_t step, int32_t index, bool vertical);

}  // namespace qv::draw

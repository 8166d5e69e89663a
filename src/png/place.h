// Putting a decoded PNG picture into a screen, with its transparency applied as a mode says.
#pragma once

#include <cstdint>

#include "host/memory.h"
#include "host/views.h"
#include "png/decode.h"
#include "png/modes.h"

namespace qv::png {

// Whether a picture can go into a screen: a palette screen takes only a palette picture's
// indexes, and no alpha mask.
bool fits(const Picture& picture, const Screen& screen, int32_t mode);

// The row place_png works in: 4 bytes for each column of the picture that lands in the
// screen at x. Reserved before anything in the screen changes, so that a refusal leaves the
// screen as it was.
host::Buffer<uint8_t> row_buffer(const Picture& picture, const Screen& screen, int32_t x);

// Places the picture with its top-left pixel at (x, y), which must lie in the screen; rows
// and columns past the right and bottom edges are skipped. A palette screen gets indexes:
// with modes 0 and 2 only those of pixels whose alpha is 128 or more. `row` is row_buffer's.
void place_png(const Picture& picture, const Screen& screen, int32_t x, int32_t y, int32_t mode, uint8_t* row);

}  // namespace qv::png

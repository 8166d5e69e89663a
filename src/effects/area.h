// The rectangles the effects work on: the clipped area of the screen's position and copy
// area, and the intersection of any rectangle with the screen.
#pragma once

#include <cstdint>

#include "host/views.h"

namespace qv::effects {

struct Rect {
    int32_t x, y, w, h;
    bool empty() const { return w < 1 || h < 1; }
};

// The clipped area: the position (a coordinate outside the screen becomes 0), the copy
// area (a size below 1 becomes the screen's), cut at the right and bottom edges.
Rect clipped_area(const Screen& s);

// The same rule with the size given instead of the copy area's.
Rect clipped_area(const Screen& s, int32_t w, int32_t h);

// The part of the rectangle (x, y, w, h) that lies inside the screen.
Rect inside_screen(const Screen& s, int32_t x, int32_t y, int32_t w, int32_t h);

}  // namespace qv::effects

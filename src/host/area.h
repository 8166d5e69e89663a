// The rectangles pixel commands work on, derived from a screen's current position and copy
// area in one place: the position rule (a coordinate outside the screen counts as 0), the
// clipped area, cutting a size at the screen's edges, and plain intersection.
#pragma once

#include <algorithm>
#include <cstdint>

#include "host/views.h"

namespace qv {

struct Point {
    int32_t x = 0, y = 0;
};

struct Rect {
    int32_t x, y, w, h;
    bool empty() const { return w < 1 || h < 1; }
};

// A coordinate or size worked out in 64 bits from script values, brought back into the
// range a 32-bit Win32 call takes (an extreme value must not wrap round to a small one).
inline int32_t clamp_int32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// (x, y) with each coordinate that lies outside the screen taken as 0.
Point inside_or_zero(const Screen& s, int32_t x, int32_t y);

// The current position by the same rule.
inline Point position_inside(const Screen& s) { return inside_or_zero(s, s.cursor_x, s.cursor_y); }

// Cuts w and h so that a w x h rectangle at p ends at the screen's right and bottom edges.
void cut_at_edges(const Screen& s, Point p, int32_t& w, int32_t& h);

// The clipped area: the position by the rule above, the copy area (a size below 1 becomes
// the screen's), cut at the right and bottom edges.
Rect clipped_area(const Screen& s);

// The same rule with the size given instead of the copy area's.
Rect clipped_area(const Screen& s, int32_t w, int32_t h);

// The part of the rectangle (x, y, w, h) that lies inside the screen.
Rect inside_screen(const Screen& s, int32_t x, int32_t y, int32_t w, int32_t h);

}  // namespace qv

// The effects' rectangles (see area.h).
#include "effects/area.h"

#include <algorithm>

namespace qv::effects {

Rect clipped_area(const Screen& s) { return clipped_area(s, s.area_width, s.area_height); }

Rect clipped_area(const Screen& s, int32_t w, int32_t h) {
    Rect r;
    r.x = (s.cursor_x < 0 || s.cursor_x >= s.width) ? 0 : s.cursor_x;
    r.y = (s.cursor_y < 0 || s.cursor_y >= s.height) ? 0 : s.cursor_y;
    r.w = w < 1 ? s.width : w;
    r.h = h < 1 ? s.height : h;
    if (int64_t(r.x) + r.w > s.width) r.w = s.width - r.x;
    if (int64_t(r.y) + r.h > s.height) r.h = s.height - r.y;
    return r;
}

Rect inside_screen(const Screen& s, int32_t x, int32_t y, int32_t w, int32_t h) {
    int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    int64_t x1 = std::min<int64_t>(int64_t(x) + std::max(w, 0), s.width);
    int64_t y1 = std::min<int64_t>(int64_t(y) + std::max(h, 0), s.height);
    return {int32_t(x0), int32_t(y0), int32_t(std::max<int64_t>(x1 - x0, 0)), int32_t(std::max<int64_t>(y1 - y0, 0))};
}

}  // namespace qv::effects

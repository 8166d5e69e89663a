// The shared rectangle rules (see area.h).
#include "host/area.h"

#include <algorithm>

namespace qv {

Point inside_or_zero(const Screen& s, int32_t x, int32_t y) {
    return {(x < 0 || x >= s.width) ? 0 : x, (y < 0 || y >= s.height) ? 0 : y};
}

void cut_at_edges(const Screen& s, Point p, int32_t& w, int32_t& h) {
    if (int64_t(p.x) + w > s.width) w = s.width - p.x;
    if (int64_t(p.y) + h > s.height) h = s.height - p.y;
}

Rect clipped_area(const Screen& s) { return clipped_area(s, s.area_width, s.area_height); }

Rect clipped_area(const Screen& s, int32_t w, int32_t h) {
    const Point p = position_inside(s);
    Rect r{p.x, p.y, w < 1 ? s.width : w, h < 1 ? s.height : h};
    cut_at_edges(s, p, r.w, r.h);
    return r;
}

Rect inside_screen(const Screen& s, int32_t x, int32_t y, int32_t w, int32_t h) {
    int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    int64_t x1 = std::min<int64_t>(int64_t(x) + std::max(w, 0), s.width);
    int64_t y1 = std::min<int64_t>(int64_t(y) + std::max(h, 0), s.height);
    return {int32_t(x0), int32_t(y0), int32_t(std::max<int64_t>(x1 - x0, 0)), int32_t(std::max<int64_t>(y1 - y0, 0))};
}

}  // namespace qv

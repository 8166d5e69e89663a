// DrawArc's geometry (see arc.h). The end points lie on an ellipse 10 pixels larger than the
// arc's, so that rounding never puts one inside the drawn curve; GDI only takes the
// direction of the line from the centre through each of them.
#include "draw/arc.h"

#include "host/results.h"
#include "host/sine_table.h"

namespace qv::draw {

int32_t arc_call(int32_t angle, int32_t sweep, int32_t cx, int32_t cy, int32_t rx, int32_t ry,
                 int32_t screen_width, int32_t screen_height, ArcCall& out) {
    angle %= 360;
    if (angle < 0) angle += 360;
    if (sweep < -360 || sweep > 360 || sweep == 0) return host::kErrRange;
    int32_t end = angle - sweep;
    if (end < 0) end += 360;
    if (end > 359) end -= 360;
    if (cx < 0 || cx > screen_width || cy < 0 || cy > screen_height) return host::kErrRange;
    if (rx < 0 || rx > 4000 || ry < 0 || ry > 4000) return host::kErrRange;
    const int16_t* s = host::sine_table();
    const auto px = [&](int32_t t) { return (s[t] * (rx + 10) + 2048) / 4096; };
    const auto py = [&](int32_t t) { return (s[(t + 90) % 360] * (ry + 10) + 2048) / 4096; };
    out = {cx - rx, cy - ry, cx + rx, cy + ry, cx - px(end), cy - py(end), cx - px(angle), cy - py(angle)};
    return 0;
}

}  // namespace qv::draw

// DrawArc's geometry: the bounding box of the ellipse and the two points whose radial lines
// end the arc, from the angle, the sweep and the sine table. Angle 0 points up from the
// centre and angles grow counter-clockwise on the screen.
#pragma once

#include <cstdint>

namespace qv::draw {

// The eight arguments of Win32's Arc after the device context.
struct ArcCall {
    int32_t left, top, right, bottom;
    int32_t x_start, y_start, x_end, y_end;
};

// 0 and the call, or 3 for an invalid sweep, centre or radius (out untouched). The centre
// may lie on the screen's right or bottom edge, not beyond.
int32_t arc_call(int32_t angle, int32_t sweep, int32_t cx, int32_t cy, int32_t rx, int32_t ry,
                 int32_t screen_width, int32_t screen_height, ArcCall& out);

}  // namespace qv::draw

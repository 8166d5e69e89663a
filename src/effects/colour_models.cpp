// The HSV tables, and the conversion's arithmetic for values outside them.
#include "effects/colour_models.h"

namespace qv::effects {

constinit const HsvTables hsv_tables;

Rgb hsv_to_rgb_outside(Hsv c) {
    const int32_t h = c.h, s = c.s, v = c.v;
    if (h >= 360) return {0, 0, 0};
    const int32_t m = clamp((255 - s) * v / 255, 0, 255);
    const int32_t t = clamp((v - m) * (h % 60) / 60, 0, 255);
    return by_sixth(h < 0 ? 0 : h / 60, v, m, t);
}

}  // namespace qv::effects

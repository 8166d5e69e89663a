// The integer HSV conversions (see colour_models.h).
#include "effects/colour_models.h"

namespace qv::effects {

Hsv rgb_to_hsv(Rgb c) {
    const int32_t r = c.r, g = c.g, b = c.b;
    int32_t mx = r > g ? r : g;
    if (b > mx) mx = b;
    int32_t mn = r < g ? r : g;
    if (b < mn) mn = b;
    if (mx == 0) return {0, 255, 0};
    const int32_t s = (mx - mn) * 255 / mx;
    if (r == g && g == b) return {0, s, mx};
    // Six tests in this order; a later one that holds wins (on ties).
    int32_t h = 0;
    if (r >= g && g >= b) h = (g - b) * 60 / (r - b);
    if (g >= r && r >= b) h = 60 + (g - r) * 60 / (g - b);
    if (g >= b && b >= r) h = 120 + (b - r) * 60 / (g - r);
    if (b >= g && g >= r) h = 180 + (b - g) * 60 / (b - r);
    if (b >= r && r >= g) h = 240 + (r - g) * 60 / (b - g);
    if (r >= b && b >= g) h = 300 + (r - b) * 60 / (r - g);
    return {clamp(h, 0, 359), clamp(s, 0, 255), clamp(mx, 0, 255)};
}

Rgb hsv_to_rgb(Hsv c) {
    const int32_t h = c.h, s = c.s, v = c.v;
    if (s == 0) return {v, v, v};
    const int32_t m = clamp((255 - s) * v / 255, 0, 255);
    const int32_t f = h % 60;
    const int32_t t = clamp((v - m) * f / 60, 0, 255);
    if (h < 60) return {v, m + t, m};
    if (h < 120) return {v - t, v, m};
    if (h < 180) return {m, v, m + t};
    if (h < 240) return {m, v - t, v};
    if (h < 300) return {m + t, m, v};
    if (h < 360) return {v, m, v - t};
    return {0, 0, 0};
}

}  // namespace qv::effects

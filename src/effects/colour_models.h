// The library's integer colour models: HSV (hue 0..359, saturation and value 0..255) and
// luma with colour differences. Every division truncates toward zero; scripts depend on
// these exact values, ties included (a red with G = B has hue 359, not 0).
#pragma once

#include <cstdint>

namespace qv::effects {

struct Rgb {
    int32_t r, g, b;
};
struct Hsv {
    int32_t h, s, v;
};

constexpr int32_t clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

Hsv rgb_to_hsv(Rgb c);
Rgb hsv_to_rgb(Hsv c);

// Y = (299 R + 587 G + 114 B + 50) / 1000, clamped to 0..255.
inline int32_t luma(Rgb c) { return clamp((299 * c.r + 587 * c.g + 114 * c.b + 50) / 1000, 0, 255); }

}  // namespace qv::effects

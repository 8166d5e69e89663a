// The library's integer colour models: HSV (hue 0..359, saturation and value 0..255) and
// luma with colour differences. Every division truncates toward zero; scripts depend on
// these exact values, ties included (a red with G = B has hue 359, not 0). The conversions
// are inline: the effects call them for every pixel.
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

// Every division the conversions make by a value 0..255 (and by 60), as exact quotients in
// tables made by the compiler: the effects convert every pixel of large pictures.
struct HsvTables {
    uint8_t saturation[256][256] = {};  // [max][max - min]: (max - min) * 255 / max
    uint8_t sixtieth[256][256] = {};    // [delta][part]: part * 60 / delta, part <= delta
    uint8_t low[256][256] = {};         // [s][v]: (255 - s) * v / 255
    uint8_t step[256][60] = {};         // [v - m][f]: (v - m) * f / 60

    constexpr HsvTables() {
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) {
                saturation[a][b] = a == 0 || b > a ? 0 : uint8_t(b * 255 / a);
                sixtieth[a][b] = a == 0 || b > a ? 0 : uint8_t(b * 60 / a);
                low[a][b] = uint8_t((255 - a) * b / 255);
            }
        for (int d = 0; d < 256; ++d)
            for (int f = 0; f < 60; ++f) step[d][f] = uint8_t(d * f / 60);
    }
};

extern const HsvTables hsv_tables;

inline Hsv rgb_to_hsv(Rgb c) {
    const int32_t r = c.r, g = c.g, b = c.b;
    int32_t mx = r > g ? r : g;
    if (b > mx) mx = b;
    int32_t mn = r < g ? r : g;
    if (b < mn) mn = b;
    if (mx == 0) return {0, 255, 0};
    const int32_t delta = mx - mn;
    const int32_t s = hsv_tables.saturation[mx][delta];
    if (delta == 0) return {0, s, mx};
    // Of the six orderings, the last in this list that holds decides (on ties the later
    // one wins); every one divides by max - min.
    int32_t h;
    if (r >= b && b >= g) h = 300 + hsv_tables.sixtieth[delta][r - b];
    else if (b >= r && r >= g) h = 240 + hsv_tables.sixtieth[delta][r - g];
    else if (b >= g && g >= r) h = 180 + hsv_tables.sixtieth[delta][b - g];
    else if (g >= b && b >= r) h = 120 + hsv_tables.sixtieth[delta][b - r];
    else if (g >= r && r >= b) h = 60 + hsv_tables.sixtieth[delta][g - r];
    else h = hsv_tables.sixtieth[delta][g - b];  // r >= g >= b
    return {h > 359 ? 359 : h, s, mx};
}

// Red, green and blue by the sixth of the hue circle: each is one of v, m + t, m, v - t.
inline Rgb by_sixth(int32_t sixth, int32_t v, int32_t m, int32_t t) {
    switch (sixth) {
        case 0: return {v, m + t, m};
        case 1: return {v - t, v, m};
        case 2: return {m, v, m + t};
        case 3: return {m, v - t, v};
        case 4: return {m + t, m, v};
        default: return {v, m, v - t};
    }
}

// Values outside hue 0..359, saturation and value 0..255 (which no caller passes) take the
// plain arithmetic.
Rgb hsv_to_rgb_outside(Hsv c);

inline Rgb hsv_to_rgb(Hsv c) {
    const int32_t h = c.h, s = c.s, v = c.v;
    if (s == 0) return {v, v, v};
    if (h < 0 || h >= 360 || s < 0 || s > 255 || v < 0 || v > 255) return hsv_to_rgb_outside(c);
    const int32_t m = hsv_tables.low[s][v];
    return by_sixth(h / 60, v, m, hsv_tables.step[v - m][h % 60]);
}

// Y = (299 R + 587 G + 114 B + 50) / 1000, clamped to 0..255.
inline int32_t luma(Rgb c) { return clamp((299 * c.r + 587 * c.g + 114 * c.b + 50) / 1000, 0, 255); }

}  // namespace qv::effects

// The integer HSV conversions (see colour_models.h). The effects convert every pixel of
// large pictures, so each division by a value 0..255 (and by 60) is a lookup in a table made
// once: the same truncated quotients, without the divisions.
#include "effects/colour_models.h"

namespace qv::effects {

namespace {

struct Tables {
    uint8_t saturation[256][256];  // [max][max - min]: (max - min) * 255 / max
    uint8_t sixtieth[256][256];    // [delta][part]: part * 60 / delta, part <= delta
    uint8_t low[256][256];         // [s][v]: (255 - s) * v / 255
    uint8_t step[256][60];         // [v - m][f]: (v - m) * f / 60

    Tables() {
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

const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace

Hsv rgb_to_hsv(Rgb c) {
    const int32_t r = c.r, g = c.g, b = c.b;
    int32_t mx = r > g ? r : g;
    if (b > mx) mx = b;
    int32_t mn = r < g ? r : g;
    if (b < mn) mn = b;
    if (mx == 0) return {0, 255, 0};
    const Tables& t = tables();
    const int32_t delta = mx - mn;
    const int32_t s = t.saturation[mx][delta];
    if (delta == 0) return {0, s, mx};
    // Of the six orderings, the last in this list that holds decides (on ties the later
    // one wins); every one divides by max - min.
    int32_t h;
    if (r >= b && b >= g) h = 300 + t.sixtieth[delta][r - b];
    else if (b >= r && r >= g) h = 240 + t.sixtieth[delta][r - g];
    else if (b >= g && g >= r) h = 180 + t.sixtieth[delta][b - g];
    else if (g >= b && b >= r) h = 120 + t.sixtieth[delta][b - r];
    else if (g >= r && r >= b) h = 60 + t.sixtieth[delta][g - r];
    else h = t.sixtieth[delta][g - b];  // r >= g >= b
    return {h > 359 ? 359 : h, s, mx};
}

Rgb hsv_to_rgb(Hsv c) {
    const int32_t h = c.h, s = c.s, v = c.v;
    if (s == 0) return {v, v, v};
    if (h >= 360) return {0, 0, 0};
    int32_t m, t;
    if (h >= 0 && s > 0 && s <= 255 && v >= 0 && v <= 255) {
        const Tables& tb = tables();
        m = tb.low[s][v];
        t = tb.step[v - m][h % 60];
    } else {
        // Outside the tables' range (no caller passes such values): the plain arithmetic.
        m = clamp((255 - s) * v / 255, 0, 255);
        t = clamp((v - m) * (h % 60) / 60, 0, 255);
    }
    switch (h < 0 ? 0 : h / 60) {
        case 0: return {v, m + t, m};
        case 1: return {v - t, v, m};
        case 2: return {m, v, m + t};
        case 3: return {m, v - t, v};
        case 4: return {m + t, m, v};
        default: return {v, m, v - t};
    }
}

}  // namespace qv::effects

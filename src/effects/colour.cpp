// The per-pixel colour effects (see colour.h). Each walks the rectangle row by row from
// the top with one pointer per row.
#include "effects/colour.h"

#include <cstdlib>

#include "effects/bgr_split.h"
#include "effects/settings.h"
#include "simd/wide.h"

namespace qv::effects {

namespace {

// Calls f(pixel) for every pixel of the rectangle, rows from the top, left to right.
template <class F>
void for_each_pixel(const Screen& s, Rect r, F f) {
    if (r.empty()) return;
    for (int32_t y = r.y; y < r.y + r.h; ++y) {
        uint8_t* p = s.at(r.x, y);
        for (int32_t x = 0; x < r.w; ++x, p += 3) f(p);
    }
}

Rgb read(const uint8_t* p) { return {p[2], p[1], p[0]}; }

void write(uint8_t* p, Rgb c) {
    p[0] = uint8_t(c.b);
    p[1] = uint8_t(c.g);
    p[2] = uint8_t(c.r);
}

}  // namespace

namespace {

void change_colours_body(const Screen& s, Rect r, Rgb ref, const int32_t tol[3], Rgb match, Rgb other,
                         bool replace_others) {
    const auto hit = [&](const uint8_t* p) {
        return std::abs(p[2] - ref.r) <= tol[0] && std::abs(p[1] - ref.g) <= tol[1] && std::abs(p[0] - ref.b) <= tol[2];
    };
    for (int32_t y = r.y; y < r.y + r.h; ++y) {
        uint8_t* p = s.at(r.x, y);
        int32_t x = 0;
#if defined(__SSE2__)
        // 16 pixels at a time: each component's distance to the reference (the larger of
        // the two saturated differences) within its tolerance (0..255), all three at once.
        const auto splat = [](int32_t v) { return _mm_set1_epi8(char(v)); };
        const __m128i ref_b = splat(ref.b), ref_g = splat(ref.g), ref_r = splat(ref.r);
        const __m128i tol_b = splat(tol[2]), tol_g = splat(tol[1]), tol_r = splat(tol[0]);
        const __m128i zero = _mm_setzero_si128();
        const auto within = [&](__m128i v, __m128i c, __m128i t) {
            const __m128i distance = _mm_or_si128(_mm_subs_epu8(v, c), _mm_subs_epu8(c, v));
            return _mm_cmpeq_epi8(_mm_subs_epu8(distance, t), zero);
        };
        const BgrVectors to = {splat(match.b), splat(match.g), splat(match.r)};
        const BgrVectors others = {splat(other.b), splat(other.g), splat(other.r)};
        const auto choose = [](__m128i m, __m128i a, __m128i b) {
            return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b));
        };
        for (; x + 16 <= r.w; x += 16) {
            uint8_t* q = p + 3 * size_t(x);
            BgrVectors v = split_bgr16(q);
            const __m128i m = _mm_and_si128(within(v.b, ref_b, tol_b),
                                            _mm_and_si128(within(v.g, ref_g, tol_g), within(v.r, ref_r, tol_r)));
            if (replace_others) v = others;
            else if (_mm_movemask_epi8(m) == 0) continue;  // nothing to change
            join_bgr16({choose(m, to.b, v.b), choose(m, to.g, v.g), choose(m, to.r, v.r)}, q);
        }
#endif
        for (uint8_t* q = p + 3 * size_t(x); x < r.w; ++x, q += 3) {
            if (hit(q)) write(q, match);
            else if (replace_others) write(q, other);
        }
    }
}

}  // namespace

QV_TWICE(void, change_colours,
         (const Screen& s, Rect r, Rgb ref, const int32_t tol[3], Rgb match, Rgb other, bool replace_others),
         (s, r, ref, tol, match, other, replace_others))

void tone_change(const Screen& s, Rect r, int32_t level, int32_t mode) {
    // The new saturation depends on the old saturation alone, the new value on the old value
    // alone: two tables of 256 entries, worked out once per call.
    uint8_t saturation[256], value[256];
    const int32_t q = 10000 / level;
    for (int32_t x = 0; x < 256; ++x) {
        int32_t sat = x, val = x;
        if (mode == 1) {
            if (sat > 128) sat -= level;
            else if (sat >= 65) sat -= level / 2;
            else if (sat >= 33) sat -= level / 3;
            else sat -= level / 4;
            val += level;
        } else if (mode == -1) {
            if (sat > 128) sat += level;
            else if (sat >= 65) sat += level / 2;
            else if (sat >= 33) sat += level / 4;
            else if (sat >= 17) sat += level / 8;
            val -= level;
        } else {
            sat = sat * q / 100;
            if (level > 100 && val == 0) val = 1;
            val = val * level / 100;
        }
        saturation[x] = uint8_t(clamp(sat, 0, 255));
        value[x] = uint8_t(clamp(val, 0, 255));
    }
    for_each_pixel(s, r, [&](uint8_t* p) {
        Hsv c = rgb_to_hsv(read(p));
        write(p, hsv_to_rgb({c.h, saturation[c.s], value[c.v]}));
    });
}

void tone_change_palette(uint8_t* colours, int32_t level) {
    for (int i = 0; i < 768; ++i) colours[i] = uint8_t(clamp(colours[i] * level / 100, 0, 255));
}

void monotone(const Screen& s, Rect r, int32_t hue, int32_t sat) {
    // The result depends on the luma alone: 256 colours, worked out once.
    uint8_t tinted[256][3];
    for (int32_t y = 0; y < 256; ++y) {
        Rgb out{y, y, y};
        if (sat > 0) out = hsv_to_rgb({hue, sat, rgb_to_hsv(out).v});
        tinted[y][0] = uint8_t(out.b);
        tinted[y][1] = uint8_t(out.g);
        tinted[y][2] = uint8_t(out.r);
    }
    for_each_pixel(s, r, [&](uint8_t* p) {
        const uint8_t* t = tinted[luma(read(p))];
        p[0] = t[0];
        p[1] = t[1];
        p[2] = t[2];
    });
}

int32_t noise_factor(int32_t amount) {
    return clamp(amount + 100 - (runtime_rand() * (2 * amount + 2)) / 32768, 1, 250);
}

void noise_colour(const Screen& s, Rect r, int32_t amount) {
    for_each_pixel(s, r, [&](uint8_t* p) {
        for (int c = 0; c < 3; ++c) {  // blue, green, red: the order the factors are drawn in
            const int32_t v = p[c] * noise_factor(amount) / 100;
            p[c] = uint8_t(v > 255 ? 255 : v);
        }
    });
}

void noise_brightness(const Screen& s, Rect r, int32_t amount) {
    for_each_pixel(s, r, [&](uint8_t* p) {
        const int32_t f = noise_factor(amount);
        Hsv c = rgb_to_hsv(read(p));
        c.s = c.s * 10000 / f / 100;
        c.v = c.v * f / 100;
        if (c.s > 255) c.s = 255;
        if (c.v > 255) c.v = 255;
        write(p, hsv_to_rgb(c));
    });
}

namespace {

void half_tone_body(const Screen& s, Rect r, int32_t channels, Rgb mix, int32_t ratio) {
    // ((100 - ratio) v + ratio t) / 100 for a selected component, (100 v + 0) / 100 = v for
    // the others: the same operation on every byte, with factors that repeat every pixel
    // (48 bytes hold them for 16 pixels). Sums reach 25,500: 16-bit lanes.
    uint16_t times[48], plus[48];
    const int32_t target[3] = {mix.b, mix.g, mix.r};
    for (int k = 0; k < 48; ++k) {
        const bool on = (channels >> (k % 3)) & 1;
        times[k] = uint16_t(on ? 100 - ratio : 100);
        plus[k] = uint16_t(on ? ratio * target[k % 3] : 0);
    }
    const int32_t n = 3 * r.w;
    for (int32_t y = r.y; y < r.y + r.h; ++y) {
        uint8_t* p = s.at(r.x, y);
        int32_t i = 0;
        for (; i + 48 <= n; i += 48)
            for (int k = 0; k < 48; ++k) p[i + k] = uint8_t(uint16_t(p[i + k] * times[k] + plus[k]) / 100);
        for (int k = 0; i < n; ++i, ++k) p[i] = uint8_t(uint16_t(p[i] * times[k] + plus[k]) / 100);
    }
}

}  // namespace

QV_TWICE(void, half_tone, (const Screen& s, Rect r, int32_t channels, Rgb mix, int32_t ratio), (s, r, channels, mix, ratio))

}  // namespace qv::effects

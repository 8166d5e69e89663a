// The per-pixel colour effects (see colour.h). Each walks the rectangle row by row with one
// pointer per row, in the order of memory; the noise effects go from the top, the order in
// which scripts' seeded random numbers are drawn.
#include "effects/colour.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "effects/bgr_split.h"
#include "effects/colour_models.h"
#include "effects/random.h"
#include "simd/phase.h"
#include "simd/wide.h"

namespace qv::effects {

namespace {

// Calls f(pixel) for every pixel of the rectangle, in the order of memory (for effects that
// change each pixel on its own).
template <class F>
void for_each_pixel(const Screen& s, Rect r, F f) {
    if (r.empty()) return;
    rows_in_memory_order(r.y, r.h, [&](int32_t y) {
        uint8_t* p = s.at(r.x, y);
        for (int32_t x = 0; x < r.w; ++x, p += 3) f(p);
    });
}

Rgb read(const uint8_t* p) { return {p[2], p[1], p[0]}; }

// n pixels from p apart into their components, and back. The AVX2 copies leave the plain
// loops to the compiler, which vectorises them with byte shuffles; SSE2 has none, and its
// copies take 16 pixels at a time through rounds of byte interleaving.
inline void components_apart(const uint8_t* p, int32_t n, uint8_t* blue, uint8_t* green, uint8_t* red) {
    int32_t i = 0;
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    if (!simd::wide())
        for (; i + 16 <= n; i += 16) {
            const BgrVectors v = split_bgr16(p + 3 * size_t(i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(blue + i), v.b);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(green + i), v.g);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(red + i), v.r);
        }
#endif
    for (; i < n; ++i) blue[i] = p[3 * i], green[i] = p[3 * i + 1], red[i] = p[3 * i + 2];
}

inline void components_together(const uint8_t* blue, const uint8_t* green, const uint8_t* red, int32_t n, uint8_t* p) {
    int32_t i = 0;
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    const auto at = [](const uint8_t* c) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(c)); };
    if (!simd::wide())
        for (; i + 16 <= n; i += 16) join_bgr16({at(blue + i), at(green + i), at(red + i)}, p + 3 * size_t(i));
#endif
    for (; i < n; ++i) p[3 * i] = blue[i], p[3 * i + 1] = green[i], p[3 * i + 2] = red[i];
}

}  // namespace

namespace {

// GChangeCol's settings, each as a pattern: the blue, green and red values repeated, so that
// the work runs over a row's bytes as they lie, in whole vectors.
constexpr int kPattern = simd::kPatternBytes;

struct Replacement {
    uint8_t ref[kPattern], tol[kPattern], match[kPattern], other[kPattern];
    bool replace_others;
};

// One stretch of n bytes (whole pixels, at most kStretchBytes): first whether each byte
// lies within its tolerance, then for each byte whether all three of its pixel's do, from
// the masks one and two places on and back (which of them counts depends on the byte's
// place in its pixel, again by a mask that repeats with the pattern).
constexpr int32_t kStretchBytes = kPattern * 16;

void replace_stretch(uint8_t* p, int32_t n, const Replacement& c) {
    const auto& phase = simd::phase_masks;
    // Two bytes either side of the masks, all ones, so that the reads one and two places
    // away stay inside.
    uint8_t within_buffer[kStretchBytes + 4];
    uint8_t* within = within_buffer + 2;
    within[-2] = within[-1] = within[n] = within[n + 1] = 0xFF;
    const auto each = [&](auto f) {
        int32_t i = 0;
        for (; i + kPattern <= n; i += kPattern)
            for (int k = 0; k < kPattern; ++k) f(i + k, k);
        for (int k = 0; i < n; ++i, ++k) f(i, k);
    };
    each([&](int32_t i, int k) {
        const uint8_t d = uint8_t(p[i] > c.ref[k] ? p[i] - c.ref[k] : c.ref[k] - p[i]);
        within[i] = uint8_t(-int(d <= c.tol[k]));
    });
    const uint8_t keep = uint8_t(c.replace_others ? 0 : 0xFF);
    each([&](int32_t i, int k) {
        const uint8_t hit = uint8_t((within[i] & within[i + 1] & within[i + 2] & phase.is[0][k]) |
                                    (within[i - 1] & within[i] & within[i + 1] & phase.is[1][k]) |
                                    (within[i - 2] & within[i - 1] & within[i] & phase.is[2][k]));
        const uint8_t miss = uint8_t((p[i] & keep) | (c.other[k] & ~keep));
        p[i] = uint8_t((c.match[k] & hit) | (miss & ~hit));
    });
}

void change_colours_rows_body(const Screen& s, Rect r, Rgb ref, const int32_t tol[3], Rgb match, Rgb other,
                         bool replace_others) {
    Replacement c{};
    const Rgb* colours[3] = {&ref, &match, &other};
    uint8_t* patterns[3] = {c.ref, c.match, c.other};
    for (int k = 0; k < kPattern; ++k) {
        for (int j = 0; j < 3; ++j) {
            const Rgb& v = *colours[j];
            patterns[j][k] = uint8_t(k % 3 == 0 ? v.b : k % 3 == 1 ? v.g : v.r);
        }
        c.tol[k] = uint8_t(tol[2 - k % 3]);  // given red, green, blue
    }
    c.replace_others = replace_others;
    const int32_t n = 3 * r.w;
    rows_in_memory_order(r.y, r.h, [&](int32_t y) {
        uint8_t* p = s.at(r.x, y);
        for (int32_t i = 0; i < n; i += kStretchBytes) replace_stretch(p + i, std::min(kStretchBytes, n - i), c);
    });
}

}  // namespace

QV_TWICE_BY_ROWS(change_colours, kLightPixel,
         (const Screen& s, Rect r, Rgb ref, const int32_t tol[3], Rgb match, Rgb other, bool replace_others),
         (s, r, ref, tol, match, other, replace_others))

namespace {

// a when c holds, else b: as arithmetic, so that the compiler makes no branches of chains
// of selections (which it would, and then not vectorise).
inline int32_t pick(bool c, int32_t a, int32_t b) { return b ^ ((a ^ b) & -int32_t(c)); }

// ToneChange's curves: the new saturation from the old alone, the new value likewise. Mode
// 1 is paler and brighter, -1 deeper and darker, 0 (any other) scales by percent; and
// kUnchanged, for NoiseLD's use of the same pipeline, leaves both. Written with
// selections, so that they run in vector lanes too.
constexpr int kUnchanged = 2;

struct Tone {
    int32_t level, q;  // q = 10000 / level
};

template <int Mode>
inline int32_t tone_saturation(int32_t s, Tone t) {
    const int32_t l = t.level;
    if constexpr (Mode == kUnchanged) return s;
    if constexpr (Mode == 1)
        return clamp(s - pick(s > 128, l, pick(s >= 65, l / 2, pick(s >= 33, l / 3, l / 4))), 0, 255);
    if constexpr (Mode == -1)
        return clamp(s + pick(s > 128, l, pick(s >= 65, l / 2, pick(s >= 33, l / 4, pick(s >= 17, l / 8, 0)))), 0, 255);
    // s q / 100 (at most 2,550,000: exact through floats, as in hsv_of)
    return clamp(int32_t(float(s * t.q) / 100.0f), 0, 255);
}

template <int Mode>
inline int32_t tone_value(int32_t v, Tone t) {
    if constexpr (Mode == kUnchanged) return v;
    if constexpr (Mode == 1) return clamp(v + t.level, 0, 255);
    if constexpr (Mode == -1) return clamp(v - t.level, 0, 255);
    // Black is first made 1 when brightening, so that it brightens too.
    return clamp(int32_t(float(pick((t.level > 100) & (v == 0), 1, v) * t.level) / 100.0f), 0, 255);
}

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
// The SSE2 copy's hsv_of, eight pixels at a time (the compiler's own vectorising of the plain
// loop spends most of its steps on the selections there). The ordering that decides the hue
// is the sixth of the circle with the highest number among those that hold; in the odd
// sixths the hue counts max - middle from the sixth's start, in the even ones middle - min.
// Returns how many pixels it did.
int32_t hsv_of_sse2(const uint8_t* r, const uint8_t* g, const uint8_t* b, int32_t n, int16_t* h, uint8_t* s,
                    uint8_t* v) {
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi16(1);
    const auto words = [&](const uint8_t* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    };
    // a / d truncated, for 16-bit a and d > 0 (unsigned), through floats as the plain loop does.
    const auto divide = [&](__m128i a, __m128i d) {
        const auto part = [&](__m128i x, __m128i y) {
            return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(x), _mm_cvtepi32_ps(y)));
        };
        const __m128i low = part(_mm_unpacklo_epi16(a, zero), _mm_unpacklo_epi16(d, zero));
        const __m128i high = part(_mm_unpackhi_epi16(a, zero), _mm_unpackhi_epi16(d, zero));
        return _mm_packs_epi32(low, high);  // quotients 0..255
    };
    // `sixth` where its ordering a >= b >= c holds, written as not (b > a or c > b); else 0.
    const auto sixth_if = [](__m128i b_over_a, __m128i c_over_b, int16_t sixth) {
        return _mm_andnot_si128(_mm_or_si128(b_over_a, c_over_b), _mm_set1_epi16(sixth));
    };
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i R = words(r + i), G = words(g + i), B = words(b + i);
        const __m128i mx = _mm_max_epi16(R, _mm_max_epi16(G, B)), mn = _mm_min_epi16(R, _mm_min_epi16(G, B));
        const __m128i delta = _mm_sub_epi16(mx, mn);
        const __m128i middle = _mm_sub_epi16(_mm_add_epi16(R, _mm_add_epi16(G, B)), _mm_add_epi16(mx, mn));
        const __m128i b_r = _mm_cmpgt_epi16(B, R), g_b = _mm_cmpgt_epi16(G, B), r_b = _mm_cmpgt_epi16(R, B),
                      g_r = _mm_cmpgt_epi16(G, R), r_g = _mm_cmpgt_epi16(R, G), b_g = _mm_cmpgt_epi16(B, G);
        const __m128i sixth = _mm_max_epi16(
            _mm_max_epi16(_mm_max_epi16(sixth_if(b_r, g_b, 5), sixth_if(r_b, g_r, 4)),
                          _mm_max_epi16(sixth_if(g_b, r_g, 3), sixth_if(b_g, r_b, 2))),
            sixth_if(r_g, b_r, 1));
        const __m128i odd = _mm_cmpeq_epi16(_mm_and_si128(sixth, one), one);
        const __m128i down = _mm_sub_epi16(mx, middle), up = _mm_sub_epi16(middle, mn);
        const __m128i part = _mm_xor_si128(up, _mm_and_si128(_mm_xor_si128(down, up), odd));
        const __m128i quotient = divide(_mm_mullo_epi16(part, _mm_set1_epi16(60)), _mm_max_epi16(delta, one));
        const __m128i hue = _mm_min_epi16(_mm_add_epi16(_mm_mullo_epi16(sixth, _mm_set1_epi16(60)), quotient),
                                          _mm_set1_epi16(359));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(h + i), _mm_andnot_si128(_mm_cmpeq_epi16(delta, zero), hue));
        // delta 255 (at most 65,025) is read as unsigned.
        const __m128i sat = divide(_mm_mullo_epi16(delta, _mm_set1_epi16(255)), _mm_max_epi16(mx, one));
        const __m128i black = _mm_cmpeq_epi16(mx, zero);
        const __m128i saturation = _mm_or_si128(_mm_andnot_si128(black, sat), _mm_and_si128(black, _mm_set1_epi16(255)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(s + i), _mm_packus_epi16(saturation, zero));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(v + i), _mm_packus_epi16(mx, zero));
    }
    return i;
}
#endif

// Hue, saturation and value of n pixels, the same as rgb_to_hsv for each, as array loops
// the compiler vectorises: minimum, maximum, selections, and the two divisions through
// floats, exact here (numerators below 2^24, quotients below 256: a float quotient never
// reaches the next integer by rounding).
void hsv_of(const uint8_t* __restrict r, const uint8_t* __restrict g, const uint8_t* __restrict b, int32_t n,
            int16_t* __restrict h, uint8_t* __restrict s, uint8_t* __restrict v) {
    // 16-bit lanes but for the divisions.
    const auto pick16 = [](bool c, int16_t a, int16_t b) { return int16_t(b ^ ((a ^ b) & -int16_t(c))); };
    int32_t i = 0;
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    if (!simd::wide()) i = hsv_of_sse2(r, g, b, n, h, s, v);
#endif
    for (; i < n; ++i) {
        const int16_t R = r[i], G = g[i], B = b[i];
        const int16_t mx = std::max(R, std::max(G, B)), mn = std::min(R, std::min(G, B));
        const int16_t delta = int16_t(mx - mn);
        // The first ordering of rgb_to_hsv's list that holds: selected from the last up
        // (& rather than &&: no branches).
        const bool o1 = (G >= R) & (R >= B), o2 = (G >= B) & (B >= R), o3 = (B >= G) & (G >= R),
                   o4 = (B >= R) & (R >= G), o5 = (R >= B) & (B >= G);
        int16_t base = pick16(o1, 60, 0), part = pick16(o1, int16_t(G - R), int16_t(G - B));
        base = pick16(o2, 120, base), part = pick16(o2, int16_t(B - R), part);
        base = pick16(o3, 180, base), part = pick16(o3, int16_t(B - G), part);
        base = pick16(o4, 240, base), part = pick16(o4, int16_t(R - G), part);
        base = pick16(o5, 300, base), part = pick16(o5, int16_t(R - B), part);
        const int16_t quotient = int16_t(float(part * 60) / float(std::max(delta, int16_t(1))));
        h[i] = pick16(delta == 0, 0, std::min(int16_t(base + quotient), int16_t(359)));
        const int16_t sat = int16_t(float(delta * 255) / float(std::max(mx, int16_t(1))));
        s[i] = uint8_t(pick16(mx == 0, 255, sat));
        v[i] = uint8_t(mx);
    }
}

// Red, green and blue of n HSV triples (hue 0..359) after the tone curves, the same as
// hsv_to_rgb for each: the divisions by 255 and 60 by exact integer formulas for the
// numerators that occur, the sixth of the circle by selections. Saturation 0 needs no case
// of its own: then m = v and t = 0, and every sixth gives v, v, v.
template <int Mode>
void rgb_of(const int16_t* __restrict h, const uint8_t* __restrict s, const uint8_t* __restrict v, int32_t n,
            Tone tone, uint8_t* __restrict r, uint8_t* __restrict g, uint8_t* __restrict b) {
    // Every value fits 16 bits: twice as many lanes as 32-bit ones. The divisions by 60 take
    // the high half of a 16 x 16-bit product.
    const auto pick16 = [](bool c, uint16_t a, uint16_t b) { return uint16_t(b ^ ((a ^ b) & -uint16_t(c))); };
    const auto over60 = [](uint16_t x) { return uint16_t(uint16_t((uint32_t(x) * 34953u) >> 16) >> 5); };
    for (int32_t i = 0; i < n; ++i) {
        const uint16_t H = uint16_t(h[i]), S = uint16_t(tone_saturation<Mode>(s[i], tone)),
                       V = uint16_t(tone_value<Mode>(v[i], tone));
        const uint16_t x = uint16_t((255 - S) * V);
        const uint16_t m = uint16_t(uint16_t(x + 1 + (x >> 8)) >> 8);  // x / 255, x <= 65,025
        const uint16_t sixth = over60(H), f = uint16_t(H - 60 * sixth);  // H <= 359
        const uint16_t t = over60(uint16_t((V - m) * f));                 // at most 15,045
        const uint16_t up = uint16_t(m + t), down = uint16_t(V - t);
        uint16_t R = pick16(sixth == 1, down, m), G = pick16(sixth == 3, down, m), B = pick16(sixth == 5, down, m);
        R = pick16(sixth == 4, up, R), G = pick16(sixth == 0, up, G), B = pick16(sixth == 2, up, B);
        R = pick16((sixth == 0) | (sixth == 5), V, R);
        G = pick16((sixth == 1) | (sixth == 2), V, G);
        B = pick16((sixth == 3) | (sixth == 4), V, B);
        r[i] = uint8_t(R), g[i] = uint8_t(G), b[i] = uint8_t(B);
    }
}

// A stretch of a row at a time: its components apart, to HSV, through the curves, back.
template <int Mode>
void tone_change_rows(const Screen& s, Rect r, Tone tone) {
    constexpr int32_t kStretch = 256;
    uint8_t red[kStretch], green[kStretch], blue[kStretch], sat[kStretch], val[kStretch];
    int16_t hue[kStretch];
    rows_in_memory_order(r.y, r.h, [&](int32_t y) {
        for (int32_t x0 = 0; x0 < r.w; x0 += kStretch) {
            const int32_t n = std::min(kStretch, r.w - x0);
            uint8_t* p = s.at(r.x + x0, y);
            components_apart(p, n, blue, green, red);
            hsv_of(red, green, blue, n, hue, sat, val);
            rgb_of<Mode>(hue, sat, val, n, tone, red, green, blue);
            components_together(blue, green, red, n, p);
        }
    });
}

void tone_change_rows_body(const Screen& s, Rect r, int32_t level, int32_t mode) {
    if (r.empty()) return;
    const Tone tone{level, 10000 / level};
    if (mode == 1) tone_change_rows<1>(s, r, tone);
    else if (mode == -1) tone_change_rows<-1>(s, r, tone);
    else tone_change_rows<0>(s, r, tone);
}

}  // namespace

QV_TWICE_BY_ROWS(tone_change, kHeavyPixel, (const Screen& s, Rect r, int32_t level, int32_t mode), (s, r, level, mode))

void tone_change_palette(uint8_t* colours, int32_t level) {
    for (int i = 0; i < 768; ++i) colours[i] = uint8_t(clamp(colours[i] * level / 100, 0, 255));
}

namespace {

// The tinted colour of each luma: 256 colours (blue, green, red), worked out once a call.
struct Tints {
    uint8_t colour[256][3];
    Tints(int32_t hue, int32_t sat) {
        for (int32_t y = 0; y < 256; ++y) {
            Rgb out{y, y, y};
            if (sat > 0) out = hsv_to_rgb({hue, sat, rgb_to_hsv(out).v});
            colour[y][0] = uint8_t(out.b);
            colour[y][1] = uint8_t(out.g);
            colour[y][2] = uint8_t(out.r);
        }
    }
    void paint(uint8_t* p) const {
        const uint8_t* t = colour[luma(read(p))];
        p[0] = t[0];
        p[1] = t[1];
        p[2] = t[2];
    }
};

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
// The vector copies of Monotone take 16 pixels (SSE2) or 32 (AVX2) at a time apart into
// 16-bit lanes, work out the luma and the tint as arithmetic (a table lookup per pixel is
// what vectors cannot do), and put them back. The tint is hsv_to_rgb of the fixed hue and
// saturation with the luma as value (a grey's value is its luma): each component is one of
// v, m + t, m and v - t by the sixth of the hue circle, the same one for every pixel.
//
// m = (255 - s) v / 255 and t = (v - m) f / 60 (f = hue % 60) are each the high half of one
// product: x a / d = q + r / d with r <= d - 1, and rounding the multiplier 65536 a / d up
// adds less than 255 / 65536 < 1 / d for factors up to 255, so the floor stays q.
constexpr uint16_t high_half_multiplier(int32_t a, int32_t d) { return uint16_t((65536 * a + d - 1) / d); }

// The luma (299 R + 587 G + 114 B + 50) / 1000, exactly, in 16 bits: 37 R + 73 G + 14 B
// plus (3 R + 3 G + 2 B + 50) / 8 (at most 31,881) is that sum / 8; then / 125 is the high
// half of a product by 33,555 and a shift (exact for all of these).
constexpr uint16_t kOver125 = 33555;

struct TintSteps {
    uint16_t low, step;  // the multipliers of m and t
    int role[3];         // blue, green, red: 0 v, 1 m + t, 2 m, 3 v - t
    TintSteps(int32_t hue, int32_t sat) {
        static constexpr int roles[6][3] = {{2, 1, 0}, {2, 0, 3}, {1, 0, 2}, {0, 3, 2}, {0, 2, 1}, {3, 2, 0}};
        low = sat == 0 ? 0 : high_half_multiplier(255 - sat, 255);
        step = high_half_multiplier(hue % 60, 60);
        for (int c = 0; c < 3; ++c) role[c] = sat == 0 ? 0 : roles[hue / 60][c];  // (saturation 0: grey)
    }
};

// SSE2: the tinted components of eight pixels, in 16-bit lanes.
inline void tint8_sse2(const TintSteps& k, __m128i b, __m128i g, __m128i r, __m128i* out[3]) {
    const auto times = [](__m128i x, int16_t f) { return _mm_mullo_epi16(x, _mm_set1_epi16(f)); };
    const __m128i weighted = _mm_add_epi16(_mm_add_epi16(times(b, 14), times(g, 73)), times(r, 37));
    const __m128i low =
        _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(b, b), times(_mm_add_epi16(g, r), 3)), _mm_set1_epi16(50));
    const __m128i eighth = _mm_add_epi16(weighted, _mm_srli_epi16(low, 3));
    const __m128i v = _mm_srli_epi16(_mm_mulhi_epu16(eighth, _mm_set1_epi16(short(kOver125))), 6);
    const __m128i m = _mm_mulhi_epu16(v, _mm_set1_epi16(short(k.low)));
    const __m128i t = _mm_mulhi_epu16(_mm_sub_epi16(v, m), _mm_set1_epi16(short(k.step)));
    const __m128i value[4] = {v, _mm_add_epi16(m, t), m, _mm_sub_epi16(v, t)};
    for (int c = 0; c < 3; ++c) *out[c] = value[k.role[c]];
}

// Pixels 0 .. n - 1 from p, 16 at a time; returns how many it did.
int32_t monotone_sse2(uint8_t* p, int32_t n, const TintSteps& k) {
    int32_t x = 0;
    for (; x + 16 <= n; x += 16) {
        uint8_t* q = p + 3 * size_t(x);
        const BgrWords16 in = split_bgr16_words(q);
        BgrWords16 out;
        for (int half = 0; half < 2; ++half) {
            __m128i* components[3] = {&out.b[half], &out.g[half], &out.r[half]};
            tint8_sse2(k, in.b[half], in.g[half], in.r[half], components);
        }
        join_bgr16_words(out, q);
    }
    return x;
}

struct Tinter {
    __m256i k14_73, k2_3, k37, k3, k50, k125th, low, step;
    int role[3];
};

// AVX2: the tinted components of eight pixels in each half: blue and green as byte pairs,
// red alone, all in 16-bit lanes.
__attribute__((target("avx2"))) inline void tint8(const Tinter& k, __m256i bg, __m256i r, __m256i* out[3]) {
    const __m256i weighted = _mm256_add_epi16(_mm256_maddubs_epi16(bg, k.k14_73), _mm256_mullo_epi16(r, k.k37));
    const __m256i low =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(bg, k.k2_3), _mm256_mullo_epi16(r, k.k3)), k.k50);
    const __m256i eighth = _mm256_add_epi16(weighted, _mm256_srli_epi16(low, 3));
    const __m256i v = _mm256_srli_epi16(_mm256_mulhi_epu16(eighth, k.k125th), 6);
    const __m256i m = _mm256_mulhi_epu16(v, k.low);
    const __m256i t = _mm256_mulhi_epu16(_mm256_sub_epi16(v, m), k.step);
    const __m256i value[4] = {v, _mm256_add_epi16(m, t), m, _mm256_sub_epi16(v, t)};
    for (int c = 0; c < 3; ++c) *out[c] = value[k.role[c]];
}

__attribute__((target("avx2"))) void monotone_wide(const Screen& s, Rect r, int32_t hue, int32_t sat) {
    const Tints tints(hue, sat);
    const TintSteps steps(hue, sat);
    const Tinter k{_mm256_set1_epi16(14 | 73 << 8),
                   _mm256_set1_epi16(2 | 3 << 8),
                   _mm256_set1_epi16(37),
                   _mm256_set1_epi16(3),
                   _mm256_set1_epi16(50),
                   _mm256_set1_epi16(short(kOver125)),
                   _mm256_set1_epi16(short(steps.low)),
                   _mm256_set1_epi16(short(steps.step)),
                   {steps.role[0], steps.role[1], steps.role[2]}};
    // Rows in the order of memory (a plain loop: a lambda would not share the AVX2 target).
    for (int32_t y = r.y + r.h - 1; y >= r.y; --y) {
        uint8_t* p = s.at(r.x, y);
        int32_t x = 0;
        for (; x + 32 <= r.w; x += 32) {
            uint8_t* q = p + 3 * x;
            const BgrPairs32 in = pairs_apart32(q);
            BgrWords32 out;
            for (int set = 0; set < 2; ++set) {
                __m256i* components[3] = {&out.b[set], &out.g[set], &out.r[set]};
                tint8(k, in.bg[set], in.r[set], components);
            }
            words_together32(out, q);
        }
        for (; x < r.w; ++x) tints.paint(p + 3 * x);
    }
}
#endif

}  // namespace

namespace {

void monotone_rows(const Screen& s, Rect r, int32_t hue, int32_t sat) {
    if (r.empty()) return;
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    if (simd::wide()) return monotone_wide(s, r, hue, sat);
    const Tints tints(hue, sat);
    const TintSteps steps(hue, sat);
    rows_in_memory_order(r.y, r.h, [&](int32_t y) {
        uint8_t* p = s.at(r.x, y);
        for (int32_t x = monotone_sse2(p, r.w, steps); x < r.w; ++x) tints.paint(p + 3 * x);
    });
#else
    const Tints tints(hue, sat);
    for_each_pixel(s, r, [&](uint8_t* p) { tints.paint(p); });
#endif
}

}  // namespace

void monotone(const Screen& s, Rect r, int32_t hue, int32_t sat) {
    simd::in_row_parts(r, simd::kLightPixel, [&](Rect part) { monotone_rows(s, part, hue, sat); });
}

namespace {

// The random factor in percent, from a number 0..32767.
inline int32_t noise_factor(int32_t drawn, int32_t amount) {
    return clamp(amount + 100 - (drawn * (2 * amount + 2)) / 32768, 1, 250);
}

void noise_colour_body(const Screen& s, Rect r, int32_t amount) {
    // Rows from the top, a stretch at a time: its factors drawn first, one a component in
    // the order blue, green, red, pixel by pixel (the order of the random numbers), then
    // c f / 100 (at most 63,750: 16-bit lanes) for every byte at once.
    constexpr int32_t kStretch = 3 * 512;
    int32_t drawn[kStretch];
    uint16_t factor[kStretch];
    const int32_t n = 3 * r.w;
    RuntimeRandom random(int64_t(n) * r.h);
    for (int32_t y = r.y; y < r.y + r.h; ++y) {
        uint8_t* p = s.at(r.x, y);
        for (int32_t i0 = 0; i0 < n; i0 += kStretch) {
            const int32_t m = std::min(kStretch, n - i0);
            random.fill(drawn, m);
            for (int32_t i = 0; i < m; ++i) factor[i] = uint16_t(noise_factor(drawn[i], amount));
            uint8_t* q = p + i0;
            for (int32_t i = 0; i < m; ++i) q[i] = uint8_t(std::min(uint16_t(q[i] * factor[i]) / 100, 255));
        }
    }
}

}  // namespace

QV_TWICE(void, noise_colour, (const Screen& s, Rect r, int32_t amount), (s, r, amount))

namespace {

// A stretch of a row at a time, its random factors drawn first (in the order of the
// pixels, one each), then the ToneChange pipeline with the factors in place of the curves.
// s 10000 / f goes through floats: exact while the quotient is below 25,600, and from
// there on the result is 255 either way.
void noise_brightness_body(const Screen& s, Rect r, int32_t amount) {
    if (r.empty()) return;
    constexpr int32_t kStretch = 256;
    uint8_t red[kStretch], green[kStretch], blue[kStretch], sat[kStretch], val[kStretch];
    int16_t hue[kStretch], factor[kStretch];
    int32_t drawn[kStretch];
    RuntimeRandom random(int64_t(r.w) * r.h);
    for (int32_t y = r.y; y < r.y + r.h; ++y)  // from the top: the order of the random numbers
        for (int32_t x0 = 0; x0 < r.w; x0 += kStretch) {
            const int32_t n = std::min(kStretch, r.w - x0);
            random.fill(drawn, n);
            for (int32_t i = 0; i < n; ++i) factor[i] = int16_t(noise_factor(drawn[i], amount));
            uint8_t* p = s.at(r.x + x0, y);
            components_apart(p, n, blue, green, red);
            hsv_of(red, green, blue, n, hue, sat, val);
            for (int32_t i = 0; i < n; ++i) {
                const int32_t f = factor[i];
                sat[i] = uint8_t(std::min(int32_t(float(sat[i] * 10000) / float(f)) / 100, 255));
                val[i] = uint8_t(std::min(val[i] * f / 100, 255));
            }
            rgb_of<kUnchanged>(hue, sat, val, n, Tone{}, red, green, blue);
            components_together(blue, green, red, n, p);
        }
}

}  // namespace

QV_TWICE(void, noise_brightness, (const Screen& s, Rect r, int32_t amount), (s, r, amount))

namespace {

void half_tone_rows_body(const Screen& s, Rect r, int32_t channels, Rgb mix, int32_t ratio) {
    // ((100 - ratio) v + ratio t) / 100 for a selected component, (100 v + 0) / 100 = v for
    // the others: the same operation on every byte, with factors that repeat every pixel
    // (a pattern holds them). Sums reach 25,500: 16-bit lanes.
    uint16_t times[kPattern], plus[kPattern];
    const int32_t target[3] = {mix.b, mix.g, mix.r};
    for (int k = 0; k < kPattern; ++k) {
        const bool on = (channels >> (k % 3)) & 1;
        times[k] = uint16_t(on ? 100 - ratio : 100);
        plus[k] = uint16_t(on ? ratio * target[k % 3] : 0);
    }
    const int32_t n = 3 * r.w;
    rows_in_memory_order(r.y, r.h, [&](int32_t y) {
        uint8_t* p = s.at(r.x, y);
        int32_t i = 0;
        for (; i + kPattern <= n; i += kPattern)
            for (int k = 0; k < kPattern; ++k) p[i + k] = uint8_t(uint16_t(p[i + k] * times[k] + plus[k]) / 100);
        for (int k = 0; i < n; ++i, ++k) p[i] = uint8_t(uint16_t(p[i] * times[k] + plus[k]) / 100);
    });
}

}  // namespace

QV_TWICE_BY_ROWS(half_tone, kLightPixel, (const Screen& s, Rect r, int32_t channels, Rgb mix, int32_t ratio),
         (s, r, channels, mix, ratio))

void cycle_channels(const Screen& s, Rect r, const int from[3]) {
    simd::in_row_parts(r, simd::kLightPixel, [&](Rect part) {
        for (int32_t y = part.y; y < part.y + part.h; ++y) {
            uint8_t* p = s.at(part.x, y);
            for (int32_t x = 0; x < part.w; ++x, p += 3) {
                const uint8_t old[3] = {p[2], p[1], p[0]};  // red, green, blue
                p[2] = old[from[0]];
                p[1] = old[from[1]];
                p[0] = old[from[2]];
            }
        }
    });
}

}  // namespace qv::effects

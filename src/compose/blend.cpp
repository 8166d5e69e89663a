// Pixel work between screens (see blend.h): one pass over the rectangle, one pointer per
// screen and row.
#include "compose/blend.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

#include "simd/phase.h"
#include "simd/wide.h"

namespace qv::compose {

namespace {

uint8_t clamp255(int32_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// Calls f(j) for the rows j = 0 .. h - 1 of a rectangle of `dst` that reads `sources`: in
// the order of memory when dst shares no bytes with any of them, else from the top (a row
// written may then be read again later, and the result shows the order).
template <class F>
void each_row(const Screen& dst, std::initializer_list<const Screen*> sources, int32_t h, F f) {
    bool apart = true;
    for (const Screen* s : sources) apart = apart && !share_bytes(dst, *s);
    if (apart) {
        rows_in_memory_order(0, h, f);
    } else {
        for (int32_t j = 0; j < h; ++j) f(j);
    }
}

// Runs band(first, n) over bands of the h rows of a w x h rectangle of `dst` that reads
// `sources`: on all cores for a large rectangle when dst shares no bytes with them (then no
// row reads what another writes), else as one band.
template <class F>
void in_bands(const Screen& dst, std::initializer_list<const Screen*> sources, int32_t w, int32_t h, F band) {
    bool apart = true;
    for (const Screen* s : sources) apart = apart && !share_bytes(dst, *s);
    if (!apart) return band(0, h);
    simd::in_parts(h, int64_t(w) * h, simd::kLightPixel, band);
}

Point down(Point p, int32_t rows) { return {p.x, p.y + rows}; }

// Calls f(destination pixel, source pixel) over the rectangle.
template <class F>
void pair_rows(const Screen& dst, Point d, const Screen& src, Point s, int32_t w, int32_t h, F f) {
    each_row(dst, {&src}, h, [&](int32_t j) {
        uint8_t* dp = dst.at(d.x, d.y + j);
        const uint8_t* sp = src.at(s.x, s.y + j);
        for (int32_t i = 0; i < w; ++i, dp += 3, sp += src.bpp) f(dp, sp);
    });
}

// f(i, a) for each byte i of a row of n bytes, a being the key byte of its pixel (a
// full-colour key's first component, a palette key's index).
template <class F>
void with_key_bytes(const uint8_t* kp, int32_t bpp, int32_t n, F f) {
    if (bpp == 1) {
        // Spread a stretch at a time to one byte per component, then the loop over bytes.
        constexpr int32_t kStretch = 3 * 512;
        uint8_t spread[kStretch];
        for (int32_t i0 = 0; i0 < n; i0 += kStretch) {
            const int32_t m = std::min(kStretch, n - i0);
            for (int32_t j = 0; j < m; ++j) spread[j] = kp[(i0 + j) / 3];
            for (int32_t j = 0; j < m; ++j) f(i0 + j, spread[j]);
        }
        return;
    }
    // kp[i - i % 3]: at each byte, the byte 0, 1 or 2 places back, chosen by masks that
    // repeat with the pattern so that the loop runs on whole vectors. The first pixel goes
    // on its own: the masked-off reads at its bytes would start before the row.
    const auto& phase = simd::phase_masks;
    constexpr int32_t kPattern = simd::kPatternBytes;
    const int32_t first = std::min(n, 3);
    for (int32_t i = 0; i < first; ++i) f(i, kp[i - i % 3]);
    int32_t i = first;
    for (; i + kPattern <= n; i += kPattern)
        for (int k = 0; k < kPattern; ++k)
            f(i + k, uint8_t((kp[i + k] & phase.is[0][k]) | (kp[i + k - 1] & phase.is[1][k]) |
                             (kp[i + k - 2] & phase.is[2][k])));
    for (; i < n; ++i) f(i, kp[i - i % 3]);
}

void copy_through_key_band_body(const Screen& dst, Point d, const Screen& src, Point s, const Screen& key, Point k,
                           int32_t w, int32_t h, bool blend) {
    // One loop over each row's bytes, which the compiler vectorises.
    const int32_t n = 3 * w;
    each_row(dst, {&src, &key}, h, [&](int32_t j) {
        uint8_t* dp = dst.at(d.x, d.y + j);
        const uint8_t* sp = src.at(s.x, s.y + j);
        const uint8_t* kp = key.at(k.x, k.y + j);
        if (!blend) {
            // The source where the key is 0 (every byte written, as a mask: no branch).
            with_key_bytes(kp, key.bpp, n, [&](int32_t i, uint8_t a) {
                const uint8_t take = uint8_t(-int(a == 0));
                dp[i] = uint8_t((sp[i] & take) | (dp[i] & ~take));
            });
            return;
        }
        // ((255 - a) s + a d) is at most 65,025 (16-bit lanes), and x / 255 for such x is
        // exactly (x + 1 + (x >> 8)) >> 8, never above 255.
        with_key_bytes(kp, key.bpp, n, [&](int32_t i, uint8_t a) {
            const uint16_t x = uint16_t((255 - a) * sp[i] + a * dp[i]);
            dp[i] = uint8_t(uint16_t(x + 1 + (x >> 8)) >> 8);
        });
    });
}

}  // namespace

QV_TWICE(void, copy_through_key_band,
         (const Screen& dst, Point d, const Screen& src, Point s, const Screen& key, Point k, int32_t w, int32_t h,
          bool blend),
         (dst, d, src, s, key, k, w, h, blend))

void copy_through_key(const Screen& dst, Point d, const Screen& src, Point s, const Screen& key, Point k, int32_t w,
                      int32_t h, bool blend) {
    in_bands(dst, {&src, &key}, w, h, [&](int32_t first, int32_t n) {
        copy_through_key_band(dst, down(d, first), src, down(s, first), key, down(k, first), w, n, blend);
    });
}

namespace {

void merge_band_body(const Screen& dst, Point d, const Screen& src, Point s, int32_t w, int32_t h, int32_t dst_weight,
                int32_t src_weight) {
    if (dst_weight >= 0 && src_weight >= 0 && dst_weight % 4 == 0 && src_weight % 4 == 0 &&
        dst_weight + src_weight <= 1024) {
        // The usual weights (512, 512 and the like): x / 1024 with both weights divided by 4
        // is the same quotient over 256, and every sum fits 16 bits: eight lanes a vector.
        const uint16_t a = uint16_t(src_weight / 4), b = uint16_t(dst_weight / 4);
        each_row(dst, {&src}, h, [&](int32_t j) {
            uint8_t* dp = dst.at(d.x, d.y + j);
            const uint8_t* sp = src.at(s.x, s.y + j);
            for (int32_t i = 0; i < 3 * w; ++i) dp[i] = uint8_t(uint16_t(sp[i] * a + dp[i] * b) >> 8);
        });
        return;
    }
    const int64_t bound = 255 * (std::abs(int64_t(dst_weight)) + std::abs(int64_t(src_weight)));
    if (bound < (int64_t(1) << 30)) {
        // The usual weights: 32-bit sums over whole rows, which the compiler vectorises.
        each_row(dst, {&src}, h, [&](int32_t j) {
            uint8_t* dp = dst.at(d.x, d.y + j);
            const uint8_t* sp = src.at(s.x, s.y + j);
            for (int32_t i = 0; i < 3 * w; ++i) {
                const int32_t v = (sp[i] * src_weight + dp[i] * dst_weight) / 1024;
                dp[i] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        });
        return;
    }
    pair_rows(dst, d, src, s, w, h, [&](uint8_t* dp, const uint8_t* sp) {
        for (int c = 0; c < 3; ++c) {
            // 64-bit: the weights are any signed values a script gives.
            const int64_t v = (int64_t(sp[c]) * src_weight + int64_t(dp[c]) * dst_weight) / 1024;
            dp[c] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
        }
    });
}

}  // namespace

QV_TWICE(void, merge_band,
         (const Screen& dst, Point d, const Screen& src, Point s, int32_t w, int32_t h, int32_t dst_weight,
          int32_t src_weight),
         (dst, d, src, s, w, h, dst_weight, src_weight))

void merge(const Screen& dst, Point d, const Screen& src, Point s, int32_t w, int32_t h, int32_t dst_weight,
           int32_t src_weight) {
    in_bands(dst, {&src}, w, h, [&](int32_t first, int32_t n) {
        merge_band(dst, down(d, first), src, down(s, first), w, n, dst_weight, src_weight);
    });
}

void shade(const Screen& dst, Point d, const Screen& src, Point s, int32_t w, int32_t h, int32_t strength) {
    in_bands(dst, {&src}, w, h, [&](int32_t first, int32_t n) {
        pair_rows(dst, down(d, first), src, down(s, first), w, n, [&](uint8_t* dp, const uint8_t* sp) {
            const int32_t v = sp[0];
            if (v == 127 || v == 128) return;
            const int32_t delta = (v - 128) * strength / 64;
            for (int c = 0; c < 3; ++c) dp[c] = clamp255(dp[c] + delta);
        });
    });
}

void difference(const Screen& dst, Point d, const Screen& src, Point s, int32_t w, int32_t h, int32_t factor) {
    in_bands(dst, {&src}, w, h, [&](int32_t first, int32_t n) {
        pair_rows(dst, down(d, first), src, down(s, first), w, n, [&](uint8_t* dp, const uint8_t* sp) {
            for (int c = 0; c < 3; ++c) dp[c] = clamp255(factor * sp[c] - dp[c]);
        });
    });
}

namespace {

template <BitOp Op>
void combine_rows(const Screen& dst, Point d, int32_t w, int32_t h, const uint8_t (&pattern)[simd::kPatternBytes]) {
    // The operand repeats every three bytes (one pixel); the pattern holds it for 32 pixels.
    constexpr int32_t kPattern = simd::kPatternBytes;
    const int32_t n = w * dst.bpp;
    rows_in_memory_order(0, h, [&](int32_t j) {
        uint8_t* p = dst.at(d.x, d.y + j);
        int32_t i = 0;
        for (; i + kPattern <= n; i += kPattern)
            for (int k = 0; k < kPattern; ++k) {
                if constexpr (Op == BitOp::And) p[i + k] &= pattern[k];
                else if constexpr (Op == BitOp::Or) p[i + k] |= pattern[k];
                else p[i + k] ^= pattern[k];
            }
        for (int k = 0; i < n; ++i, ++k) {
            if constexpr (Op == BitOp::And) p[i] &= pattern[k];
            else if constexpr (Op == BitOp::Or) p[i] |= pattern[k];
            else p[i] ^= pattern[k];
        }
    });
}

void bitwise_band_body(const Screen& dst, Point d, int32_t w, int32_t h, uint8_t value, int32_t channels, BitOp op) {
    // A palette screen combines its index; a full-colour one the selected components (an
    // unselected one meets the operation's neutral byte).
    uint8_t pattern[simd::kPatternBytes];
    for (int k = 0; k < simd::kPatternBytes; ++k) {
        const bool on = dst.palette_mode() || ((channels >> (k % 3)) & 1);
        pattern[k] = on ? value : (op == BitOp::And ? 0xFF : 0);
    }
    switch (op) {
        case BitOp::And: combine_rows<BitOp::And>(dst, d, w, h, pattern); break;
        case BitOp::Or: combine_rows<BitOp::Or>(dst, d, w, h, pattern); break;
        case BitOp::Xor: combine_rows<BitOp::Xor>(dst, d, w, h, pattern); break;
    }
}

}  // namespace

QV_TWICE(void, bitwise_band,
         (const Screen& dst, Point d, int32_t w, int32_t h, uint8_t value, int32_t channels, BitOp op),
         (dst, d, w, h, value, channels, op))

void bitwise(const Screen& dst, Point d, int32_t w, int32_t h, uint8_t value, int32_t channels, BitOp op) {
    in_bands(dst, {}, w, h, [&](int32_t first, int32_t n) {
        bitwise_band(dst, down(d, first), w, n, value, channels, op);
    });
}

}  // namespace qv::compose

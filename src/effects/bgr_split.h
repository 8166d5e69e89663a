// Blue, green and red of 16 screen pixels (48 bytes) in three vectors of 16 bytes each and
// back, with SSE2 only (the DLL's baseline).
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>

namespace qv::effects {

struct BgrVectors {
    __m128i b, g, r;
};

// Four rounds of byte interleaving, each of which takes every third byte one step closer
// to its place.
inline BgrVectors split_bgr16(const uint8_t* p) {
    const auto high = [](__m128i v) { return _mm_unpackhi_epi64(v, v); };
    const auto round = [&](__m128i& x, __m128i& y, __m128i& z) {
        const __m128i u = _mm_unpacklo_epi8(x, high(y)), v = _mm_unpacklo_epi8(high(x), z),
                      w = _mm_unpacklo_epi8(y, high(z));
        x = u, y = v, z = w;
    };
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    __m128i z = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    for (int i = 0; i < 4; ++i) round(x, y, z);
    return {x, y, z};
}

// The 48 bytes of 16 pixels from their components: pixels of four bytes (blue, green,
// red, 0), each group of four packed to 12 bytes, the four groups joined.
inline void join_bgr16(const BgrVectors& v, uint8_t* p) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bg_lo = _mm_unpacklo_epi8(v.b, v.g), bg_hi = _mm_unpackhi_epi8(v.b, v.g);
    const __m128i r_lo = _mm_unpacklo_epi8(v.r, zero), r_hi = _mm_unpackhi_epi8(v.r, zero);
    const __m128i low24 = _mm_set1_epi64x(0xFFFFFF), next24 = _mm_set1_epi64x(0xFFFFFF000000);
    const auto pack = [&](__m128i q) {  // 4 pixels of 4 bytes -> 12 bytes, 4 zero bytes
        const __m128i t = _mm_or_si128(_mm_and_si128(q, low24), _mm_and_si128(_mm_srli_epi64(q, 8), next24));
        return _mm_or_si128(_mm_move_epi64(t), _mm_slli_si128(_mm_unpackhi_epi64(t, zero), 6));
    };
    const __m128i c0 = pack(_mm_unpacklo_epi16(bg_lo, r_lo)), c1 = pack(_mm_unpackhi_epi16(bg_lo, r_lo)),
                  c2 = pack(_mm_unpacklo_epi16(bg_hi, r_hi)), c3 = pack(_mm_unpackhi_epi16(bg_hi, r_hi));
    auto* out = reinterpret_cast<__m128i*>(p);
    _mm_storeu_si128(out, _mm_or_si128(c0, _mm_slli_si128(c1, 12)));
    _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(c1, 4), _mm_slli_si128(c2, 8)));
    _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(c2, 8), _mm_slli_si128(c3, 4)));
}

}  // namespace qv::effects
#endif

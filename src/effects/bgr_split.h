// Blue, green and red of 16 screen pixels (48 bytes) in three vectors of 16 bytes each,
// with SSE2 only (the DLL's baseline).
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

}  // namespace qv::effects
#endif

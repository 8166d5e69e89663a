// Blue, green and red of 16 screen pixels (48 bytes) in three vectors of 16 bytes each:
// apart with SSE2 only (the DLL's baseline), and apart and back with the byte shuffle that
// processors with AVX2 have (for the AVX2 copies of the pixel loops).
#pragma once

#include <cstdint>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <immintrin.h>

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

// Byte shuffle masks: take[k][c] picks component c of the 16 pixels from bytes 16k ..
// 16k + 15 of the 48; put[k][c] places component c's bytes among bytes 16k .. 16k + 15.
// 0x80 gives a zero byte, so that the three shuffles of a vector can be ORed.
struct ShuffleMasks {
    uint8_t take[3][3][16], put[3][3][16];
};
constexpr ShuffleMasks shuffle_masks = [] {
    ShuffleMasks m{};
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 16; ++i) {
                const int from = 3 * i + c - 16 * k, at = 16 * k + i;
                m.take[k][c][i] = uint8_t(from >= 0 && from < 16 ? from : 0x80);
                m.put[k][c][i] = uint8_t(at % 3 == c ? at / 3 : 0x80);
            }
    return m;
}();

__attribute__((target("avx2"))) inline BgrVectors shuffle_apart16(const uint8_t* p) {
    __m128i in[3], out[3];
    for (int k = 0; k < 3; ++k) in[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    for (int c = 0; c < 3; ++c) {
        out[c] = _mm_setzero_si128();
        for (int k = 0; k < 3; ++k) {
            const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(shuffle_masks.take[k][c]));
            out[c] = _mm_or_si128(out[c], _mm_shuffle_epi8(in[k], mask));
        }
    }
    return {out[0], out[1], out[2]};
}

__attribute__((target("avx2"))) inline void shuffle_together16(const BgrVectors& v, uint8_t* p) {
    const __m128i in[3] = {v.b, v.g, v.r};
    for (int k = 0; k < 3; ++k) {
        __m128i out = _mm_setzero_si128();
        for (int c = 0; c < 3; ++c) {
            const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(shuffle_masks.put[k][c]));
            out = _mm_or_si128(out, _mm_shuffle_epi8(in[c], mask));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * k), out);
    }
}

}  // namespace qv::effects
#endif

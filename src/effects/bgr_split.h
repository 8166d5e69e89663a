// Screen pixels (blue, green, red) apart into one vector per component: 16 pixels with
// SSE2 only (the DLL's baseline), and 32 apart and back with the byte shuffle that
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

// Blue, green and red of 32 pixels (96 bytes) in 32-byte vectors and back, by the byte
// shuffle of processors with AVX2: pixels 0-15 in the low halves, 16-31 in the high halves
// (the shuffle works within halves).
struct BgrVectors32 {
    __m256i b, g, r;
};

__attribute__((target("avx2"))) inline __m256i mask32(const uint8_t (&m)[16]) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m)));
}

__attribute__((target("avx2"))) inline BgrVectors32 shuffle_apart32(const uint8_t* p) {
    const __m256i y0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                  y1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)),
                  y2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64));
    // Halves holding bytes 0-15 | 48-63, 16-31 | 64-79 and 32-47 | 80-95.
    const __m256i in[3] = {_mm256_permute2x128_si256(y0, y1, 0x30), _mm256_permute2x128_si256(y0, y2, 0x21),
                           _mm256_permute2x128_si256(y1, y2, 0x30)};
    __m256i out[3];
    for (int c = 0; c < 3; ++c) {
        out[c] = _mm256_setzero_si256();
        for (int k = 0; k < 3; ++k)
            out[c] = _mm256_or_si256(out[c], _mm256_shuffle_epi8(in[k], mask32(shuffle_masks.take[k][c])));
    }
    return {out[0], out[1], out[2]};
}

__attribute__((target("avx2"))) inline void shuffle_together32(const BgrVectors32& v, uint8_t* p) {
    const __m256i in[3] = {v.b, v.g, v.r};
    __m256i out[3];
    for (int k = 0; k < 3; ++k) {
        out[k] = _mm256_setzero_si256();
        for (int c = 0; c < 3; ++c)
            out[k] = _mm256_or_si256(out[k], _mm256_shuffle_epi8(in[c], mask32(shuffle_masks.put[k][c])));
    }
    auto* q = reinterpret_cast<__m256i*>(p);
    _mm256_storeu_si256(q, _mm256_permute2x128_si256(out[0], out[1], 0x20));
    _mm256_storeu_si256(q + 1, _mm256_permute2x128_si256(out[2], out[0], 0x30));
    _mm256_storeu_si256(q + 2, _mm256_permute2x128_si256(out[1], out[2], 0x31));
}

}  // namespace qv::effects
#endif

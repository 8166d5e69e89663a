// Screen pixels (blue, green, red) apart by component and back together: 16 pixels into one
// vector each with SSE2 only (the DLL's baseline), and 32 into 16-bit lanes and back with the
// byte shuffle that processors with AVX2 have (for the AVX2 copies of the pixel loops).
#pragma once

#include <cstdint>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <immintrin.h>

namespace qv::effects {

struct BgrVectors {
    __m128i b, g, r;
};

// One of four rounds of byte interleaving, each of which takes every third byte one step
// closer to its place.
inline void split_round(__m128i& x, __m128i& y, __m128i& z) {
    const auto high = [](__m128i v) { return _mm_unpackhi_epi64(v, v); };
    const __m128i u = _mm_unpacklo_epi8(x, high(y)), v = _mm_unpacklo_epi8(high(x), z), w = _mm_unpacklo_epi8(y, high(z));
    x = u, y = v, z = w;
}

// The 48 bytes at p after that many rounds.
inline BgrVectors split_rounds(const uint8_t* p, int rounds) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    __m128i z = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    for (int i = 0; i < rounds; ++i) split_round(x, y, z);
    return {x, y, z};
}

inline BgrVectors split_bgr16(const uint8_t* p) { return split_rounds(p, 4); }

// And back: each round undoes one of split_round's, taking the even and odd bytes of the
// three vectors apart again (masks, shifts and packing with unsigned saturation, which keeps
// bytes as they are). The first round's input is given as those even and odd bytes, in
// 16-bit lanes.
inline void join_rounds(__m128i x, __m128i y, __m128i z, int rounds, uint8_t* p) {
    const __m128i low = _mm_set1_epi16(0x00FF);
    for (int i = 0; i < rounds; ++i) {
        const __m128i even_x = _mm_and_si128(x, low), even_y = _mm_and_si128(y, low), even_z = _mm_and_si128(z, low);
        const __m128i odd_x = _mm_srli_epi16(x, 8), odd_y = _mm_srli_epi16(y, 8), odd_z = _mm_srli_epi16(z, 8);
        x = _mm_packus_epi16(even_x, even_y);
        y = _mm_packus_epi16(even_z, odd_x);
        z = _mm_packus_epi16(odd_y, odd_z);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), x);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), y);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 32), z);
}

inline void join_bgr16(BgrVectors v, uint8_t* p) { join_rounds(v.b, v.g, v.r, 4, p); }

// 16 pixels in 16-bit lanes, the even-numbered pixels in [0] and the odd in [1] (the last
// round of split_bgr16 would interleave the two; work that takes each pixel on its own
// needs no order, and the way back starts from them likewise).
struct BgrWords16 {
    __m128i b[2], g[2], r[2];
};

inline BgrWords16 split_bgr16_words(const uint8_t* p) {
    // After three rounds the fourth would interleave x's low half with y's high half (blue),
    // x's high half with z's low half (green), y's low half with z's high half (red).
    const BgrVectors v = split_rounds(p, 3);
    const __m128i x = v.b, y = v.g, z = v.r;
    const __m128i zero = _mm_setzero_si128();
    return {{_mm_unpacklo_epi8(x, zero), _mm_unpackhi_epi8(y, zero)},
            {_mm_unpackhi_epi8(x, zero), _mm_unpacklo_epi8(z, zero)},
            {_mm_unpacklo_epi8(y, zero), _mm_unpackhi_epi8(z, zero)}};
}

inline void join_bgr16_words(const BgrWords16& w, uint8_t* p) {
    join_rounds(_mm_packus_epi16(w.b[0], w.g[0]), _mm_packus_epi16(w.r[0], w.b[1]), _mm_packus_epi16(w.g[1], w.r[1]), 3,
                p);
}

// Where AVX2 runs: 32 pixels (96 bytes) at a time, as two halves of 16 (the byte shuffle
// works within 16-byte halves: pixels 0-15 in the low halves, 16-31 in the high halves).
// Each half's 16 pixels come apart into 16-bit lanes in two sets of eight (pixels 0-7 of the
// half, then 8-15): blue and green as the low and high bytes of a lane, ready for the
// byte-pair multiply-add, and red alone. They go back from three components in 16-bit
// lanes (values 0..255), packed to bytes and shuffled into place.
struct BgrPairs32 {
    __m256i bg[2], r[2];  // [0]: pixels 0-7 of each half; [1]: pixels 8-15
};
struct BgrWords32 {
    __m256i b[2], g[2], r[2];
};

// Shuffle masks; 0x80 gives a zero byte, so that the shuffles of one vector can be ORed.
// take[set][k]: from bytes 16k .. 16k + 15 of a half's 48, the blue-green lanes and the red
// lanes of its set. put[k][source]: bytes 16k .. 16k + 15 of the 48 from the packed
// blue-green of pixels 0-7 (blue bytes 0-7, green 8-15), of pixels 8-15, and the packed red.
struct PairMasks {
    uint8_t take_bg[2][3][16], take_r[2][3][16], put[3][3][16];
};
constexpr PairMasks pair_masks = [] {
    PairMasks m{};
    for (int set = 0; set < 2; ++set)
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 16; ++j) {
                const int pixel = 8 * set + j / 2;
                const int bg = 3 * pixel + j % 2 - 16 * k, r = 3 * pixel + 2 - 16 * k;
                m.take_bg[set][k][j] = uint8_t(bg >= 0 && bg < 16 ? bg : 0x80);
                m.take_r[set][k][j] = uint8_t(j % 2 == 0 && r >= 0 && r < 16 ? r : 0x80);
            }
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 16; ++j) {
            const int at = 16 * k + j, pixel = at / 3, c = at % 3;
            for (int source = 0; source < 3; ++source) m.put[k][source][j] = 0x80;
            if (c == 2) m.put[k][2][j] = uint8_t(pixel);
            else m.put[k][pixel / 8][j] = uint8_t(8 * c + pixel % 8);
        }
    return m;
}();

__attribute__((target("avx2"))) inline __m256i mask32(const uint8_t (&m)[16]) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m)));
}

__attribute__((target("avx2"))) inline BgrPairs32 pairs_apart32(const uint8_t* p) {
    const __m256i y0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                  y1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)),
                  y2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64));
    // Halves holding bytes 0-15 | 48-63, 16-31 | 64-79 and 32-47 | 80-95.
    const __m256i in[3] = {_mm256_permute2x128_si256(y0, y1, 0x30), _mm256_permute2x128_si256(y0, y2, 0x21),
                           _mm256_permute2x128_si256(y1, y2, 0x30)};
    // Pixels 0-7 lie in bytes 0-23 (in[0], in[1]), pixels 8-15 in bytes 24-47 (in[1], in[2]).
    BgrPairs32 out;
    for (int set = 0; set < 2; ++set) {
        const __m256i a = in[set], b = in[set + 1];
        out.bg[set] = _mm256_or_si256(_mm256_shuffle_epi8(a, mask32(pair_masks.take_bg[set][set])),
                                      _mm256_shuffle_epi8(b, mask32(pair_masks.take_bg[set][set + 1])));
        out.r[set] = _mm256_or_si256(_mm256_shuffle_epi8(a, mask32(pair_masks.take_r[set][set])),
                                     _mm256_shuffle_epi8(b, mask32(pair_masks.take_r[set][set + 1])));
    }
    return out;
}

__attribute__((target("avx2"))) inline __m256i put_bytes(const __m256i (&packed)[3], int k, int source) {
    return _mm256_shuffle_epi8(packed[source], mask32(pair_masks.put[k][source]));
}

__attribute__((target("avx2"))) inline void words_together32(const BgrWords32& v, uint8_t* p) {
    const __m256i packed[3] = {_mm256_packus_epi16(v.b[0], v.g[0]), _mm256_packus_epi16(v.b[1], v.g[1]),
                               _mm256_packus_epi16(v.r[0], v.r[1])};
    // Bytes 0-15 hold pixels 0-5, 16-31 pixels 5-10 and 32-47 pixels 10-15.
    const __m256i out0 = _mm256_or_si256(put_bytes(packed, 0, 0), put_bytes(packed, 0, 2));
    const __m256i out1 =
        _mm256_or_si256(_mm256_or_si256(put_bytes(packed, 1, 0), put_bytes(packed, 1, 1)), put_bytes(packed, 1, 2));
    const __m256i out2 = _mm256_or_si256(put_bytes(packed, 2, 1), put_bytes(packed, 2, 2));
    auto* q = reinterpret_cast<__m256i*>(p);
    _mm256_storeu_si256(q, _mm256_permute2x128_si256(out0, out1, 0x20));
    _mm256_storeu_si256(q + 1, _mm256_permute2x128_si256(out2, out0, 0x30));
    _mm256_storeu_si256(q + 2, _mm256_permute2x128_si256(out1, out2, 0x31));
}

}  // namespace qv::effects
#endif

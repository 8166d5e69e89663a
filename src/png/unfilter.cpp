// unfilter_row (see unfilter.h). Each filter predicts a byte from the bytes left of it (a
// pixel back), above it and above-left; the row stores the differences.
#include "png/unfilter.h"

#include "png/format.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qv::png {

namespace {

#ifdef __SSE2__
// Three- and four-byte pixels (8-bit RGB and RGBA, the usual pictures) a pixel at a time in
// SSE2 lanes: each pixel depends on the one to its left, but its channels are worked on
// together. A pixel is loaded as four bytes while four remain, so a three-byte pixel's load
// may take the next pixel's first byte, which is never stored.
template <size_t N>
__m128i load(const uint8_t* p) {
    uint32_t v = 0;
    std::memcpy(&v, p, N);
    return _mm_cvtsi32_si128(int(v));
}

template <size_t N>
void store(uint8_t* p, __m128i v) {
    const uint32_t x = uint32_t(_mm_cvtsi128_si32(v));
    std::memcpy(p, &x, N);
}

__m128i abs16(__m128i x) {
    const __m128i negative = _mm_cmplt_epi16(x, _mm_setzero_si128());
    return _mm_add_epi16(_mm_xor_si128(x, negative), _mm_srli_epi16(negative, 15));
}

__m128i choose(__m128i when, __m128i then, __m128i otherwise) {
    return _mm_or_si128(_mm_and_si128(when, then), _mm_andnot_si128(when, otherwise));
}

// Runs step<W>(i) for each pixel of B bytes: W = 4 (a four-byte load) while four bytes
// remain, then W = B.
template <size_t B, class Step>
void each_pixel(size_t n, Step step) {
    size_t i = 0;
    for (; i + 4 <= n; i += B) step(std::integral_constant<size_t, 4>{}, i);
    for (; i + B <= n; i += B) step(std::integral_constant<size_t, B>{}, i);
}

template <size_t B>
void sub_pixels(uint8_t* row, size_t n) {
    __m128i a = _mm_setzero_si128();
    each_pixel<B>(n, [&](auto w, size_t i) {
        a = _mm_add_epi8(load<w>(row + i), a);
        store<B>(row + i, a);
    });
}

template <size_t B>
void average_pixels(uint8_t* row, const uint8_t* up, size_t n) {
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = _mm_setzero_si128();
    each_pixel<B>(n, [&](auto w, size_t i) {
        const __m128i b = load<w>(up + i);
        // (a + b) >> 1: the rounded-up average less the bit it rounded up by.
        const __m128i mean = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        a = _mm_add_epi8(load<w>(row + i), mean);
        store<B>(row + i, a);
    });
}

template <size_t B>
void paeth_pixels(uint8_t* row, const uint8_t* up, size_t n) {
    const __m128i zero = _mm_setzero_si128();
    __m128i a = zero, c = zero;
    each_pixel<B>(n, [&](auto w, size_t i) {
        const __m128i b = _mm_unpacklo_epi8(load<w>(up + i), zero);
        const __m128i x = _mm_unpacklo_epi8(load<w>(row + i), zero);
        __m128i pa = _mm_sub_epi16(b, c), pb = _mm_sub_epi16(a, c);
        const __m128i pc = abs16(_mm_add_epi16(pa, pb));
        pa = abs16(pa);
        pb = abs16(pb);
        const __m128i least = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        const __m128i nearest = choose(_mm_cmpeq_epi16(least, pa), a, choose(_mm_cmpeq_epi16(least, pb), b, c));
        a = _mm_add_epi8(x, nearest);  // the high byte of each lane stays 0
        store<B>(row + i, _mm_packus_epi16(a, a));
        c = b;
    });
}

// Filters 1, 3 and 4 on 3- and 4-byte pixels with a row above; false for the rest.
bool unfilter_pixels(uint8_t filter, uint8_t* row, const uint8_t* up, size_t n, int bpp) {
    if ((bpp != 3 && bpp != 4) || (filter != 1 && !up)) return false;
    switch (filter * 8 + bpp) {
        case 1 * 8 + 3: sub_pixels<3>(row, n); return true;
        case 1 * 8 + 4: sub_pixels<4>(row, n); return true;
        case 3 * 8 + 3: average_pixels<3>(row, up, n); return true;
        case 3 * 8 + 4: average_pixels<4>(row, up, n); return true;
        case 4 * 8 + 3: paeth_pixels<3>(row, up, n); return true;
        case 4 * 8 + 4: paeth_pixels<4>(row, up, n); return true;
        default: return false;
    }
}
#else
bool unfilter_pixels(uint8_t, uint8_t*, const uint8_t*, size_t, int) { return false; }
#endif

}  // namespace

void unfilter_row(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t n, int bpp) {
    if (unfilter_pixels(filter, row, previous, n, bpp)) return;
    const size_t k = size_t(bpp);
    switch (filter) {
        case 1:  // Sub
            for (size_t i = k; i < n; ++i) row[i] = uint8_t(row[i] + row[i - k]);
            break;
        case 2:  // Up
            if (previous)
                for (size_t i = 0; i < n; ++i) row[i] = uint8_t(row[i] + previous[i]);
            break;
        case 3:  // Average
            if (previous) {
                for (size_t i = 0; i < k && i < n; ++i) row[i] = uint8_t(row[i] + (previous[i] >> 1));
                for (size_t i = k; i < n; ++i) row[i] = uint8_t(row[i] + ((row[i - k] + previous[i]) >> 1));
            } else {
                for (size_t i = k; i < n; ++i) row[i] = uint8_t(row[i] + (row[i - k] >> 1));
            }
            break;
        case 4:  // Paeth; with no row above it is Sub
            if (previous) {
                for (size_t i = 0; i < k && i < n; ++i) row[i] = uint8_t(row[i] + previous[i]);
                for (size_t i = k; i < n; ++i) row[i] = uint8_t(row[i] + paeth(row[i - k], previous[i], previous[i - k]));
            } else {
                for (size_t i = k; i < n; ++i) row[i] = uint8_t(row[i] + row[i - k]);
            }
            break;
        default: break;
    }
}

}  // namespace qv::png

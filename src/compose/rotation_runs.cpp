// Runs of the rotation at scale 1 (see rotation_runs.h).
#include "compose/rotation_runs.h"

#include <cstddef>
#include <cstring>
#include <initializer_list>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace qv::compose {

namespace {

// One pixel with every check: the key, and exactly its own bytes read and written.
inline void copy_pixel(const UnitRun& r, uint8_t* out, const uint8_t* in) {
    if (r.key >= 0 && in[0] == r.key && (r.bpp == 1 || (in[1] == r.key && in[2] == r.key))) return;
    if (r.bpp == 3) std::memcpy(out, in, 3);
    else out[0] = in[0];
}

// The plain loop, for what is left at a run's end.
void copy_plain(const UnitRun& r, uint8_t* out, int32_t nu, int32_t nv, int32_t n) {
    const ptrdiff_t stride = r.stride;
    for (int32_t k = 0; k < n; ++k, out += r.bpp, nu += r.cos_step, nv += r.sin_step)
        copy_pixel(r, out, r.origin + ptrdiff_t(nu / 4096 + r.cx) * r.bpp - ptrdiff_t(nv / 4096 + r.cy) * stride);
}

#if defined(__SSE2__)

// Four bytes from `in` to `out`: a pixel and the first byte of the next, which the next
// pixel's own copy then replaces.
inline void copy_four(uint8_t* out, const uint8_t* in) {
    uint32_t v;
    std::memcpy(&v, in, 4);
    std::memcpy(out, &v, 4);
}

// Fetches the line at origin + offset into the nearest cache (an address outside the picture
// is harmless: a prefetch never faults).
inline void fetch_ahead(const uint8_t* origin, int32_t offset) {
    _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(origin) + uintptr_t(intptr_t(offset))),
                 _MM_HINT_T0);
}

// The truncating division by 4096 in each lane: a negative numerator is first raised by 4095,
// then shifted.
inline __m128i div4096(__m128i n) {
    return _mm_srai_epi32(_mm_add_epi32(n, _mm_srli_epi32(_mm_srai_epi32(n, 31), 20)), 12);
}

// The low 32 bits of each lane times b (SSE2 multiplies only two lanes at a time).
inline __m128i times(__m128i a, int32_t b) {
    const __m128i m = _mm_set1_epi32(b);
    const __m128i even = _mm_mul_epu32(a, m), odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), m);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// Offsets from origin of the sources of numerators (nu, nv).
inline __m128i offsets(const UnitRun& r, __m128i nu, __m128i nv) {
    const __m128i u = _mm_add_epi32(div4096(nu), _mm_set1_epi32(r.cx));
    const __m128i v = _mm_add_epi32(div4096(nv), _mm_set1_epi32(r.cy));
    return _mm_sub_epi32(r.bpp == 3 ? _mm_add_epi32(u, _mm_add_epi32(u, u)) : u, times(v, r.stride));
}

// Four pixels at a time; the four-byte copies need a pixel after the four in the run, and
// no read past the picture's last byte.
template <bool FourBytes>
int32_t copy_by_fours(const UnitRun& r, uint8_t* out, int32_t nu, int32_t nv, int32_t n) {
    const int32_t step = 4 * r.bpp;
    const __m128i lane = _mm_setr_epi32(0, 1, 2, 3), last = _mm_set1_epi32(r.last_read);
    __m128i vu = _mm_add_epi32(_mm_set1_epi32(nu), times(lane, r.cos_step));
    __m128i vv = _mm_add_epi32(_mm_set1_epi32(nv), times(lane, r.sin_step));
    const __m128i next_u = _mm_set1_epi32(4 * r.cos_step), next_v = _mm_set1_epi32(4 * r.sin_step);
    const __m128i ahead_u = _mm_set1_epi32(r.ahead_u), ahead_v = _mm_set1_epi32(r.ahead_v);
    int32_t k = 0;
    for (; k + 4 < n; k += 4, out += step) {
        const __m128i where = offsets(r, vu, vv);
        alignas(16) int32_t at[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(at), where);
        const __m128i ahead = offsets(r, _mm_add_epi32(vu, ahead_u), _mm_add_epi32(vv, ahead_v));
        fetch_ahead(r.origin, _mm_cvtsi128_si32(ahead));
        fetch_ahead(r.origin, _mm_cvtsi128_si32(_mm_shuffle_epi32(ahead, _MM_SHUFFLE(3, 3, 3, 3))));
        const bool whole = FourBytes && _mm_movemask_epi8(_mm_cmpgt_epi32(where, last)) == 0;
        if (whole)
            for (int32_t q = 0; q < 4; ++q) copy_four(out + 3 * q, r.origin + at[q]);
        else
            for (int32_t q = 0; q < 4; ++q) copy_pixel(r, out + q * r.bpp, r.origin + at[q]);
        vu = _mm_add_epi32(vu, next_u);
        vv = _mm_add_epi32(vv, next_v);
    }
    return k;
}

// div4096 and offsets for full-colour screens, eight lanes at a time.
__attribute__((target("avx2"))) inline __m256i div4096(__m256i n) {
    return _mm256_srai_epi32(_mm256_add_epi32(n, _mm256_srli_epi32(_mm256_srai_epi32(n, 31), 20)), 12);
}

__attribute__((target("avx2"))) inline __m256i offsets8(__m256i nu, __m256i nv, __m256i cx, __m256i cy,
                                                        __m256i stride) {
    const __m256i u = _mm256_add_epi32(div4096(nu), cx);
    return _mm256_sub_epi32(_mm256_add_epi32(u, _mm256_add_epi32(u, u)),
                            _mm256_mullo_epi32(_mm256_add_epi32(div4096(nv), cy), stride));
}

// The AVX2 copy for full-colour screens: eight sources gathered as four bytes each, packed
// to 24 bytes and written with one 32-byte store, whose last 8 bytes belong to the next
// pixels of the run (rewritten later, or, with a key, written back as they were).
template <bool Keyed>
__attribute__((target("avx2"))) int32_t gather_by_eights(const UnitRun& r, uint8_t* out, int32_t nu, int32_t nv,
                                                         int32_t n) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), last = _mm256_set1_epi32(r.last_read);
    __m256i vu = _mm256_add_epi32(_mm256_set1_epi32(nu), _mm256_mullo_epi32(lane, _mm256_set1_epi32(r.cos_step)));
    __m256i vv = _mm256_add_epi32(_mm256_set1_epi32(nv), _mm256_mullo_epi32(lane, _mm256_set1_epi32(r.sin_step)));
    const __m256i next_u = _mm256_set1_epi32(8 * r.cos_step), next_v = _mm256_set1_epi32(8 * r.sin_step);
    const __m256i ahead_u = _mm256_set1_epi32(r.ahead_u), ahead_v = _mm256_set1_epi32(r.ahead_v);
    const __m256i cx = _mm256_set1_epi32(r.cx), cy = _mm256_set1_epi32(r.cy), stride = _mm256_set1_epi32(r.stride);
    const __m256i low3 = _mm256_set1_epi32(0xFFFFFF), key = _mm256_set1_epi32(r.key * 0x010101);
    // Bytes 0-2 of each lane to 12 bytes at each half's start, then the halves together.
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6, 8,
                                          9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    int32_t k = 0;
    for (; k + 11 <= n; k += 8, out += 24) {
        const __m256i at = offsets8(vu, vv, cx, cy, stride);
        alignas(32) int32_t ahead[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(ahead),
                           offsets8(_mm256_add_epi32(vu, ahead_u), _mm256_add_epi32(vv, ahead_v), cx, cy, stride));
        for (int32_t q : {0, 3, 5, 7}) fetch_ahead(r.origin, ahead[q]);
        vu = _mm256_add_epi32(vu, next_u);
        vv = _mm256_add_epi32(vv, next_v);
        const __m256i past = _mm256_cmpgt_epi32(at, last);
        if (!_mm256_testz_si256(past, past)) {
            alignas(32) int32_t each[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(each), at);
            for (int32_t q = 0; q < 8; ++q) copy_pixel(r, out + 3 * q, r.origin + each[q]);
            continue;
        }
        const __m256i pixels = _mm256_i32gather_epi32(reinterpret_cast<const int*>(r.origin), at, 1);
        const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(pixels, pack), join);
        if (!Keyed) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packed);
        } else {
            // Lanes whose three bytes are not the key are written; the bytes past the 24
            // (zero in the packed mask) keep what is there.
            const __m256i shown =
                _mm256_xor_si256(_mm256_cmpeq_epi32(_mm256_and_si256(pixels, low3), key), _mm256_set1_epi32(-1));
            const __m256i mask = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(shown, pack), join);
            const __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_blendv_epi8(old, packed, mask));
        }
    }
    return k;
}

#endif

}  // namespace

void copy_unit_run(const UnitRun& r, uint8_t* out, int32_t nu, int32_t nv, int32_t n) {
    int32_t k = 0;
#if defined(__SSE2__)
    if (r.wide && r.bpp == 3) {
        k = r.key >= 0 ? gather_by_eights<true>(r, out, nu, nv, n) : gather_by_eights<false>(r, out, nu, nv, n);
    } else {
        k = r.bpp == 3 && r.key < 0 ? copy_by_fours<true>(r, out, nu, nv, n) : copy_by_fours<false>(r, out, nu, nv, n);
    }
#endif
    copy_plain(r, out + ptrdiff_t(k) * r.bpp, nu + k * r.cos_step, nv + k * r.sin_step, n - k);
}

}  // namespace qv::compose

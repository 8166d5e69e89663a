// The rotation's common case: scale 1, 32-bit arithmetic, onto another screen. The source
// addresses of a run of destination pixels are worked out four or eight at a time, the
// pixels moved four bytes at a time (or gathered, with AVX2), and the source rows a few
// destination rows further on are fetched ahead: a turned picture is read across its rows,
// where the processor's own prefetching finds no pattern, and waiting for memory was most
// of the work.
#pragma once

#include <cstdint>

namespace qv::compose {

// A run of destination pixels whose sources all lie inside the extent. Pixel k of the run
// takes source pixel (u, v) = (nu_k / 4096 + cx, nv_k / 4096 + cy), the divisions truncating,
// with nu_k = nu + k cos_step and nv_k = nv + k sin_step; it lies at origin + u bpp - v stride
// (rows are stored bottom-up).
struct UnitRun {
    const uint8_t* origin = nullptr;
    int32_t stride = 0, bpp = 3, key = -1;  // key: 0..255 a transparent value, -1 none
    int32_t cx = 0, cy = 0, cos_step = 0, sin_step = 0;
    int32_t last_read = 0;  // the greatest offset from origin that four bytes can be read at
    // What nu and nv change by from a pixel to the same column kAheadRows destination rows
    // further on in the order the rows are done (their sources are fetched ahead).
    int32_t ahead_u = 0, ahead_v = 0;
    bool wide = false;  // the AVX2 copy
};

// How many rows ahead the sources are fetched.
constexpr int32_t kAheadRows = 4;

// The n pixels of the run from `out` on (nu, nv: the numerators of its first pixel). The
// caller keeps the source and destination apart and every offset within 32 bits. (Built
// without SSE2, this is the plain loop.)
void copy_unit_run(const UnitRun& r, uint8_t* out, int32_t nu, int32_t nv, int32_t n);

}  // namespace qv::compose

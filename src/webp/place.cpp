// place_webp (see place.h). The decoder writes an opaque picture in the screen's own byte
// order, so its rows go in as they are, one copy each; one with alpha comes as red, green,
// blue, alpha and goes through the PNG loaders' writer of the modes.
#include "webp/place.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "png/modes.h"
#include "simd/parallel.h"

namespace qv::webp {

namespace {

// A row of an opaque picture, streamed past the caches (the picture is rows the decoder
// wrote, no longer cached, and the screen's bytes are not read): without reading the screen's
// lines in first, the copy costs about half what memcpy's does, which for a quickly decoded
// lossless screenshot is a tenth of the load.
void copy_row(uint8_t* dst, const uint8_t* src, size_t n) {
    size_t i = 0;
    while (i < n && (uintptr_t(dst + i) & 15)) dst[i] = src[i], ++i;
    for (; i + 16 <= n; i += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
    std::memcpy(dst + i, src + i, n - i);
}

}  // namespace

void place_webp(const Picture& p, const Screen& s, int32_t x, int32_t y, int32_t mode) {
    const uint32_t w = std::min<uint32_t>(p.info.width, uint32_t(s.width - x));
    const int32_t rows = int32_t(std::min<uint32_t>(p.info.height, uint32_t(s.height - y)));
    // Memory-bound: a large picture's rows are shared among the cores.
    simd::in_parts(rows, int64_t(w) * rows, simd::kLightPixel, [&](int32_t first, int32_t n) {
        rows_in_memory_order(first, n, [&](int32_t r) {
            uint8_t* dst = s.at(x, y + r);
            if (p.bpp == 4)
                png::write_rgba(p.row(uint32_t(r)), w, dst, mode);
            else if (mode == png::kAlphaGrey)
                std::memset(dst, 255, size_t(w) * 3);
            else
                copy_row(dst, p.row(uint32_t(r)), size_t(w) * 3);
        });
        _mm_sfence();  // this band's streamed rows are in memory before its thread is done
    });
}

}  // namespace qv::webp

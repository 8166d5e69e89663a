// The block effects (see blocks.h).
#include "effects/blocks.h"

#include <cstring>
#include <memory>
#include <utility>

#include "effects/random.h"
#include "host/memory.h"
#include "simd/wide.h"

namespace qv::effects {

namespace {

// One cell at a time: the way without the two band-wide rows below.
void mosaic_cells(const Screen& s, int32_t x, int32_t y, int32_t cols, int32_t rows, int32_t cw, int32_t ch) {
    const int64_t area = int64_t(cw) * ch;
    for (int32_t cy = 0; cy < rows; ++cy)
        for (int32_t cx = 0; cx < cols; ++cx) {
            const int32_t x0 = x + cx * cw, y0 = y + cy * ch;
            int64_t sum[3] = {};  // a cell may hold more than 2^31 / 255 pixels
            for (int32_t j = 0; j < ch; ++j) {
                const uint8_t* p = s.at(x0, y0 + j);
                for (int32_t i = 0; i < cw; ++i, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const uint8_t avg[3] = {uint8_t(sum[0] / area), uint8_t(sum[1] / area), uint8_t(sum[2] / area)};
            for (int32_t j = 0; j < ch; ++j) {
                uint8_t* p = s.at(x0, y0 + j);
                for (int32_t i = 0; i < cw; ++i, p += 3) std::memcpy(p, avg, 3);
            }
        }
}

void mosaic_bands_body(const Screen& s, int32_t x, int32_t y, int32_t cols, int32_t rows, int32_t cw, int32_t ch) {
    if (cols < 1 || rows < 1) return;
    // A band of cells (ch rows) at a time: the band's rows added up byte by byte (each
    // column's sum), the columns of each cell added up to its averages, one row of the
    // averages made, and that row copied over the band's rows. The picture is read and
    // written once, as whole rows, in the order of memory; cells change only their own
    // pixels, so their order does not show.
    const int32_t n = 3 * cols * cw;
    host::Buffer<uint32_t> sums = host::allocate<uint32_t>(size_t(n));  // at most 255 x ch each
    host::Buffer<uint8_t> averages = host::allocate<uint8_t>(size_t(n));
    if (!sums || !averages) return mosaic_cells(s, x, y, cols, rows, cw, ch);
    const int64_t area = int64_t(cw) * ch;
    for (int32_t cy = rows - 1; cy >= 0; --cy) {
        const int32_t y0 = y + cy * ch;
        std::memset(sums.get(), 0, sizeof(uint32_t) * size_t(n));
        rows_in_memory_order(y0, ch, [&](int32_t row) {
            const uint8_t* p = s.at(x, row);
            uint32_t* sum = sums.get();
            for (int32_t i = 0; i < n; ++i) sum[i] += p[i];
        });
        for (int32_t cx = 0; cx < cols; ++cx) {
            const uint32_t* column = sums.get() + 3 * size_t(cx) * cw;
            uint64_t total[3] = {};
            for (int32_t i = 0; i < cw; ++i)
                for (int k = 0; k < 3; ++k) total[k] += column[3 * i + k];
            const uint8_t avg[3] = {uint8_t(total[0] / area), uint8_t(total[1] / area), uint8_t(total[2] / area)};
            uint8_t* out = averages.get() + 3 * size_t(cx) * cw;
            for (int32_t i = 0; i < cw; ++i) std::memcpy(out + 3 * i, avg, 3);
        }
        rows_in_memory_order(y0, ch, [&](int32_t row) { std::memcpy(s.at(x, row), averages.get(), size_t(n)); });
    }
}

}  // namespace

QV_TWICE(void, mosaic_bands,
         (const Screen& s, int32_t x, int32_t y, int32_t cols, int32_t rows, int32_t cw, int32_t ch),
         (s, x, y, cols, rows, cw, ch))

void mosaic(const Screen& s, int32_t x, int32_t y, int32_t cols, int32_t rows, int32_t cw, int32_t ch) {
    // Bands of cells are independent: split over the cores as whole bands.
    simd::in_parts(rows, int64_t(cols) * cw * rows * ch, simd::kLightPixel, [&](int32_t first, int32_t n) {
        mosaic_bands(s, x, y + first * ch, cols, n, cw, ch);
    });
}

namespace {

void rough_rows_body(const Screen& s, Rect r, int32_t bits) {
    if (r.empty()) return;
    const int32_t k = bits > 8 ? bits - 8 : bits;
    const uint8_t mask = uint8_t(255 << (8 - k));
    // The same operation on every byte of a row: the compiler makes it a vector loop. Up to 8
    // bits, the low bits become 0; above, they repeat the kept high bits.
    rows_in_memory_order(r.y, r.h, [&](int32_t y) {
        uint8_t* p = s.at(r.x, y);
        if (bits <= 8) {
            for (int32_t i = 0; i < 3 * r.w; ++i) p[i] &= mask;
        } else {
            for (int32_t i = 0; i < 3 * r.w; ++i) p[i] = uint8_t((p[i] & mask) | (p[i] >> k));
        }
    });
}

}  // namespace

QV_TWICE_BY_ROWS(rough, kLightPixel, (const Screen& s, Rect r, int32_t bits), (s, r, bits))

void dispersion_permutation(uint8_t p[64]) {
    for (int i = 0; i < 64; ++i) p[i] = uint8_t(i);
    for (int i = 0; i < 500; ++i) {
        const int32_t a = runtime_rand() * 64 / 32768;
        const int32_t b = runtime_rand() * 64 / 32768;
        std::swap(p[a], p[b]);
    }
}

namespace {

// Whole pixels of BPP bytes move, so the copy of one is a fixed-size copy.
template <int BPP>
void disperse_blocks(const Screen& s, int32_t x, int32_t y, int32_t bw, int32_t bh, const uint8_t p[64]) {
    uint8_t block[64 * BPP];
    for (int32_t by = 0; by < bh; ++by)
        for (int32_t bx = 0; bx < bw; ++bx) {
            const int32_t x0 = x + 8 * bx, y0 = y + 8 * by;
            for (int32_t row = 0; row < 8; ++row) std::memcpy(block + row * 8 * BPP, s.at(x0, y0 + row), 8 * BPP);
            for (int32_t row = 0; row < 8; ++row) {
                uint8_t* out = s.at(x0, y0 + row);
                for (int32_t col = 0; col < 8; ++col) std::memcpy(out + col * BPP, block + p[8 * row + col] * BPP, BPP);
            }
        }
}

}  // namespace

void disperse(const Screen& s, int32_t x, int32_t y, int32_t bw, int32_t bh, const uint8_t p[64]) {
    // One order for every block, drawn before: the blocks' own order does not show, and
    // bands of them go on all cores.
    simd::in_parts(bh, int64_t(64) * bw * bh, simd::kLightPixel, [&](int32_t first, int32_t n) {
        if (s.bpp == 1) disperse_blocks<1>(s, x, y + 8 * first, bw, n, p);
        else disperse_blocks<3>(s, x, y + 8 * first, bw, n, p);
    });
}

}  // namespace qv::effects

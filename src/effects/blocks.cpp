// The block effects (see blocks.h).
#include "effects/blocks.h"

#include <cstring>
#include <utility>

#include "effects/settings.h"
#include "simd/wide.h"

namespace qv::effects {

namespace {

void mosaic_body(const Screen& s, int32_t x, int32_t y, int32_t cols, int32_t rows, int32_t cw, int32_t ch) {
    const int32_t area = cw * ch;
    for (int32_t cy = 0; cy < rows; ++cy)
        for (int32_t cx = 0; cx < cols; ++cx) {
            const int32_t x0 = x + cx * cw, y0 = y + cy * ch;
            int32_t sum[3] = {};
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

}  // namespace

QV_TWICE(void, mosaic, (const Screen& s, int32_t x, int32_t y, int32_t cols, int32_t rows, int32_t cw, int32_t ch),
         (s, x, y, cols, rows, cw, ch))

namespace {

void rough_body(const Screen& s, Rect r, int32_t bits) {
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

QV_TWICE(void, rough, (const Screen& s, Rect r, int32_t bits), (s, r, bits))

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
    if (s.bpp == 1) disperse_blocks<1>(s, x, y, bw, bh, p);
    else disperse_blocks<3>(s, x, y, bw, bh, p);
}

}  // namespace qv::effects

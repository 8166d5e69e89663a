// What the PNG reader and writer share of the format: the signature, the Adam7 passes and
// the Paeth predictor.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace qv::png {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// The Adam7 passes: first column and row, and the steps between them.
constexpr uint8_t kPassX[7] = {0, 4, 0, 2, 0, 1, 0}, kPassY[7] = {0, 0, 4, 0, 2, 0, 1};
constexpr uint8_t kPassDx[7] = {8, 8, 4, 4, 2, 2, 1}, kPassDy[7] = {8, 8, 8, 4, 4, 2, 2};

// The columns (or rows) of a pass over a picture `size` wide (or tall).
constexpr uint32_t pass_extent(uint32_t size, uint32_t start, uint32_t step) {
    return size > start ? (size - start + step - 1) / step : 0;
}

// Of the bytes left (a), above (b) and above-left (c), the one nearest a + b - c.
inline uint8_t paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

}  // namespace qv::png

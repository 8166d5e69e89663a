// unfilter_row (see unfilter.h). Each filter predicts a byte from the bytes left of it (a
// pixel back), above it and above-left; the row stores the differences.
#include "png/unfilter.h"

#include <cstdlib>

namespace qv::png {

namespace {

uint8_t paeth(int a, int b, int c) {
    const int p = b - c, q = a - c;
    const int pa = std::abs(p), pb = std::abs(q), pc = std::abs(p + q);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

}  // namespace

void unfilter_row(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t n, int bpp) {
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

// Checks on a screen's pixels shared by the core and host tests: that a rectangle holds a
// reference picture, and that nothing else of the buffer changed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/views.h"
#include "pnm.h"

namespace qv::testing {

// The rectangle at (x0, y0) holds the reference picture's top-left w x h pixels, as blue,
// green, red.
inline ::testing::AssertionResult holds(const Screen& s, const Pnm& ref, int32_t x0, int32_t y0, int32_t w,
                                        int32_t h) {
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t rgb[3];
            ref.rgb(x, y, rgb);
            const uint8_t* p = s.at(x0 + x, y0 + y);
            if (p[0] != rgb[2] || p[1] != rgb[1] || p[2] != rgb[0])
                return ::testing::AssertionFailure()
                       << "picture pixel (" << x << ", " << y << ") is " << int(p[2]) << " " << int(p[1]) << " "
                       << int(p[0]) << ", djpeg gives " << int(rgb[0]) << " " << int(rgb[1]) << " " << int(rgb[2]);
        }
    return ::testing::AssertionSuccess();
}

// Every byte of the buffer outside the rectangle (x0, y0, w, h), row padding included, is
// as in `before` (a copy of the whole buffer).
inline ::testing::AssertionResult unchanged_outside(const Screen& s, const std::vector<uint8_t>& before, int32_t x0,
                                                    int32_t y0, int32_t w, int32_t h) {
    for (size_t off = 0; off < s.size_bytes(); ++off) {
        if (s.pixels[off] == before[off]) continue;
        int32_t y = s.height - 1 - int32_t(off / s.stride());
        size_t col = off % s.stride();
        int32_t x = int32_t(col / s.bpp);
        if (col >= size_t(s.width) * s.bpp)
            return ::testing::AssertionFailure() << "padding of row " << y << " changed";
        if (x < x0 || x >= x0 + w || y < y0 || y >= y0 + h)
            return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") changed";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace qv::testing

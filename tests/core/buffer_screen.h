// A screen over a plain buffer, for the core's tests: the host's layout (bottom-up rows
// padded to 32 bits), with guard bytes around it that must never change.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/views.h"
#include "pnm.h"

namespace qv::testing {

class BufferScreen {
public:
    static constexpr size_t kGuard = 64;

    BufferScreen(int32_t width, int32_t height, bool palette_mode = false) {
        view_.width = width;
        view_.height = height;
        view_.bpp = palette_mode ? 1 : 3;
        mem_.assign(view_.size_bytes() + 2 * kGuard, 0xA5);
        view_.pixels = mem_.data() + kGuard;
        fill_pattern(1);
    }

    Screen& view() { return view_; }
    const Screen& view() const { return view_; }
    void set_cursor(int32_t x, int32_t y) { view_.cursor_x = x; view_.cursor_y = y; }

    // Distinct-looking pixels, and 0xEE in the row padding.
    void fill_pattern(uint32_t seed) {
        uint32_t state = seed * 2654435761u + 7;
        size_t row_bytes = size_t(view_.width) * view_.bpp;
        for (int32_t y = 0; y < view_.height; ++y) {
            uint8_t* row = view_.at(0, y);
            for (size_t i = 0; i < view_.stride(); ++i) {
                state = state * 1103515245u + 12345u;
                row[i] = i < row_bytes ? uint8_t(state >> 16) : 0xEE;
            }
        }
    }

    std::vector<uint8_t> snapshot() const { return mem_; }

    // Every byte outside the rectangle (x, y, w, h), padding and guards included, is as in
    // `before`.
    ::testing::AssertionResult unchanged_outside(int32_t x0, int32_t y0, int32_t w, int32_t h,
                                                 const std::vector<uint8_t>& before) const {
        for (size_t i = 0; i < mem_.size(); ++i) {
            if (mem_[i] == before[i]) continue;
            if (i < kGuard || i >= kGuard + view_.size_bytes())
                return ::testing::AssertionFailure() << "guard byte " << i << " changed";
            size_t off = i - kGuard;
            int32_t row = int32_t(off / view_.stride());
            int32_t y = view_.height - 1 - row;
            size_t col = off % view_.stride();
            int32_t x = int32_t(col / view_.bpp);
            if (col >= size_t(view_.width) * view_.bpp)
                return ::testing::AssertionFailure() << "padding of row " << y << " changed";
            if (x < x0 || x >= x0 + w || y < y0 || y >= y0 + h)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") changed";
        }
        return ::testing::AssertionSuccess();
    }

    // The rectangle at (x0, y0) holds the reference picture's top-left part, as blue, green, red.
    ::testing::AssertionResult holds(const Pnm& ref, int32_t x0, int32_t y0, int32_t w, int32_t h) const {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t rgb[3];
                ref.rgb(x, y, rgb);
                const uint8_t* p = view_.at(x0 + x, y0 + y);
                if (p[0] != rgb[2] || p[1] != rgb[1] || p[2] != rgb[0])
                    return ::testing::AssertionFailure()
                           << "picture pixel (" << x << ", " << y << ") is " << int(p[2]) << " " << int(p[1])
                           << " " << int(p[0]) << ", djpeg gives " << int(rgb[0]) << " " << int(rgb[1]) << " "
                           << int(rgb[2]);
            }
        return ::testing::AssertionSuccess();
    }

private:
    std::vector<uint8_t> mem_;
    Screen view_;
};

}  // namespace qv::testing

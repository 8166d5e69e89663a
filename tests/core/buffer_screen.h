// A screen over a plain buffer, for the core's tests: the host's layout (bottom-up rows
// padded to 32 bits), with guard bytes around it that must never change.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/views.h"
#include "pnm.h"
#include "screen_checks.h"

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
    // `before` (a snapshot).
    ::testing::AssertionResult unchanged_outside(int32_t x0, int32_t y0, int32_t w, int32_t h,
                                                 const std::vector<uint8_t>& before) const {
        for (size_t i = 0; i < kGuard; ++i)
            if (mem_[i] != before[i] || mem_[mem_.size() - 1 - i] != before[mem_.size() - 1 - i])
                return ::testing::AssertionFailure() << "a guard byte changed";
        std::vector<uint8_t> inner(before.begin() + kGuard, before.end() - kGuard);
        return testing::unchanged_outside(view_, inner, x0, y0, w, h);
    }

    ::testing::AssertionResult holds(const Pnm& ref, int32_t x0, int32_t y0, int32_t w, int32_t h) const {
        return testing::holds(view_, ref, x0, y0, w, h);
    }

private:
    std::vector<uint8_t> mem_;
    Screen view_;
};

}  // namespace qv::testing

// Ruled lines (see ruled_lines.h). A full-colour line is one row of the area's width in the
// screen's colour, made once and copied; vertical lines write their pixels row by row, in the
// order of memory.
#include "draw/ruled_lines.h"

#include <cstring>

#include "host/memory.h"
#include "host/results.h"

namespace qv::draw {

namespace {

// Vertical lines `step` columns apart, BPP bytes a pixel.
template <size_t BPP>
void rule_columns(const Screen& s, int32_t x, int32_t y, int32_t w, int32_t h, int32_t step, const uint8_t* value) {
    const int32_t columns = (w - 1) / step + 1;
    const size_t gap = size_t(step) * BPP;
    rows_in_memory_order(y, h, [&](int32_t row) {
        uint8_t* p = s.at(x, row);
        for (int32_t c = 0; c < columns; ++c) std::memcpy(p + size_t(c) * gap, value, BPP);
    });
}

}  // namespace

int32_t rule_lines(const Screen& s, int32_t step, int32_t index, bool vertical) {
    const int32_t x = s.cursor_x, y = s.cursor_y, w = s.area_width, h = s.area_height;
    if (w < 4 || h < 4 || x < 0 || y < 0 || index < 0 || step < 1 || step > (vertical ? w : h)) return host::kErrRange;
    if (int64_t(x) + w > s.width || int64_t(y) + h > s.height) return host::kErrRange;
    const size_t bpp = size_t(s.bpp);
    const uint8_t pixel[3] = {uint8_t(s.color >> 16), uint8_t(s.color >> 8), uint8_t(s.color)};
    const uint8_t byte = uint8_t(index);
    const uint8_t* value = s.palette_mode() ? &byte : pixel;
    if (!vertical || step == 1) {
        // Whole rows of the area: every step-th one, or (vertical lines a column apart) all.
        // One row made, then copied; without the memory for it, each row is made in place.
        const size_t bytes = size_t(w) * bpp;
        const host::Buffer<uint8_t> line = host::allocate<uint8_t>(bytes);
        const int32_t row_step = vertical ? 1 : step;
        if (line)
            for (size_t i = 0; i < bytes; i += bpp) std::memcpy(&line[i], value, bpp);
        for (int32_t row = y + ((h - 1) / row_step) * row_step; row >= y; row -= row_step) {
            uint8_t* p = s.at(x, row);
            if (line) std::memcpy(p, line.get(), bytes);
            else
                for (size_t i = 0; i < bytes; i += bpp) std::memcpy(p + i, value, bpp);
        }
        return 0;
    }
    if (s.palette_mode()) rule_columns<1>(s, x, y, w, h, step, value);
    else rule_columns<3>(s, x, y, w, h, step, value);
    return 0;
}

}  // namespace qv::draw

// place_png (see place.h). A row at a time: the visible columns of a picture row are turned
// into 8-bit red, green, blue, alpha (or indexes), then written over the screen's row in the
// mode's way. An opaque 8-bit RGB picture, a photograph's usual form, skips the conversion.
#include "png/place.h"

#include <algorithm>

namespace qv::png {

namespace {

void write_rgb(const uint8_t* rgb, uint32_t n, uint8_t* dst) {
    for (uint32_t i = 0; i < n; ++i, rgb += 3, dst += 3) dst[0] = rgb[2], dst[1] = rgb[1], dst[2] = rgb[0];
}

}  // namespace

bool fits(const Picture& p, const Screen& s, int32_t mode) {
    return !s.palette_mode() || (p.header.colour == kPalette && mode != kAlphaGrey);
}

host::Buffer<uint8_t> row_buffer(const Picture& p, const Screen& s, int32_t x) {
    return host::allocate<uint8_t>(uint64_t(std::min<uint32_t>(p.header.width, uint32_t(s.width - x))) * 4);
}

void place_png(const Picture& p, const Screen& s, int32_t x, int32_t y, int32_t mode, uint8_t* line) {
    const Header& h = p.header;
    const uint32_t w = std::min<uint32_t>(h.width, uint32_t(s.width - x));
    const uint32_t rows = std::min<uint32_t>(h.height, uint32_t(s.height - y));
    const bool opaque_rgb = h.colour == kRgb && h.depth == 8 && !p.keyed;
    if (opaque_rgb && mode != kAlphaGrey) {
        for (uint32_t r = 0; r < rows; ++r) write_rgb(p.row(r), w, s.at(x, y + int32_t(r)));
        return;
    }
    for (uint32_t r = 0; r < rows; ++r) {
        uint8_t* dst = s.at(x, y + int32_t(r));
        if (!s.palette_mode()) {
            row_to_rgba(p, p.row(r), 0, w, line);
            write_rgba(line, w, dst, mode);
            continue;
        }
        row_to_indexes(p, p.row(r), 0, w, line);
        for (uint32_t i = 0; i < w; ++i)
            if (mode == kCopy || p.palette[line[i]][3] >= 128) dst[i] = line[i];
    }
}

}  // namespace qv::png

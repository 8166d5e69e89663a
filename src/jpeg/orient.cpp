// Placing a picture by its EXIF orientation (see orient.h). Each shown pixel (X, Y) is read
// from the stored picture at a place that moves by a fixed step along a shown row; turned
// pictures are walked in square tiles, so that the stored picture is read a few rows at a
// time rather than a whole column at a time.
#include "jpeg/orient.h"

#include <algorithm>
#include <cstring>

namespace qv::jpeg {

namespace {

constexpr int32_t kTile = 64;

bool turned(int32_t orientation) { return orientation >= 5 && orientation <= 8; }

}  // namespace

void oriented_size(int32_t orientation, int32_t& w, int32_t& h) {
    if (turned(orientation)) std::swap(w, h);
}

void place_oriented(const uint8_t* pixels, size_t stride, int32_t w, int32_t h, int32_t orientation,
                    const JpegTarget& to) {
    if (orientation < 1 || orientation > 8) orientation = 1;
    int32_t shown_w = w, shown_h = h;
    oriented_size(orientation, shown_w, shown_h);
    const int32_t cw = std::min(shown_w, to.width), ch = std::min(shown_h, to.height);
    if (cw < 1 || ch < 1 || !to.first_row) return;
    const auto target = [&](int32_t X, int32_t Y) { return to.first_row - size_t(Y) * to.stride + size_t(X) * 3; };
    // Shown (X, Y) reads stored (x0 + X * dx_x + Y * dx_y, y0 + X * dy_x + Y * dy_y).
    int32_t x0 = 0, y0 = 0, dx_x = 1, dx_y = 0, dy_x = 0, dy_y = 1;
    switch (orientation) {
        case 2: x0 = w - 1, dx_x = -1; break;
        case 3: x0 = w - 1, y0 = h - 1, dx_x = -1, dy_y = -1; break;
        case 4: y0 = h - 1, dy_y = -1; break;
        case 5: dx_x = 0, dx_y = 1, dy_x = 1, dy_y = 0; break;
        case 6: y0 = h - 1, dx_x = 0, dx_y = 1, dy_x = -1, dy_y = 0; break;
        case 7: x0 = w - 1, y0 = h - 1, dx_x = 0, dx_y = -1, dy_x = -1, dy_y = 0; break;
        case 8: x0 = w - 1, dx_x = 0, dx_y = -1, dy_x = 1, dy_y = 0; break;
        default: break;
    }
    const auto source = [&](int32_t X, int32_t Y) {
        return pixels + size_t(y0 + X * dy_x + Y * dy_y) * stride + size_t(x0 + X * dx_x + Y * dx_y) * 3;
    };
    if (!turned(orientation)) {
        for (int32_t Y = 0; Y < ch; ++Y) {
            uint8_t* out = target(0, Y);
            if (dx_x == 1) {
                std::memcpy(out, source(0, Y), size_t(cw) * 3);
                continue;
            }
            const uint8_t* from = source(0, Y);
            for (int32_t X = 0; X < cw; ++X, out += 3, from -= 3) std::memcpy(out, from, 3);
        }
        return;
    }
    for (int32_t ty = 0; ty < ch; ty += kTile)
        for (int32_t tx = 0; tx < cw; tx += kTile)
            for (int32_t Y = ty; Y < std::min(ch, ty + kTile); ++Y) {
                uint8_t* out = target(tx, Y);
                for (int32_t X = tx; X < std::min(cw, tx + kTile); ++X, out += 3) std::memcpy(out, source(X, Y), 3);
            }
}

}  // namespace qv::jpeg

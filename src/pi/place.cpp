// PlacePi (see place.h).
#include "pi/place.h"

#include <cstdlib>

#include "host/area.h"

namespace qv::pi {

namespace {

Point origin(const Screen& screen, bool at_cursor) { return at_cursor ? position_inside(screen) : Point{}; }

}  // namespace

int32_t placed_rows(const Screen& screen, bool at_cursor, int32_t height) {
    Point o = origin(screen, at_cursor);
    return int64_t(o.y) + height > screen.height ? screen.height - o.y : height;
}

void PlacePi(const Screen& screen, bool at_cursor, const uint8_t* indexes, int32_t width, int32_t height,
             const uint8_t* palette, int32_t transparent) {
    const auto [x, y] = origin(screen, at_cursor);
    const int32_t w = int64_t(x) + width > screen.width ? screen.width - x : width;
    const int32_t h = int64_t(y) + height > screen.height ? screen.height - y : height;
    if (w <= 0 || h <= 0) return;

    bool hidden[256] = {};
    bool any_hidden = false;
    if (transparent >= 0 && transparent <= 255) {
        hidden[transparent] = any_hidden = true;
    } else if (transparent >= 256 && transparent <= 384) {
        const int32_t t = transparent - 256;
        const int32_t r = screen.color & 0xFF, g = (screen.color >> 8) & 0xFF, b = (screen.color >> 16) & 0xFF;
        for (int i = 0; i < 256; ++i) {
            const uint8_t* p = palette + 3 * i;
            hidden[i] = std::abs(p[0] - r) <= t && std::abs(p[1] - g) <= t && std::abs(p[2] - b) <= t;
            any_hidden |= hidden[i];
        }
    }

    for (int32_t row = 0; row < h; ++row) {
        const uint8_t* src = indexes + size_t(row) * size_t(width);
        uint8_t* dst = screen.at(x, y + row);
        if (screen.palette_mode()) {
            for (int32_t c = 0; c < w; ++c)
                if (!any_hidden || !hidden[src[c]]) dst[c] = src[c];
        } else {
            for (int32_t c = 0; c < w; ++c, dst += 3) {
                const uint8_t k = src[c];
                if (any_hidden && hidden[k]) continue;
                dst[0] = palette[3 * k + 2];
                dst[1] = palette[3 * k + 1];
                dst[2] = palette[3 * k];
            }
        }
    }
}

}  // namespace qv::pi

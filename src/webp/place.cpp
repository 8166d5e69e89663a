// place_webp (see place.h). The decoder writes the screen's own byte order, so an opaque
// picture's rows go in as they are, one copy each.
#include "webp/place.h"

#include <algorithm>
#include <cstring>

#include "png/place.h"

namespace qv::webp {

namespace {

using png::over;

void place_row(const uint8_t* bgra, uint32_t n, uint8_t* dst, int32_t mode) {
    switch (mode) {
        case png::kComposite:
            for (uint32_t i = 0; i < n; ++i, bgra += 4, dst += 3) {
                const uint32_t a = bgra[3];
                if (a == 255) {
                    dst[0] = bgra[0], dst[1] = bgra[1], dst[2] = bgra[2];
                } else if (a) {
                    dst[0] = over(bgra[0], dst[0], a);
                    dst[1] = over(bgra[1], dst[1], a);
                    dst[2] = over(bgra[2], dst[2], a);
                }
            }
            break;
        case png::kCopy:
            for (uint32_t i = 0; i < n; ++i, bgra += 4, dst += 3) dst[0] = bgra[0], dst[1] = bgra[1], dst[2] = bgra[2];
            break;
        case png::kThreshold:
            for (uint32_t i = 0; i < n; ++i, bgra += 4, dst += 3)
                if (bgra[3] >= 128) dst[0] = bgra[0], dst[1] = bgra[1], dst[2] = bgra[2];
            break;
        default:
            for (uint32_t i = 0; i < n; ++i, bgra += 4, dst += 3) dst[0] = dst[1] = dst[2] = bgra[3];
            break;
    }
}

}  // namespace

void place_webp(const Picture& p, const Screen& s, int32_t x, int32_t y, int32_t mode) {
    const uint32_t w = std::min<uint32_t>(p.info.width, uint32_t(s.width - x));
    const uint32_t rows = std::min<uint32_t>(p.info.height, uint32_t(s.height - y));
    for (uint32_t r = 0; r < rows; ++r) {
        uint8_t* dst = s.at(x, y + int32_t(r));
        if (p.bpp == 4)
            place_row(p.row(r), w, dst, mode);
        else if (mode == png::kAlphaGrey)
            std::memset(dst, 255, size_t(w) * 3);
        else
            std::memcpy(dst, p.row(r), size_t(w) * 3);
    }
}

}  // namespace qv::webp

// write_rgba (see modes.h).
#include "png/modes.h"

namespace qv::png {

void write_rgba(const uint8_t* rgba, uint32_t n, uint8_t* dst, int32_t mode) {
    switch (mode) {
        case kComposite:
            for (uint32_t i = 0; i < n; ++i, rgba += 4, dst += 3) {
                const uint32_t a = rgba[3];
                if (a == 255) {
                    dst[0] = rgba[2], dst[1] = rgba[1], dst[2] = rgba[0];
                } else if (a) {
                    dst[0] = over(rgba[2], dst[0], a);
                    dst[1] = over(rgba[1], dst[1], a);
                    dst[2] = over(rgba[0], dst[2], a);
                }
            }
            break;
        case kCopy:
            for (uint32_t i = 0; i < n; ++i, rgba += 4, dst += 3) dst[0] = rgba[2], dst[1] = rgba[1], dst[2] = rgba[0];
            break;
        case kThreshold:
            for (uint32_t i = 0; i < n; ++i, rgba += 4, dst += 3)
                if (rgba[3] >= 128) dst[0] = rgba[2], dst[1] = rgba[1], dst[2] = rgba[0];
            break;
        default:
            for (uint32_t i = 0; i < n; ++i, rgba += 4, dst += 3) dst[0] = dst[1] = dst[2] = rgba[3];
            break;
    }
}

}  // namespace qv::png

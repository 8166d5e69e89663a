// picture_from_dib32 (see dib32.h).
#include "png/dib32.h"

namespace qv::png {

int32_t picture_from_dib32(const clip::Dib& dib, Picture& p) {
    const uint32_t width = uint32_t(dib.width), rows = uint32_t(dib.height);
    const uint64_t bytes = uint64_t(width) * rows * 4;
    p.samples = host::allocate<uint8_t>(bytes);
    if (!p.samples) return kNoMemory;
    p.header = {width, rows, 8, kRgba, false};
    p.row_bytes = p.stride = size_t(width) * 4;
    p.first = 0;
    p.has_alpha = true;
    bool any_alpha = false;
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* from = dib.row(int32_t(y));
        uint8_t* to = p.samples.get() + size_t(y) * p.stride;
        for (uint32_t x = 0; x < width; ++x, from += 4, to += 4) {
            to[0] = from[2], to[1] = from[1], to[2] = from[0], to[3] = from[3];
            any_alpha |= from[3] != 0;
        }
    }
    if (!any_alpha) {
        for (uint64_t i = 3; i < bytes; i += 4) p.samples[size_t(i)] = 255;
        p.has_alpha = false;
    }
    return kDone;
}

}  // namespace qv::png

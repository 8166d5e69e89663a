// read_dib32 (see dib32.h).
#include "png/dib32.h"

#include <cstring>

namespace qv::png {

namespace {

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;

}  // namespace

int32_t read_dib32(const uint8_t* b, size_t size, Picture& p) {
    if (size < 40) return kBadStream;
    const uint32_t header = le32(b);
    if (header < 40 || header > size) return kBadStream;
    const int32_t width = int32_t(le32(b + 4)), height = int32_t(le32(b + 8));
    const uint16_t bits = uint16_t(b[14] | b[15] << 8);
    if (bits != 32) return kOtherDepth;
    const uint32_t compression = le32(b + 16), used = le32(b + 32);
    if (width <= 0 || height == 0 || height == INT32_MIN) return kBadStream;
    uint64_t offset = header;
    if (compression == kBiBitfields) {
        // The masks are in a V4 or V5 header, or in three words after a 40-byte one.
        const uint8_t* masks = b + 40;
        if (header == 40) {
            if (size < 52) return kBadStream;
            offset += 12;
        } else if (header < 52) {
            return kBadStream;
        }
        if (le32(masks) != 0xFF0000 || le32(masks + 4) != 0xFF00 || le32(masks + 8) != 0xFF) return kBadStream;
    } else if (compression != kBiRgb) {
        return kBadStream;
    }
    offset += uint64_t(used) * 4;  // a colour table a 32-bit bitmap need not have
    const uint32_t rows = uint32_t(height < 0 ? -int64_t(height) : height);
    if (uint32_t(width) > kMaxSide || rows > kMaxSide) return kTooLarge;
    const uint64_t bytes = uint64_t(width) * rows * 4;
    if (bytes > kMaxSampleBytes) return kTooLarge;
    if (offset + bytes > size) return kBadStream;

    p.samples = host::allocate<uint8_t>(bytes);
    if (!p.samples) return kNoMemory;
    p.header = {uint32_t(width), rows, 8, kRgba, false};
    p.row_bytes = p.stride = size_t(width) * 4;
    p.first = 0;
    p.has_alpha = true;
    const uint8_t* bits_start = b + offset;
    bool any_alpha = false;
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* from = bits_start + size_t(height < 0 ? y : rows - 1 - y) * p.row_bytes;
        uint8_t* to = p.samples.get() + size_t(y) * p.stride;
        for (int32_t x = 0; x < width; ++x, from += 4, to += 4) {
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

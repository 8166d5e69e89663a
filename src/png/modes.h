// The transparency modes of the picture loaders (PNG and WebP): what a pixel's alpha does to
// the screen's pixel under it.
#pragma once

#include <cstdint>

namespace qv::png {

enum Mode : int32_t {
    kComposite = 0,  // each pixel over the screen's by its alpha
    kCopy = 1,       // the colours, alpha ignored
    kThreshold = 2,  // only the pixels whose alpha is 128 or more
    kAlphaGrey = 3,  // the alpha as a grey level (full-colour screens only)
};

// Writes n pixels of red, green, blue, alpha over a full-colour screen's row in `mode`'s way:
// the last step of every loader that takes a mode.
void write_rgba(const uint8_t* rgba, uint32_t n, uint8_t* dst, int32_t mode);

// (a x src + (255 - a) x dst + 127) / 255: a sprite's pixel over the screen's.
constexpr uint8_t over(uint32_t src, uint32_t dst, uint32_t a) { return uint8_t((a * src + (255 - a) * dst + 127) / 255); }

}  // namespace qv::png

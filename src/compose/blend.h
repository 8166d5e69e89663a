// Pixel work between screens: keyed copy and alpha blend, weighted merge, shading,
// difference, and bitwise operations with a constant. The destination's pixels are
// overwritten; the other screens are read only. Rectangles are checked by the callers.
#pragma once

#include <cstdint>

#include "host/area.h"
#include "host/views.h"

namespace qv::compose {

// Key byte: a palette screen's index, or a full-colour pixel's first (blue) byte.
inline uint8_t key_byte(const Screen& s, int32_t x, int32_t y) { return s.at(x, y)[0]; }

// blend false: the source where the key byte is 0; true: ((255 - a) src + a dst) / 255.
void copy_through_key(const Screen& dst, Point d, const Screen& src, Point s, const Screen& key, Point k, int32_t w,
                      int32_t h, bool blend);

// (src x src_weight + dst x dst_weight) / 1024, truncating, clamped.
void merge(const Screen& dst, Point d, const Screen& src, Point s, int32_t w, int32_t h, int32_t dst_weight,
           int32_t src_weight);

// d = ((s - 128) strength) / 64 added to every component, s the table screen's key byte;
// 127 and 128 change nothing.
void shade(const Screen& dst, Point d, const Screen& src, Point s, int32_t w, int32_t h, int32_t strength);

// factor x source - destination, clamped.
void difference(const Screen& dst, Point d, const Screen& src, Point s, int32_t w, int32_t h, int32_t factor);

enum class BitOp { And, Or, Xor };

// Every selected component (bit 0 blue, 1 green, 2 red; a palette screen: its index)
// combined with value.
void bitwise(const Screen& dst, Point d, int32_t w, int32_t h, uint8_t value, int32_t channels, BitOp op);

}  // namespace qv::compose

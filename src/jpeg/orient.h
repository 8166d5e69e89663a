// A decoded picture placed as its EXIF orientation says it is to be shown: mirrored and
// turned by quarter turns (1 as stored, 2 mirrored, 3 turned half round, 4 flipped upside
// down, 5 mirrored and turned a quarter anticlockwise, 6 turned a quarter clockwise, 7
// mirrored and turned a quarter clockwise, 8 turned a quarter anticlockwise). Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "jpeg/decode.h"

namespace qv::jpeg {

// The size a w x h picture shows at: its sides swapped for orientations 5 to 8.
void oriented_size(int32_t orientation, int32_t& w, int32_t& h);

// Places a w x h picture (3 bytes a pixel, its top row first, rows `stride` bytes apart) into
// the target as `orientation` (1 to 8; any other as 1) shows it, cut at the target's room.
void place_oriented(const uint8_t* pixels, size_t stride, int32_t w, int32_t h, int32_t orientation,
                    const JpegTarget& to);

}  // namespace qv::jpeg

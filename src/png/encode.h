// Writing a screen's area as a PNG stream in memory: a palette screen as an 8-bit indexed
// picture with its colour table, a full-colour screen as 8-bit RGB.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/area.h"
#include "host/memory.h"
#include "host/views.h"

namespace qv::png {

struct EncodeSettings {
    int32_t level = 6;         // 0 (stored) to 9
    bool interlaced = false;   // Adam7
};

struct Encoded {
    host::Buffer<uint8_t> bytes;
    size_t size = 0;
};

// Encodes the area `r` (inside the screen, not empty). False when memory is refused.
bool encode_png(const Screen& screen, Rect r, const EncodeSettings& settings, Encoded& out);

}  // namespace qv::png

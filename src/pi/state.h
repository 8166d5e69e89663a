// The Pi subsystem's process-wide state: what the last header read found, the registered
// memory source and the transparent colour. Kept from one command to the next.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace qv::pi {

// What a header read yields besides the size (which goes where the caller says).
struct PiFormat {
    int32_t colour_count = 0;   // 16 or 256; 0 while a read is under way
    uint8_t palette[768] = {};  // 256 entries of red, green, blue
    uint32_t data_offset = 0;   // where the compressed stream starts
};

struct Settings {
    int32_t pi_width = 0, pi_height = 0;
    PiFormat format;
    host::PVAL* memory_source = nullptr;
    int32_t transparent = -1;   // -1 none; 0..255 an index; 256..384 a tolerance around `color`
};

extern Settings settings;

}  // namespace qv::pi

// The Pi decoder: turns the compressed pixel stream into palette indexes, one byte a
// pixel. The data comes from a file, read in blocks of 64 KiB into one reused buffer, or
// from the memory source, read in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "host/memory.h"

namespace qv::pi {

// The decoded picture: width x height indexes, row by row from the top, with the prefix
// area before them (the start colours, so that copies from above the first row need no
// special case) and slack after them (for a last pair that runs past the picture).
struct IndexBuffer {
    host::Buffer<uint8_t> bytes;
    size_t prefix = 0;  // 4 x width
    const uint8_t* pixels() const { return bytes.get() + prefix; }
};

struct PiShape {
    int32_t width, height, colour_count;
    uint32_t data_offset;
    // Rows to decode (at most height): a load needs only the rows that reach the screen,
    // and decoding stops after them.
    int32_t rows_needed;
};

// Memory mode when `path` is null. Returns 0 (also when the stream ends early or turns
// corrupt after its two start colours: the indexes not reached are 0), -1 when the file
// cannot be opened or no memory is given, -2 when the first block cannot be read or is
// empty, a start colour is invalid, or the rows needed are too many to hold (over 256 MiB
// of indexes).
int32_t DecodePi(const char* path, const uint8_t* memory, size_t memory_size, const PiShape& shape,
                 IndexBuffer& out);

}  // namespace qv::pi

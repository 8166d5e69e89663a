// The Pi header reader: checks that a block of data is a Pi picture and takes its size,
// colour count, palette and where the compressed pixels begin.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pi/state.h"

namespace qv::pi {

// The header window: the first block of a file, or the start of the memory source.
constexpr size_t kBlockSize = 65536;

// Reads the header from a window of `size` bytes. Sets width and height to -1 first; on
// success sets them and `format` and returns 0. Returns -1 when the data is not a Pi
// picture or its header does not fit the window; the fields written so far stay.
int32_t parse_pi_header(const uint8_t* window, size_t size, PiFormat& format, int32_t& width, int32_t& height);

// The file form: reads the first block of the file and parses it. -2 when the file cannot
// be opened or read.
int32_t read_pi_header_file(const char* path, PiFormat& format, int32_t& width, int32_t& height);

}  // namespace qv::pi

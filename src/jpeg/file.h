// The input of a decode, a probe or a comment read: a file opened at a byte offset
// (host/file.h), or bytes in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include "host/file.h"

namespace qv::jpeg {

using host::File;
using host::OpenResult;

// An open file, or else `size` bytes at `bytes`.
struct Input {
    std::FILE* file = nullptr;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

// Gives libjpeg its source manager for the input. Call it after the jump target is set:
// libjpeg refuses an empty memory input with a fatal error.
void attach_input(j_decompress_ptr cinfo, const Input& in);

}  // namespace qv::jpeg

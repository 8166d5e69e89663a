// Where GetCmdLine's argument part begins in a command line.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::system {

// The offset of the arguments in `text` (n bytes): after the first space, or after the
// space that follows a quoted program name; 0 (the whole line) for mode 0 and whenever
// there is no such space or nothing after it. With any of bits 4 to 7 of `mode`, a leading
// "obj " followed by more is passed over too.
size_t argument_start(const char* text, size_t n, int32_t mode);

}  // namespace qv::system

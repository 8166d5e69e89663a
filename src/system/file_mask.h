// The file-type filter of the open and save dialogs, built from a script's string array of
// descriptions and patterns in turns.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::system {

constexpr size_t kMaskBytes = 4128;

// Appends `count` strings (each at most `width` bytes of `strings`, ending at its first zero)
// to `out`, each followed by a separator, and two more at the end; then every byte below 8
// becomes zero, which makes the separators the zeros of a filter. False, with `out` as it
// was, when the text would not fit the 4128 bytes.
bool build_filter(const char* strings, size_t width, size_t count, char (&out)[kMaskBytes]);

}  // namespace qv::system

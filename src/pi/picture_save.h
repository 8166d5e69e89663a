// Saving a screen's picture: a FAL pair (raw red-green-blue pixels of the copy area and a
// small text header beside them) or a Windows bitmap of the whole screen.
#pragma once

#include <cstdint>

#include "host/views.h"

namespace qv::pi {

// format 1: the FAL pair (kind 1: ".fal" header, else ".ipr"); otherwise a bitmap (8-bit
// for a palette screen with kind 1, else 24-bit). Returns 0, or the step that failed:
// -2 the file cannot be created; bitmap -3 file header, -4 information header, -5 colour
// table, -6 pixels; FAL -6 pixels, -7 the header file cannot be created, -8 its text.
int32_t save_picture(const Screen& screen, const char* file_name, int32_t kind, int32_t format);

// The FAL header's name: the pixel file's name (its first 4096 bytes) with the extension of
// its last path component replaced by `extension` (three letters), or with ".extension"
// appended when it has none. In place: a name needs no memory that could be refused.
struct HeaderName {
    char text[4096 + 5];
};
HeaderName header_file_name(const char* file_name, const char* extension);

}  // namespace qv::pi

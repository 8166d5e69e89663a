// Encoding a rectangle of a full-colour screen as a JFIF file through libjpeg.
#pragma once

#include <cstdint>

#include "host/views.h"
#include "jpeg/settings.h"

namespace qv::jpeg {

// Saves the region of `width` x `height` pixels at the screen's current position (clamped
// as for decoding, cut at the right and bottom edges) with the encoder settings; consumes
// the comment once it is written. Returns 0, 1 (file not creatable) or 2 (libjpeg fatal
// error, such as an empty region; the half-written file is removed).
int32_t encode_region(const Screen& screen, const char* path, int32_t width, int32_t height,
                      EncoderSettings& settings);

}  // namespace qv::jpeg

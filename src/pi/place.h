// Putting a decoded Pi picture into a screen: at the origin or the current position,
// clipped, as indexes in a palette screen or as colours in a full-colour one, leaving the
// transparent pixels as the screen had them.
#pragma once

#include <cstdint>

#include "host/views.h"

namespace qv::pi {

// The picture rows that land in the screen (the rows below them are never seen).
int32_t placed_rows(const Screen& screen, bool at_cursor, int32_t height);

// transparent: -1 (or any value outside the ranges) none; 0..255 an index not drawn;
// 256..384 every palette entry within (transparent - 256) of the screen's colour on each
// channel is not drawn.
void PlacePi(const Screen& screen, bool at_cursor, const uint8_t* indexes, int32_t width, int32_t height,
             const uint8_t* palette, int32_t transparent);

}  // namespace qv::pi

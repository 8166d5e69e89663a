// Putting a decoded WebP picture into a full-colour screen, its transparency applied by the
// PNG loaders' modes (png/modes.h).
#pragma once

#include <cstdint>

#include "host/views.h"
#include "webp/read.h"

namespace qv::webp {

// Places the picture with its top-left pixel at (x, y), which must lie in the screen; rows
// and columns past the right and bottom edges are skipped. A 3-byte picture is opaque: its
// alpha, for mode 3, is 255.
void place_webp(const Picture& picture, const Screen& screen, int32_t x, int32_t y, int32_t mode);

}  // namespace qv::webp

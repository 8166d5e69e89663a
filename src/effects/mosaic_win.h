// The mosaic of a palette-mode screen, through the screen's device context: colours are
// read with GetPixel and the cell's average is stored with SetPixel, so that GDI chooses
// the palette index.
#pragma once

#include <cstdint>

#include "host/records.h"
#include "host/views.h"

namespace qv::effects {

void mosaic_through_dc(const host::BMSCR& record, const Screen& s, int32_t x, int32_t y, int32_t cols, int32_t rows,
                       int32_t cw, int32_t ch);

}  // namespace qv::effects

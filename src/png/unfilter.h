// Undoing PNG's row filters (None, Sub, Up, Average, Paeth) in place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::png {

// `row` holds `n` filtered bytes; `previous` is the row above, unfiltered (null for the
// first row of an image or pass, which then counts as zeros). pixel_bytes: 1 to 8.
void unfilter_row(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t n, int pixel_bytes);

}  // namespace qv::png

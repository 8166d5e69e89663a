// The sine table that rotation, arcs and the scaled trigonometry share: 360 entries in
// units of 1/4096, entry i = the integer part of sin(i degrees) x 4096 + 0.5 for i < 180
// and the negation of entry i - 180 above. Built on first use, then kept.
#pragma once

#include <cstdint>

namespace qv::host {

const int16_t* sine_table();

// sin and cos of whole degrees (any int), in 1/4096.
inline int32_t sine(int32_t degrees) {
    int32_t a = degrees % 360;
    return sine_table()[a < 0 ? a + 360 : a];
}
inline int32_t cosine(int32_t degrees) { return sine(degrees % 360 + 90); }

}  // namespace qv::host

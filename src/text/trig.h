// Scaled trigonometry, line angles and square roots, delivered as integers.
#pragma once

#include <cstdint>

namespace qv::text {

// func: 1 cosine, 2 tangent, else sine, of whole degrees from the shared table (no floating
// point). The scaled value rounds half away from zero on both sides, so that the function
// stays odd: sine of -90 is -scale. A tangent of a right angle is +-2147483647.
int32_t tri_func(int32_t func, int32_t degrees, int32_t scale);

// The rounding of the double-precision commands: 0.5 away from zero by the sign of `sign_of`,
// truncated, and held to the 32-bit range.
int32_t round_by_sign(double value, double sign_of);

}  // namespace qv::text

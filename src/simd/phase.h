// Screen pixels are three bytes; 48 bytes hold 16 whole pixels. Settings repeated every 48
// bytes therefore line up with the components of a row's bytes, and a loop over a row's
// bytes in steps of 48 runs on whole vectors of 16 or 32 bytes.
#pragma once

#include <cstdint>

namespace qv::simd {

// is[c][k]: all ones where byte k of 48 is component c of its pixel (k % 3 == c), else 0.
struct PhaseMasks {
    uint8_t is[3][48];
};

inline constexpr PhaseMasks phase_masks = [] {
    PhaseMasks m{};
    for (int k = 0; k < 48; ++k) m.is[k % 3][k] = 0xFF;
    return m;
}();

}  // namespace qv::simd

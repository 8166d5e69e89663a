// Screen pixels are three bytes; 96 bytes hold 32 whole pixels. Settings repeated every 96
// bytes therefore line up with the components of a row's bytes, and a loop over a row's
// bytes in steps of 96 runs on whole vectors of 16 or 32 bytes (six or three of them).
#pragma once

#include <cstdint>

namespace qv::simd {

constexpr int kPatternBytes = 96;

// is[c][k]: all ones where byte k of the pattern is component c of its pixel (k % 3 == c),
// else 0.
struct PhaseMasks {
    uint8_t is[3][kPatternBytes];
};

inline constexpr PhaseMasks phase_masks = [] {
    PhaseMasks m{};
    for (int k = 0; k < kPatternBytes; ++k) m.is[k % 3][k] = 0xFF;
    return m;
}();

}  // namespace qv::simd

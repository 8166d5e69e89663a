// The effects' process-wide settings, set by their setting commands and kept from call to
// call.
#pragma once

#include <cstdint>

#include "effects/colour_models.h"

namespace qv::effects {

struct Settings {
    Rgb match_colour{0, 0, 0};
    Rgb other_colour{0, 0, 0};
    int32_t change_mode = 0;
    Rgb mix_colour{0, 0, 0};
    int32_t mix_ratio = 50;
    int32_t conv_matrix[49] = {};
    int32_t conv_divisor = 0;
    bool conv_ready = false;
    int32_t median_mode = 0;
    int32_t median_fill = -255;
    int32_t cell_w = 4, cell_h = 4;
    int32_t last_r = 0, last_g = 0, last_b = 0;  // QPget's, for QPconv
};

extern Settings settings;

}  // namespace qv::effects

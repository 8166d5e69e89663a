// The drawing subsystem's process-wide settings: the pen, the hatch, the flood fill's border
// colour, the two registered point lists, the caption offset the regions and SetPolygon
// share, the regions' combine mode, and the palette screen and variable. Set by the setting
// commands, kept from call to call.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace qv::draw {

// A registered list of points: a script's integer variable, read in place whenever the list
// is drawn, and the number of points.
struct PointList {
    host::PVAL* var = nullptr;
    int32_t count = 0;
};

struct Settings {
    int32_t pen_width = 0;
    int32_t pen_style = 0;     // PS_SOLID .. PS_DASHDOTDOT
    int32_t hatch_style = 0;   // HS_HORIZONTAL
    uint32_t border_colour = 0;
    PointList polygon;
    PointList bezier;
    int32_t caption_offset = 0;
    int32_t combine_mode = 0;  // index into RGN_OR, RGN_AND, RGN_XOR, RGN_DIFF
    host::BMSCR* palette_screen = nullptr;
    host::PVAL* palette_var = nullptr;
};

extern Settings settings;

}  // namespace qv::draw

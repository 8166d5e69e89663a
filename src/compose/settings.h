// The compositing and geometry commands' process-wide settings, one struct for the
// subsystem; only its own command files read and write them.
#pragma once

#include <cstdint>

#include "compose/geometry.h"
#include "host/records.h"

namespace qv::compose {

// A screen and position that SetKeyScr or SetOrgScr remembered.
struct Remembered {
    host::BMSCR* screen = nullptr;
    int32_t x = 0, y = 0;
};

struct Settings {
    Remembered key, org;                          // GCopyKey's key and source screens
    int32_t dst_weight = 512, src_weight = 512;   // GMergeParam
    int32_t merge_x = 0, merge_y = 0;
    Rotation rotation;                            // GRotPos
    int32_t zoom_w = 0, zoom_h = 0;               // SGzoom's target size; 0: the source's
    int32_t resample_filter = 3;                  // ResampleParam: Lanczos-3 until set
};

extern Settings settings;

}  // namespace qv::compose

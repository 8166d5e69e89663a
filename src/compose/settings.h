// The geometry commands' process-wide settings.
#pragma once

#include <cstdint>

#include "compose/geometry.h"

namespace qv::compose {

struct GeometrySettings {
    Rotation rotation;
    int32_t zoom_w = 0, zoom_h = 0;  // SGzoom's target size; 0: the source's
};

extern GeometrySettings geometry;

}  // namespace qv::compose

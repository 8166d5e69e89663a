// The registered point lists as GDI takes them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "draw/settings.h"

namespace qv::draw {

struct Points {
    const POINT* data = nullptr;
    int32_t count = 0;
};

// The list's points in the variable as it is now: all of them, or as many whole points as
// the variable still holds when the script has made it smaller since; none when it is no
// longer an integer variable or nothing was registered.
Points points_of(const PointList& list);

}  // namespace qv::draw

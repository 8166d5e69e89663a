// The window measurements that the region, window and system commands share.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace qv::window {

// By `which`: 1 client height, 2 caption height, 3 frame width, 4 border width, 5 border +
// frame, 6 caption + 3, 7 caption + 6, 8 / 9 the window's x / y from its placement (the
// minimised or maximised position when it is shown so), 10 x + 3, 11 y + caption + 3,
// 12 / 13 the screen's width / height; any other value the client width.
int32_t WindowMetric(int32_t which, const host::BMSCR& screen);

}  // namespace qv::window

// The windows subsystem's process-wide state: the saved parent window (SetParentWnd), which
// the dialogs use as their owner too, and the foreground window GetForeWinPos saw last.
#pragma once

#include "host/records.h"

namespace qv::window {

struct Settings {
    host::Word saved_parent = 0;
    host::Word last_foreground = 0;
};

extern Settings settings;

}  // namespace qv::window

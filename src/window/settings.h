// The windows subsystem's process-wide state: the saved parent window (SetParentWnd), which
// the dialogs use as their owner too; the foreground window GetForeWinPos saw last; the
// controls' snapshot and change tables and the target control; the eight popup menus.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace qv::window {

constexpr int kObjects = 64;
constexpr int kPopupSlots = 8;
constexpr uint32_t kLiveMenu = 0xFF00;  // the state of a slot that holds a menu

struct PopupSlot {
    host::Word menu = 0;
    uint32_t state = 0;
};

struct Settings {
    host::Word saved_parent = 0;
    host::Word last_foreground = 0;
    host::Word snapshot[kObjects] = {};
    int32_t changes[kObjects] = {};
    host::Word target = 0;
    PopupSlot popups[kPopupSlots];
};

extern Settings settings;

}  // namespace qv::window

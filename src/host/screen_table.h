// The library's own table of screens, for the commands that combine a screen with a
// second one, and the copy_redraw flag of the frame-timed copy. Process-wide, zero at load.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace qv::host {

constexpr int32_t kSlots = 9;

struct Settings {
    BMSCR* screen_table[kSlots] = {};
    int32_t current_slot = 0;
    int32_t copy_redraw = 0;
};

extern Settings settings;

// screen_table[current_slot]; null when that slot was never filled.
inline BMSCR* current_table_screen() { return settings.screen_table[settings.current_slot]; }

// Whether the frame-timed copy redraws the screen it copied to (SetBMSCR's flag).
inline bool copy_redraws() { return settings.copy_redraw != 0; }

}  // namespace qv::host

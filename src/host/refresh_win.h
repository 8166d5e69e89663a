// The two shared routines that touch a screen's window and palette. Other subsystems
// refresh a window and replace a palette only through these.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace qv::host {

// Copies the screen's visible region to its window, when the screen's redraw flag is set.
// With the flag clear it makes no Win32 call at all.
void RedrawScreen(BMSCR& screen);

// Installs `count` colours (byte triplets red, green, blue) as the screen's palette: the
// colour table of a palette-mode buffer and a new logical palette selected into its DC,
// replacing (and deleting) the one installed before. count is clamped to 0..256. False, with
// the screen's palette and colour table as they were, when the system refuses the new
// logical palette.
bool InstallPalette(BMSCR& screen, int32_t count, const uint8_t* colours);

}  // namespace qv::host

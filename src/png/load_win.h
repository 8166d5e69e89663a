// Loading a PNG stream into a host screen, shared by the file, memory, archive and clipboard
// commands (DLL only: it reads the screen's record and installs palettes).
#pragma once

#include <cstdint>

#include "host/area.h"
#include "host/records.h"
#include "png/decode.h"

namespace qv::png {

// Decodes the whole stream, then places it with its top-left pixel at `at` (inside the
// screen) in `mode` (0 to 3, checked by the caller). A palette picture into a palette screen
// installs its palette first, all 256 entries: the picture's colours, then black, as an index
// past them reads in a full-colour screen. Everything that can fail comes before the first
// change, so on any failure the screen (its colours too) is as it was. Returns the command's
// result: 0, or a status for the script.
int32_t load_into(host::BMSCR& screen, Source& source, Point at, int32_t mode);

}  // namespace qv::png

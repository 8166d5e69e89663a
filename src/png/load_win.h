// Loading a PNG stream into a host screen, shared by the file, memory, archive and clipboard
// commands (DLL only: it reads the screen's record and installs palettes).
#pragma once

#include <cstdint>

#include "host/area.h"
#include "host/records.h"
#include "png/decode.h"

namespace qv::png {

constexpr int32_t kNoPalette = 4;  // the system refused a palette screen's new palette

// Decodes the whole stream, then places it with its top-left pixel at `at` (inside the
// screen) in `mode` (0 to 3, checked by the caller). A palette picture into a palette screen
// installs its palette first. On any failure the screen is as it was. Returns the command's
// result: 0, or a status for the script.
int32_t load_into(host::BMSCR& screen, Source& source, Point at, int32_t mode);

// The status a decoder result gives a script (no memory is the shared no-memory status).
int32_t result_of(int32_t status);

}  // namespace qv::png

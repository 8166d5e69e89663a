// The shortcut properties staged for the next CreateShortCut: the strings are the script's
// variables (their storage, used in place), the rest values; all empty at load.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace qv::system {

struct Shortcut {
    host::Word working_dir = 0;  // 0: not staged
    host::Word arguments = 0;
    host::Word icon_file = 0;
    int32_t icon_index = 0;
    uint16_t hotkey = 0;
    bool hotkey_staged = false;
    int32_t show = -1;           // -1: not set
};

struct Settings {
    Shortcut shortcut;
};

extern Settings settings;

}  // namespace qv::system

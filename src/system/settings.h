// The system subsystem's state: the shortcut properties staged for the next CreateShortCut
// (the strings are the script's variables, their storage read in place; all empty at load),
// and the file mask that serves the next open or save dialog.
#pragma once

#include <cstdint>

#include "host/records.h"
#include "system/file_mask.h"

namespace qv::system {

// The texts are the variables' records (null: not staged), read by CreateShortCut as they
// are then: the script may re-dimension a variable or overwrite its last byte in between.
struct Shortcut {
    host::PVAL* working_dir = nullptr;
    host::PVAL* arguments = nullptr;
    host::PVAL* icon_file = nullptr;
    int32_t icon_index = 0;
    uint16_t hotkey = 0;
    bool hotkey_staged = false;
    int32_t show = -1;           // -1: not set
};

struct Settings {
    Shortcut shortcut;
    bool mask_set = false;
    char mask[kMaskBytes] = {};
};

extern Settings settings;

}  // namespace qv::system

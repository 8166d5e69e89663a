// The dropped-files state: the window whose procedure the library replaced, that window's
// own procedure, and the latest drop not yet finished.
#pragma once

#include "host/records.h"

namespace qv::clip {

struct Settings {
    host::Word drop_window = 0;
    host::Word drop_old_proc = 0;
    bool drop_subclassed = false;
    host::Word pending_drop = 0;  // an HDROP
};

extern Settings settings;

// When the library is unloaded: finishes a pending drop and takes the library's procedure out
// of the drop window, so that no message to it reaches code that is gone.
void release_at_unload();

}  // namespace qv::clip

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
    host::Word drop_module = 0;   // the library's reference to itself while subclassed
};

extern Settings settings;

// When the library is unloaded: finishes a pending drop. (No window has the library's
// procedure then: while one has, the library holds a reference to itself.)
void release_at_unload();

}  // namespace qv::clip

// The saved parent window as an owner: the one rule for a saved window that has gone since.
#pragma once

#include <windows.h>

namespace qv::window {

// The saved parent window, or none when nothing is saved or the window no longer exists
// (the saved one is then forgotten).
HWND owner_window();

}  // namespace qv::window

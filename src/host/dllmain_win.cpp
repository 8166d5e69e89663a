// The library entry point. Nothing is set up at load: every setting starts as a
// zero-initialised global. When a host unloads the library and goes on running (FreeLibrary:
// `reserved` is null), whatever the library left in the host's windows, menus and timers goes
// with it: a window's procedure or a timer callback left behind would jump into code that is
// no longer there, and a popup menu would stay until the process ends. At process exit
// (`reserved` set) the process takes all of it.
#include <windows.h>

#include "clip/settings.h"
#include "command_decls.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && !reserved) {
        qv::clip::release_at_unload();
        qv::window::DestroyPopup(0, 0, 0, 0);
        qv::timing::MMCountOff(0, 0, 0, 0);
    }
    return TRUE;
}

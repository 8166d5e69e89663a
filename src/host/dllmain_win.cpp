// The library entry point. Nothing is set up at load: every setting starts as a
// zero-initialised global. When a host unloads the library and goes on running (FreeLibrary:
// `reserved` is null), whatever the library left in the host's windows, menus and timers goes
// with it: a timer callback left behind would jump into code that is no longer there (the
// timer is killed synchronously, so none is running when the stop returns), and a popup menu
// would stay until the process ends. A window procedure cannot always be taken back (the host
// may have put its own in front of it), so while the drop window has the library's, the
// library holds a reference to itself and is not unloaded at all. At process exit
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

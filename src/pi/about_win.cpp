// The Pi loader's about box.
#include <windows.h>

#include "command_decls.h"
#include "host/version.h"

namespace qv::pi {

int32_t PiDllAbout(int32_t, int32_t, int32_t, int32_t) {
    MessageBoxA(nullptr,
                "Quorvel " QV_JPEG_VERSION_TEXT ": Pi picture loader\n"
                "Loads 16- and 256-colour Pi pictures into full-colour and palette screens,\n"
                "from files or from script variables.\n"
                "The Pi format is the work of its original author; thanks to them.",
                "About the Pi loader", MB_ICONINFORMATION);
    return 0;
}

}  // namespace qv::pi

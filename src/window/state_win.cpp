// Show state, flashing, dragging and enabling of a screen's window (and of its controls).
#include <windows.h>

#include "command_decls.h"
#include "host/pointers.h"

namespace qv::window {

namespace {

HWND hwnd_of(const host::BMSCR* screen) { return host::handle<HWND>(screen->hwnd); }

int32_t show(const host::BMSCR* screen, int command) {
    ShowWindow(hwnd_of(screen), command);
    return 0;
}

}  // namespace

int32_t Iconic(host::BMSCR* screen, int32_t, int32_t, int32_t) { return IsIconic(hwnd_of(screen)) == 1 ? -1 : 0; }
int32_t Zoomed(host::BMSCR* screen, int32_t, int32_t, int32_t) { return IsZoomed(hwnd_of(screen)) == 1 ? -1 : 0; }
int32_t TobMinimize(host::BMSCR* screen, int32_t, int32_t, int32_t) { return show(screen, SW_MINIMIZE); }
int32_t TobMaximize(host::BMSCR* screen, int32_t, int32_t, int32_t) { return show(screen, SW_MAXIMIZE); }
int32_t TobRestore(host::BMSCR* screen, int32_t, int32_t, int32_t) { return show(screen, SW_RESTORE); }

int32_t FlashWin(host::BMSCR* screen, int32_t invert, int32_t, int32_t) {
    FlashWindow(hwnd_of(screen), invert != 0);
    return 0;
}

int32_t DragWin(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    // The system's move loop, as if the caption had been grabbed (SC_MOVE + HTCAPTION): it
    // returns when the mouse button is released.
    ReleaseCapture();
    SendMessageA(hwnd_of(screen), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return 0;
}

int32_t WinEnable(host::BMSCR* screen, int32_t index, int32_t mode, int32_t) {
    if (index > 64) return -1;
    const HWND target = (index >= 0 && index < 64) ? host::handle<HWND>(screen->objects[index]) : hwnd_of(screen);
    const BOOL enable = mode > 0 || (mode == 0 && IsWindowEnabled(target) != 1);
    EnableWindow(target, enable);
    return 0;
}

}  // namespace qv::window

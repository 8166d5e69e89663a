// PaintDesktopImage: the whole display copied into a screen's buffer, 1:1 from its top-left
// corner or scaled to the buffer, optionally with the desktop's wallpaper painted first.
#include <windows.h>

#include "command_decls.h"
#include "host/pointers.h"
#include "host/results.h"

namespace qv::window {

// Beyond every size the command reports otherwise.
constexpr int32_t kNothingCopied = host::status(0x7FFFFFFF);

int32_t PaintDesktopImage(host::BMSCR* screen, int32_t stretch, int32_t which, int32_t paint) {
    HDC display = GetDC(nullptr);
    const int32_t cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    const RECT all{0, 0, cx, cy};
    if (paint) PaintDesktop(display);
    else InvalidateRect(nullptr, &all, TRUE);
    const HDC hdc = host::handle<HDC>(screen->hdc);
    // A screen without pixels takes nothing (Wine's stretch would divide by its size).
    const bool copied = display && screen->width > 0 && screen->height > 0;
    if (copied) {
        if (stretch) StretchBlt(hdc, 0, 0, screen->width, screen->height, display, 0, 0, cx, cy, SRCCOPY);
        else BitBlt(hdc, 0, 0, screen->width, screen->height, display, 0, 0, SRCCOPY);
        GdiFlush();
    }
    if (display) ReleaseDC(nullptr, display);
    if (paint) InvalidateRect(nullptr, &all, TRUE);  // the windows paint over the wallpaper again
    if (!copied) return kNothingCopied;
    switch (which) {
        case 1: return host::status(screen->width);
        case 2: return host::status(screen->height);
        case 3: return host::status(cx);
        case 4: return host::status(cy);
        default: return 0;
    }
}

}  // namespace qv::window

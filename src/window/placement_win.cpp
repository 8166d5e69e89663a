// Where a screen's window is and how big, and where the mouse is over it: each command one
// Win32 call or a short sequence, with the host's argument conventions.
#include <windows.h>

#include "command_decls.h"
#include "host/area.h"
#include "host/pointers.h"
#include "host/results.h"
#include "window/metrics.h"

namespace qv::window {

namespace {

constexpr int32_t kOutsideClient = -268435455;  // status 0x0FFFFFFF

HWND hwnd_of(const host::BMSCR* screen) { return host::handle<HWND>(screen->hwnd); }

RECT window_rect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

// Moves the window to its current corner, or to the screen's position when `at_cursor`.
void place(const host::BMSCR* screen, int32_t w, int32_t h, int32_t at_cursor) {
    const RECT r = window_rect(hwnd_of(screen));
    MoveWindow(hwnd_of(screen), at_cursor ? screen->cursor_x : r.left, at_cursor ? screen->cursor_y : r.top, w, h, TRUE);
}

}  // namespace

int32_t GetWinRect(host::BMSCR* screen, int32_t which, int32_t, int32_t) {
    const RECT r = window_rect(hwnd_of(screen));
    // Negated whatever its sign: an edge left of or above the screen reads as an error number.
    switch (which) {
        case 1: return host::status(r.top);
        case 2: return host::status(r.right);
        case 3: return host::status(r.bottom);
        default: return host::status(r.left);
    }
}

int32_t SetWinPos(host::BMSCR* screen, int32_t x, int32_t y, int32_t) {
    const RECT r = window_rect(hwnd_of(screen));
    MoveWindow(hwnd_of(screen), x, y, r.right - r.left, r.bottom - r.top, TRUE);
    return 0;
}

int32_t SetWinSize2(host::BMSCR* screen, int32_t w, int32_t h, int32_t at_cursor) {
    if (w < 1 || h < 1) return host::kErrRange;
    place(screen, w, h, at_cursor);
    return 0;
}

int32_t SetWinSize(host::BMSCR* screen, int32_t w, int32_t h, int32_t at_cursor) {
    if (w < 1 || h < 1) {
        // From the client area as it is, within the buffer.
        RECT c{};
        GetClientRect(hwnd_of(screen), &c);
        w = c.right + 2 < screen->width ? c.right + 2 : screen->width;
        h = c.bottom + 4 < screen->height ? c.bottom + 4 : screen->height;
    }
    // The frame the host's windows are assumed to have: 3 a side, and the caption.
    place(screen, clamp_int32(int64_t(w) + 6), clamp_int32(int64_t(h) + WindowMetric(7, *screen)), at_cursor);
    return 0;
}

int32_t GetClientCurPos(host::BMSCR* screen, int32_t axis, int32_t, int32_t) {
    const HWND hwnd = hwnd_of(screen);
    POINT mouse{}, origin{0, 0};
    RECT c{};
    GetCursorPos(&mouse);
    GetClientRect(hwnd, &c);
    ClientToScreen(hwnd, &origin);
    const int64_t dx = int64_t(mouse.x) - origin.x, dy = int64_t(mouse.y) - origin.y;
    if (dx < 0 || dx >= c.right || dy < 0 || dy >= c.bottom) return kOutsideClient;
    return host::status(int32_t(axis == 1 ? dy : dx));
}

int32_t SetCursorClient(host::BMSCR* screen, int32_t x, int32_t y, int32_t) {
    POINT p{x, y};
    ClientToScreen(hwnd_of(screen), &p);
    SetCursorPos(p.x, p.y);
    return 0;
}

}  // namespace qv::window

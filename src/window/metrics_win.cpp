// WindowMetric (see metrics.h), from the system metrics, the client rectangle and the window
// placement. Only what the selector needs is asked for.
#include "window/metrics.h"

#include <windows.h>

#include "host/pointers.h"

namespace qv::window {

namespace {

POINT placed_corner(HWND hwnd) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd, &wp)) return {0, 0};
    if (wp.showCmd == SW_SHOWMINIMIZED) return wp.ptMinPosition;
    if (wp.showCmd == SW_SHOWMAXIMIZED) return wp.ptMaxPosition;
    return {wp.rcNormalPosition.left, wp.rcNormalPosition.top};
}

RECT client_rect(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

}  // namespace

int32_t WindowMetric(int32_t which, const host::BMSCR& screen) {
    const HWND hwnd = host::handle<HWND>(screen.hwnd);
    const int32_t caption = GetSystemMetrics(SM_CYCAPTION);
    switch (which) {
        case 1: return client_rect(hwnd).bottom;
        case 2: return caption;
        case 3: return GetSystemMetrics(SM_CXFRAME);
        case 4: return GetSystemMetrics(SM_CXBORDER);
        case 5: return GetSystemMetrics(SM_CXBORDER) + GetSystemMetrics(SM_CXFRAME);
        case 6: return caption + 3;
        case 7: return caption + 6;
        case 8: return placed_corner(hwnd).x;
        case 9: return placed_corner(hwnd).y;
        case 10: return placed_corner(hwnd).x + 3;
        case 11: return placed_corner(hwnd).y + caption + 3;
        case 12: return GetSystemMetrics(SM_CXSCREEN);
        case 13: return GetSystemMetrics(SM_CYSCREEN);
        default: return client_rect(hwnd).right;
    }
}

}  // namespace qv::window

// The geometry commands that go through GDI: the stretched copy onto the desktop, the
// refresh that removes it, and the frame-timed copy from the table screen.
#include <windows.h>
#include <mmsystem.h>

#include "command_decls.h"
#include "compose/settings.h"
#include "host/pointers.h"
#include "host/refresh_win.h"
#include "host/screen_table.h"
#include "timing/settings.h"
#include "host/results.h"

namespace qv::compose {

int32_t SGzoom(host::BMSCR* screen, int32_t x, int32_t y, int32_t) {
    const Screen s = host::screen_view(*screen);
    const int32_t sx = (s.cursor_x < 0 || s.cursor_x >= s.width) ? 0 : s.cursor_x;
    const int32_t sy = (s.cursor_y < 0 || s.cursor_y >= s.height) ? 0 : s.cursor_y;
    int32_t w = s.area_height == 0 ? s.width : s.area_width, h = s.area_height == 0 ? s.height : s.area_height;
    if (int64_t(sx) + w > s.width) w = s.width - sx;
    if (int64_t(sy) + h > s.height) h = s.height - sy;
    const int32_t tw = geometry.zoom_w ? geometry.zoom_w : w, th = geometry.zoom_h ? geometry.zoom_h : h;
    HDC desktop = GetDC(nullptr);
    if (!desktop) return 0;
    StretchBlt(desktop, x, y, tw, th, host::handle<HDC>(screen->hdc), sx, sy, w, h, SRCCOPY);
    ReleaseDC(nullptr, desktop);
    return 0;
}

int32_t ScrRefresh(int32_t, int32_t, int32_t, int32_t) {
    const RECT all{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    InvalidateRect(nullptr, &all, TRUE);
    return 0;
}

int32_t SleepGcopy(host::BMSCR* screen, int32_t wait, int32_t x, int32_t y) {
    const bool pump = wait < 0;
    const int64_t t = pump ? -int64_t(wait) : wait;
    host::BMSCR* table = host::current_table_screen();
    if (x < 0 || y < 0 || screen->cursor_x < 0 || screen->cursor_x >= screen->width || screen->cursor_y < 0 ||
        screen->cursor_y >= screen->height || t < 1 || !table)
        return host::kErrRange;
    while (int32_t(timeGetTime() - timing::settings.frame_time_base) < t) {
        if (pump) timing::pump_messages();
    }
    BitBlt(host::handle<HDC>(screen->hdc), screen->cursor_x, screen->cursor_y, screen->area_width,
           screen->area_height, host::handle<HDC>(table->hdc), x, y, SRCCOPY);
    if (host::settings.copy_redraw) host::RedrawScreen(*screen);
    if (pump) timing::pump_messages();
    // From the old base, not from now: a sequence of calls keeps a steady frame rate.
    timing::settings.frame_time_base += uint32_t(t);
    return 0;
}

}  // namespace qv::compose

// The geometry commands that go through GDI: the stretched copy onto the desktop, the
// refresh that removes it, and the frame-timed copy from the table screen.
#include <windows.h>

#include "command_decls.h"
#include "compose/settings.h"
#include "host/area.h"
#include "host/pointers.h"
#include "host/refresh_win.h"
#include "host/results.h"
#include "host/screen_table.h"
#include "timing/settings.h"

namespace qv::compose {

int32_t SGzoom(host::BMSCR* screen, int32_t x, int32_t y, int32_t) {
    const Screen s = host::screen_view(*screen);
    const Point from = position_inside(s);
    // Unlike the clipped area, a copy area of height 0 alone stands for the whole screen.
    int32_t w = s.area_height == 0 ? s.width : s.area_width, h = s.area_height == 0 ? s.height : s.area_height;
    cut_at_edges(s, from, w, h);
    const int32_t tw = settings.zoom_w ? settings.zoom_w : w, th = settings.zoom_h ? settings.zoom_h : h;
    // Nothing to draw from (a screen of width 0): Wine's stretch divides by the source's size.
    if (w < 1 || h < 1) return 0;
    HDC desktop = GetDC(nullptr);
    if (!desktop) return 0;
    StretchBlt(desktop, x, y, tw, th, host::handle<HDC>(screen->hdc), from.x, from.y, w, h, SRCCOPY);
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
    // |wait| in 32 bits: -2^31 has no positive counterpart and is refused with the rest below 1.
    const int32_t t = wait == INT32_MIN ? 0 : (pump ? -wait : wait);
    host::BMSCR* table = host::current_table_screen();
    if (x < 0 || y < 0 || screen->cursor_x < 0 || screen->cursor_x >= screen->width || screen->cursor_y < 0 ||
        screen->cursor_y >= screen->height || t < 1 || !table)
        return host::kErrRange;
    timing::wait_for_frame(t, pump);
    BitBlt(host::handle<HDC>(screen->hdc), screen->cursor_x, screen->cursor_y, screen->area_width,
           screen->area_height, host::handle<HDC>(table->hdc), x, y, SRCCOPY);
    if (host::copy_redraws()) host::RedrawScreen(*screen);
    if (pump) timing::pump_messages();
    timing::next_frame(t);
    return 0;
}

}  // namespace qv::compose

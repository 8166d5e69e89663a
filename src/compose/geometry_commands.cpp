// The geometry commands that work in screen buffers: thin adapters.
#include <cstring>

#include "command_decls.h"
#include "compose/geometry.h"
#include "compose/settings.h"
#include "host/pointers.h"
#include "host/results.h"
#include "host/screen_table.h"
#include "host/sine_table.h"

namespace qv::compose {

Settings settings;

namespace {

int32_t flip(host::BMSCR* screen, int32_t w, int32_t h, bool rows) {
    const Screen s = host::screen_view(*screen);
    if (w < 4 || h < 4 || s.cursor_x < 0 || s.cursor_y < 0 || int64_t(s.cursor_x) + w > s.width ||
        int64_t(s.cursor_y) + h > s.height)
        return host::kErrRange;
    rows ? flip_rows(s, {s.cursor_x, s.cursor_y}, w, h) : flip_columns(s, {s.cursor_x, s.cursor_y}, w, h);
    return 0;
}

int32_t scroll_in_rows(host::BMSCR* screen, int32_t w, int32_t h, int32_t shift, bool left) {
    if (shift == 0) return 0;
    const Screen s = host::screen_view(*screen);
    const int32_t by = shift < 0 ? -shift : shift;
    if (w < 1 || w > s.width || h > s.height || by > w) return host::kErrRange;
    // The commands do not test the position: a negative one is refused, so that no row or
    // segment reaches outside the buffer.
    if (s.cursor_x < 0 || s.cursor_y < 0 || s.cursor_x >= s.width) return host::kErrRange;
    if (int64_t(s.cursor_x) + w > s.width) w = s.width - s.cursor_x;
    if (int64_t(s.cursor_y) + h > s.height) h = s.height - s.cursor_y;
    if (h < 1) return 0;
    move_in_rows(s, {s.cursor_x, s.cursor_y}, w, h, left ? -by : by, shift < 0);
    return 0;
}

}  // namespace

int32_t GRotPos(int32_t cx, int32_t cy, int32_t step, int32_t key) {
    Rotation& r = settings.rotation;
    r.centre_x = cx;
    r.centre_y = cy;
    const bool scaled = step >= 1 && step <= 65536 && step != 256;
    r.scale_num = scaled ? step : 1;
    r.scale_den = scaled ? 8192 : 32;
    r.key = (key >= 256 && key <= 511) ? key - 256 : -1;
    return 0;
}

int32_t GRot(host::BMSCR* screen, int32_t w, int32_t h, int32_t angle) {
    host::sine_table();
    if (angle < -4096 || angle > 4096) return host::kErrRange;
    const Screen d = host::screen_view(*screen);
    const Point dp = inside_or_zero(d, d.cursor_x, d.cursor_y);
    if (int64_t(dp.x) + w > d.width) w = d.width - dp.x;
    if (int64_t(dp.y) + h > d.height) h = d.height - dp.y;
    host::BMSCR* table = host::current_table_screen();
    if (!table) return -2;
    const Screen s = host::screen_view(*table);
    const Point sp = inside_or_zero(s, s.cursor_x, s.cursor_y);
    if ((screen->palette_mode != 0) != (table->palette_mode != 0)) return -1;
    if (w < 1 || h < 1) return 0;
    rotate(d, dp, w, h, s, sp, s.width - sp.x, s.height - sp.y, angle, settings.rotation);
    return 0;
}

int32_t Flip_V(host::BMSCR* screen, int32_t w, int32_t h, int32_t) { return flip(screen, w, h, true); }
int32_t Flip_H(host::BMSCR* screen, int32_t w, int32_t h, int32_t) { return flip(screen, w, h, false); }

int32_t GUscroll(host::BMSCR* screen, int32_t first_row, int32_t rows, int32_t shift) {
    const Screen s = host::screen_view(*screen);
    const int64_t by = shift < 0 ? -int64_t(shift) : shift;
    if (first_row < 1 || int64_t(first_row) + rows > s.height || first_row - by < 0 || shift == 0) return host::kErrRange;
    if (rows < 1) return 0;
    move_rows(s, first_row, rows, -int32_t(by), shift < 0);
    return 0;
}

int32_t GDscroll(host::BMSCR* screen, int32_t first_row, int32_t rows, int32_t shift) {
    const Screen s = host::screen_view(*screen);
    const int64_t by = shift < 0 ? -int64_t(shift) : shift;
    if (first_row < 0 || int64_t(first_row) + rows + by > s.height || shift == 0) return host::kErrRange;
    if (rows < 1) return 0;
    move_rows(s, first_row, rows, int32_t(by), shift < 0);
    return 0;
}

int32_t GDscrollF(host::BMSCR* screen, int32_t lines, int32_t clear, int32_t) {
    const Screen s = host::screen_view(*screen);
    // A negative position would reach outside the buffer: refused.
    if (s.cursor_x < 0 || s.cursor_y < 0 || s.cursor_x >= s.width) return host::kErrRange;
    int32_t aw = s.area_width;
    if (int64_t(s.cursor_x) + aw > s.width) aw = s.width - s.cursor_x;
    const int32_t left = s.cursor_x & ~3, used = aw > 0 ? 4 * (aw / 4) : 0;
    if (lines < 1 || int64_t(s.cursor_y) + s.area_height > s.height || lines > s.area_height || used == 0 ||
        s.area_height <= 0)
        return host::kErrRange;
    const size_t n = size_t(used) * s.bpp;
    for (int32_t row = s.cursor_y + s.area_height - 1; row >= s.cursor_y + lines; --row)
        std::memmove(s.at(left, row), s.at(left, row - lines), n);
    if (clear)
        for (int32_t row = s.cursor_y; row < s.cursor_y + lines; ++row) std::memset(s.at(left, row), 0, n);
    return 0;
}

int32_t GLscroll(host::BMSCR* screen, int32_t w, int32_t h, int32_t shift) { return scroll_in_rows(screen, w, h, shift, true); }
int32_t GRscroll(host::BMSCR* screen, int32_t w, int32_t h, int32_t shift) { return scroll_in_rows(screen, w, h, shift, false); }

int32_t SGzoomSize(int32_t w, int32_t h, int32_t, int32_t) {
    settings.zoom_w = w;
    settings.zoom_h = h;
    return 0;
}

}  // namespace qv::compose

// Reading and writing single pixels of a screen directly in its buffer (the device context
// only for palette colours); QPget keeps the colour it read for QPconv.
#include <windows.h>

#include "command_decls.h"
#include "effects/settings.h"
#include "host/pointers.h"
#include "host/results.h"

namespace qv::effects {

int32_t QPget(host::BMSCR* screen, int32_t x, int32_t y, int32_t mode) {
    Screen s = host::screen_view(*screen);
    if (!s.contains(x, y)) return host::kErrRange;
    const uint8_t* p = s.at(x, y);
    if (!s.palette_mode()) {
        settings.last_r = p[2];
        settings.last_g = p[1];
        settings.last_b = p[0];
        return host::status(p[0] * 65536 + p[1] * 256 + p[2]);
    }
    if (mode != 1) return host::status(int32_t(p[0]));
    GdiFlush();
    const COLORREF c = GetPixel(host::handle<HDC>(screen->hdc), x, y);
    settings.last_r = GetRValue(c);
    settings.last_g = GetGValue(c);
    settings.last_b = GetBValue(c);
    return host::status(int32_t(c & 0xFFFFFF));
}

int32_t QPset(host::BMSCR* screen, int32_t x, int32_t y, int32_t index) {
    Screen s = host::screen_view(*screen);
    if (!s.contains(x, y)) return host::kErrRange;
    uint8_t* p = s.at(x, y);
    if (!s.palette_mode()) {
        p[0] = uint8_t(s.color >> 16);
        p[1] = uint8_t(s.color >> 8);
        p[2] = uint8_t(s.color);
    } else if (index >= 0 && index <= 255) {
        p[0] = uint8_t(index);
    } else {
        SetPixel(host::handle<HDC>(screen->hdc), x, y, s.color & 0xFFFFFF);
        GdiFlush();
    }
    return 0;
}

}  // namespace qv::effects

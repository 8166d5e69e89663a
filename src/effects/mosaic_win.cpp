// The palette-mode mosaic (see mosaic_win.h).
#include "effects/mosaic_win.h"

#include <windows.h>

#include <cstring>

#include "host/pointers.h"

namespace qv::effects {

void mosaic_through_dc(const host::BMSCR& record, const Screen& s, int32_t x, int32_t y, int32_t cols, int32_t rows,
                       int32_t cw, int32_t ch) {
    HDC dc = host::handle<HDC>(record.hdc);
    const int64_t area = int64_t(cw) * ch;
    for (int32_t cy = 0; cy < rows; ++cy)
        for (int32_t cx = 0; cx < cols; ++cx) {
            const int32_t x0 = x + cx * cw, y0 = y + cy * ch;
            int64_t r = 0, g = 0, b = 0;  // a cell may hold more than 2^31 / 255 pixels
            for (int32_t j = 0; j < ch; ++j)
                for (int32_t i = 0; i < cw; ++i) {
                    COLORREF c = GetPixel(dc, x0 + i, y0 + j);
                    r += GetRValue(c);
                    g += GetGValue(c);
                    b += GetBValue(c);
                }
            SetPixel(dc, x0, y0, RGB(BYTE(r / area), BYTE(g / area), BYTE(b / area)));
            GdiFlush();  // the index GDI chose is in the buffer now
            const uint8_t index = *s.at(x0, y0);
            for (int32_t j = 0; j < ch; ++j) std::memset(s.at(x0, y0 + j), index, size_t(cw));
        }
}

}  // namespace qv::effects

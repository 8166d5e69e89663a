// RedrawScreen and InstallPalette over the real GDI.
#include "host/refresh_win.h"

#include <windows.h>


#include "host/pointers.h"

namespace qv::host {

void RedrawScreen(BMSCR& screen) {
    if (!redraw_requested(screen)) return;
    HWND hwnd = handle<HWND>(screen.hwnd);
    HDC window_dc = GetDC(hwnd);
    if (!window_dc) return;
    HPALETTE hpalette = handle<HPALETTE>(screen.hpalette);
    HPALETTE kept = nullptr;
    if (hpalette) {
        kept = SelectPalette(window_dc, hpalette, FALSE);
        RealizePalette(window_dc);
    }
    if (screen.window_type != 2) {
        BitBlt(window_dc, 0, 0, screen.window_width, screen.window_height,
               handle<HDC>(screen.hdc), screen.view_x, screen.view_y, SRCCOPY);
    }
    if (hpalette && kept) SelectPalette(window_dc, kept, FALSE);
    ReleaseDC(hwnd, window_dc);
}

bool InstallPalette(BMSCR& screen, int32_t count, const uint8_t* colours) {
    if (count < 0) count = 0;
    if (count > 256) count = 256;
    HDC hdc = handle<HDC>(screen.hdc);

    // The new logical palette is made first, so that a refusal changes nothing. LOGPALETTE
    // declares one entry; the block has room for all 256.
    constexpr size_t kBlock = 2048;
    static_assert(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY) <= kBlock);
    alignas(LOGPALETTE) uint8_t block[kBlock] = {};
    auto* logical = reinterpret_cast<LOGPALETTE*>(block);
    logical->palVersion = 0x300;
    logical->palNumEntries = WORD(count);
    PALETTEENTRY* entries = logical->palPalEntry;
    for (int32_t i = 0; i < count; ++i) entries[i] = {colours[3 * i], colours[3 * i + 1], colours[3 * i + 2], PC_NOCOLLAPSE};
    const HPALETTE created = CreatePalette(logical);
    if (!created) return false;

    if (screen.hpalette) {
        SelectPalette(hdc, handle<HPALETTE>(screen.old_hpalette), TRUE);
        DeleteObject(handle<HPALETTE>(screen.hpalette));
        screen.hpalette = 0;
    }

    if (screen.palette_mode && count > 0) {
        auto* table = ptr<RGBQUAD>(screen.palette);
        for (int32_t i = 0; i < count; ++i) {
            table[i].rgbRed = colours[3 * i];
            table[i].rgbGreen = colours[3 * i + 1];
            table[i].rgbBlue = colours[3 * i + 2];
            table[i].rgbReserved = 0;
        }
        SetDIBColorTable(hdc, 0, UINT(count), table);
    }

    screen.hpalette = word_of(created);
    screen.old_hpalette = word_of(SelectPalette(hdc, created, TRUE));
    screen.palette_count = count;
    return true;
}

}  // namespace qv::host

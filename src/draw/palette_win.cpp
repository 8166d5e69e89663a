// The palette commands: a palette-mode screen's colour table read into and written from an
// integer array of colour values (0x00BBGGRR), installed through InstallPalette; and the
// conversions between a colour value and its components.
#include <windows.h>

#include <cstring>

#include "command_decls.h"
#include "draw/settings.h"
#include "host/pointers.h"
#include "host/refresh_win.h"

namespace qv::draw {

namespace {

constexpr int32_t kEntries = 256;

bool is_palette_screen(const host::BMSCR* screen) { return screen->palette_mode == 1; }

// The element count is len[1], and never more than the storage holds.
uint64_t elements_of(const host::PVAL* var) { return host::first_dimension_room(*var) / 4; }

// The system refused the new palette: the screen keeps its own, the buffer is not written.
constexpr int32_t kNotInstalled = -5;

// Installs the 256 triplets (red, green, blue) as the screen's palette, and hands them to the
// script's palette buffer when it passed one. False when the system refused the palette.
bool install(host::BMSCR* screen, const uint8_t (&triplets)[3 * kEntries], char* colours) {
    if (!host::InstallPalette(*screen, kEntries, triplets)) return false;
    if (colours) std::memcpy(colours, triplets, sizeof triplets);
    return true;
}

}  // namespace

int32_t Set_PalBM(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    settings.palette_screen = is_palette_screen(screen) ? screen : nullptr;
    return settings.palette_screen ? 0 : -1;
}

int32_t Get_Palette(host::PVAL* var, int32_t, int32_t, int32_t) {
    // The screen is the host's record as it is now: re-created in full colour since Set_PalBM,
    // it has no palette to give, as if none were registered.
    if (!settings.palette_screen || !is_palette_screen(settings.palette_screen) || !settings.palette_screen->palette)
        return -2;
    if (var->type != host::kInteger) return -1;
    if (elements_of(var) < kEntries) return -3;
    const auto* table = host::ptr<const RGBQUAD>(settings.palette_screen->palette);
    int32_t* out = host::ptr<int32_t>(var->data);
    for (int32_t i = 0; i < kEntries; ++i)
        out[i] = int32_t(RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue));
    return 0;
}

int32_t Set_PalMem(host::PVAL* var, int32_t, int32_t, int32_t) {
    settings.palette_var = nullptr;
    if (var->type != host::kInteger) return -1;
    if (elements_of(var) < kEntries) return -2;
    settings.palette_var = var;
    return 0;
}

int32_t Set_Palette(host::BMSCR* screen, int32_t redraw, int32_t, char* colours) {
    if (!is_palette_screen(screen)) return -4;
    host::PVAL* var = settings.palette_var;
    if (!var) return -2;
    // The variable is read now: the script may have changed it since it was registered.
    if (var->type != host::kInteger) return -1;
    if (elements_of(var) < kEntries) return -3;
    const int32_t* values = host::ptr<const int32_t>(var->data);
    uint8_t triplets[3 * kEntries];
    for (int32_t i = 0; i < kEntries; ++i) {
        const uint32_t c = uint32_t(values[i]);  // the top byte is not part of the colour
        triplets[3 * i] = uint8_t(c);
        triplets[3 * i + 1] = uint8_t(c >> 8);
        triplets[3 * i + 2] = uint8_t(c >> 16);
    }
    if (!install(screen, triplets, colours)) return kNotInstalled;
    if (redraw) host::RedrawScreen(*screen);
    return 0;
}

int32_t RealizePal(host::BMSCR* screen, int32_t, int32_t, char* colours) {
    if (!is_palette_screen(screen)) return -1;
    const auto* table = host::ptr<const RGBQUAD>(screen->palette);
    uint8_t triplets[3 * kEntries];
    for (int32_t i = 0; i < kEntries; ++i) {
        triplets[3 * i] = table[i].rgbRed;
        triplets[3 * i + 1] = table[i].rgbGreen;
        triplets[3 * i + 2] = table[i].rgbBlue;
    }
    if (!install(screen, triplets, colours)) return kNotInstalled;
    host::RedrawScreen(*screen);
    return 0;
}

int32_t ColRefToRgb(host::PVAL* var, int32_t colour, int32_t, int32_t) {
    if (var->type != host::kInteger) return -1;
    if (elements_of(var) < 3) return -2;
    int32_t* out = host::ptr<int32_t>(var->data);
    out[0] = colour & 255;
    out[1] = (colour >> 8) & 255;
    out[2] = (colour >> 16) & 255;
    return 0;
}

int32_t RgbToColRef(host::PVAL* var, int32_t r, int32_t g, int32_t b) {
    if (var->type != host::kInteger) return -1;
    if (elements_of(var) < 1) return -2;  // no element to write to
    host::ptr<int32_t>(var->data)[0] = (b & 255) << 16 | (g & 255) << 8 | (r & 255);
    return 0;
}

}  // namespace qv::draw

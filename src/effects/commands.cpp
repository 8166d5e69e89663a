// The effect commands: thin adapters that check their arguments in the documented order,
// build the rectangle and call the effect.
#include <cstring>

#include "command_decls.h"
#include "effects/blocks.h"
#include "effects/colour.h"
#include "effects/filters.h"
#include "effects/mosaic_win.h"
#include "effects/settings.h"
#include "host/area.h"
#include "host/pointers.h"
#include "host/refresh_win.h"
#include "host/results.h"

namespace qv::effects {

namespace {

// ToneChange on a palette screen: the system refused the new palette; nothing changed.
constexpr int32_t kNoPalette = -2;

Rgb colour_of(uint32_t colorref) { return {int32_t(colorref & 0xFF), int32_t((colorref >> 8) & 0xFF), int32_t((colorref >> 16) & 0xFF)}; }

// The rectangle of the filters: the position must lie inside the screen (else 3), and
// the size is cut at the right and bottom edges.
bool filter_rect(const Screen& s, int32_t w, int32_t h, Rect& r) {
    if (s.cursor_x < 0 || s.cursor_x >= s.width || s.cursor_y < 0 || s.cursor_y >= s.height) return false;
    r = {s.cursor_x, s.cursor_y, w, h};
    if (int64_t(r.x) + w > s.width) r.w = s.width - r.x;
    if (int64_t(r.y) + h > s.height) r.h = s.height - r.y;
    return true;
}

// A rectangle at the position whose size is checked against the screen (3 when w < 1 or
// either side is larger than the screen's) and cut at the right and bottom edges. The
// position itself is not checked by the command, so only the part inside the screen is
// touched.
bool sized_rect(const Screen& s, int32_t w, int32_t h, Rect& r) {
    if (w < 1 || w > s.width || h > s.height) return false;
    if (int64_t(s.cursor_x) + w > s.width) w = s.width - s.cursor_x;
    if (int64_t(s.cursor_y) + h > s.height) h = s.height - s.cursor_y;
    r = inside_screen(s, s.cursor_x, s.cursor_y, w, h);
    return true;
}

// The noise commands: the rectangle at the position is not checked by the command, so
// only its part inside the screen is touched.
int32_t noise(host::BMSCR* screen, int32_t w, int32_t h, int32_t amount, void (*effect)(const Screen&, Rect, int32_t)) {
    if (screen->palette_mode || amount < 0 || amount > 100) return -1;
    if (w < 1 || h < 1) return 0;
    Screen s = host::screen_view(*screen);
    effect(s, inside_screen(s, s.cursor_x, s.cursor_y, w, h), amount);
    return 0;
}

int32_t conversion(host::PVAL* var, Rgb out) {
    if (var->type != host::kInteger) return host::kErrVarType;
    if (host::first_dimension_elements(*var) < 3) return host::kErrRange;
    int32_t* data = host::ptr<int32_t>(var->data);
    data[0] = out.r;
    data[1] = out.g;
    data[2] = out.b;
    return 0;
}

int32_t run_convolution(host::BMSCR* screen, int32_t w, int32_t h, int32_t size) {
    if (screen->palette_mode) return host::kRefused;
    Screen s = host::screen_view(*screen);
    Rect r;
    if (!filter_rect(s, w, h, r)) return host::kErrRange;
    static const int32_t radius_by_size[4] = {1, 2, 3, 3};
    return convolve(s, r, settings.conv_matrix, settings.conv_divisor, radius_by_size[size & 3]);
}

void load_matrix(const int32_t (&centre)[9], int32_t divisor) {
    std::memset(settings.conv_matrix, 0, sizeof settings.conv_matrix);
    for (int i = 0; i < 9; ++i) settings.conv_matrix[7 * (2 + i / 3) + 2 + i % 3] = centre[i];
    settings.conv_divisor = divisor;
    settings.conv_ready = true;
}

// The blur's weight matrices, 7 x 7, row by row from the top. Matrix 3 has 4 in the fifth
// column of its second and sixth rows: it is not symmetric.
const int32_t kBlurMatrices[4][49] = {
    {
          1,   1,   1,   1,   1,   1,   1,
          1,   1,   1,   1,   1,   1,   1,
          1,   1,   1,   1,   1,   1,   1,
          1,   1,   1,   1,   1,   1,   1,
          1,   1,   1,   1,   1,   1,   1,
          1,   1,   1,   1,   1,   1,   1,
          1,   1,   1,   1,   1,   1,   1,
    },
    {
          4,   8,  16,  32,  16,   8,   4,
          8,  16,  32,  64,  32,  16,   8,
         16,  32,  64, 128,  64,  32,  16,
         32,  64, 128, 255, 128,  64,  32,
         16,  32,  64, 128,  64,  32,  16,
          8,  16,  32,  64,  32,  16,   8,
          4,   8,  16,  32,  16,   8,   4,
    },
    {
          0,   0,   1,   4,   1,   0,   0,
          0,   1,   4,  16,   4,   1,   0,
          1,   4,  16,  64,  16,   4,   1,
          4,  16,  64, 255,  64,  16,   4,
          1,   4,  16,  64,  16,   4,   1,
          0,   1,   4,  16,   4,   1,   0,
          0,   0,   1,   4,   1,   0,   0,
    },
    {
          0,   0,   0,   2,   0,   0,   0,
          0,   0,   2,   8,   4,   0,   0,
          0,   2,   8,  32,   8,   2,   0,
          2,   8,  32, 255,  32,   8,   2,
          0,   2,   8,  32,   8,   2,   0,
          0,   0,   2,   8,   4,   0,   0,
          0,   0,   0,   2,   0,   0,   0,
    },
};

}  // namespace

int32_t GChangeCol(host::BMSCR* screen, int32_t tol_r, int32_t tol_g, int32_t tol_b) {
    if (screen->palette_mode) return host::kRefused;
    Screen s = host::screen_view(*screen);
    Rect r = clipped_area(s);
    if (r.h < 1) return 0;
    const int32_t tolerance[3] = {tol_r & 0xFF, tol_g & 0xFF, tol_b & 0xFF};
    change_colours(s, r, colour_of(s.color), tolerance, settings.match_colour, settings.other_colour,
                   settings.change_mode == 1);
    return 0;
}

int32_t ToneChange(host::BMSCR* screen, int32_t level, int32_t mode, char* colours) {
    if (level == 100) return 0;
    if (screen->palette_mode) {
        if (level < -255 || level > 255 || !colours) return host::kErrRange;
        // Worked on a copy: the script's buffer changes only with the palette.
        uint8_t triplets[768];
        std::memcpy(triplets, colours, sizeof triplets);
        tone_change_palette(triplets, level);
        if (!host::InstallPalette(*screen, 256, triplets)) return kNoPalette;
        std::memcpy(colours, triplets, sizeof triplets);
        return 0;
    }
    Screen s = host::screen_view(*screen);
    if (s.cursor_x < 0 || s.cursor_y < 0 || int64_t(s.cursor_x) + s.area_width > s.width ||
        int64_t(s.cursor_y) + s.area_height > s.height || level < 1 || level > 1000 ||
        ((mode == 1 || mode == -1) && level > 255))
        return host::kErrRange;
    if (s.area_width < 1 || s.area_height < 1) return 0;
    tone_change(s, {s.cursor_x, s.cursor_y, s.area_width, s.area_height}, level, mode);
    return 0;
}

int32_t Monotone(host::BMSCR* screen, int32_t hue, int32_t sat, int32_t) {
    if (screen->palette_mode) return host::kRefused;
    if (hue < 0 || hue > 359) hue = 0;
    if (sat < 0 || sat > 255) sat = 0;
    Screen s = host::screen_view(*screen);
    Rect r = clipped_area(s);
    if (r.h < 1) return 0;
    monotone(s, r, hue, sat);
    return 0;
}

int32_t NoiseCol(host::BMSCR* screen, int32_t w, int32_t h, int32_t amount) {
    return noise(screen, w, h, amount, noise_colour);
}

int32_t NoiseLD(host::BMSCR* screen, int32_t w, int32_t h, int32_t amount) {
    return noise(screen, w, h, amount, noise_brightness);
}

int32_t HalfTone(host::BMSCR* screen, int32_t w, int32_t h, int32_t channels) {
    if (screen->palette_mode) return host::kRefused;
    Screen s = host::screen_view(*screen);
    Rect r;
    if (!sized_rect(s, w, h, r)) return host::kErrRange;
    if ((channels & 7) == 0 || settings.mix_ratio == 0 || r.empty()) return 0;
    half_tone(s, r, channels, settings.mix_colour, settings.mix_ratio);
    return 0;
}

int32_t Cycle(host::BMSCR* screen, int32_t red_from, int32_t green_from, int32_t blue_from) {
    if (screen->palette_mode) return host::kRefused;
    const Screen s = host::screen_view(*screen);
    // The position rule, but the copy area as it is (a size below 1 does nothing).
    const Point at = position_inside(s);
    Rect r{at.x, at.y, s.area_width, s.area_height};
    cut_at_edges(s, at, r.w, r.h);
    if (r.empty()) return 0;
    // Channels by number 0 red, 1 green, 2 blue; 3 keeps the channel's own.
    const int from[3] = {(red_from & 3) == 3 ? 0 : red_from & 3, (green_from & 3) == 3 ? 1 : green_from & 3,
                         (blue_from & 3) == 3 ? 2 : blue_from & 3};
    cycle_channels(s, r, from);
    return 0;
}

int32_t QPconv(host::PVAL* var, int32_t, int32_t, int32_t) {
    return conversion(var, {settings.last_r, settings.last_g, settings.last_b});
}

int32_t HSVtoRGB(host::PVAL* var, int32_t hue, int32_t sat, int32_t val) {
    Rgb c = hsv_to_rgb({clamp(hue, 0, 359), clamp(sat, 0, 255), clamp(val, 0, 255)});
    return conversion(var, c);
}

int32_t RGBtoHSV(host::PVAL* var, int32_t r, int32_t g, int32_t b) {
    Hsv c = rgb_to_hsv({clamp(r, 0, 255), clamp(g, 0, 255), clamp(b, 0, 255)});
    return conversion(var, {c.h, c.s, c.v});
}

int32_t YCCtoRGB(host::PVAL* var, int32_t y, int32_t cb, int32_t cr) {
    y = clamp(y, 0, 255);
    const int32_t b = clamp(y + clamp(cb, -255, 255), 0, 255);
    const int32_t r = clamp(y + clamp(cr, -255, 255), 0, 255);
    const int32_t g = clamp((1000 * y - 299 * r - 114 * b + 292) / 587, 0, 255);
    return conversion(var, {r, g, b});
}

int32_t RGBtoYCC(host::PVAL* var, int32_t r, int32_t g, int32_t b) {
    Rgb c{clamp(r, 0, 255), clamp(g, 0, 255), clamp(b, 0, 255)};
    const int32_t y = luma(c);
    return conversion(var, {y, clamp(c.b - y, -255, 255), clamp(c.r - y, -255, 255)});
}

int32_t SetMatrix(host::PVAL* var, int32_t divisor, int32_t, int32_t) {
    if (var->type != host::kInteger) return -1;
    if (host::first_dimension_elements(*var) < 49) return -2;
    std::memcpy(settings.conv_matrix, host::ptr<int32_t>(var->data), sizeof settings.conv_matrix);
    settings.conv_divisor = divisor == 0 ? 1 : divisor;
    settings.conv_ready = true;
    return 0;
}

int32_t GMatrix(host::BMSCR* screen, int32_t w, int32_t h, int32_t size) {
    if (!settings.conv_ready) return host::kWrongKind;
    return run_convolution(screen, w, h, size);
}

int32_t Edge(host::BMSCR* screen, int32_t w, int32_t h, int32_t) {
    load_matrix({-1, -2, -1, -2, 20, -2, -1, -2, -1}, 8);
    return run_convolution(screen, w, h, 0);
}

int32_t OutLine(host::BMSCR* screen, int32_t w, int32_t h, int32_t) {
    load_matrix({0, 1, 0, 1, -4, 1, 0, 1, 0}, 1);
    return run_convolution(screen, w, h, 0);
}

int32_t Median(host::BMSCR* screen, int32_t w, int32_t h, int32_t mode) {
    if (w < 3 || h < 3) return host::kWrongKind;
    settings.median_mode = mode;
    settings.median_fill = mode == 1 ? 512 : -255;
    if (screen->palette_mode) return host::kRefused;
    Screen s = host::screen_view(*screen);
    Rect r;
    if (!filter_rect(s, w, h, r)) return host::kErrRange;
    return median(s, r, settings.median_mode, settings.median_fill);
}

int32_t Emboss(host::BMSCR* screen, int32_t w, int32_t h, int32_t) {
    if (screen->palette_mode) return host::kRefused;
    Screen s = host::screen_view(*screen);
    Rect r = clipped_area(s, w, h);  // the clipped-area rule, with the size given
    if (r.empty()) return 0;         // a screen of width 0 included: no pixel to read or write
    emboss(s, r);
    return 0;
}

int32_t Mosaic(host::BMSCR* screen, int32_t w, int32_t h, int32_t) {
    Screen s = host::screen_view(*screen);
    const int32_t cw = settings.cell_w, ch = settings.cell_h;
    if (s.cursor_x < 0 || s.cursor_y < 0 || int64_t(s.cursor_x) + w > s.width || int64_t(s.cursor_y) + h > s.height ||
        w < cw || h < ch)
        return host::kErrRange;
    // A cell size of 0 or less has no cells: refused like a rectangle too small for one.
    if (cw < 1 || ch < 1) return host::kErrRange;
    if (screen->palette_mode) {
        mosaic_through_dc(*screen, s, s.cursor_x, s.cursor_y, w / cw, h / ch, cw, ch);
    } else {
        mosaic(s, s.cursor_x, s.cursor_y, w / cw, h / ch, cw, ch);
    }
    return 0;
}

int32_t Nijimi(host::BMSCR* screen, int32_t w, int32_t h, int32_t style) {
    if (screen->palette_mode) return host::kRefused;
    Screen s = host::screen_view(*screen);
    Rect r;
    if (!filter_rect(s, w, h, r)) return host::kErrRange;
    const int32_t matrix = (style & 7) >= 1 && (style & 7) <= 3 ? (style & 7) : 0;
    const int32_t window = (style >> 4) & 7;
    const int32_t radius = window == 0 ? 1 : window == 1 ? 2 : 3;
    // Matrix 0 is all ones; matrix 1 is (4, 8, 16, 32, 16, 8, 4) down times (1, 2, 4, 8, 4,
    // 2, 1) across, less 1 at the centre (255, not 256): both go by rows and columns.
    static const int32_t ones[7] = {1, 1, 1, 1, 1, 1, 1};
    static const int32_t down[7] = {4, 8, 16, 32, 16, 8, 4}, across[7] = {1, 2, 4, 8, 4, 2, 1};
    if (matrix == 0) return separable_blur(s, r, ones, ones, 0, radius);
    if (matrix == 1) return separable_blur(s, r, down, across, 1, radius);
    return weighted_blur(s, r, kBlurMatrices[matrix], radius);
}

int32_t Rough(host::BMSCR* screen, int32_t w, int32_t h, int32_t bits) {
    if (screen->palette_mode) return host::kRefused;
    Screen s = host::screen_view(*screen);
    Rect r;
    if (!sized_rect(s, w, h, r)) return host::kErrRange;
    if (bits < 1 || bits > 16) return host::kErrBitCount;
    if (bits == 8 || bits == 16 || r.empty()) return 0;
    rough(s, r, bits);
    return 0;
}

int32_t Disper(host::BMSCR* screen, int32_t w, int32_t h, int32_t) {
    Screen s = host::screen_view(*screen);
    const int32_t bw = w / 8, bh = h / 8;
    if (bw < 4 || bh < 4 || s.cursor_x < 0 || s.cursor_y < 0 || int64_t(s.cursor_x) + 8 * bw > s.width ||
        int64_t(s.cursor_y) + 8 * bh > s.height)
        return host::kErrRange;
    uint8_t p[64];
    dispersion_permutation(p);
    disperse(s, s.cursor_x, s.cursor_y, bw, bh, p);
    return 0;
}

}  // namespace qv::effects

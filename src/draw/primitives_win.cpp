// The drawing commands: GDI into the screen's memory device context with a pen and a brush
// made for the call, in the screen's colour; and their settings. The ruled lines write the
// buffer themselves (ruled_lines.cpp).
#include <windows.h>

#include "command_decls.h"
#include "draw/arc.h"
#include "draw/gdi_win.h"
#include "draw/points_win.h"
#include "draw/ruled_lines.h"
#include "draw/settings.h"
#include "host/pointers.h"
#include "host/results.h"

namespace qv::draw {

namespace {

constexpr int32_t kFillFailed = -1;
constexpr int32_t kNotDrawn = -1;  // a pen or brush was refused: nothing drawn

HDC dc_of(const host::BMSCR* screen) { return host::handle<HDC>(screen->hdc); }
COLORREF colour_of(const host::BMSCR* screen) { return screen->color & 0xFFFFFF; }

// The stored pen when `stored`, else a solid pen one pixel wide.
HPEN make_pen(bool stored, COLORREF colour) {
    return stored ? CreatePen(settings.pen_style, settings.pen_width, colour) : CreatePen(PS_SOLID, 1, colour);
}

// The stored hatch when `hatched`, else a solid brush.
HBRUSH make_brush(bool hatched, COLORREF colour) {
    return hatched ? CreateHatchBrush(settings.hatch_style, colour) : CreateSolidBrush(colour);
}

// Runs `draw` with a pen (and a brush, when `with_brush`) made for the call and selected into
// the screen's DC; everything is selected back and deleted afterwards. GdiFlush makes the
// pixels the script reads next the drawn ones. When the system refuses a pen or brush,
// nothing is drawn (a shape drawn with whatever the DC holds would be a wrong one) and the
// result is kNotDrawn.
template <class Draw>
int32_t with_tools(const host::BMSCR* screen, bool stored_pen, bool with_brush, bool hatched, Draw draw) {
    HDC dc = dc_of(screen);
    GdiObject<HPEN> pen(make_pen(stored_pen, colour_of(screen)));
    GdiObject<HBRUSH> brush(with_brush ? make_brush(hatched, colour_of(screen)) : nullptr);
    if (!pen || (with_brush && !brush)) return kNotDrawn;
    {
        Selected use_pen(dc, pen.get());
        Selected use_brush(dc, brush.get());
        draw(dc);
    }
    GdiFlush();
    return 0;
}

// Whether an integer variable holds `points` points (two elements each).
bool holds_points(host::PVAL* var, int64_t points) { return host::var_view(*var).capacity / 8 >= uint64_t(points); }

int32_t flood_fill(host::BMSCR* screen, int32_t x, int32_t y, COLORREF colour, UINT type) {
    HDC dc = dc_of(screen);
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour_of(screen)));
    BOOL filled;
    {
        Selected use_brush(dc, brush.get());
        filled = brush && ExtFloodFill(dc, x, y, colour, type);
    }
    GdiFlush();
    return filled ? 0 : kFillFailed;
}

}  // namespace

Points points_of(const PointList& list) {
    if (!list.var || list.var->type != host::kInteger) return {};
    const Var v = host::var_view(*list.var);
    const uint64_t held = v.capacity / 8;
    return {reinterpret_cast<const POINT*>(v.data), int32_t(held < uint64_t(list.count) ? held : list.count)};
}

int32_t SetPenMode(int32_t width, int32_t style, int32_t, int32_t) {
    if (width < 1 || style < 0 || style > 4) return host::kErrRange;
    settings.pen_width = width;
    settings.pen_style = style;  // PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT
    return 0;
}

int32_t SetBrushMode(int32_t mode, int32_t, int32_t, int32_t) {
    static constexpr int32_t kHatch[] = {HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS, HS_FDIAGONAL, HS_HORIZONTAL, HS_VERTICAL};
    if (mode < 0 || mode > 5) return host::kErrRange;
    settings.hatch_style = kHatch[mode];
    return 0;
}

int32_t RasterOperation(host::BMSCR* screen, int32_t mode, int32_t, int32_t) {
    static constexpr int kMix[] = {R2_COPYPEN,    R2_MASKPEN,     R2_MERGEPEN,
                                   R2_XORPEN,     R2_NOTCOPYPEN,  R2_NOT,
                                   R2_NOTMASKPEN, R2_NOTMERGEPEN, R2_NOTXORPEN};
    SetROP2(dc_of(screen), mode >= 0 && mode <= 8 ? kMix[mode] : R2_COPYPEN);
    return 0;
}

int32_t SetBorderColour(host::BMSCR* screen, int32_t r, int32_t g, int32_t b) {
    settings.border_colour = (r >= 0 && g >= 0 && b >= 0) ? RGB(r & 255, g & 255, b & 255) : colour_of(screen);
    return 0;
}

int32_t Paint(host::BMSCR* screen, int32_t x, int32_t y, int32_t) {
    GdiFlush();  // the pixel as the script last wrote it
    const COLORREF c = GetPixel(dc_of(screen), x, y);
    if (c == CLR_INVALID) return kFillFailed;
    return flood_fill(screen, x, y, c, FLOODFILLSURFACE);
}

int32_t Paint2(host::BMSCR* screen, int32_t x, int32_t y, int32_t border) {
    GdiFlush();
    return flood_fill(screen, x, y, border >= 0 ? COLORREF(border) : settings.border_colour, FLOODFILLBORDER);
}

int32_t AutoLine_H(host::BMSCR* screen, int32_t step, int32_t index, int32_t) {
    return rule_lines(host::screen_view(*screen), step, index, false);
}

int32_t AutoLine_V(host::BMSCR* screen, int32_t step, int32_t index, int32_t) {
    return rule_lines(host::screen_view(*screen), step, index, true);
}

int32_t DrawArc(host::BMSCR* screen, int32_t angle, int32_t sweep, int32_t thick) {
    ArcCall a;
    if (arc_call(angle, sweep, screen->cursor_x, screen->cursor_y, screen->area_width, screen->area_height,
                 screen->width, screen->height, a))
        return host::kErrRange;
    return with_tools(screen, thick != 0, false, false,
               [&](HDC dc) { Arc(dc, a.left, a.top, a.right, a.bottom, a.x_start, a.y_start, a.x_end, a.y_end); });
}

int32_t SetPolygon(host::PVAL* var, int32_t count, int32_t offset, int32_t) {
    if (var->type != host::kInteger) return host::kErrVarType;
    if (count < 3 || !holds_points(var, count)) return host::kErrRange;
    settings.polygon = {var, count};
    // Points given in client coordinates move into the window's: 3 for the frame, and the
    // caption's height when the caller passes -1 after InvCapt.
    const int32_t by = offset > 0 ? offset : (offset < 0 ? settings.caption_offset : 0);
    if (by != 0) {
        int32_t* p = host::ptr<int32_t>(var->data);
        // In 32 bits as the host's integers wrap, never past them.
        const uint32_t dy = uint32_t(by) + 3;
        for (int32_t i = 0; i < count; ++i) {
            p[2 * i] = int32_t(uint32_t(p[2 * i]) + 3);
            p[2 * i + 1] = int32_t(uint32_t(p[2 * i + 1]) + dy);
        }
    }
    return 0;
}

int32_t DrawPolyline(host::BMSCR* screen, int32_t thick, int32_t, int32_t) {
    const Points p = points_of(settings.polygon);
    if (p.count < 1) return 0;
    return with_tools(screen, thick != 0, false, false, [&](HDC dc) { Polyline(dc, p.data, p.count); });
}

int32_t FillPolygon(host::BMSCR* screen, int32_t flags, int32_t, int32_t) {
    if (flags < 0) return host::kErrRange;
    const Points p = points_of(settings.polygon);
    if (p.count < 1) return 0;
    return with_tools(screen, flags & 1, true, flags & 2, [&](HDC dc) { Polygon(dc, p.data, p.count); });
}

int32_t SetBezier(host::PVAL* var, int32_t n, int32_t, int32_t) {
    const int64_t points = 3 * int64_t(n) - 2;
    if (var->type != host::kInteger) return host::kErrVarType;
    if (n < 2 || !holds_points(var, points)) return host::kErrRange;
    settings.bezier = {var, int32_t(points)};
    return 0;
}

int32_t DrawBezierline(host::BMSCR* screen, int32_t thick, int32_t, int32_t) {
    Points p = points_of(settings.bezier);
    p.count -= (p.count - 1) % 3;  // whole curves only, should the variable have shrunk
    if (p.count < 4) return 0;
    return with_tools(screen, thick != 0, false, false, [&](HDC dc) { PolyBezier(dc, p.data, p.count); });
}

int32_t FillEllipse(host::BMSCR* screen, int32_t w, int32_t h, int32_t flags) {
    const int32_t x = screen->cursor_x, y = screen->cursor_y;
    if (x < 0 || y < 0 || w < 1 || h < 1 || flags < 0 || int64_t(x) + w > screen->width ||
        int64_t(y) + h > screen->height)
        return host::kErrRange;
    return with_tools(screen, flags & 1, true, flags & 2, [&](HDC dc) { Ellipse(dc, x, y, x + w - 1, y + h - 1); });
}

int32_t FillRoundRect(host::BMSCR* screen, int32_t ew, int32_t eh, int32_t flags) {
    const int32_t x = screen->cursor_x, y = screen->cursor_y, w = screen->area_width, h = screen->area_height;
    if (ew < 1 || eh < 1 || flags < 0 || x < 0 || y < 0 || w < 1 || h < 1 || int64_t(x) + w > screen->width ||
        int64_t(y) + h > screen->height || ew > w || eh > h)
        return host::kErrRange;
    return with_tools(screen, flags & 1, true, flags & 2,
               [&](HDC dc) { RoundRect(dc, x, y, x + w - 1, y + h - 1, ew, eh); });
}

}  // namespace qv::draw

// The window-region commands: an ellipse, a rounded rectangle, a polygon (the registered
// point list) or the outline of a picture's pixels, set as the window's region or combined
// with the one it has. Shapes are in the coordinates of the window's outer corner, for a
// frame 3 pixels wide and the caption above the client area. The region handed to
// SetWindowRgn belongs to the system; every other one is deleted before a command returns.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <memory>

#include "command_decls.h"
#include "draw/gdi_win.h"
#include "draw/pixel_runs.h"
#include "draw/points_win.h"
#include "draw/settings.h"
#include "host/memory.h"
#include "host/pointers.h"
#include "host/results.h"
#include "window/metrics.h"

namespace qv::draw {

namespace {

constexpr int32_t kNotMade = -65535;      // the shape's region could not be made, or set
constexpr int32_t kNoWindowRegion = -256;  // - GetWindowRgn's result
constexpr int32_t kNotCombined = -512;     // - CombineRgn's result
constexpr int32_t kFrame = 3;              // the frame width the regions assume

// A shape's coordinates, worked out in 64 bits from script values, are cut to this. No
// window comes near it, while the system builds a region one rectangle a line (a shape 2^31
// lines tall would take the host's memory and time), and a window's shape reaches the X
// server in 16-bit coordinates (Wine's process ends on the X error of a larger one).
constexpr int64_t kMaxCoordinate = 1 << 14;

int32_t coordinate(int64_t v) { return int32_t(std::clamp(v, -kMaxCoordinate, kMaxCoordinate)); }

HWND hwnd_of(const host::BMSCR* screen) { return host::handle<HWND>(screen->hwnd); }
int32_t caption(const host::BMSCR* screen) { return window::WindowMetric(2, *screen); }

// Hands the region to the window: 0, or kNotMade when there is no region or the window does
// not take it. The system owns the region only when it does: otherwise (no window, say) the
// holder still deletes it.
int32_t set_region(const host::BMSCR* screen, Region& region) {
    if (!region || !SetWindowRgn(hwnd_of(screen), region.get(), TRUE)) return kNotMade;
    region.release();
    return 0;
}

// Combines the shape with the window's region by the combine mode and sets the result.
int32_t combine_with_window(const host::BMSCR* screen, const Region& shape) {
    static constexpr int kOperation[] = {RGN_OR, RGN_AND, RGN_XOR, RGN_DIFF};
    Region current(CreateRectRgn(0, 0, 0, 0));
    if (!current) return kNotMade;
    const int got = GetWindowRgn(hwnd_of(screen), current.get());
    if (got != SIMPLEREGION && got != COMPLEXREGION) return kNoWindowRegion - got;
    const int combined = CombineRgn(current.get(), current.get(), shape.get(), kOperation[settings.combine_mode]);
    if (combined != SIMPLEREGION && combined != COMPLEXREGION) return kNotCombined - combined;
    return set_region(screen, current);
}

// The elliptic shape of EllipRgn and CombineEllipRgn; `at_position` puts it at the screen's
// position.
HRGN ellipse_region(const host::BMSCR* screen, int32_t w, int32_t h, int32_t mode, bool at_position) {
    const bool framed = mode & 0x000F, client = mode & 0x0F00, circle = mode & 0x00F0;
    int32_t width = screen->width, height = screen->height;
    if (framed || client) {
        width = window::WindowMetric(0, *screen);
        height = window::WindowMetric(1, *screen);
    }
    if (w > 0) width = w;
    if (h > 0) height = h;
    if (circle) width = height = width < height ? width : height;
    int64_t x = at_position ? screen->cursor_x : 0, y = at_position ? screen->cursor_y : 0;
    if (framed) {
        x += kFrame;
        y += caption(screen) + kFrame;
    }
    return CreateEllipticRgn(coordinate(x), coordinate(y), coordinate(x + width), coordinate(y + height));
}

// The rounded-rectangle shape; null with `invalid` set when the arguments are refused.
HRGN round_rect_region(const host::BMSCR* screen, int32_t ew, int32_t eh, int32_t offset, bool& invalid) {
    const int32_t x = screen->cursor_x, y = screen->cursor_y, w = screen->area_width, h = screen->area_height;
    invalid = offset < -2 || (offset != -2 && (x < 0 || y < 0 || w < 1 || h < 1));
    if (invalid) return nullptr;
    if (offset == -2) {
        // The whole client area of a framed window.
        const int32_t top = caption(screen) + kFrame;
        return CreateRoundRectRgn(kFrame, top, window::WindowMetric(0, *screen) + 2,
                                  window::WindowMetric(1, *screen) + top - 1, ew, eh);
    }
    const int64_t shift = offset == -1 ? caption(screen) + kFrame : offset;
    return CreateRoundRectRgn(coordinate(x), coordinate(y + shift), coordinate(int64_t(x) + w - 1),
                              coordinate(int64_t(y) + h + 2 * shift - 1), ew, eh);
}

HRGN polygon_region(int32_t winding) {
    const Points p = points_of(settings.polygon);
    if (p.count < 1) return nullptr;
    host::Buffer<POINT> cut = host::allocate<POINT>(size_t(p.count));
    if (!cut) return nullptr;
    for (int32_t i = 0; i < p.count; ++i) cut[i] = {coordinate(p.data[i].x), coordinate(p.data[i].y)};
    return CreatePolygonRgn(cut.get(), p.count, winding ? WINDING : ALTERNATE);
}

// Pixel_Rgn's batches: an RGNDATA block whose rectangles the scan writes in place, turned
// into a region and added to the accumulated one whenever it is full, and at the end.
class RegionBuilder final : public RunSink {
public:
    static constexpr size_t kBatch = 4000;

    explicit RegionBuilder(const RunArea& a)
        : block_(host::allocate<uint8_t>(sizeof(RGNDATAHEADER) + kBatch * sizeof(RECT))),
          region_(CreateRectRgn(0, 0, 0, 0)) {
        if (!block_) return;
        header() = {sizeof(RGNDATAHEADER), RDH_RECTANGLES, 0, 0, {a.x, a.y, a.x + a.w, a.y + a.h}};
    }
    bool ok() const { return block_ && region_; }
    RunRect* rects() { return reinterpret_cast<RunRect*>(block_.get() + sizeof(RGNDATAHEADER)); }
    Region& region() { return region_; }

    void flush(const RunRect*, size_t count) override {
        header().nCount = DWORD(count);
        header().nRgnSize = DWORD(count * sizeof(RECT));
        Region part(ExtCreateRegion(nullptr, DWORD(sizeof(RGNDATAHEADER) + count * sizeof(RECT)),
                                    reinterpret_cast<const RGNDATA*>(block_.get())));
        if (!part || CombineRgn(region_.get(), region_.get(), part.get(), RGN_OR) == ERROR) complete_ = false;
    }
    bool complete() const { return complete_; }

private:
    RGNDATAHEADER& header() { return *reinterpret_cast<RGNDATAHEADER*>(block_.get()); }
    host::Buffer<uint8_t> block_;
    Region region_;
    bool complete_ = true;
};
static_assert(sizeof(RunRect) == sizeof(RECT) && sizeof(RGNDATAHEADER) == 32);

}  // namespace

int32_t SetCombineMode(int32_t mode, int32_t, int32_t, int32_t) {
    settings.combine_mode = mode < 0 ? 0 : (mode > 3 ? 3 : mode);
    return 0;
}

int32_t InvCapt(host::BMSCR* screen, int32_t value, int32_t use, int32_t) {
    // Bounded where it is stored: Pixel_Rgn and SetPolygon add it to coordinates later.
    settings.caption_offset = coordinate((value >= 0 && use) ? value : caption(screen));
    return 0;
}

int32_t EllipRgn(host::BMSCR* screen, int32_t w, int32_t h, int32_t mode) {
    Region shape(ellipse_region(screen, w, h, mode, mode & 0xF000));
    if (set_region(screen, shape) != 0) return kNotMade;
    return host::status(caption(screen) + kFrame);
}

int32_t CombineEllipRgn(host::BMSCR* screen, int32_t w, int32_t h, int32_t mode) {
    Region shape(ellipse_region(screen, w, h, mode, true));
    return shape ? combine_with_window(screen, shape) : kNotMade;
}

int32_t RoundRectRgn(host::BMSCR* screen, int32_t ew, int32_t eh, int32_t offset) {
    bool invalid;
    Region shape(round_rect_region(screen, ew, eh, offset, invalid));
    if (invalid) return host::kErrRange;
    return set_region(screen, shape);
}

int32_t CombineRoundRectRgn(host::BMSCR* screen, int32_t ew, int32_t eh, int32_t offset) {
    bool invalid;
    Region shape(round_rect_region(screen, ew, eh, offset, invalid));
    if (invalid) return host::kErrRange;
    return shape ? combine_with_window(screen, shape) : kNotMade;
}

int32_t PolyRgn(host::BMSCR* screen, int32_t winding, int32_t, int32_t) {
    Region shape(polygon_region(winding));
    if (!shape) return host::kErrRange;
    return set_region(screen, shape);
}

int32_t CombinePolyRgn(host::BMSCR* screen, int32_t winding, int32_t, int32_t) {
    Region shape(polygon_region(winding));
    return shape ? combine_with_window(screen, shape) : host::kErrRange;
}

int32_t Pixel_Rgn(host::BMSCR* screen, int32_t w, int32_t h, int32_t index) {
    const Screen s = host::screen_view(*screen);
    const RunArea area = pixel_run_area(s, w, h);
    RegionBuilder builder(area);
    if (!builder.ok()) return kNotMade;
    GdiFlush();  // the pixels as GDI last drew them
    const size_t runs = scan_pixel_runs(s, area, index, builder.rects(), RegionBuilder::kBatch, builder);
    // No memory for the scan, or a batch's region refused: no shape at all rather than a torn one.
    if (runs == kNoRoom || !builder.complete()) return kNotMade;
    if (runs == 0) return -1;
    OffsetRgn(builder.region().get(), kFrame, settings.caption_offset + kFrame);
    return set_region(screen, builder.region());
}

}  // namespace qv::draw

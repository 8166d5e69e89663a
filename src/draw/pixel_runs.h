// Pixel_Rgn's scan: the runs of non-transparent pixels of an area, row by row from the top,
// as rectangles one row high, handed on in batches. Portable: the region calls are the
// caller's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/area.h"
#include "host/views.h"

namespace qv::draw {

// The layout of Win32's RECT, so that a batch is the body of an RGNDATA block as it is.
struct RunRect {
    int32_t left, top, right, bottom;
};

using RunArea = Rect;

// The area: the position (each coordinate outside the screen becomes 0), the size w x h
// where 1 or more (else the screen's), cut at the right and bottom edges.
RunArea pixel_run_area(const Screen& s, int32_t w, int32_t h);

// Receives the rectangles: every time `capacity` of them are collected and another is to be
// added, and once at the end with the rest (when there is any).
class RunSink {
public:
    virtual void flush(const RunRect* rects, size_t count) = 0;

protected:
    ~RunSink() = default;
};

// Scans the area and returns the number of rectangles. A pixel is transparent when its
// blue, green and red equal the screen's colour (full colour), or when its index equals
// `key` (palette screens; a key outside 0 to 255 counts as 0). `buffer` holds `capacity`
// rectangles.
// kNoRoom when there is no memory for a row's edges (nothing is handed to the sink then).
constexpr size_t kNoRoom = SIZE_MAX;
size_t scan_pixel_runs(const Screen& s, const RunArea& a, int32_t key, RunRect* buffer, size_t capacity,
                       RunSink& sink);

}  // namespace qv::draw

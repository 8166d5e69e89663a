// A screen and a variable made the way the Vesh host makes them: a real top-level window,
// a memory DC holding a DIB section (24-bit, or 8-bit with a colour table and a selected
// logical palette), and every BMSCR word the library reads; a PVAL over storage of the
// requested shape. The test host and the runner both stand on these.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/records.h"
#include "host/views.h"

namespace qv::hostsim {

struct Bgr {
    uint8_t b = 0, g = 0, r = 0;
    bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};

class HostScreen {
public:
    HostScreen(int32_t width, int32_t height, bool palette_mode, const char* title = "qv screen");
    ~HostScreen();
    HostScreen(const HostScreen&) = delete;
    HostScreen& operator=(const HostScreen&) = delete;

    bool ok() const { return dib_ != nullptr; }
    host::BMSCR* record() { return &rec_; }
    Screen view() const;
    HWND hwnd() const { return hwnd_; }
    HDC hdc() const { return dc_; }
    int32_t width() const { return rec_.width; }
    int32_t height() const { return rec_.height; }
    bool palette_mode() const { return rec_.palette_mode != 0; }
    size_t stride() const { return view().stride(); }
    uint8_t* bits() const { return view().pixels; }
    size_t size_bytes() const { return view().size_bytes(); }

    // Pixel (x, y) counted from the top, by the host's addressing rule.
    uint8_t* at(int32_t x, int32_t y) const { return view().at(x, y); }
    Bgr pixel(int32_t x, int32_t y) const;
    void set_pixel(int32_t x, int32_t y, Bgr colour);
    void fill(Bgr colour);
    // A smooth, colourful picture: what a photo-like demo needs.
    void fill_gradient();
    // Distinct values for every pixel, and 0xEE in the row padding.
    void fill_pattern(uint32_t seed = 1);
    std::vector<uint8_t> bytes() const;

    void set_cursor(int32_t x, int32_t y) { rec_.cursor_x = x; rec_.cursor_y = y; }
    void set_area(int32_t w, int32_t h) { rec_.area_width = w; rec_.area_height = h; }
    void set_color(uint32_t colorref) { rec_.color = colorref; }
    void set_redraw(bool on) {
        rec_.redraw = int32_t((uint32_t(rec_.redraw) & 0xFFFF) | (on ? 0x10000u : 0));
    }

    // A control (a window class such as "BUTTON" or "EDIT") placed on the window in the next
    // free slot of objects, as the host places its objects; returns the slot, or -1.
    int add_control(const char* window_class, const char* text);

    // The client area as the window shows it now, top-down, 3 bytes a pixel (BGR), no padding.
    std::vector<uint8_t> read_window(int32_t w, int32_t h) const;
    // Writes the buffer as a BMP file (bottom-up rows, with the colour table in palette mode).
    bool save_bmp(const std::string& path) const;

private:
    host::BMSCR rec_{};
    std::vector<uint8_t> info_;  // BITMAPINFOHEADER and 256 RGBQUAD
    HWND hwnd_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP dib_ = nullptr;
    HGDIOBJ old_bitmap_ = nullptr;
    HPALETTE own_palette_ = nullptr;
};

// A variable record with its own storage.
class HostVar {
public:
    // A string variable of `bytes` bytes (rounded up to whole 4-byte units), or an array of
    // `count2` such strings when it is more than 1.
    static HostVar text(uint32_t bytes, uint32_t count2 = 0);
    // An integer variable of `count` elements, and a second dimension when `count2` > 1.
    static HostVar ints(uint32_t count, uint32_t count2 = 0);

    HostVar(const HostVar&) = delete;
    HostVar(HostVar&& other) noexcept;
    HostVar& operator=(const HostVar&) = delete;

    host::PVAL* record() { return &rec_; }
    // Takes its sizes from a dims record (words 2 and 3) instead of len[1] and len[2].
    void use_dims_record(uint32_t units, uint32_t elements);
    uint8_t* data() { return reinterpret_cast<uint8_t*>(storage_.data()); }
    char* chars() { return reinterpret_cast<char*>(storage_.data()); }
    int32_t* ints() { return reinterpret_cast<int32_t*>(storage_.data()); }
    size_t storage_bytes() const { return storage_.size() * 4; }
    bool is_text() const { return rec_.type == host::kString; }

private:
    HostVar() = default;
    void point_at_storage();
    host::PVAL rec_{};
    std::vector<uint32_t> storage_;
    uint32_t dims_[4] = {};
};

// Runs the thread's messages for about `ms` milliseconds (0: only what is queued now).
void pump_messages(DWORD ms = 0);

}  // namespace qv::hostsim

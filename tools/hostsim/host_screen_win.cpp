// The host's screens and variables, made for real (see host_screen_win.h).
#include "host_screen_win.h"

#include <cstdio>
#include <cstring>

#include "host/pointers.h"

namespace qv::hostsim {

namespace {

constexpr char kClass[] = "QuorvelHostScreen";

LRESULT CALLBACK screen_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        // Paint the way the host does: the buffer's visible region, through its palette.
        auto* rec = reinterpret_cast<host::BMSCR*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (rec) {
            HPALETTE pal = reinterpret_cast<HPALETTE>(uintptr_t(rec->hpalette));
            HPALETTE kept = pal ? SelectPalette(dc, pal, FALSE) : nullptr;
            if (pal) RealizePalette(dc);
            BitBlt(dc, 0, 0, rec->window_width, rec->window_height,
                   reinterpret_cast<HDC>(uintptr_t(rec->hdc)), rec->view_x, rec->view_y, SRCCOPY);
            if (kept) SelectPalette(dc, kept, FALSE);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void register_class() {
    static bool done = false;
    if (done) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = screen_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
    done = true;
}

template <class H>
host::Word word_of(H h) { return host::Word(uintptr_t(h)); }

}  // namespace

HostScreen::HostScreen(int32_t width, int32_t height, bool palette_mode, const char* title) {
    register_class();
    rec_.width = width;
    rec_.height = height;
    rec_.palette_mode = palette_mode ? 1 : 0;

    info_.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(info_.data());
    bih->biSize = sizeof(BITMAPINFOHEADER);
    bih->biWidth = width;
    bih->biHeight = height;  // positive: bottom-up, as the host keeps it
    bih->biPlanes = 1;
    bih->biBitCount = palette_mode ? 8 : 24;
    bih->biCompression = BI_RGB;
    bih->biClrUsed = palette_mode ? 256 : 0;
    auto* table = reinterpret_cast<RGBQUAD*>(info_.data() + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < 256; ++i) table[i] = {BYTE(i), BYTE(i), BYTE(i), 0};  // grey ramp

    HDC screen_dc = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen_dc);
    ReleaseDC(nullptr, screen_dc);
    void* bits = nullptr;
    dib_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(info_.data()), DIB_RGB_COLORS,
                            &bits, nullptr, 0);
    if (!dib_) return;
    old_bitmap_ = SelectObject(dc_, dib_);

    if (palette_mode) {
        std::vector<uint8_t> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
        auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
        lp->palVersion = 0x300;
        lp->palNumEntries = 256;
        PALETTEENTRY* entries = lp->palPalEntry;
        for (int i = 0; i < 256; ++i) entries[i] = {BYTE(i), BYTE(i), BYTE(i), PC_NOCOLLAPSE};
        own_palette_ = CreatePalette(lp);
        rec_.hpalette = word_of(own_palette_);
        rec_.old_hpalette = word_of(SelectPalette(dc_, own_palette_, TRUE));
        rec_.palette_count = 256;
    }

    rec_.hdc = word_of(dc_);
    rec_.pixels = word_of(bits);
    rec_.bitmap_info = word_of(info_.data());
    rec_.palette = word_of(table);
    rec_.window_width = width;
    rec_.window_height = height;
    rec_.redraw = 0x10000;
    rec_.font = word_of(GetStockObject(DEFAULT_GUI_FONT));

    RECT r{0, 0, width, height};
    DWORD style = WS_OVERLAPPEDWINDOW;
    AdjustWindowRect(&r, style, FALSE);
    hwnd_ = CreateWindowA(kClass, title, style, 40, 40, r.right - r.left, r.bottom - r.top,
                          nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    rec_.hwnd = word_of(hwnd_);
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, LONG_PTR(&rec_));
        ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd_);
    }
}

HostScreen::~HostScreen() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (dc_) {
        // Whatever palette the library installed is the screen's now: release it as the host
        // would, after putting the DC's original palette back.
        if (rec_.hpalette) {
            SelectPalette(dc_, reinterpret_cast<HPALETTE>(uintptr_t(rec_.old_hpalette)), TRUE);
            DeleteObject(reinterpret_cast<HPALETTE>(uintptr_t(rec_.hpalette)));
        }
        if (old_bitmap_) SelectObject(dc_, old_bitmap_);
        DeleteDC(dc_);
    }
    if (dib_) DeleteObject(dib_);
}

Screen HostScreen::view() const { return host::screen_view(rec_); }

Bgr HostScreen::pixel(int32_t x, int32_t y) const {
    const uint8_t* p = at(x, y);
    if (palette_mode()) return {p[0], p[0], p[0]};  // the index, in every channel
    return {p[0], p[1], p[2]};
}

void HostScreen::set_pixel(int32_t x, int32_t y, Bgr c) {
    GdiFlush();
    uint8_t* p = at(x, y);
    if (palette_mode()) {
        p[0] = c.b;
    } else {
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }
}

void HostScreen::fill(Bgr c) {
    for (int32_t y = 0; y < height(); ++y)
        for (int32_t x = 0; x < width(); ++x) set_pixel(x, y, c);
}

void HostScreen::fill_gradient() {
    const int32_t w = width() > 1 ? width() - 1 : 1, h = height() > 1 ? height() - 1 : 1;
    for (int32_t y = 0; y < height(); ++y)
        for (int32_t x = 0; x < width(); ++x) {
            uint8_t r = uint8_t(255 * x / w), g = uint8_t(255 * y / h);
            uint8_t b = uint8_t(255 - (r + g) / 2);
            set_pixel(x, y, palette_mode() ? Bgr{r, r, r} : Bgr{b, g, r});
        }
}

void HostScreen::fill_pattern(uint32_t seed) {
    GdiFlush();
    uint32_t state = seed * 2654435761u + 12345;
    size_t row_bytes = size_t(width()) * view().bpp;
    for (int32_t y = 0; y < height(); ++y) {
        uint8_t* row = at(0, y);
        for (size_t i = 0; i < stride(); ++i) {
            state = state * 1103515245u + 12345u;
            row[i] = i < row_bytes ? uint8_t(state >> 16) : 0xEE;
        }
    }
}

std::vector<uint8_t> HostScreen::bytes() const {
    GdiFlush();
    return std::vector<uint8_t>(bits(), bits() + size_bytes());
}

std::vector<uint8_t> HostScreen::read_window(int32_t w, int32_t h) const {
    std::vector<uint8_t> out(size_t(w) * h * 3);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down, so rows come out in reading order
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC window_dc = GetDC(hwnd_);
    HDC mem = CreateCompatibleDC(window_dc);
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, window_dc, 0, 0, SRCCOPY);
        GdiFlush();
        size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
        for (int32_t y = 0; y < h; ++y)
            std::memcpy(&out[size_t(y) * w * 3], static_cast<uint8_t*>(bits) + y * stride,
                        size_t(w) * 3);
        SelectObject(mem, old);
        DeleteObject(bmp);
    }
    DeleteDC(mem);
    ReleaseDC(hwnd_, window_dc);
    return out;
}

bool HostScreen::save_bmp(const std::string& path) const {
    GdiFlush();
    const bool pal = palette_mode();
    const uint32_t table_bytes = pal ? 256 * sizeof(RGBQUAD) : 0;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;  // "BM"
    fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + table_bytes;
    fh.bfSize = fh.bfOffBits + uint32_t(size_bytes());
    BITMAPINFOHEADER ih = *reinterpret_cast<const BITMAPINFOHEADER*>(info_.data());
    ih.biSizeImage = uint32_t(size_bytes());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&ih, sizeof ih, 1, f) == 1 &&
              (!pal || std::fwrite(info_.data() + sizeof(BITMAPINFOHEADER), table_bytes, 1, f) == 1) &&
              std::fwrite(bits(), size_bytes(), 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

int HostScreen::add_control(const char* window_class, const char* text) {
    int slot = 0;
    while (slot < 64 && rec_.objects[slot]) ++slot;
    if (slot == 64) return -1;
    const DWORD style = WS_CHILD | WS_VISIBLE | (std::strcmp(window_class, "EDIT") == 0 ? WS_BORDER | ES_AUTOHSCROLL : 0);
    HWND c = CreateWindowA(window_class, text, style, 8, 8 + 30 * (slot % 8), 120, 24, hwnd_,
                           reinterpret_cast<HMENU>(uintptr_t(100 + slot)), nullptr, nullptr);
    if (!c) return -1;
    rec_.objects[slot] = host::Word(uintptr_t(c));
    return slot;
}

HostVar HostVar::text(uint32_t bytes, uint32_t count2) {
    HostVar v;
    v.rec_.type = host::kString;
    uint32_t units = (bytes + 3) / 4;
    v.rec_.len[1] = uint16_t(units);
    v.rec_.len[2] = uint16_t(count2);
    const size_t n = size_t(units) * (count2 > 1 ? count2 : 1);
    v.storage_.assign(n ? n : 1, 0);
    v.point_at_storage();
    return v;
}

HostVar HostVar::ints(uint32_t count, uint32_t count2) {
    HostVar v;
    v.rec_.type = host::kInteger;
    v.rec_.len[1] = uint16_t(count);
    v.rec_.len[2] = uint16_t(count2);
    size_t n = size_t(count) * (count2 > 1 ? count2 : 1);
    v.storage_.assign(n ? n : 1, 0);
    v.point_at_storage();
    return v;
}

HostVar::HostVar(HostVar&& other) noexcept
    : rec_(other.rec_), storage_(std::move(other.storage_)) {
    std::memcpy(dims_, other.dims_, sizeof dims_);
    point_at_storage();
    if (rec_.dims_record) rec_.dims_record = word_of(dims_);
}

void HostVar::use_dims_record(uint32_t units, uint32_t elements) {
    dims_[2] = units;
    dims_[3] = elements;
    rec_.uses_dims_record = 1;
    rec_.dims_record = word_of(dims_);
    size_t words = size_t(units) * (elements > 1 ? elements : 1);
    if (storage_.size() < words) storage_.resize(words, 0);
    point_at_storage();
}

void HostVar::point_at_storage() { rec_.data = word_of(storage_.data()); }

void pump_messages(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        if (ms) Sleep(5);
    } while (GetTickCount() - start < ms);
}

}  // namespace qv::hostsim

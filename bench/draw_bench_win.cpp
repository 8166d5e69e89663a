// Drawing benchmark under Wine, against the real DLL (medians):
// - Pixel_Rgn on 1920 x 1080 full-colour pictures with many runs (a photo-like picture
//   thresholded, and a fine checkerboard): the scan alone (runs into rectangles, the core
//   function compiled as in the DLL) next to a memcpy of the same pixels; the whole command
//   next to the GDI floor, ExtCreateRegion + CombineRgn of the very same batches of
//   rectangles made beforehand. The command runs on a record without a window, as the floor
//   sets no window's region (under Xvfb, a window region of this many rectangles makes the X
//   server refuse Wine's request, which ends the process).
// - AutoLine_H and AutoLine_V with step 1 over a 4000 x 3000 area next to memset of the
//   same bytes.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "dll_bench_win.h"
#include "draw/pixel_runs.h"
#include "host_screen_win.h"

namespace {

using qv::bench::median_seconds;
using qv::bench::word;
using qv::draw::RunRect;

HMODULE dll;
int32_t call(const char* name, int32_t a, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    return qv::bench::command(dll, name)(a, b, c, d);
}

constexpr int kBatch = 4000;
constexpr uint32_t kKey = 0x00302010;  // the transparent colour (0x00BBGGRR)

// Keeps every batch, for the floor.
struct Keep final : qv::draw::RunSink {
    std::vector<std::vector<RunRect>> batches;
    void flush(const RunRect* r, size_t n) override { batches.emplace_back(r, r + n); }
};

struct Discard final : qv::draw::RunSink {
    size_t total = 0;
    void flush(const RunRect*, size_t n) override { total += n; }
};

// The region of the batches, made as Pixel_Rgn makes it: one block per batch, ORed in.
void gdi_floor(const std::vector<std::vector<RunRect>>& batches, RECT bounds) {
    std::vector<uint8_t> block(sizeof(RGNDATAHEADER) + kBatch * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(block.data());
    HRGN all = CreateRectRgn(0, 0, 0, 0);
    for (const auto& b : batches) {
        data->rdh = {sizeof(RGNDATAHEADER), RDH_RECTANGLES, DWORD(b.size()), DWORD(b.size() * sizeof(RECT)), bounds};
        std::memcpy(data->Buffer, b.data(), b.size() * sizeof(RECT));
        HRGN part = ExtCreateRegion(nullptr, DWORD(sizeof(RGNDATAHEADER) + b.size() * sizeof(RECT)), data);
        CombineRgn(all, all, part, RGN_OR);
        DeleteObject(part);
    }
    DeleteObject(all);
}

void bench_picture(const char* name, qv::hostsim::HostScreen& s) {
    s.set_color(kKey);
    s.set_cursor(0, 0);
    const qv::Screen v = s.view();
    const qv::draw::RunArea area = qv::draw::pixel_run_area(v, 0, 0);
    std::vector<RunRect> buffer(kBatch);
    Keep keep;
    const size_t runs = qv::draw::scan_pixel_runs(v, area, 0, buffer.data(), buffer.size(), keep);
    Discard discard;
    const double scan = median_seconds(15, [&] { scan_pixel_runs(v, area, 0, buffer.data(), buffer.size(), discard); });
    std::vector<uint8_t> copy(s.size_bytes());
    const double copy_time = median_seconds(15, [&] { std::memcpy(copy.data(), s.bits(), copy.size()); });
    const RECT bounds{0, 0, area.w, area.h};
    const double floor = median_seconds(7, [&] { gdi_floor(keep.batches, bounds); });
    qv::host::BMSCR windowless = *s.record();
    windowless.hwnd = 0;
    const double command = median_seconds(7, [&] { call("Pixel_Rgn", word(&windowless), 0, 0, 0); });
    std::printf("Pixel_Rgn, %s (%zu runs, %zu batches):\n", name, runs, keep.batches.size());
    std::printf("  scan %8.2f ms   memcpy of the pixels %6.2f ms   ratio %.2f\n", scan * 1e3, copy_time * 1e3,
                scan / copy_time);
    std::printf("  command %5.1f ms   GDI floor %8.1f ms   ratio %.2f\n", command * 1e3, floor * 1e3, command / floor);
}

void bench_lines() {
    qv::hostsim::HostScreen s(4000, 3000, false, "lines");
    s.set_cursor(0, 0);
    s.set_area(4000, 3000);
    s.set_color(0x00123456);
    std::vector<uint8_t> target(s.size_bytes());
    const double fill = median_seconds(9, [&] { std::memset(target.data(), 0x56, target.size()); });
    const double h = median_seconds(9, [&] { call("AutoLine_H", word(s.record()), 1, 0); });
    const double v = median_seconds(9, [&] { call("AutoLine_V", word(s.record()), 1, 0); });
    const double v2 = median_seconds(9, [&] { call("AutoLine_V", word(s.record()), 2, 0); });
    std::printf("Ruled lines over 4000 x 3000, step 1 (memset of the same bytes %.2f ms; results %d %d):\n", fill * 1e3,
                call("AutoLine_H", word(s.record()), 1, 0), call("AutoLine_V", word(s.record()), 1, 0));
    std::printf("  AutoLine_H %6.2f ms   ratio %.2f\n", h * 1e3, h / fill);
    std::printf("  AutoLine_V %6.2f ms   ratio %.2f   (step 2: %.2f ms)\n", v * 1e3, v / fill, v2 * 1e3);
}

// The transparent colour or an opaque one, straight into the buffer.
void paint(qv::hostsim::HostScreen& s, int32_t x, int32_t y, bool transparent) {
    static const uint8_t clear[3] = {0x30, 0x20, 0x10}, opaque[3] = {200, 180, 160};
    std::memcpy(s.at(x, y), transparent ? clear : opaque, 3);
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    dll = qv::bench::load_library();
    if (!dll) {
        std::fprintf(stderr, "cannot load quorvel.dll\n");
        return 1;
    }
    qv::hostsim::HostScreen s(1920, 1080, false, "regions");
    // A photo-like picture (smooth light and texture), thresholded: the darker pixels are
    // the transparent colour.
    for (int32_t y = 0; y < 1080; ++y)
        for (int32_t x = 0; x < 1920; ++x) {
            const double light = 0.5 + 0.25 * std::sin(x / 97.0) * std::cos(y / 61.0) + 0.15 * std::sin((x + 2 * y) / 13.0) +
                                 0.1 * std::sin(x * 0.71 + y * 1.37) * std::cos(x * 0.29);
            paint(s, x, y, light < 0.5);
        }
    bench_picture("photo thresholded", s);
    for (int32_t y = 0; y < 1080; ++y)
        for (int32_t x = 0; x < 1920; ++x)
            paint(s, x, y, (x / 4 + y / 4) % 2);
    bench_picture("checkerboard of 4 x 4 cells", s);
    bench_lines();
    return 0;
}

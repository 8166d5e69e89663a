// Clipboard benchmark under Wine (medians of 15): a 1920 x 1080 DIB of 24 and of 8 bits read
// into a full-colour screen (the reader compiled as in the DLL) next to memcpy of the
// screen's bytes; then the commands themselves through the DLL, GetClipDib and Dib2Clip,
// with the clipboard's own cost beside them (opening it and fetching or handing over a
// block of that size, with no pixel work), which under Wine is most of theirs.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "clip/dib.h"
#include "dll_bench_win.h"
#include "host_screen_win.h"

namespace {

using qv::bench::median_seconds;
using qv::bench::word;

HMODULE dll;
int32_t call(const char* name, int32_t a, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    return qv::bench::command(dll, name)(a, b, c, d);
}

constexpr int32_t W = 1920, H = 1080;

std::vector<uint8_t> make_dib(uint16_t bits) {
    const size_t stride = ((size_t(W) * bits + 7) / 8 + 3) & ~size_t(3), table = bits < 24 ? 4u << bits : 0;
    std::vector<uint8_t> b(40 + table + stride * H);
    const int32_t head[] = {40, W, H};
    std::memcpy(b.data(), head, 12);
    b[12] = 1;
    b[14] = uint8_t(bits);
    for (size_t i = 40; i < b.size(); ++i) b[i] = uint8_t(i * 2654435761u >> 13);
    return b;
}

void put(const std::vector<uint8_t>& bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    OpenClipboard(nullptr);
    EmptyClipboard();
    SetClipboardData(CF_DIB, h);
    CloseClipboard();
}

// Fetching the block and locking it, as GetClipDib does, without reading it.
void fetch() {
    OpenClipboard(nullptr);
    HGLOBAL h = GetClipboardData(CF_DIB);
    if (h) {
        volatile uint8_t first = *static_cast<uint8_t*>(GlobalLock(h));
        (void)first;
        GlobalUnlock(h);
    }
    CloseClipboard();
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    dll = qv::bench::load_library();
    if (!dll) return 1;
    qv::hostsim::HostScreen screen(W, H, false, "clip");
    std::vector<uint8_t> target(screen.size_bytes());
    // memcpy of the screen's bytes from a buffer of their size into the screen: the same
    // writes, and as many reads as a 24-bit DIB's.
    const std::vector<uint8_t> source(screen.size_bytes(), 7);
    const double copy_screen = median_seconds(15, [&] { std::memcpy(screen.bits(), source.data(), source.size()); });
    for (uint16_t bits : {24, 8}) {
        const std::vector<uint8_t> dib = make_dib(bits);
        qv::clip::Dib checked;
        qv::clip::check_dib(dib.data(), dib.size(), false, checked);
        const double place = median_seconds(15, [&] { qv::clip::place_dib(checked, screen.view(), {0, 0}); });
        std::printf("reading a %2d-bit DIB into the screen: %5.2f ms; memcpy of the screen's %.1f MB into it %5.2f ms, ratio %.2f\n",
                    bits, place * 1e3, target.size() / 1e6, copy_screen * 1e3, place / copy_screen);
        put(dib);
        const double copy = median_seconds(15, [&] { std::memcpy(target.data(), dib.data(), std::min(dib.size(), target.size())); });
        const double get = median_seconds(15, [&] { call("GetClipDib", word(screen.record()), 0, 0, 0); });
        const double clipboard = median_seconds(15, fetch);
        std::printf("GetClipDib %2d bits: %6.2f ms (result %d); the clipboard alone %5.2f ms; memcpy of the DIB's %.1f MB "
                    "%5.2f ms\n",
                    bits, get * 1e3, call("GetClipDib", word(screen.record()), 0, 0, 0), clipboard * 1e3, dib.size() / 1e6,
                    copy * 1e3);
    }
    const std::vector<uint8_t> same(40 + screen.size_bytes() + 4);
    const double give = median_seconds(15, [&] { call("Dib2Clip", word(screen.record())); });
    const double clipboard = median_seconds(15, [&] { put(same); });
    std::printf("Dib2Clip: %6.2f ms; the clipboard alone (a block of the same size allocated, filled and handed over) "
                "%5.2f ms, ratio %.2f; memcpy of the screen %5.2f ms\n",
                give * 1e3, clipboard * 1e3, give / clipboard, copy_screen * 1e3);
    return 0;
}

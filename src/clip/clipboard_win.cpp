// The clipboard commands: text to and from string variables, a screen as a DIB to and from
// the clipboard, and what the clipboard holds. The clipboard is opened without an owner and
// closed, and every block unlocked, on every path out.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "clip/clipboard_win.h"
#include "clip/dib.h"
#include "command_decls.h"
#include "host/pointers.h"
#include "host/refresh_win.h"

namespace qv::clip {

namespace {

constexpr int32_t kIntegerVariable = -65535;
constexpr int32_t kNoPalette = -5;  // GetClipDib: the system refused the palette screen's new palette

}  // namespace

int32_t GetClipTxt(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type == host::kInteger) return kIntegerVariable;
    const Var v = host::var_view(*var);
    const ReadBlock text(CF_TEXT);
    if (text.status()) return text.status();
    take_text(text.data(), text.size(), v);
    return 0;
}

int32_t Txt2Clip(host::PVAL* var, int32_t max_length, int32_t, int32_t) {
    if (var->type == host::kInteger) return kIntegerVariable;
    const Var v = host::var_view(*var);
    const uint64_t limit = text_limit(v);
    const size_t n = size_t(max_length > 0 && uint64_t(max_length) < limit ? uint64_t(max_length) : limit);
    const void* zero = std::memchr(v.data, 0, n);
    const size_t length = zero ? size_t(static_cast<const uint8_t*>(zero) - v.data) : n;
    Block block(length + 1);
    {
        Locked locked(block.get());
        if (!locked.data()) return -1;
        std::memcpy(locked.data(), v.data, length);
        locked.data()[length] = 0;
    }
    return publish({{CF_TEXT, block}});
}

size_t screen_dib_size(const Screen& s) { return 40 + (s.palette_mode() ? 1024 : 0) + s.size_bytes() + 4; }

void write_screen_dib(const host::BMSCR& screen, const Screen& s, uint8_t* to) {
    const size_t table = s.palette_mode() ? 1024 : 0;
    std::memcpy(to, host::ptr<const uint8_t>(screen.bitmap_info), 40);
    if (table) std::memcpy(to + 40, s.palette, table);
    GdiFlush();  // the pixels as GDI last drew them
    std::memcpy(to + 40 + table, s.pixels, s.size_bytes());
    // The block's slack after the pixels goes to other programs too: zeros, not whatever the
    // heap held.
    std::memset(to + 40 + table + s.size_bytes(), 0, 4);
}

int32_t Dib2Clip(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    const Screen s = host::screen_view(*screen);
    Block block(screen_dib_size(s));
    {
        Locked locked(block.get());
        if (!locked.data()) return -1;
        write_screen_dib(*screen, s, locked.data());
    }
    return publish({{CF_DIB, block}});
}

bool take_dib(host::BMSCR& screen, const Dib& dib, Point at, char* palette) {
    const Screen s = host::screen_view(screen);
    if (s.palette_mode()) {
        uint8_t colours[768];
        dib_colours(dib, colours);
        if (!host::InstallPalette(screen, dib.entries, colours)) return false;
        if (palette) std::memcpy(palette, colours, size_t(3 * dib.entries));
    }
    GdiFlush();
    place_dib(dib, s, at);
    return true;
}

int32_t GetClipDib(host::BMSCR* screen, int32_t x, int32_t y, char* palette) {
    const Screen s = host::screen_view(*screen);
    const ReadBlock block(CF_DIB);
    if (block.status()) return block.status();
    Dib dib;
    if (DibStatus status = check_dib(block.data(), block.size(), s.palette_mode(), dib)) return status;
    return take_dib(*screen, dib, inside_or_zero(s, x, y), palette) ? 0 : kNoPalette;
}

int32_t GetClipInfo(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kInteger) return kIntegerVariable;
    const Var v = host::var_view(*var);
    // The description is made here and written when the command answers: elements 0 to 3
    // cleared, then what was found. When the clipboard cannot be opened or its block locked
    // (the system refused), the variable is left as it was.
    int32_t values[5] = {};
    size_t count = 4;
    const auto answer = [&](int32_t result) {
        for (size_t i = 0; i < count; ++i)
            if (v.capacity >= 4 * (i + 1)) v.ints()[i] = values[i];  // a smaller variable gets what fits
        return result;
    };
    OpenClipboardHolder open;
    if (!open) return -1;
    HGLOBAL dib = GetClipboardData(CF_DIB);
    HGLOBAL handle = dib ? dib : GetClipboardData(CF_TEXT);
    if (!handle) return answer(0);
    const size_t size = GlobalSize(handle);
    values[0] = dib ? 2 : 1;
    values[1] = int32_t(size);
    if (!dib) return answer(0);
    if (size == 0) return answer(-2);
    if (size < 48) return answer(-3);
    Locked locked(handle);
    if (!locked.data()) return -4;
    uint16_t bits;
    std::memcpy(&values[3], locked.data() + 4, 4);
    std::memcpy(&values[4], locked.data() + 8, 4);
    std::memcpy(&bits, locked.data() + 14, 2);
    values[2] = bits;
    count = 5;
    return answer(0);
}

}  // namespace qv::clip

// Bringing windows to the front, hiding the active one behind the next, finding a window by
// a part of its title, and following the foreground window.
#include <windows.h>

#include <cstring>
#include <memory>

#include "command_decls.h"
#include "host/memory.h"
#include "host/pointers.h"
#include "window/settings.h"

namespace qv::window {

namespace {

HWND hwnd_of(const host::BMSCR* screen) { return host::handle<HWND>(screen->hwnd); }

bool visible(HWND hwnd) { return (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

// WinActivate's search, for one call: titles are read into `title` (2048 characters at
// most, in a buffer of 2064 bytes).
struct TitleSearch {
    const char* text;
    size_t length;
    char* title;
    HWND found;
};

// Takes the window when its title holds the text (bytes compared exactly) and it is
// visible; a hidden window with a matching title is passed over.
BOOL CALLBACK visit(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<TitleSearch*>(param);
    const int got = GetWindowTextA(hwnd, search->title, 2048);
    const size_t n = got > 0 ? size_t(got) : 0;
    for (size_t at = 0; at + search->length <= n; ++at) {
        if (std::memcmp(search->title + at, search->text, search->length) != 0) continue;
        if (!visible(hwnd)) return TRUE;
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int32_t ToTopWin(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    SetForegroundWindow(hwnd_of(screen));
    return 0;
}

int32_t SetWinZOrder(host::BMSCR* screen, int32_t top, int32_t, int32_t) {
    const HWND hwnd = hwnd_of(screen);
    if (visible(hwnd)) return -1;
    SetWindowPos(hwnd, (top & 1) ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return 0;
}

int32_t UnActivate(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    const HWND hwnd = hwnd_of(screen);
    if (GetForegroundWindow() != hwnd) return -1;
    ShowWindow(hwnd, SW_HIDE);  // the system activates another window
    const HWND next = GetForegroundWindow();
    if (!next) return 0;        // none: the window stays hidden
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(next);
    return 0;
}

int32_t WinActivate(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kString) return -1;
    const size_t size = host::first_dimension_bytes(*var);
    if (size > 2047) return -2;
    // The text ends at its first zero byte, or at the end of its first dimension or of the
    // storage (a dims record may give less), whichever comes first.
    const size_t room = size_t(host::first_dimension_room(*var));
    const char* text = host::ptr<const char>(var->data);
    const void* end = std::memchr(text, 0, room);
    const size_t length = end ? size_t(static_cast<const char*>(end) - text) : room;
    if (length == 0) return -2;
    host::Buffer<char> title = host::allocate<char>(2064);
    if (!title) return -3;  // not "no window found": none was looked at
    TitleSearch search{text, length, title.get(), nullptr};
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return -2;
    SetForegroundWindow(search.found);
    return 0;
}

int32_t GetForeWinPos(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kInteger) return -1;
    if (var->len[1] < 4 || host::var_view(*var).capacity < 16) return -2;
    const HWND front = GetForegroundWindow();
    if (host::word_of(front) == settings.last_foreground) return -16;
    settings.last_foreground = host::word_of(front);
    RECT r{};
    GetWindowRect(front, &r);
    int32_t* out = host::ptr<int32_t>(var->data);
    out[0] = r.left;
    out[1] = r.top;
    out[2] = r.right;
    out[3] = r.bottom;
    return 0;
}

}  // namespace qv::window

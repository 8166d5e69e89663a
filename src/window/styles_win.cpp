// Window styles by small tables, the saved parent window, and the host's child window.
#include <windows.h>

#include "command_decls.h"
#include "host/pointers.h"
#include "window/parent_win.h"
#include "window/settings.h"

namespace qv::window {

namespace {

HWND hwnd_of(const host::BMSCR* screen) { return host::handle<HWND>(screen->hwnd); }

// Clears the bit of `remove` and then sets the bit of `add` (indexes into `bits`, the last
// index taken for any beyond it, 0 or less for none) in the window's long at `index`.
template <size_t N>
void edit_style(const host::BMSCR* screen, int index, const LONG (&bits)[N], int32_t remove, int32_t add) {
    const auto bit = [&](int32_t i) { return bits[i < int32_t(N) ? i : int32_t(N) - 1]; };
    LONG style = GetWindowLongA(hwnd_of(screen), index);
    if (remove > 0) style &= ~bit(remove);
    if (add > 0) style |= bit(add);
    SetWindowLongA(hwnd_of(screen), index, style);
}

}  // namespace

HWND owner_window() {
    const HWND saved = host::handle<HWND>(settings.saved_parent);
    if (saved && !IsWindow(saved)) settings.saved_parent = 0;
    return host::handle<HWND>(settings.saved_parent);
}

int32_t SetWinLong(host::BMSCR* screen, int32_t remove, int32_t add, int32_t) {
    static constexpr LONG kStyles[] = {0,          WS_CAPTION, WS_DLGFRAME, WS_BORDER,         WS_THICKFRAME, WS_MAXIMIZEBOX,
                                       WS_MINIMIZEBOX, WS_SYSMENU, WS_HSCROLL, WS_VSCROLL, LONG(WS_CHILD), WS_CLIPCHILDREN};
    edit_style(screen, GWL_STYLE, kStyles, remove, add);
    return 0;
}

int32_t SetWinLongEx(host::BMSCR* screen, int32_t remove, int32_t add, int32_t) {
    static constexpr LONG kExStyles[] = {0, WS_EX_TOOLWINDOW, WS_EX_DLGMODALFRAME, WS_EX_TRANSPARENT};
    edit_style(screen, GWL_EXSTYLE, kExStyles, remove, add);
    return 0;
}

int32_t SetParentWnd(host::BMSCR* screen, int32_t clear, int32_t, int32_t) {
    int32_t result = -1;
    if (GetWindowLongA(hwnd_of(screen), GWL_STYLE) & WS_VISIBLE) {
        settings.saved_parent = screen->hwnd;
        result = 0;
    }
    if (clear) {
        settings.saved_parent = 0;
        result = -2;
    }
    return result;
}

int32_t ChangeParentWnd(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    // The saved window is used as it is: making a child of a window that has gone fails in
    // SetParent, which reports nothing here.
    if (!settings.saved_parent) return -1;
    if (settings.saved_parent == screen->hwnd) return -2;
    SetParent(hwnd_of(screen), host::handle<HWND>(settings.saved_parent));
    return 0;
}

int32_t GetVeshWin(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    const HWND child = GetWindow(hwnd_of(screen), GW_CHILD);
    if (IsWindow(child) == 1) SetWindowLongA(child, GWL_STYLE, WS_DISABLED);
    return 0;
}

}  // namespace qv::window

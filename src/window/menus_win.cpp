// Popup menus built from a string array and kept in eight slots until destroyed, and the
// window's system menu: emptied, trimmed item by item, counted.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "command_decls.h"
#include "host/memory.h"
#include "host/pointers.h"
#include "host/results.h"
#include "window/settings.h"

namespace qv::window {

namespace {

constexpr int32_t kNotMade = -2;  // CreatePopup: the menu, an item or the memory for one refused

PopupSlot& slot_of(int32_t slot) { return settings.popups[slot >= 0 && slot < kPopupSlots ? slot : 0]; }

HMENU system_menu(const host::BMSCR* screen) { return GetSystemMenu(host::handle<HWND>(screen->hwnd), FALSE); }

// Deletes every item, always the first.
void empty_menu(HMENU menu) {
    for (int n = GetMenuItemCount(menu); n > 0; --n) DeleteMenu(menu, 0, MF_BYPOSITION);
}

bool destroy(PopupSlot& s) {
    if (s.state != kLiveMenu) return false;
    DestroyMenu(host::handle<HMENU>(s.menu));
    s = {};
    return true;
}

}  // namespace

int32_t CreatePopup(host::PVAL* var, int32_t count, int32_t slot, int32_t) {
    PopupSlot& s = slot_of(slot);
    if (s.state == kLiveMenu) return -1;
    if (var->type != host::kString) return host::kErrVarType;
    // len[2] strings of len[1] x 4 bytes each, as far as the storage reaches; a string
    // without a zero byte ends at its slot's end.
    const size_t width = host::first_dimension_bytes(*var);
    const uint64_t held = width ? host::var_view(*var).capacity / width : 0;
    size_t items = std::min<uint64_t>(var->len[2], held);
    if (count >= 1 && size_t(count) < items) items = size_t(count);
    // An item's text with its terminator, taken before the menu is made; a menu that cannot
    // have all its items is not kept, so a script never shows one with items missing.
    const host::Buffer<char> item = host::allocate<char>(width + 1);
    if (!item) return kNotMade;
    const HMENU menu = CreatePopupMenu();
    if (!menu) return kNotMade;
    const char* data = host::ptr<const char>(var->data);
    UINT_PTR id = 0;
    for (size_t i = 0; i < items; ++i) {
        const char* text = data + i * width;
        const size_t n = strnlen(text, width);
        std::memcpy(item.get(), text, n);
        item[n] = 0;
        const bool added = std::strcmp(item.get(), "-") == 0 ? AppendMenuA(menu, MF_SEPARATOR, 0, nullptr)
                                                             : AppendMenuA(menu, MF_STRING, ++id, item.get());
        if (!added) {
            DestroyMenu(menu);
            return kNotMade;
        }
    }
    s = {host::word_of(menu), kLiveMenu};
    return 0;
}

int32_t DoPopup(host::BMSCR* screen, int32_t x, int32_t y, int32_t slot) {
    const PopupSlot& s = slot_of(slot);
    if (s.state != kLiveMenu) return host::kNothingPending;
    return host::status(TrackPopupMenu(host::handle<HMENU>(s.menu), TPM_RETURNCMD, x, y, 0, host::handle<HWND>(screen->hwnd), nullptr));
}

int32_t DestroyPopup(int32_t which, int32_t, int32_t, int32_t) {
    if (which >= 256 && which < 256 + kPopupSlots) return destroy(settings.popups[which - 256]) ? 0 : -1;
    bool any = false;
    for (PopupSlot& s : settings.popups) {
        any |= destroy(s);
        s = {};
    }
    return any ? 0 : -1;
}

int32_t WinCaptSysMenu(host::BMSCR* screen, int32_t keep, int32_t, int32_t) {
    const HWND hwnd = host::handle<HWND>(screen->hwnd);
    if (!keep) {
        empty_menu(system_menu(screen));
        DrawMenuBar(hwnd);
    }
    // The whole style is replaced: WS_VISIBLE and every other bit go.
    SetWindowLongA(hwnd, GWL_STYLE, keep ? WS_CAPTION | WS_SYSMENU : WS_CAPTION);
    return 0;
}

int32_t DelSysMenu(host::BMSCR* screen, int32_t flags, int32_t position, int32_t) {
    static constexpr struct {
        int32_t bit;
        UINT command;
    } kItems[] = {{1, SC_CLOSE}, {2, SC_MAXIMIZE}, {4, SC_MINIMIZE}, {8, SC_RESTORE}, {16, SC_SIZE}, {32, SC_MOVE}};
    if (flags < -1 || flags > 65535 || position < 0) return -1;
    const HMENU menu = system_menu(screen);
    for (const auto& item : kItems) {
        if (!(flags & item.bit)) continue;
        EnableMenuItem(menu, item.command, MF_GRAYED);
        DeleteMenu(menu, item.command, MF_BYCOMMAND);
    }
    if (flags & 64) DeleteMenu(menu, 0, MF_BYCOMMAND);  // the first separator
    if (flags & 0x100) {
        if (position > GetMenuItemCount(menu) - 1) return -1;
        DeleteMenu(menu, UINT(position), MF_BYPOSITION);
    }
    if (flags == -1) empty_menu(menu);
    DrawMenuBar(host::handle<HWND>(screen->hwnd));
    return 0;
}

int32_t GetSysMenuCount(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    // No window, a destroyed one or one without a system menu has no items: GetMenuItemCount
    // says -1 there, which negated would reach the host as an error number.
    const HMENU menu = system_menu(screen);
    const int n = menu ? GetMenuItemCount(menu) : 0;
    return host::status(n > 0 ? n : 0);
}

}  // namespace qv::window

// The host's controls on a screen's window, addressed by their slot in the record's objects
// table: placing, fonts, clicks, the mouse, button styles, the text of a target control, and
// a snapshot of the table that later shows which slots changed.
#include <windows.h>

#include <algorithm>

#include "command_decls.h"
#include "host/pointers.h"
#include "host/results.h"
#include "window/settings.h"

namespace qv::window {

namespace {

constexpr int32_t kBadIndex = -1;
constexpr int32_t kNoControl = -2;

bool bad_index(int32_t index) { return index < 0 || index >= kObjects; }

HWND control(const host::BMSCR* screen, int32_t index) { return host::handle<HWND>(screen->objects[index]); }

// The control of a slot that holds a live window, or null.
HWND live_control(const host::BMSCR* screen, int32_t index) {
    const HWND c = control(screen, index);
    return c && IsWindow(c) ? c : nullptr;
}

// -1 for a bad index, `empty` for a slot without a live window, else 0 with the control.
int32_t find(const host::BMSCR* screen, int32_t index, int32_t empty, HWND& out) {
    if (bad_index(index)) return kBadIndex;
    out = live_control(screen, index);
    return out ? 0 : empty;
}

int32_t add_style(const host::BMSCR* screen, int32_t index, LONG bits) {
    HWND c;
    if (int32_t r = find(screen, index, kBadIndex, c)) return r;
    SetWindowLongA(c, GWL_STYLE, GetWindowLongA(c, GWL_STYLE) | bits);
    return 0;
}

}  // namespace

int32_t MoveObject(host::BMSCR* screen, int32_t index, int32_t x, int32_t y) {
    HWND c;
    if (int32_t r = find(screen, index, kNoControl, c)) return r;
    SetWindowPos(c, nullptr, std::max(x, 0), std::max(y, 0), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    return 0;
}

int32_t ResizeObject(host::BMSCR* screen, int32_t index, int32_t w, int32_t h) {
    HWND c;
    if (int32_t r = find(screen, index, kNoControl, c)) return r;
    SetWindowPos(c, nullptr, 0, 0, w < 1 ? 16 : w, h < 1 ? 16 : h,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    return 0;
}

int32_t Obj_Font(host::BMSCR* screen, int32_t index, int32_t, int32_t) {
    if (bad_index(index)) return kBadIndex;
    if (!control(screen, index)) return host::kErrNoSetting;  // an empty slot
    SendMessageA(control(screen, index), WM_SETFONT, WPARAM(screen->font), TRUE);
    return 0;
}

int32_t BtnPush(host::BMSCR* screen, int32_t index, int32_t, int32_t) {
    HWND c;
    if (int32_t r = find(screen, index, kBadIndex, c)) return r;
    PostMessageA(c, BM_CLICK, 0, 0);
    return 0;
}

int32_t CallCursor(host::BMSCR* screen, int32_t index, int32_t on_window, int32_t) {
    if (bad_index(index)) return kBadIndex;
    const HWND target = on_window ? host::handle<HWND>(screen->hwnd) : live_control(screen, index);
    if (!target) return kBadIndex;
    RECT r{};
    GetWindowRect(target, &r);
    SetCursorPos(r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2);
    return 0;
}

int32_t BS_Def(host::BMSCR* screen, int32_t index, int32_t, int32_t) { return add_style(screen, index, BS_DEFPUSHBUTTON); }
int32_t BS_Multi(host::BMSCR* screen, int32_t index, int32_t, int32_t) { return add_style(screen, index, BS_MULTILINE); }

int32_t BS_Ext(host::BMSCR* screen, int32_t index, int32_t style, int32_t) {
    static constexpr LONG kBits[] = {0,     BS_LEFTTEXT,     BS_LEFT,          BS_RIGHT,       BS_CENTER,    BS_TOP,
                                     BS_BOTTOM, BS_VCENTER,   BS_CHECKBOX,      BS_AUTOCHECKBOX, BS_RADIOBUTTON,
                                     BS_3STATE, BS_AUTO3STATE, BS_GROUPBOX,     BS_AUTORADIOBUTTON, BS_PUSHLIKE,
                                     BS_FLAT,   BS_OWNERDRAW,  BS_PUSHBUTTON,   BS_ICON,        BS_BITMAP};
    if (style < 1) return -16;
    return add_style(screen, index, kBits[std::min(style, 20)]);
}

int32_t SetTargetObj(host::BMSCR* screen, int32_t index, int32_t, int32_t) {
    settings.target = 0;
    HWND c;
    if (int32_t r = find(screen, index, kNoControl, c)) return r;
    settings.target = host::word_of(c);
    return 0;
}

int32_t GetObjText(host::PVAL* var, int32_t, int32_t, int32_t) {
    var->type = host::kString;
    const HWND target = host::handle<HWND>(settings.target);
    if (!target || !IsWindow(target)) {
        settings.target = 0;
        return host::kNothingPending;
    }
    const uint64_t room = host::first_dimension_room(*var);
    if (room < 2) return 0;
    return host::status(GetWindowTextA(target, host::ptr<char>(var->data), int(room - 1)));
}

int32_t SetObjTable(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    std::copy(screen->objects, screen->objects + kObjects, settings.snapshot);
    return 0;
}

int32_t CheckObjTable(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    for (int i = 0; i < kObjects; ++i) settings.changes[i] = settings.snapshot[i] != screen->objects[i];
    return 0;
}

int32_t GetObjTable(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kInteger) return -1;
    if (var->len[1] < kObjects || host::var_view(*var).capacity < 4 * kObjects) return -2;
    std::copy(settings.changes, settings.changes + kObjects, host::ptr<int32_t>(var->data));
    return 0;
}

}  // namespace qv::window

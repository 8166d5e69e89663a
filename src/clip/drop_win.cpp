// Files dropped on a screen's window: the library takes the window's WM_DROPFILES by putting
// its own procedure in front of the window's, keeps the latest drop until the script
// finishes it, and answers the script's questions about it.
#include <windows.h>
#include <shlobj.h>  // before shellapi.h, for DROPFILES in mingw
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "clip/settings.h"
#include "command_decls.h"
#include "host/pointers.h"
#include "host/results.h"

namespace qv::clip {

namespace {

constexpr int32_t kNoWindow = -1;  // DDAccept: the screen has no live window

HDROP pending() { return host::handle<HDROP>(settings.pending_drop); }

void finish_pending() {
    if (settings.pending_drop) DragFinish(pending());
    settings.pending_drop = 0;
}

void restore_procedure() {
    SetWindowLongA(host::handle<HWND>(settings.drop_window), GWL_WNDPROC, LONG(settings.drop_old_proc));
    settings.drop_window = 0;
    settings.drop_subclassed = false;
}

// Whether a value that came as a drop handle is one: a live global memory block holding the
// header and, where the header says, a list of names ended by an empty one, all inside the
// block. Any process can post WM_DROPFILES with any value, and the shell's queries read
// whatever the handle points to (under Wine a forged one ends the host).
bool is_drop_block(WPARAM value) {
    const HGLOBAL block = reinterpret_cast<HGLOBAL>(value);
    const SIZE_T size = GlobalSize(block);
    if (size < sizeof(DROPFILES)) return false;
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
    if (!bytes) return false;
    DROPFILES header;
    std::memcpy(&header, bytes, sizeof header);
    bool ended = false;
    if (header.pFiles >= sizeof(DROPFILES) && header.pFiles < size) {
        // Two zero characters in a row (or one, for an empty list) end it.
        const size_t unit = header.fWide ? 2 : 1;
        size_t run = 0;
        for (size_t at = header.pFiles; at + unit <= size && !ended; at += unit) {
            const bool zero = bytes[at] == 0 && (unit == 1 || bytes[at + 1] == 0);
            run = zero ? run + 1 : 0;
            ended = run == 2 || (zero && at == header.pFiles);
        }
    }
    GlobalUnlock(block);
    return ended;
}

LRESULT CALLBACK take_drops(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    const WNDPROC old = host::handle<WNDPROC>(settings.drop_old_proc);
    if (msg == WM_DROPFILES) {
        if (!is_drop_block(w)) return 0;  // not a drop: the pending one stays
        // A newer drop replaces one the script has not finished: that one is finished here,
        // as nothing else would ever release it.
        finish_pending();
        settings.pending_drop = host::Word(w);
        return 0;
    }
    // The window's last message: the subclassing ends with it, so that no state points at a
    // window that is gone and the next DDAccept starts afresh.
    if (msg == WM_NCDESTROY) restore_procedure();
    return CallWindowProcA(old, hwnd, msg, w, l);
}

// A subclassed window destroyed behind the library's back (its last message not seen)
// holds no state either: nothing is ever written to a dead window's procedure.
void forget_dead_window() {
    if (settings.drop_subclassed && !IsWindow(host::handle<HWND>(settings.drop_window))) {
        settings.drop_window = 0;
        settings.drop_subclassed = false;
    }
}

}  // namespace

void release_at_unload() {
    finish_pending();
    forget_dead_window();
    if (!settings.drop_subclassed) return;
    // Only while the window's procedure is still this library's: a procedure installed after
    // it calls it through its own saved pointer, and putting the older one back would cut
    // that procedure out of the window's chain.
    const HWND hwnd = host::handle<HWND>(settings.drop_window);
    if (GetWindowLongA(hwnd, GWL_WNDPROC) == LONG(reinterpret_cast<uintptr_t>(take_drops))) restore_procedure();
    settings.drop_window = 0;
    settings.drop_subclassed = false;
}

int32_t DDAccept(host::BMSCR* screen, int32_t enable, int32_t, int32_t) {
    const HWND hwnd = host::handle<HWND>(screen->hwnd);
    forget_dead_window();
    if (!enable && !settings.drop_window) return -16;
    if (enable && !IsWindow(hwnd)) return kNoWindow;  // nothing to accept drops on
    if (enable && !settings.drop_subclassed) {
        settings.drop_window = screen->hwnd;
        settings.drop_old_proc = host::Word(GetWindowLongA(hwnd, GWL_WNDPROC));
        SetWindowLongA(hwnd, GWL_WNDPROC, LONG(reinterpret_cast<uintptr_t>(take_drops)));
        settings.drop_subclassed = true;
        DragAcceptFiles(hwnd, TRUE);
        return 0;
    }
    if (!enable) {
        finish_pending();
        restore_procedure();
        DragAcceptFiles(hwnd, FALSE);
        return 0;
    }
    DragAcceptFiles(hwnd, TRUE);  // already subclassed: the first window stays the one
    return 0;
}

int32_t DDDecline(int32_t, int32_t, int32_t, int32_t) {
    finish_pending();
    forget_dead_window();
    if (!settings.drop_subclassed) return -1;
    restore_procedure();
    return 0;
}

int32_t DDFileNo(int32_t, int32_t, int32_t, int32_t) {
    if (!settings.pending_drop) return host::kNothingPending;
    return host::status(int32_t(DragQueryFileA(pending(), 0xFFFFFFFF, nullptr, 0) & 0x7FFFFFFF));
}

int32_t DDQueryFile(host::PVAL* var, int32_t index, int32_t finish, int32_t) {
    if (!settings.pending_drop) return host::kNothingPending;
    var->type = host::kString;
    // The first dimension, never more than the storage holds; the shell cuts the name to fit
    // and ends it with a zero byte.
    const uint64_t room = host::first_dimension_room(*var);
    const UINT n = room ? DragQueryFileA(pending(), UINT(index), host::ptr<char>(var->data), UINT(room)) : 0;
    if (finish) finish_pending();
    return host::status(int32_t(n & 0x7FFFFFFF));
}

int32_t DDQueryPoint(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (!settings.pending_drop) return host::kNothingPending;
    var->type = host::kInteger;
    POINT p{};
    const BOOL in_client = DragQueryPoint(pending(), &p);
    const Var v = host::var_view(*var);
    if (v.capacity >= 4) v.ints()[0] = p.x;
    if (v.capacity >= 8) v.ints()[1] = p.y;
    return in_client ? -1 : 0;
}

int32_t DDFinish(int32_t, int32_t, int32_t, int32_t) {
    if (!settings.pending_drop) return -1;
    finish_pending();
    return 0;
}

}  // namespace qv::clip

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

}  // namespace

// While its procedure is in a window the library holds a reference to its own module, so that
// a host that unloads it then (its own procedure in front of the library's, forwarding to it,
// or not) cannot leave the window calling into unmapped code: the library stays loaded until
// its procedure comes out (DDAccept off, DDDecline, the window destroyed).
//
// The window's last message may let go of the last reference, and no code of the library may
// run after that: the procedure the window calls is this stub, which hands every message to
// qv_take_drops and, when that leaves a module to release, returns to its caller through
// FreeLibrary (a tail jump with FreeLibrary's one argument where the procedure's last one was)
// instead of into this library.
extern "C" {
LRESULT CALLBACK qv_drop_procedure(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK qv_take_drops(HWND, UINT, WPARAM, LPARAM);
HMODULE qv_module_to_release = nullptr;
}
asm(R"(
    .text
    .globl _qv_drop_procedure@16
_qv_drop_procedure@16:
    pushl 16(%esp)
    pushl 16(%esp)
    pushl 16(%esp)
    pushl 16(%esp)
    call _qv_take_drops@16
    movl _qv_module_to_release, %ecx
    testl %ecx, %ecx
    jnz 1f
    ret $16
1:  movl $0, _qv_module_to_release
    movl (%esp), %edx
    movl %edx, 12(%esp)
    movl %ecx, 16(%esp)
    addl $12, %esp
    jmp *__imp__FreeLibrary@4
)");

namespace {

WNDPROC drop_procedure() { return qv_drop_procedure; }

// Ends the subclassing's state and answers the module reference it held.
HMODULE forget_window() {
    const HMODULE module = host::handle<HMODULE>(settings.drop_module);
    settings.drop_window = settings.drop_module = 0;
    settings.drop_subclassed = false;
    return module;
}

// Puts the window's own procedure back (taking the library's, and any put in front of it
// since, out of the window) and answers the module reference to let go of.
HMODULE take_out_procedure() {
    SetWindowLongA(host::handle<HWND>(settings.drop_window), GWL_WNDPROC, LONG(settings.drop_old_proc));
    return forget_window();
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

// A subclassed window destroyed behind the library's back (its last message not seen) holds
// no state either, and keeps the library loaded no longer: nothing is ever written to a dead
// window's procedure.
void forget_dead_window() {
    if (settings.drop_subclassed && !IsWindow(host::handle<HWND>(settings.drop_window))) {
        FreeLibrary(forget_window());
    }
}

}  // namespace

extern "C" LRESULT CALLBACK qv_take_drops(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    const WNDPROC old = host::handle<WNDPROC>(settings.drop_old_proc);
    if (msg == WM_DROPFILES) {
        if (!is_drop_block(w)) return 0;  // not a drop: the pending one stays
        // A newer drop replaces one the script has not finished: that one is finished here,
        // as nothing else would ever release it.
        finish_pending();
        settings.pending_drop = host::Word(w);
        return 0;
    }
    const LRESULT result = CallWindowProcA(old, hwnd, msg, w, l);
    // The window's last message: the subclassing ends with it, so that no state points at a
    // window that is gone, the next DDAccept starts afresh and the library may be unloaded.
    if (msg == WM_NCDESTROY && settings.drop_subclassed) qv_module_to_release = take_out_procedure();
    return result;
}

void release_at_unload() { finish_pending(); }

int32_t DDAccept(host::BMSCR* screen, int32_t enable, int32_t, int32_t) {
    const HWND hwnd = host::handle<HWND>(screen->hwnd);
    forget_dead_window();
    if (!enable && !settings.drop_window) return -16;
    if (enable && !IsWindow(hwnd)) return kNoWindow;  // nothing to accept drops on
    if (enable && !settings.drop_subclassed) {
        HMODULE self = nullptr;
        if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                reinterpret_cast<LPCSTR>(drop_procedure()), &self))
            return kNoWindow;
        settings.drop_module = host::Word(self);
        settings.drop_window = screen->hwnd;
        settings.drop_old_proc = host::Word(GetWindowLongA(hwnd, GWL_WNDPROC));
        SetWindowLongA(hwnd, GWL_WNDPROC, LONG(reinterpret_cast<uintptr_t>(drop_procedure())));
        settings.drop_subclassed = true;
        DragAcceptFiles(hwnd, TRUE);
        return 0;
    }
    if (!enable) {
        finish_pending();
        FreeLibrary(take_out_procedure());  // the host holds the library too: it stays
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
    FreeLibrary(take_out_procedure());  // the host holds the library too: it stays
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

// The hooks written into the DLL's import address table (see import_hooks_win.h).
#include "import_hooks_win.h"

#include <mmsystem.h>
#include <objbase.h>
#include <process.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "imports_win.h"

namespace qv::test {
namespace {

Injector g;
bool lock_made = false;

class Locked {
public:
    Locked() { EnterCriticalSection(&g.lock); }
    ~Locked() { LeaveCriticalSection(&g.lock); }
};

bool refused(const char* import) {
    Locked l;
    ++g.calls;
    if (g.refuse == 0) g.names.push_back(import);
    if (g.calls != g.refuse) return false;
    g.refused_import = import;
    return true;
}

template <class H>
H track(std::set<void*>& set, H h) {
    if (h) {
        Locked l;
        set.insert(reinterpret_cast<void*>(h));
    }
    return h;
}

void untrack(std::set<void*>& set, const void* h) {
    Locked l;
    set.erase(const_cast<void*>(h));
}

// The real functions, and the ones written in their place.
#define REAL(name) decltype(&name) real_##name = nullptr;
REAL(malloc) REAL(calloc) REAL(realloc) REAL(free) REAL(fopen) REAL(GlobalAlloc) REAL(GlobalLock) REAL(CreateThread)
REAL(CloseHandle) REAL(CreatePen) REAL(CreateSolidBrush) REAL(CreateHatchBrush) REAL(CreateRectRgn)
REAL(CreateEllipticRgn) REAL(CreateRoundRectRgn) REAL(CreatePolygonRgn) REAL(ExtCreateRegion) REAL(CombineRgn)
REAL(SetWindowRgn) REAL(CreatePalette) REAL(DeleteObject) REAL(GetDC) REAL(OpenClipboard) REAL(SetClipboardData)
REAL(CreatePopupMenu) REAL(AppendMenuA) REAL(DestroyMenu) REAL(CoCreateInstance) REAL(timeSetEvent)
REAL(timeKillEvent) REAL(timeBeginPeriod) REAL(timeEndPeriod) REAL(RegOpenKeyExA) REAL(RegCloseKey) REAL(fclose)
REAL(GlobalFree) REAL(ReleaseDC) REAL(DragFinish) REAL(_beginthreadex)
#undef REAL

// The heap blocks the library holds: `old` given back, `p` of n bytes taken.
void hold(void* old, void* p, size_t n) {
    Locked l;
    if (old) g.heap.erase(old);
    if (p) g.heap[p] = n;
}

void* __cdecl hook_malloc(size_t n) {
    void* p = refused("malloc") ? nullptr : real_malloc(n);
    hold(nullptr, p, n);
    return p;
}
void* __cdecl hook_calloc(size_t n, size_t size) {
    void* p = refused("calloc") ? nullptr : real_calloc(n, size);
    hold(nullptr, p, n * size);
    return p;
}
void* __cdecl hook_realloc(void* old, size_t n) {
    if (refused("realloc")) return nullptr;
    void* p = real_realloc(old, n);
    if (p || n == 0) hold(old, p, n);
    return p;
}
void __cdecl hook_free(void* p) {
    hold(p, nullptr, 0);
    real_free(p);
}

// A call that can only be refused, and a maker of an object that is followed until it is
// deleted or handed on.
#define REFUSABLE(result, convention, name, failure, params, args) \
    result convention hook_##name params { return refused(#name) ? failure : real_##name args; }
#define MAKER(result, name, held, params, args) \
    result WINAPI hook_##name params { return refused(#name) ? nullptr : track(g.held, real_##name args); }
REFUSABLE(LPVOID, WINAPI, GlobalLock, nullptr, (HGLOBAL h), (h))
REFUSABLE(int, WINAPI, CombineRgn, ERROR, (HRGN d, HRGN a, HRGN b, int mode), (d, a, b, mode))
REFUSABLE(BOOL, WINAPI, OpenClipboard, FALSE, (HWND w), (w))
REFUSABLE(BOOL, WINAPI, AppendMenuA, FALSE, (HMENU m, UINT f, UINT_PTR id, LPCSTR t), (m, f, id, t))
MAKER(HANDLE, CreateThread, threads, (LPSECURITY_ATTRIBUTES a, SIZE_T s, LPTHREAD_START_ROUTINE f, LPVOID p, DWORD fl, LPDWORD id),
      (a, s, f, p, fl, id))
MAKER(HPEN, CreatePen, gdi, (int style, int width, COLORREF c), (style, width, c))
MAKER(HBRUSH, CreateSolidBrush, gdi, (COLORREF c), (c))
MAKER(HBRUSH, CreateHatchBrush, gdi, (int style, COLORREF c), (style, c))
MAKER(HRGN, CreateRectRgn, gdi, (int a, int b, int c, int d), (a, b, c, d))
MAKER(HRGN, CreateEllipticRgn, gdi, (int a, int b, int c, int d), (a, b, c, d))
MAKER(HRGN, CreateRoundRectRgn, gdi, (int a, int b, int c, int d, int e, int f), (a, b, c, d, e, f))
MAKER(HRGN, CreatePolygonRgn, gdi, (const POINT* p, int n, int mode), (p, n, mode))
MAKER(HRGN, ExtCreateRegion, gdi, (const XFORM* x, DWORD n, const RGNDATA* d), (x, n, d))
MAKER(HPALETTE, CreatePalette, gdi, (const LOGPALETTE* p), (p))
MAKER(HMENU, CreatePopupMenu, menus, (), ())
MAKER(HGLOBAL, GlobalAlloc, globals, (UINT flags, SIZE_T n), (flags, n))
MAKER(HDC, GetDC, dcs, (HWND w), (w))
// A releaser of what a maker made: the object is followed no more.
#define RELEASER(result, convention, name, held, params, object, args) \
    result convention hook_##name params {                            \
        untrack(g.held, object);                                      \
        return real_##name args;                                      \
    }
RELEASER(int, __cdecl, fclose, files, (FILE* f), f, (f))
RELEASER(HGLOBAL, WINAPI, GlobalFree, globals, (HGLOBAL h), h, (h))
RELEASER(int, WINAPI, ReleaseDC, dcs, (HWND w, HDC dc), dc, (w, dc))
RELEASER(LSTATUS, WINAPI, RegCloseKey, keys, (HKEY k), k, (k))
RELEASER(BOOL, WINAPI, CloseHandle, threads, (HANDLE h), h, (h))
RELEASER(BOOL, WINAPI, DeleteObject, gdi, (HGDIOBJ h), h, (h))
RELEASER(BOOL, WINAPI, DestroyMenu, menus, (HMENU m), m, (m))
RELEASER(MMRESULT, WINAPI, timeKillEvent, timers, (UINT id), reinterpret_cast<void*>(uintptr_t(id)), (id))
RELEASER(void, WINAPI, DragFinish, drops, (HDROP h), h, (h))
#undef REFUSABLE
#undef MAKER
#undef RELEASER

// The C runtime's thread starter, which libwebp's workers use.
uintptr_t __cdecl hook__beginthreadex(void* security, unsigned stack, unsigned(__stdcall* f)(void*), void* arg,
                                      unsigned flags, unsigned* id) {
    return refused("_beginthreadex") ? 0 : track(g.threads, real__beginthreadex(security, stack, f, arg, flags, id));
}
FILE* __cdecl hook_fopen(const char* name, const char* mode) {
    return refused("fopen") ? nullptr : track(g.files, real_fopen(name, mode));
}
HANDLE WINAPI hook_SetClipboardData(UINT f, HANDLE h) {
    if (refused("SetClipboardData")) return nullptr;
    const HANDLE done = real_SetClipboardData(f, h);
    if (done) untrack(g.globals, h);  // the clipboard's now
    return done;
}
LSTATUS WINAPI hook_RegOpenKeyExA(HKEY k, LPCSTR s, DWORD o, REGSAM m, PHKEY out) {
    if (refused("RegOpenKeyExA")) return ERROR_OUTOFMEMORY;
    const LSTATUS r = real_RegOpenKeyExA(k, s, o, m, out);
    if (r == ERROR_SUCCESS) track(g.keys, *out);
    return r;
}
int WINAPI hook_SetWindowRgn(HWND w, HRGN r, BOOL redraw) {
    if (refused("SetWindowRgn")) return 0;
    const int done = real_SetWindowRgn(w, r, redraw);
    if (done) untrack(g.gdi, r);  // the window's now
    return done;
}
HRESULT WINAPI hook_CoCreateInstance(REFCLSID c, LPUNKNOWN o, DWORD x, REFIID i, LPVOID* out) {
    if (refused("CoCreateInstance")) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    return real_CoCreateInstance(c, o, x, i, out);
}
MMRESULT WINAPI hook_timeSetEvent(UINT d, UINT r, LPTIMECALLBACK f, DWORD_PTR u, UINT fl) {
    if (refused("timeSetEvent")) return 0;
    const MMRESULT id = real_timeSetEvent(d, r, f, u, fl);
    if (id) track(g.timers, reinterpret_cast<void*>(uintptr_t(id)));
    if (id && !(fl & TIME_KILL_SYNCHRONOUS)) ++g.unsynchronised_timers;
    return id;
}
MMRESULT WINAPI hook_timeBeginPeriod(UINT p) {
    const MMRESULT r = real_timeBeginPeriod(p);
    if (r == TIMERR_NOERROR) ++g.periods;
    return r;
}
MMRESULT WINAPI hook_timeEndPeriod(UINT p) {
    const MMRESULT r = real_timeEndPeriod(p);
    if (r == TIMERR_NOERROR) --g.periods;
    return r;
}

}  // namespace

Injector& injector() { return g; }

std::vector<std::string> install_hooks(HMODULE module, bool restore) {
    if (!lock_made) InitializeCriticalSection(&g.lock), lock_made = true;
    struct Hook {
        const char* function;
        void** real;
        void* hook;
    };
#define HOOK(name) {#name, reinterpret_cast<void**>(&real_##name), reinterpret_cast<void*>(&hook_##name)}
    const Hook hooks[] = {HOOK(malloc), HOOK(calloc), HOOK(realloc), HOOK(free), HOOK(fopen), HOOK(GlobalAlloc),
                          HOOK(GlobalLock), HOOK(CreateThread), HOOK(CloseHandle), HOOK(CreatePen),
                          HOOK(CreateSolidBrush), HOOK(CreateHatchBrush), HOOK(CreateRectRgn), HOOK(CreateEllipticRgn),
                          HOOK(CreateRoundRectRgn), HOOK(CreatePolygonRgn), HOOK(ExtCreateRegion), HOOK(CombineRgn),
                          HOOK(SetWindowRgn), HOOK(CreatePalette), HOOK(DeleteObject), HOOK(GetDC),
                          HOOK(OpenClipboard), HOOK(SetClipboardData), HOOK(CreatePopupMenu), HOOK(AppendMenuA),
                          HOOK(DestroyMenu), HOOK(CoCreateInstance), HOOK(timeSetEvent), HOOK(timeKillEvent), HOOK(timeBeginPeriod),
                          HOOK(timeEndPeriod), HOOK(RegOpenKeyExA), HOOK(RegCloseKey), HOOK(fclose),
                          HOOK(GlobalFree), HOOK(ReleaseDC), HOOK(DragFinish), HOOK(_beginthreadex)};
#undef HOOK
    std::set<std::string> installed;
    for (const ImportSlot& s : import_slots(module))
        for (const Hook& h : hooks) {
            if (s.function != h.function) continue;
            if (!restore) *h.real = *s.slot;
            DWORD was;
            VirtualProtect(s.slot, sizeof(void*), PAGE_READWRITE, &was);
            *s.slot = restore ? *h.real : h.hook;
            VirtualProtect(s.slot, sizeof(void*), was, &was);
            installed.insert(h.function);
        }
    std::vector<std::string> missing;
    for (const Hook& h : hooks)
        if (!installed.count(h.function)) missing.push_back(h.function);
    return missing;
}

void hand_over(void* object) { untrack(g.gdi, object); }

std::map<std::string, size_t> held() {
    Locked l;
    size_t bytes = 0;
    for (const auto& [p, n] : g.heap) bytes += n;
    return {{"heap", bytes},        {"gdi", g.gdi.size()},         {"menus", g.menus.size()},
            {"threads", g.threads.size()}, {"timers", g.timers.size()}, {"periods", size_t(g.periods)},
            {"globals", g.globals.size()}, {"files", g.files.size()}, {"keys", g.keys.size()},
            {"dcs", g.dcs.size()},         {"drops", g.drops.size()}};
}

}  // namespace qv::test

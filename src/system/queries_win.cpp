// Facts about the system (version, temporary folder, window metrics, system colours, the day
// of the week), priorities, sounds, the input method, and the blocking key reader.
#include <windows.h>
#include <imm.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "command_decls.h"
#include "host/memory.h"
#include "host/pointers.h"
#include "host/results.h"
#include "system/keys.h"
#include "system/week_date.h"
#include "window/metrics.h"

namespace qv::system {

namespace {

// GetWinTemp: the system gave no temporary path. No path needs a size of 1, so the status
// cannot be taken for a size.
constexpr int32_t kNoTempPath = -1;

}  // namespace

int32_t GetWinVerEx(int32_t which, int32_t, int32_t, char* out) {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;  // 148 bytes
    GetVersionExA(&v);
    static const char* const kNames[] = {"Win32s", "Windows 9x", "Windows NT"};
    static constexpr int32_t kCodes[] = {3, 1, 2};
    const bool known = v.dwPlatformId <= 2;
    char text[64];
    std::snprintf(text, sizeof text, "%s  ver. %lu.%lu", known ? kNames[v.dwPlatformId] : "Unknown OS",
                  v.dwMajorVersion, v.dwMinorVersion);
    if (out) {
        // The text and its terminator, never more than 41 bytes: a short buffer that holds
        // the text is not written past it.
        const size_t n = strnlen(text, 40);
        std::memcpy(out, text, n);
        out[n] = 0;
    }
    const int32_t values[] = {known ? kCodes[v.dwPlatformId] : 0, int32_t(v.dwMajorVersion), int32_t(v.dwMinorVersion), 0};
    return host::status(values[which & 3]);
}

int32_t GetWinTemp(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kString) return host::kErrVarType;
    const DWORD size = DWORD(host::first_dimension_room(*var));
    // The path comes into a buffer of the largest size the call fills, so that a failure
    // leaves the variable as it was and a path that does not fit reports what it needs.
    char path[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof path, path);
    if (length == 0) return kNoTempPath;
    if (length >= sizeof path) return length > size ? host::status(int32_t(length)) : kNoTempPath;  // the size it needs
    if (length + 1 > size) return host::status(int32_t(length + 1));
    std::memcpy(host::ptr<char>(var->data), path, length + 1);
    return host::kOk;
}

int32_t GetSysMet(host::BMSCR* screen, int32_t code, int32_t, int32_t) {
    const int32_t value = window::WindowMetric(code >= 0 && code <= 13 ? code : 0, *screen);
    return host::status(std::max(value, 0));
}

int32_t GetSysColour(host::PVAL* var, int32_t index, int32_t, int32_t) {
    if (var->type != host::kInteger) return host::kErrVarType;
    if (var->len[1] < 3 || host::var_view(*var).capacity < 12) return host::kErrRange;
    const COLORREF c = GetSysColor(std::clamp(index, 0, 63));
    int32_t* out = host::ptr<int32_t>(var->data);
    out[0] = GetRValue(c);
    out[1] = GetGValue(c);
    out[2] = GetBValue(c);
    return 0;
}

int32_t SetPriority(int32_t process_class, int32_t thread_level, int32_t, int32_t) {
    static constexpr int kLevels[] = {THREAD_PRIORITY_NORMAL,       THREAD_PRIORITY_IDLE,    THREAD_PRIORITY_LOWEST,
                                      THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                      THREAD_PRIORITY_TIME_CRITICAL};
    SetPriorityClass(GetCurrentProcess(), process_class == 1   ? IDLE_PRIORITY_CLASS
                                          : process_class == 2 ? HIGH_PRIORITY_CLASS
                                                               : NORMAL_PRIORITY_CLASS);
    SetThreadPriority(GetCurrentThread(), kLevels[thread_level >= 1 && thread_level <= 6 ? thread_level : 0]);
    return 0;
}

int32_t PlayWave(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kString) return host::kWrongKind;
    // The name ends at its zero, or at the storage's end when it has none.
    const char* text = host::ptr<const char>(var->data);
    const size_t n = strnlen(text, size_t(host::var_view(*var).capacity));
    const host::Buffer<char> name = host::allocate<char>(n + 1);
    if (!name) return host::kOutOfMemory;
    std::memcpy(name.get(), text, n);
    name[n] = 0;
    return PlaySoundA(name.get(), nullptr, SND_FILENAME | SND_NOWAIT | SND_ASYNC) ? 0 : -1;
}

int32_t Bell(int32_t frequency, int32_t duration, int32_t, int32_t) {
    Beep(DWORD(std::clamp(frequency, 37, 32767)), DWORD(std::max(duration, 1)));
    return 0;
}

int32_t Bell2(int32_t sound, int32_t, int32_t, int32_t) {
    static constexpr UINT kSounds[] = {0xFFFFFFFF, MB_ICONASTERISK, MB_ICONEXCLAMATION, MB_ICONHAND, MB_ICONQUESTION, MB_OK};
    MessageBeep(kSounds[sound >= 0 && sound <= 5 ? sound : 0]);
    return 0;
}

int32_t Ime_Open(host::BMSCR* screen, int32_t open, int32_t, int32_t) {
    const HWND hwnd = host::handle<HWND>(screen->hwnd);
    const HIMC context = ImmGetContext(hwnd);
    const BOOL set = context && ImmSetOpenStatus(context, open != 0);
    if (context) ImmReleaseContext(hwnd, context);
    return set ? 0 : -1;
}

int32_t Inkey(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kInteger) return host::kErrVarType;
    MSG msg;
    for (;;) {
        // The host's windows and timers run while the command waits; it sleeps between
        // messages rather than spinning.
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) ExitProcess(1);
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) break;
        if (msg.message == WM_KEYUP) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    BYTE state[256];
    GetKeyboardState(state);
    const bool shift = state[VK_SHIFT] & 0x80, ctrl = state[VK_CONTROL] & 0x80, alt = state[VK_MENU] & 0x80;
    const bool caps = state[VK_CAPITAL] & 1, num = state[VK_NUMLOCK] & 1;
    if (host::var_view(*var).capacity >= 4) host::ptr<int32_t>(var->data)[0] = key_code(int32_t(msg.wParam), shift, caps, num);
    return host::status(shift * 1 + ctrl * 2 + alt * 4 + caps * 8 + num * 16);
}

int32_t GetWeekDate(int32_t year, int32_t month, int32_t day, int32_t check_only) {
    return week_date(year, month, day, check_only);
}

}  // namespace qv::system

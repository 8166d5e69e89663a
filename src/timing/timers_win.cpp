// Timing: a tick counter driven by a periodic multimedia timer, millisecond marks of the
// system time, waits that keep the host's window alive by pumping its messages, a plain
// sleep, and the pump itself.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>

#include "command_decls.h"
#include "host/pointers.h"
#include "host/results.h"
#include "timing/settings.h"

namespace qv::timing {

Settings settings;

namespace {

// The only code that runs on another thread: the multimedia timer's callback.
void CALLBACK count_tick(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    settings.mm_count.fetch_add(1, std::memory_order_relaxed);
}

uint32_t count() { return settings.mm_count.load(std::memory_order_relaxed); }

int32_t mark_index(int32_t index) { return (index >= 0 && index <= 9) ? index : 0; }
bool selects_mark(int32_t selector) { return selector >= 256 && selector <= 265; }

// The wait commands' checks: 6 for a variable that is not an integer one (or has no room
// for the interval), else the interval through `interval`.
int32_t interval_of(host::PVAL* var, int32_t& interval) {
    if (var->type != host::kInteger || host::var_view(*var).capacity < 4) return host::kErrVarType;
    interval = host::ptr<int32_t>(var->data)[0];
    return 0;
}

}  // namespace

void pump_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // The host's own loop will never see this message now: end as it would have.
        if (msg.message == WM_QUIT) ExitProcess(1);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void wait_for_frame(int32_t ms, bool pump) {
    for (;;) {
        const DWORD now = timeGetTime();
        const int32_t passed = int32_t(now - settings.frame_time_base);
        // A base more than 2^31 ms old (never set on a machine up for 25 days, or set that long
        // ago) reads as a time to come: it is long past, so this frame is due now and the
        // next one is timed from now.
        if (passed < 0) {
            settings.frame_time_base = now - DWORD(ms);
            return;
        }
        if (passed >= ms) return;
        if (pump) pump_messages();
    }
}

void next_frame(int32_t ms) { settings.frame_time_base += DWORD(ms); }

int32_t MMCountOn(int32_t period, int32_t precise, int32_t, int32_t) {
    if (period < 1) return host::kErrRange;
    settings.mm_mark = 0;
    for (uint32_t& m : settings.mm_marks) m = 0;
    settings.mm_count.store(0, std::memory_order_relaxed);
    if (settings.mm_timer) return 0;  // the running timer keeps its period
    settings.mm_period = period;
    const bool raised = timeBeginPeriod(UINT(period)) == TIMERR_NOERROR;
    const UINT resolution = precise ? 1 : period < 5 ? 2 : period < 10 ? 5 : 10;
    // Killed synchronously: when timeKillEvent returns no callback is running, so the library
    // can be unloaded right after (a callback still running would finish in unmapped code).
    settings.mm_timer = timeSetEvent(UINT(period), resolution, count_tick, 0, TIME_PERIODIC | TIME_KILL_SYNCHRONOUS);
    if (settings.mm_timer) return 0;
    if (raised) timeEndPeriod(UINT(period));  // no timer: the system's timer period goes back
    return -1;
}

int32_t MMCountOff(int32_t, int32_t, int32_t, int32_t) {
    if (settings.mm_timer) {
        timeKillEvent(settings.mm_timer);
        timeEndPeriod(UINT(settings.mm_period));
    }
    settings.mm_timer = 0;
    return 0;
}

int32_t GetMMCount(host::PVAL* var, int32_t selector, int32_t, int32_t) {
    if (var->type != host::kInteger || host::var_view(*var).capacity < 4) return host::kErrVarType;
    uint32_t v = count();
    if (selects_mark(selector)) v -= settings.mm_marks[selector - 256];
    host::ptr<int32_t>(var->data)[0] = int32_t(v & 0x7FFFFFFF);
    return 0;
}

int32_t AdjustMMCountZero(int32_t, int32_t, int32_t, int32_t) {
    settings.mm_count.store(0, std::memory_order_relaxed);
    settings.mm_mark = 0;
    return 0;
}

int32_t SetNowMMCount(int32_t index, int32_t, int32_t, int32_t) {
    const uint32_t c = count();
    settings.mm_mark = c;
    settings.mm_marks[mark_index(index)] = c;
    return 0;
}

int32_t MMCountWait(host::PVAL* var, int32_t, int32_t, int32_t) {
    int32_t interval = 0;
    if (int32_t r = interval_of(var, interval)) return r;
    if (!settings.mm_timer) return 0;  // no timer: waiting would never end
    if (interval < 1) return host::kErrRange;
    const uint32_t start = count();
    for (;;) {
        const int32_t elapsed = int32_t(count() - start);
        if (elapsed >= interval) return host::status(elapsed);
        pump_messages();
    }
}

int32_t MMCountAWait(host::PVAL* var, int32_t, int32_t selector, int32_t) {
    int32_t interval = 0;
    if (int32_t r = interval_of(var, interval)) return r;
    if (!settings.mm_timer) return 0;
    if (interval < 1) return host::kErrRange;
    if (selects_mark(selector)) settings.mm_mark = settings.mm_marks[selector - 256];
    uint32_t c, elapsed = uint32_t(interval);
    for (;;) {
        c = count();
        if (settings.mm_mark > c) break;  // the counter was reset below the mark
        elapsed = c - settings.mm_mark;
        if (elapsed >= uint32_t(interval)) break;
        pump_messages();
    }
    settings.mm_mark = c;  // the next wait measures from here: a steady pace
    // Within 31 bits as GetMMCount reports counts: 2^31 ticks or more since the mark must not
    // turn into a positive result, which the host would take as an error number.
    return host::status(int32_t(elapsed & 0x7FFFFFFF));
}

int32_t SetNowTick(int32_t, int32_t, int32_t, int32_t) {
    settings.frame_time_base = timeGetTime();
    return 0;
}

int32_t AdjustTickZero(int32_t index, int32_t, int32_t, int32_t) {
    settings.tick_marks[mark_index(index)] = timeGetTime();
    return 0;
}

int32_t GetTick(host::PVAL* var, int32_t index, int32_t, int32_t) {
    if (var->type != host::kInteger || host::var_view(*var).capacity < 4) return host::kErrVarType;
    host::ptr<int32_t>(var->data)[0] = int32_t((timeGetTime() - settings.tick_marks[mark_index(index)]) & 0x7FFFFFFF);
    return 0;
}

int32_t TickWait(host::PVAL* var, int32_t pump, int32_t selector, int32_t) {
    int32_t interval = 0;
    if (int32_t r = interval_of(var, interval)) return r;
    if (interval < 1) return host::kErrRange;
    const DWORD start = selects_mark(selector) ? settings.tick_marks[selector - 256] : timeGetTime();
    for (;;) {
        const uint32_t elapsed = timeGetTime() - start;
        // A mark more than 2^31 ms old (unset on a machine up for 25 days) reads negative: the
        // wait ends at once and reports the time as GetTick does, within 31 bits, never as a
        // positive result the host would take for an error number.
        if (int32_t(elapsed) >= interval || int32_t(elapsed) < 0) return host::status(int32_t(elapsed & 0x7FFFFFFF));
        if (pump) pump_messages();
    }
}

int32_t TobSleep(int32_t ms, int32_t, int32_t, int32_t) {
    if (ms < 1) return host::kErrRange;
    Sleep(DWORD(ms));
    return 0;
}

int32_t ProcMes(int32_t, int32_t, int32_t, int32_t) {
    pump_messages();
    return 0;
}

}  // namespace qv::timing

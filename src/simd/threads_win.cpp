// The threads of a split job in the DLL: Win32's own, started and waited for within the
// command (see parallel.h).
#include <windows.h>

#include "simd/parallel.h"

namespace qv::simd {

namespace {

struct Part {
    void (*work)(void*, int32_t);
    void* context;
    int32_t index;
};

DWORD WINAPI part_thread(void* p) {
    const Part& part = *static_cast<const Part*>(p);
    part.work(part.context, part.index);
    return 0;
}

}  // namespace

// The processors this process may run on: a host pinned to one core starts no threads.
int32_t processor_count() {
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process)
        return __builtin_popcount(uint32_t(process));
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return int32_t(info.dwNumberOfProcessors);
}

void run_parts(int32_t parts, void (*work)(void*, int32_t), void* context) {
    // Everything a part needs is in place before the first thread starts, and nothing here
    // allocates: a thread never sees an entry that goes away under it. A part whose thread
    // cannot be started (or beyond the most this holds) runs here once the first is done.
    // A band's work needs little stack: each thread reserves a small one, not the host's
    // default (a megabyte or more a thread in a 32-bit address space).
    constexpr int32_t kMost = 64;
    constexpr SIZE_T kStack = 256 * 1024;
    Part others[kMost];
    HANDLE threads[kMost];
    const int32_t count = parts < kMost ? parts : kMost;
    for (int32_t i = 1; i < count; ++i) others[i] = {work, context, i};
    for (int32_t i = 1; i < count; ++i)
        threads[i] = CreateThread(nullptr, kStack, part_thread, &others[i], STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    work(context, 0);
    for (int32_t i = 1; i < count; ++i)
        if (!threads[i]) work(context, i);
    for (int32_t i = count; i < parts; ++i) work(context, i);
    for (int32_t i = 1; i < count; ++i) {
        if (!threads[i]) continue;
        WaitForSingleObject(threads[i], INFINITE);
        CloseHandle(threads[i]);
    }
}

}  // namespace qv::simd

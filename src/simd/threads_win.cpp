// The threads of a split job in the DLL: Win32's own, started and waited for within the
// command (see parallel.h).
#include <windows.h>

#include <vector>

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

int32_t processor_count() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return int32_t(info.dwNumberOfProcessors);
}

void run_parts(int32_t parts, void (*work)(void*, int32_t), void* context) {
    std::vector<Part> others;
    for (int32_t i = 1; i < parts; ++i) others.push_back({work, context, i});
    std::vector<HANDLE> threads;
    std::vector<int32_t> here;  // parts whose thread could not be started
    for (Part& p : others) {
        if (HANDLE h = CreateThread(nullptr, 0, part_thread, &p, 0, nullptr)) threads.push_back(h);
        else here.push_back(p.index);
    }
    work(context, 0);
    for (int32_t i : here) work(context, i);
    for (HANDLE h : threads) {
        WaitForSingleObject(h, INFINITE);
        CloseHandle(h);
    }
}

}  // namespace qv::simd

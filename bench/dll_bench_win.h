// What the benchmarks that run under Wine share: loading quorvel.dll beside the program,
// calling its exports as the host does, and timing.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qv::bench {

using CommandFn = int32_t(__stdcall*)(int32_t, int32_t, int32_t, int32_t);

// quorvel.dll from the program's folder (null when missing).
inline HMODULE load_library() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    folder = folder.substr(0, folder.find_last_of("\\/") + 1);
    return LoadLibraryA((folder + "quorvel.dll").c_str());
}

inline CommandFn command(HMODULE dll, const char* name) {
    std::string symbol = std::string("_") + name + "@16";
    return reinterpret_cast<CommandFn>(reinterpret_cast<void*>(GetProcAddress(dll, symbol.c_str())));
}

inline int32_t word(const void* p) { return int32_t(uintptr_t(p)); }

inline double seconds(const std::function<void()>& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The median time of `reps` runs after one warming run.
inline double median_seconds(int reps, const std::function<void()>& f) {
    f();
    std::vector<double> t;
    for (int i = 0; i < reps; ++i) t.push_back(seconds(f));
    return median(t);
}

}  // namespace qv::bench

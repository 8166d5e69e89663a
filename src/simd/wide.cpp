#include "simd/wide.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace qv::simd {

namespace {

std::atomic<bool> allowed{true};

bool processor_has_avx2() {
    // QUORVEL_SIMD=sse2 in the environment keeps to the SSE2 versions (the test suite runs
    // the pixel commands both ways; a user can rule out the wide versions).
    if (const char* v = std::getenv("QUORVEL_SIMD"); v && std::strcmp(v, "sse2") == 0) return false;
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    // Also checks that the system saves the wide registers (XGETBV).
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

// -1 until first asked; a plain atomic rather than a function's static, whose guard may need
// memory.
std::atomic<int> has_avx2{-1};

}  // namespace

bool wide() {
    if (has_avx2.load(std::memory_order_relaxed) < 0) has_avx2.store(processor_has_avx2() ? 1 : 0);
    return has_avx2.load(std::memory_order_relaxed) == 1 && allowed.load(std::memory_order_relaxed);
}

void allow_wide(bool on) { allowed.store(on, std::memory_order_relaxed); }

}  // namespace qv::simd

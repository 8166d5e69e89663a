// How large pixel jobs are split (see parallel.h).
#include "simd/parallel.h"

#include <atomic>
#include <cstdlib>

namespace qv::simd {

namespace {

constexpr int64_t kMinPixels = 1 << 20;  // about a megapixel
constexpr int32_t kMaxThreads = 16;

std::atomic<int32_t> forced{0};

int32_t configured_threads() {
    if (const char* v = std::getenv("QUORVEL_THREADS"); v && *v) {
        const long n = std::strtol(v, nullptr, 10);
        if (n >= 1) return int32_t(n < kMaxThreads ? n : kMaxThreads);
    }
    const int32_t n = processor_count();
    return n < 1 ? 1 : n > kMaxThreads ? kMaxThreads : n;
}

}  // namespace

int32_t thread_count() {
    static const int32_t n = configured_threads();
    return n;
}

void force_parts(int32_t parts) { forced.store(parts, std::memory_order_relaxed); }

int32_t parts_for(int64_t pixels, int32_t rows) {
    int32_t parts = forced.load(std::memory_order_relaxed);
    if (parts < 1) parts = pixels < kMinPixels ? 1 : thread_count();
    return parts < rows ? parts : rows < 1 ? 1 : rows;
}

}  // namespace qv::simd

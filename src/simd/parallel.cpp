// How large pixel jobs are split (see parallel.h).
#include "simd/parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>

namespace qv::simd {

namespace {

constexpr int64_t kMinPixels = 1 << 20;  // about a megapixel
constexpr int32_t kMaxThreads = 16;
// A part must take this many times what starting an idle thread takes: a working thread
// costs more than an idle one (its stack, its first touches of the picture), and a pass
// that only reads and writes memory gains little from a second core on a small machine.
constexpr double kWorthStarting = 8;

std::atomic<int32_t> forced{0};

int32_t configured_threads() {
    if (const char* v = std::getenv("QUORVEL_THREADS"); v && *v) {
        const long n = std::strtol(v, nullptr, 10);
        if (n >= 1) return int32_t(n < kMaxThreads ? n : kMaxThreads);
    }
    const int32_t n = processor_count();
    return n < 1 ? 1 : n > kMaxThreads ? kMaxThreads : n;
}

// Starting and joining one thread that does nothing, in nanoseconds: the least of three.
double measure_start_cost() {
    double least = 1e12;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        run_parts(2, [](void*, int32_t) {}, nullptr);
        least = std::min(least, std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count());
    }
    return least;
}

// Worked out on first use (the environment may be set after the library is loaded), kept in
// plain atomics rather than a function's statics, whose guard may need memory. Only the
// host's thread asks.
std::atomic<int32_t> threads_configured{0};
std::atomic<double> start_cost{-1};

}  // namespace

int32_t thread_count() {
    if (threads_configured.load(std::memory_order_relaxed) == 0) threads_configured.store(configured_threads());
    return threads_configured.load(std::memory_order_relaxed);
}

void force_parts(int32_t parts) { forced.store(parts, std::memory_order_relaxed); }

double thread_start_cost() {
    if (start_cost.load(std::memory_order_relaxed) < 0) start_cost.store(measure_start_cost());
    return start_cost.load(std::memory_order_relaxed);
}

int32_t parts_for(int64_t pixels, double cost, int32_t rows) {
    int32_t parts = forced.load(std::memory_order_relaxed);
    if (parts < 1) {
        parts = 1;
        if (pixels >= kMinPixels && thread_count() > 1) {
            const double part_time = double(pixels) * cost / thread_count();
            if (part_time >= kWorthStarting * thread_start_cost()) parts = thread_count();
        }
    }
    return parts < rows ? parts : rows < 1 ? 1 : rows;
}

}  // namespace qv::simd

// Splitting a large pixel job over the processor's cores. Only work whose result does not
// depend on the order of its rows is split; threads are started and joined inside the call
// (none outlives it), and the calling thread takes the first part itself.
#pragma once

#include <cstdint>

#include "host/area.h"

namespace qv::simd {

// How many parts a large job is split into: QUORVEL_THREADS when it is set (1 keeps every
// command on one thread), else the number of processors, at most 16.
int32_t thread_count();

// Tests make every job, however small, split into `parts` (0: back to the normal rule).
void force_parts(int32_t parts);

// What a pixel costs one thread, roughly, in nanoseconds: a pass that reads and writes it
// once, and work on its neighbourhood or with several steps per pixel.
constexpr double kLightPixel = 0.5, kHeavyPixel = 3.0;

// The parts a job of `pixels` pixels at `cost` each, over `rows` rows, is split into: 1 for
// a job under about a megapixel, or one whose parts would take less than a few times what
// starting a thread takes here (measured once, the first time a job is that large: under
// Wine it is a hundred times what it is on Windows).
int32_t parts_for(int64_t pixels, double cost, int32_t rows);

// That cost, in nanoseconds (measured on the first call).
double thread_start_cost();

// Runs work(context, i) for i = 0 .. parts - 1, part 0 on the calling thread, and returns
// when every part is done. A thread that cannot be started runs its part here instead.
// (threads_win.cpp in the DLL, threads_posix.cpp natively.)
void run_parts(int32_t parts, void (*work)(void* context, int32_t part), void* context);

// The processors the system offers this process.
int32_t processor_count();

// Where part i of `count` rows split into `parts` nearly equal parts begins.
inline int32_t part_start(int32_t count, int32_t parts, int32_t i) { return int32_t(int64_t(count) * i / parts); }

// work(i, first, n) for part i of rows 0 .. count - 1 split into `parts` parts, each on its
// own thread (all on this one when `parts` is 1).
template <class F>
void run_bands(int32_t count, int32_t parts, F&& work) {
    if (parts <= 1) return (void)work(0, 0, count);
    struct Job {
        int32_t count, parts;
        F& work;
    } job{count, parts, work};
    run_parts(
        parts,
        [](void* c, int32_t i) {
            Job& j = *static_cast<Job*>(c);
            const int32_t a = part_start(j.count, j.parts, i);
            j.work(i, a, part_start(j.count, j.parts, i + 1) - a);
        },
        &job);
}

// work(first, n) for the parts of rows 0 .. count - 1 of a job of `pixels` pixels at `cost`
// each, in parallel when the job is large.
template <class F>
void in_parts(int32_t count, int64_t pixels, double cost, F&& work) {
    run_bands(count, count < 1 ? 1 : parts_for(pixels, cost, count),
              [&](int32_t, int32_t first, int32_t n) { work(first, n); });
}

// work(band) for the bands of rows of r, in parallel when r is large.
template <class F>
void in_row_parts(Rect r, double cost, F&& work) {
    if (r.empty()) return (void)work(r);
    in_parts(r.h, int64_t(r.w) * r.h, cost, [&](int32_t first, int32_t n) { work(Rect{r.x, r.y + first, r.w, n}); });
}

}  // namespace qv::simd

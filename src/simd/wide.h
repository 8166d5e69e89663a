// The pixel loops are written once and compiled twice: for SSE2, which every processor the
// library runs on has, and for AVX2, whose vectors are twice as wide, chosen at run time
// when the processor and the system support it. Both give the same results bit for bit
// (the same integer and exactly rounded operations, only more of them at a time).
#pragma once

#include "simd/parallel.h"

namespace qv::simd {

// Whether the AVX2 versions run: the processor and the system support them, and the
// environment variable QUORVEL_SIMD is not "sse2".
bool wide();

// Tests and benchmarks turn the AVX2 versions off to run the SSE2 ones on any machine.
void allow_wide(bool on);

}  // namespace qv::simd

// QV_TWICE(result, name, (parameters), (arguments)) defines `name` from `name_body` (a
// function of the same parameters in the same file): two copies with everything they call
// inlined into them, one compiled for AVX2, and a choice between them at each call.
// QV_WIDE marks a function as the AVX2 copy of what it calls.
//
// QV_TWICE_BY_ROWS(name, cost, (parameters), (arguments)) does the same for a void function
// whose rectangle parameter is `r` and whose rows do not depend on each other: a large
// rectangle is split into bands of rows, done on all cores (simd/parallel.h; `cost` is what
// a pixel costs one thread, kLightPixel or kHeavyPixel).
#define QV_TWICE_BY_ROWS(name, cost, params, args)                                              \
    QV_TWICE(void, name##_rows, params, args)                                                   \
    void name params {                                                                          \
        ::qv::simd::in_row_parts(r, ::qv::simd::cost, [&](::qv::Rect r) { name##_rows args; }); \
    }
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define QV_WIDE __attribute__((flatten, target("avx2")))
#define QV_TWICE(result, name, params, args)                                                   \
    namespace {                                                                                \
    __attribute__((flatten)) result name##_base params { return name##_body args; }           \
    QV_WIDE result name##_wide params { return name##_body args; }                             \
    }                                                                                          \
    result name params { return ::qv::simd::wide() ? name##_wide args : name##_base args; }
#else
#define QV_WIDE
#define QV_TWICE(result, name, params, args) \
    result name params { return name##_body args; }
#endif

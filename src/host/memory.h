// Memory that a refused allocation answers with null, never with an exception: the runtime's
// nothrow new throws and catches inside, which on a band's thread allocates per-thread state
// that outlives the thread (and aborts when that allocation is refused too). For arrays of
// plain values only; they start uninitialised, as new T[n] leaves them.
//
// Counts that come from the host's widths, heights and counts are worked out in 64 bits and
// handed over as they are: a size that does not fit the address space is refused here like
// any allocation, where a 32-bit size_t would have wrapped to a small block handed out past
// its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <type_traits>

namespace qv::host {

struct FreeMemory {
    void operator()(void* p) const { std::free(p); }
};

template <class T>
using Buffer = std::unique_ptr<T[], FreeMemory>;

template <class T>
Buffer<T> allocate(uint64_t n) {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
    // The 32-bit runtime's malloc aligns to 8 bytes: a type that needs more cannot come from it.
    static_assert(alignof(T) <= 8);
    if (n > SIZE_MAX / sizeof(T)) return nullptr;
    return Buffer<T>(static_cast<T*>(std::malloc(n ? size_t(n) * sizeof(T) : 1)));
}

}  // namespace qv::host

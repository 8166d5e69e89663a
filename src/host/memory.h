// Memory that a refused allocation answers with null, never with an exception: the runtime's
// nothrow new throws and catches inside, which on a band's thread allocates per-thread state
// that outlives the thread (and aborts when that allocation is refused too). For arrays of
// plain values only; they start uninitialised, as new T[n] leaves them.
#pragma once

#include <cstddef>
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
Buffer<T> allocate(size_t n) {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
    if (n > SIZE_MAX / sizeof(T)) return nullptr;
    return Buffer<T>(static_cast<T*>(std::malloc(n ? n * sizeof(T) : 1)));
}

}  // namespace qv::host

// Turning the host's 32-bit words into pointers and handles, and records into views.
// Only the DLL build (32-bit) includes this: the command adapters use it.
#pragma once

#include <algorithm>
#include <cstdint>

#include "host/records.h"
#include "host/views.h"

static_assert(sizeof(void*) == 4, "host records hold 32-bit pointers");

namespace qv::host {

template <class T>
T* ptr(Word word) { return reinterpret_cast<T*>(uintptr_t(word)); }

template <class H>
H handle(Word word) { return reinterpret_cast<H>(uintptr_t(word)); }

template <class H>
Word word_of(H h) { return Word(uintptr_t(h)); }

inline Screen screen_view(const BMSCR& s) {
    Screen v;
    v.width = s.width;
    v.height = s.height;
    v.bpp = s.palette_mode ? 1 : 3;
    v.pixels = ptr<uint8_t>(s.pixels);
    v.palette = ptr<uint8_t>(s.palette);
    v.cursor_x = s.cursor_x;
    v.cursor_y = s.cursor_y;
    v.area_width = s.area_width;
    v.area_height = s.area_height;
    v.color = s.color;
    return v;
}

inline Var var_view(const PVAL& p) {
    const uint32_t* dims = (p.uses_dims_record > 0 && p.dims_record)
                               ? ptr<const uint32_t>(p.dims_record) + 2
                               : nullptr;
    VarSizes sizes = var_sizes(p, dims);
    Var v;
    v.type = p.type;
    v.units = sizes.units;
    v.elements = sizes.elements;
    v.capacity = capacity(sizes);
    v.data = ptr<uint8_t>(p.data);
    return v;
}

// The bytes a command may write into a string variable's first dimension: len[1] x 4, and
// never more than its storage holds (a dims record may give it less).
inline uint64_t first_dimension_room(const PVAL& p) {
    return std::min<uint64_t>(first_dimension_bytes(p), var_view(p).capacity);
}

// The same in elements of an integer variable: len[1], never more than the storage holds.
inline uint64_t first_dimension_elements(const PVAL& p) { return first_dimension_room(p) / 4; }

// The first dimension's bytes by the same rule, for the 32-bit sizes the codecs take.
inline uint32_t first_dimension_room32(const PVAL& p) { return uint32_t(first_dimension_room(p)); }

// How many bytes of a variable a command reads as data (the memory loaders' byte count):
// `count` of them, or its whole first dimension when the count is 0 or more than that.
inline uint32_t counted_bytes(const PVAL& p, int32_t count) {
    const uint32_t room = first_dimension_room32(p);
    return count > 0 && uint32_t(count) < room ? uint32_t(count) : room;
}

// Stores a picture's width and height in data[0] and data[1] of an integer variable (the size
// queries of every picture bridge): a script should give two elements; a smaller variable
// gets what fits, and nothing is written past its storage.
inline void store_size(PVAL* var, int32_t width, int32_t height) {
    const Var v = var_view(*var);
    if (v.capacity >= 4) v.ints()[0] = width;
    if (v.capacity >= 8) v.ints()[1] = height;
}

}  // namespace qv::host

// Byte ranges and sorts (see blocks.h). A stable O(n log n) sort orders equal keys exactly as
// the bubble sort that defines the result, so it gives the very same arrays.
#include "text/blocks.h"

#include <algorithm>
#include <cstring>

#include "host/memory.h"

namespace qv::text {

size_t limit_range(size_t size, int32_t offset, int32_t count) {
    if (offset < 0 || count < 1 || size_t(offset) >= size) return 0;
    const size_t room = size - size_t(offset);
    return size_t(count) < room ? size_t(count) : room;
}

int32_t element_sum(const uint8_t* data, size_t size, int32_t count, int32_t offset, int32_t kind) {
    const size_t width = kind == 2 || kind == 3 ? 2 : (kind == 4 || kind == 5) ? 4 : 1;
    const size_t n = limit_range(size / width, offset, count);
    if (n == 0) return 0;  // and the offset may lie outside the data
    uint32_t sum = 0;
    const uint8_t* p = data + size_t(offset) * width;
    for (size_t i = 0; i < n; ++i, p += width) {
        switch (kind) {
            case 1: sum += uint32_t(int32_t(int8_t(p[0]))); break;
            case 2: sum += uint32_t(p[0] | p[1] << 8); break;
            case 3: sum += uint32_t(int32_t(int16_t(uint16_t(p[0] | p[1] << 8)))); break;
            case 4:
            case 5: {
                uint32_t v;
                std::memcpy(&v, p, 4);
                sum += v;
                break;
            }
            default: sum += p[0]; break;
        }
    }
    return int32_t(sum);
}

bool stable_sort_keys(int32_t* keys, size_t n, bool descending, int32_t* companion) {
    // Equal integers cannot be told apart: a plain sort is a stable one for keys alone, and
    // it needs no memory (the library's stable sort asks for some, and a refusal there
    // throws inside the runtime).
    if (!companion) {
        if (descending) std::sort(keys, keys + n, [](int32_t a, int32_t b) { return a > b; });
        else std::sort(keys, keys + n);
        return true;
    }
    // With a companion, each key keeps its place number, which orders equal keys.
    struct Entry {
        int32_t key;
        uint32_t place;
        int32_t value;
    };
    const host::Buffer<Entry> entries = host::allocate<Entry>(n);
    if (!entries) return false;
    for (size_t i = 0; i < n; ++i) entries[i] = {keys[i], uint32_t(i), companion[i]};
    std::sort(entries.get(), entries.get() + n, [&](const Entry& a, const Entry& b) {
        if (a.key != b.key) return descending ? a.key > b.key : a.key < b.key;
        return a.place < b.place;
    });
    for (size_t i = 0; i < n; ++i) {
        keys[i] = entries[i].key;
        companion[i] = entries[i].value;
    }
    return true;
}

}  // namespace qv::text

// Byte-level work on a variable's storage and the stable sorts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::text {

// The range rule of the byte commands: count cut so that offset + count stays within size;
// 0 when nothing remains.
size_t limit_range(size_t size, int32_t offset, int32_t count);

// The sum of `count` elements from element `offset` (kind 1 signed 8-bit, 2 unsigned 16,
// 3 signed 16, 4 or 5 32-bit, else unsigned 8-bit), wrapping in 32 bits.
int32_t element_sum(const uint8_t* data, size_t size, int32_t count, int32_t offset, int32_t kind);

// Sorts n keys ascending (or descending), equal keys keeping their order, exactly as the
// bubble sort of n passes would; the companion, when given, is permuted with the keys.
// False, with nothing moved, when there is no memory for a sort with a companion.
bool stable_sort_keys(int32_t* keys, size_t n, bool descending, int32_t* companion);

}  // namespace qv::text

// Searching a variable's bytes for a text (case-blind mode aware of Shift-JIS) or for a
// binary pattern of exact, wildcard and masked elements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv::text {

// The positions a search covers: from `offset` up to the end bound, which is the limit
// counted as a length from `offset`, held within the buffer's `size` bytes.
size_t end_bound(size_t size, int64_t offset, int64_t limit);

// The first position p, begin <= p, with the whole pattern below `end`; -1 when none.
int64_t find_text(const uint8_t* data, size_t begin, size_t end, const uint8_t* pattern, size_t length);

// The same, letters compared without case and walking whole Shift-JIS characters (a match
// never starts on the second byte of a double-byte character, whose bytes compare as they
// are). `length` is at most 2048.
int64_t find_text_case_blind(const uint8_t* data, size_t begin, size_t end, const uint8_t* pattern, size_t length);

// A binary pattern element: exact byte, wildcard, masked equal or masked unequal.
struct PatternElement {
    uint8_t mask, value;
    bool equal;  // false: the masked byte must differ from value
};
PatternElement pattern_element(int32_t e);

int64_t find_pattern(const uint8_t* data, size_t begin, size_t end, const PatternElement* pattern, size_t n);
inline int64_t find_pattern(const uint8_t* data, size_t begin, size_t end, const std::vector<PatternElement>& pattern) {
    return find_pattern(data, begin, end, pattern.data(), pattern.size());
}

}  // namespace qv::text

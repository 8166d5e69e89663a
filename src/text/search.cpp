// The searches (see search.h). The case-sensitive text search and the binary search with an
// exact first element jump between candidates with memchr, the C library's fastest scan.
#include "text/search.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "text/sjis.h"

namespace qv::text {

namespace {

uint8_t upper(uint8_t b) { return (b >= 'a' && b <= 'z') ? uint8_t(b - 32) : b; }

const uint8_t* next_candidate(const uint8_t* from, const uint8_t* last, uint8_t first) {
    return static_cast<const uint8_t*>(std::memchr(from, first, size_t(last - from)));
}

// The first byte from `from` below `last` that is the letter `lower` in either case: b | 0x20
// is `lower` only for the two cases of that letter. 64 bytes a step, as memchr goes.
const uint8_t* next_letter(const uint8_t* from, const uint8_t* last, uint8_t lower) {
#ifdef __SSE2__
    const __m128i case_bit = _mm_set1_epi8(0x20), want = _mm_set1_epi8(char(lower));
    const auto hits = [&](const uint8_t* p) {
        return _mm_cmpeq_epi8(_mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), case_bit), want);
    };
    for (; last - from >= 64; from += 64) {
        const __m128i a = hits(from), b = hits(from + 16), c = hits(from + 32), d = hits(from + 48);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) continue;
        const uint64_t mask = uint64_t(uint32_t(_mm_movemask_epi8(a)) | uint32_t(_mm_movemask_epi8(b)) << 16) |
                              uint64_t(uint32_t(_mm_movemask_epi8(c)) | uint32_t(_mm_movemask_epi8(d)) << 16) << 32;
        return from + __builtin_ctzll(mask);
    }
#endif
    for (; from < last; ++from)
        if ((*from | 0x20) == lower) return from;
    return nullptr;
}

}  // namespace

size_t end_bound(size_t size, int64_t offset, int64_t limit) {
    if (offset < 0 || uint64_t(offset) >= size) return size_t(offset < 0 ? 0 : size);
    const uint64_t room = size - uint64_t(offset);
    return size_t(offset) + size_t(uint64_t(limit) < room ? uint64_t(limit) : room);
}

int64_t find_text(const uint8_t* data, size_t begin, size_t end, const uint8_t* pattern, size_t length) {
    if (length == 0 || begin >= end || end - begin < length) return -1;
    const uint8_t* last = data + end - length + 1;  // candidates stop here: the match must fit
    for (const uint8_t* p = data + begin; p < last;) {
        p = next_candidate(p, last, pattern[0]);
        if (!p) return -1;
        if (std::memcmp(p + 1, pattern + 1, length - 1) == 0) return p - data;
        ++p;
    }
    return -1;
}

int64_t find_text_case_blind(const uint8_t* data, size_t begin, size_t end, const uint8_t* pattern, size_t length) {
    if (length == 0 || begin >= end) return -1;
    uint8_t folded[2048];
    for (size_t i = 0; i < length; ++i) {
        folded[i] = upper(pattern[i]);
        if (is_lead_byte(pattern[i]) && i + 1 < length) {
            folded[i + 1] = pattern[i + 1];
            ++i;
        }
    }
    // Candidates (bytes that fold to the pattern's first) are found a block at a time; only
    // a candidate that starts a character counts. Walking characters from `begin`, a run of
    // lead-range bytes alternates lead and trail from its first byte, and the byte right
    // after a non-lead byte always starts a character: so a candidate starts one when the
    // lead-range bytes right before it are even in number. They are counted back no further
    // than `known`, a start already established, so no byte is counted twice.
    const uint8_t first = folded[0];
    const bool letter = first >= 'A' && first <= 'Z';
    const uint8_t* const stop = data + end;
    size_t known = begin;
    for (const uint8_t* at = data + begin; at < stop; ++at) {
        at = letter ? next_letter(at, stop, uint8_t(first | 0x20)) : next_candidate(at, stop, first);
        if (!at) return -1;
        const size_t p = size_t(at - data);
        size_t run_start = p;
        while (run_start > known && is_lead_byte(data[run_start - 1])) --run_start;
        if ((p - run_start) % 2 != 0) {
            known = p + 1;  // p is the trail byte of the lead byte before it
            continue;
        }
        known = p;
        size_t i = 0;
        bool trail = false;  // the byte after a lead byte compares as it is
        for (; i < length && p + i < end; ++i) {
            const uint8_t b = data[p + i];
            if ((trail ? b : upper(b)) != folded[i]) break;
            trail = !trail && is_lead_byte(b);
        }
        if (i == length) return int64_t(p);
    }
    return -1;
}

PatternElement pattern_element(int32_t e) {
    if (e >= 0 && e <= 255) return {0xFF, uint8_t(e), true};
    if (e >= -255 && e <= -1) return {0, 0, true};  // wildcard: any byte
    const uint32_t bits = uint32_t(e >= 256 ? e : -int64_t(e));
    const uint8_t mask = uint8_t(bits >> 8);
    return {mask, uint8_t(bits & mask), e >= 256};
}

int64_t find_pattern(const uint8_t* data, size_t begin, size_t end, const PatternElement* pattern, size_t n) {
    if (n == 0 || begin >= end || end - begin < n) return -1;
    auto matches = [&](size_t at, const PatternElement& e) { return (((data[at] & e.mask) == e.value) == e.equal); };
    const size_t last = end - n + 1;
    const bool exact_first = pattern[0].mask == 0xFF && pattern[0].equal;
    for (size_t p = begin; p < last; ++p) {
        if (exact_first) {
            const uint8_t* hit = next_candidate(data + p, data + last, pattern[0].value);
            if (!hit) return -1;
            p = size_t(hit - data);
        } else if (!matches(p, pattern[0])) {
            continue;
        }
        size_t i = 1;
        while (i < n && matches(p + i, pattern[i])) ++i;
        if (i == n) return int64_t(p);
    }
    return -1;
}

}  // namespace qv::text

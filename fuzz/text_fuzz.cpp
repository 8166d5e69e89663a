// libFuzzer target: the text helpers on bytes from the input, with offsets, counts, limits
// and kinds taken from its first 16 bytes (negative ones included); results ignored.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "text/blocks.h"
#include "text/search.h"
#include "text/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 16) return 0;
    int32_t a, b, c, d;
    std::memcpy(&a, data, 4), std::memcpy(&b, data + 4, 4), std::memcpy(&c, data + 8, 4), std::memcpy(&d, data + 12, 4);
    const std::vector<uint8_t> body(data + 16, data + size);  // exactly the bytes, for the sanitizer
    using namespace qv::text;
    element_sum(body.data(), body.size(), a, b, c & 7);
    const size_t end = end_bound(body.size(), int64_t(a), int64_t(b));
    const size_t begin = size_t(a >= 0 ? std::min<int64_t>(a, int64_t(body.size())) : 0);
    const size_t length = size_t(uint32_t(c) % 8 + 1);
    if (body.size() >= length) {
        find_text(body.data(), begin, end, body.data(), length);
        find_text_case_blind(body.data(), begin, end, body.data(), length);
        std::vector<PatternElement> pattern;
        for (size_t i = 0; i < length; ++i) pattern.push_back(pattern_element(int32_t(uint32_t(int8_t(body[i])) * uint32_t(d | 1))));
        find_pattern(body.data(), begin, end, pattern);
    }
    std::string text(body.begin(), body.end());
    const std::string terminated = text.c_str();  // up to its first zero
    int32_t value;
    parse_hex(terminated.c_str(), value);
    char out[64];
    path_part(terminated.c_str(), a, out, size_t(uint32_t(b) % sizeof out));
    format_decimal(a, out);
    if (!text.empty()) change_case_fast(text.data(), text.size(), d & 1);
    return 0;
}

// The search commands: thin adapters over the searches, with the state of SearchBin's pattern.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "command_decls.h"
#include "host/pointers.h"
#include "host/results.h"
#include "text/search.h"
#include "text/settings.h"

namespace qv::text {

Settings settings;

namespace {

constexpr size_t kMaxBlindPattern = 2048;

struct Buffer {
    const uint8_t* data;
    size_t size;
};

Buffer buffer_of(host::PVAL* var) {
    Var v = host::var_view(*var);
    return {v.data, v.capacity > SIZE_MAX ? SIZE_MAX : size_t(v.capacity)};
}

int32_t found(int64_t p) { return p < 0 ? 0 : int32_t(-(p + 1)); }

}  // namespace

int32_t SearchStr(host::PVAL* var, const char* pattern, int32_t limit, int32_t offset) {
    const size_t length = pattern ? std::strlen(pattern) : 0;
    if (length == 0 || limit == 0 || offset < 0) return host::kErrRange;
    const bool blind = limit < 0;
    if (blind && length > kMaxBlindPattern) return host::kErrRange;
    const Buffer b = buffer_of(var);
    const size_t end = end_bound(b.size, offset, std::llabs(int64_t(limit)));
    const auto* p = reinterpret_cast<const uint8_t*>(pattern);
    return found(blind ? find_text_case_blind(b.data, size_t(offset), end, p, length)
                       : find_text(b.data, size_t(offset), end, p, length));
}

int32_t SearchBinParam(host::PVAL* var, int32_t count, int32_t, int32_t) {
    if (count < 1) return host::kErrRange;
    const Buffer b = buffer_of(var);
    const size_t n = std::min<size_t>(size_t(count), b.size / 4);
    const auto* elements = reinterpret_cast<const int32_t*>(b.data);
    // The new pattern is made before the old one goes: without memory for it, nothing changes.
    host::Buffer<PatternElement> pattern = host::allocate<PatternElement>(n);
    if (!pattern) return host::kOutOfMemory;
    for (size_t i = 0; i < n; ++i) pattern[i] = pattern_element(elements[i]);
    settings.pattern = std::move(pattern);
    settings.pattern_size = n;
    settings.pattern_state = Settings::PatternState::kSet;
    return 0;
}

int32_t SearchBinNull(int32_t, int32_t, int32_t, int32_t) {
    if (settings.pattern_state == Settings::PatternState::kSet) {
        settings.pattern.reset();
        settings.pattern_size = 0;
        settings.pattern_state = Settings::PatternState::kReleased;
    }
    return 0;
}

int32_t SearchBin(host::PVAL* var, int32_t limit, int32_t offset, int32_t) {
    if (settings.pattern_state == Settings::PatternState::kNeverSet) return host::kWrongKind;
    if (settings.pattern_size == 0 || limit < 1 || offset < 0) return host::kErrRange;
    const Buffer b = buffer_of(var);
    const size_t end = end_bound(b.size, offset, limit);
    if (size_t(offset) >= end) return 0;
    return found(find_pattern(b.data, size_t(offset), end, settings.pattern.get(), settings.pattern_size));
}

}  // namespace qv::text

// Search benchmark: SearchStr's scans (case-sensitive and case-blind) and SearchBin's on a
// 64 MB buffer with the match near its end, next to memchr over the same bytes in the same
// run. Native build (preset bench). Prints medians in MB a second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "text/search.h"

namespace {

double median_seconds(const std::function<void()>& f) {
    std::vector<double> t;
    f();
    for (int i = 0; i < 7; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

}  // namespace

int main() {
    using namespace qv::text;
    const size_t size = size_t(64) << 20;
    std::vector<uint8_t> data(size);
    uint32_t s = 3;
    for (auto& b : data) b = uint8_t('a' + (s = s * 1103515245u + 12345u, (s >> 16) % 20));  // text-like, no 'z'
    const char* needle = "zebra";
    std::memcpy(&data[size - 100], needle, 5);
    volatile int64_t sink = 0;
    const double mb = size / 1048576.0;
    const double t_memchr = median_seconds([&] { sink = static_cast<const uint8_t*>(std::memchr(data.data(), 'z', size)) - data.data(); });
    const double t_text = median_seconds([&] { sink = find_text(data.data(), 0, size, reinterpret_cast<const uint8_t*>(needle), 5); });
    const double t_blind = median_seconds([&] { sink = find_text_case_blind(data.data(), 0, size, reinterpret_cast<const uint8_t*>("ZEBRA"), 5); });
    std::vector<PatternElement> exact = {pattern_element('z'), pattern_element(-1), pattern_element('b')};
    std::vector<PatternElement> masked = {pattern_element(0xFF7A), pattern_element('e')};
    const double t_bin = median_seconds([&] { sink = find_pattern(data.data(), 0, size, exact); });
    const double t_masked = median_seconds([&] { sink = find_pattern(data.data(), 0, size, masked); });
    std::printf("64 MB, the match 100 bytes before the end; medians of 7\n");
    std::printf("  memchr                      %7.2f ms  %8.0f MB/s\n", t_memchr * 1e3, mb / t_memchr);
    std::printf("  SearchStr, case-sensitive   %7.2f ms  %8.0f MB/s  (memchr / it: %.2f)\n", t_text * 1e3, mb / t_text, t_memchr / t_text);
    std::printf("  SearchStr, case-blind       %7.2f ms  %8.0f MB/s  (%.2f)\n", t_blind * 1e3, mb / t_blind, t_memchr / t_blind);
    std::printf("  SearchBin, exact first      %7.2f ms  %8.0f MB/s  (%.2f)\n", t_bin * 1e3, mb / t_bin, t_memchr / t_bin);
    std::printf("  SearchBin, masked first     %7.2f ms  %8.0f MB/s  (%.2f)\n", t_masked * 1e3, mb / t_masked, t_memchr / t_masked);
    return sink == -1 ? 1 : 0;
}

// Sort benchmark: BSort's and BSortEx's stable sort of 100,000 integers with many ties,
// and, for scale, the bubble sort of n passes that defines the result, on 10,000.
// Native build (preset bench).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "text/blocks.h"

namespace {

double seconds(const std::function<void()>& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::vector<int32_t> keys_of(size_t n) {
    std::vector<int32_t> k(n);
    uint32_t s = 5;
    for (auto& v : k) v = int32_t((s = s * 1103515245u + 12345u) >> 8) % 1000;  // many ties
    return k;
}

}  // namespace

int main() {
    using qv::text::stable_sort_keys;
    const size_t n = 100000;
    std::vector<double> plain, with;
    for (int i = 0; i < 7; ++i) {
        auto k = keys_of(n);
        plain.push_back(seconds([&] { stable_sort_keys(k.data(), n, false, nullptr); }));
        auto k2 = keys_of(n);
        std::vector<int32_t> c(n);
        for (size_t j = 0; j < n; ++j) c[j] = int32_t(j);
        with.push_back(seconds([&] { stable_sort_keys(k2.data(), n, true, c.data()); }));
    }
    std::sort(plain.begin(), plain.end());
    std::sort(with.begin(), with.end());
    auto b = keys_of(10000);
    const double bubble = seconds([&] {
        for (size_t pass = 0; pass < b.size(); ++pass)
            for (size_t i = 0; i + 1 < b.size(); ++i)
                if (b[i] > b[i + 1]) std::swap(b[i], b[i + 1]);
    });
    std::printf("100,000 integers, 1,000 distinct values; medians of 7\n");
    std::printf("  BSort (stable merge sort)            %8.2f ms\n", plain[3] * 1e3);
    std::printf("  BSortExRev (with a companion)        %8.2f ms\n", with[3] * 1e3);
    std::printf("  the bubble sort of n passes, 10,000  %8.2f ms (100,000 would take about %.0f s)\n",
                bubble * 1e3, bubble * 100);
    return 0;
}

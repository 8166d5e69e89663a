// Byte ranges, sums, and the stable sorts against the bubble sort that defines them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "text/blocks.h"

namespace qv::text {
namespace {

// The bubble sort of n passes, literally: swaps when the first of a pair is greater (less).
void bubble(std::vector<int32_t>& k, std::vector<int32_t>* c, bool descending) {
    const size_t n = k.size();
    for (size_t pass = 0; pass < n; ++pass)
        for (size_t i = 0; i + 1 < n; ++i)
            if (descending ? k[i] < k[i + 1] : k[i] > k[i + 1]) {
                std::swap(k[i], k[i + 1]);
                if (c) std::swap((*c)[i], (*c)[i + 1]);
            }
}

TEST(StableSort, EqualsTheBubbleSortWithManyTies) {
    uint32_t s = 11;
    auto next = [&] { return s = s * 1103515245u + 12345u, s >> 8; };
    for (int round = 0; round < 400; ++round) {
        const size_t n = next() % 200;
        std::vector<int32_t> keys(n), comp(n);
        for (size_t i = 0; i < n; ++i) {
            keys[i] = int32_t(next() % 7) - 3 + (round % 5 == 0 ? int32_t(next()) : 0);
            comp[i] = int32_t(i);
        }
        for (bool descending : {false, true}) {
            std::vector<int32_t> k1 = keys, c1 = comp, k2 = keys, c2 = comp;
            bubble(k1, &c1, descending);
            stable_sort_keys(k2.data(), n, descending, c2.data());
            ASSERT_EQ(k1, k2) << round;
            ASSERT_EQ(c1, c2) << round;
            std::vector<int32_t> k3 = keys;
            stable_sort_keys(k3.data(), n, descending, nullptr);
            ASSERT_EQ(k1, k3) << round;
        }
    }
}

TEST(StableSort, HandCases) {
    std::vector<int32_t> k = {3, 1, 2, 1};
    stable_sort_keys(k.data(), 4, false, nullptr);
    EXPECT_EQ(k, (std::vector<int32_t>{1, 1, 2, 3}));
    stable_sort_keys(k.data(), 4, true, nullptr);
    EXPECT_EQ(k, (std::vector<int32_t>{3, 2, 1, 1}));
    std::vector<int32_t> keys = {30, 10, 20}, comp = {1, 2, 3};
    stable_sort_keys(keys.data(), 3, false, comp.data());
    EXPECT_EQ(keys, (std::vector<int32_t>{10, 20, 30}));
    EXPECT_EQ(comp, (std::vector<int32_t>{2, 3, 1}));
    std::vector<int32_t> same = {5, 5}, order = {1, 2};
    stable_sort_keys(same.data(), 2, true, order.data());
    EXPECT_EQ(order, (std::vector<int32_t>{1, 2}));
    std::vector<int32_t> extremes = {INT32_MAX, INT32_MIN, 0, -1};
    stable_sort_keys(extremes.data(), 4, false, nullptr);
    EXPECT_EQ(extremes, (std::vector<int32_t>{INT32_MIN, -1, 0, INT32_MAX}));
}

TEST(Ranges, LimitAndSums) {
    EXPECT_EQ(limit_range(64, 10, 100), 54u);
    EXPECT_EQ(limit_range(64, 64, 1), 0u);
    EXPECT_EQ(limit_range(64, -1, 5), 0u);
    EXPECT_EQ(limit_range(64, 0, 0), 0u);
    std::vector<uint8_t> b(64);
    for (size_t i = 0; i < 64; ++i) b[i] = uint8_t(i);
    // kind 4: elements 10 to 15 of sixteen 32-bit elements.
    uint32_t want = 0;
    for (int e = 10; e < 16; ++e) {
        uint32_t v;
        std::memcpy(&v, &b[size_t(e) * 4], 4);
        want += v;
    }
    EXPECT_EQ(element_sum(b.data(), 64, 100, 10, 4), int32_t(want));
    std::vector<uint8_t> ff(8, 0xFF);
    EXPECT_EQ(element_sum(ff.data(), 8, 8, 0, 1), -8);
    EXPECT_EQ(element_sum(ff.data(), 8, 8, 0, 0), 8 * 255);
    EXPECT_EQ(element_sum(ff.data(), 8, 8, 0, 2), 4 * 65535);
    EXPECT_EQ(element_sum(ff.data(), 8, 8, 0, 3), -4);
    EXPECT_EQ(element_sum(ff.data(), 8, 1, 4, 2), 0) << "offset past the elements";
    EXPECT_EQ(element_sum(ff.data(), 8, 8, -1, 4), 0) << "offset before the elements";
}

}  // namespace
}  // namespace qv::text

// Numbers drawn in bulk against rand called once a number: the same numbers, and the
// runtime left in the same place, whether the generator is recognised or not.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "effects/random.h"
#include "simd/wide.h"

namespace qv::effects {
namespace {

// Microsoft's generator with a state of its own (msvcrt's, where the runtime is not it).
uint32_t lcg_state;
int lcg_rand() {
    lcg_state = lcg_state * 214013 + 2531011;
    return int(lcg_state >> 16 & 0x7FFF);
}
void lcg_srand(unsigned seed) { lcg_state = seed; }

// Some other generator (xorshift).
uint32_t other_state;
int other_rand() {
    other_state ^= other_state << 13;
    other_state ^= other_state >> 17;
    other_state ^= other_state << 5;
    return int(other_state & 0x7FFF);
}
void other_srand(unsigned seed) { other_state = seed ? seed : 1; }

struct Drawn {
    std::vector<int32_t> numbers;  // `count` numbers, then the next five from rand itself
    bool stepping = false;
};

Drawn in_bulk(RandomSource source, unsigned seed, int32_t count, const std::vector<int32_t>& chunks) {
    Drawn d;
    d.numbers.resize(size_t(count));
    source.srand(seed);
    {
        RuntimeRandom random(count, source);
        d.stepping = random.stepping();
        for (int32_t i = 0, k = 0; i < count; k = (k + 1) % int32_t(chunks.size())) {
            const int32_t n = std::min(chunks[size_t(k)], count - i);
            random.fill(d.numbers.data() + i, n);
            i += n;
        }
    }
    for (int i = 0; i < 5; ++i) d.numbers.push_back(source.rand() & 0x7FFF);
    return d;
}

std::vector<int32_t> one_by_one(RandomSource source, unsigned seed, int32_t count) {
    std::vector<int32_t> v;
    source.srand(seed);
    for (int32_t i = 0; i < count + 5; ++i) v.push_back(source.rand() & 0x7FFF);
    return v;
}

TEST(RuntimeRandom, SameNumbersAndStateAsOneCallANumber) {
    const RandomSource lcg{lcg_rand, lcg_srand}, other{other_rand, other_srand};
    const std::vector<std::vector<int32_t>> chunkings = {{1}, {3, 16, 7, 1000}, {1536}, {17, 8}};
    for (bool wide : {false, true}) {  // both copies of the stepping
        simd::allow_wide(wide);
        for (unsigned seed : {0u, 1u, 12345u, 0x80000000u, 0xFFFFFFFFu})
            for (int32_t count : {0, 10, 16383, 16384, 20007, 100003})
                for (const auto& chunks : chunkings) {
                    const Drawn a = in_bulk(lcg, seed, count, chunks);
                    EXPECT_EQ(a.numbers, one_by_one(lcg, seed, count)) << seed << " " << count << " " << wide;
                    EXPECT_EQ(a.stepping, count >= 16384) << seed << " " << count;
                    const Drawn b = in_bulk(other, seed, count, chunks);
                    EXPECT_EQ(b.numbers, one_by_one(other, seed, count)) << seed << " " << count;
                    EXPECT_FALSE(b.stepping);
                }
    }
    simd::allow_wide(true);
}

TEST(RuntimeRandom, TheRuntimesOwnGenerator) {
    // msvcrt's generator (the DLL's, under Wine) is recognised; glibc's is not, and is
    // called as it is.
    for (unsigned seed : {7u, 0x80000003u}) {
        const Drawn d = in_bulk(runtime_random_source(), seed, 50000, {256});
        EXPECT_EQ(d.numbers, one_by_one(runtime_random_source(), seed, 50000));
#ifdef _WIN32
        EXPECT_TRUE(d.stepping);
#else
        EXPECT_FALSE(d.stepping);
#endif
    }
}

}  // namespace
}  // namespace qv::effects

#include "effects/random.h"

#include <cstdlib>
#include <cstring>

#include "simd/wide.h"

namespace qv::effects {

namespace {

constexpr uint32_t kTimes = 214013, kPlus = 2531011;
// Recognising takes about as long as 8,000 calls to rand (some 30 microseconds).
constexpr int32_t kWorthRecognising = 16384;

constexpr uint32_t step(uint32_t s) { return s * kTimes + kPlus; }
constexpr int32_t number(uint32_t s) { return int32_t(s >> 16 & 0x7FFF); }

// Eight steps at once: s -> times s + plus.
struct Jump {
    uint32_t times = 1, plus = 0;
};
constexpr Jump kEight = [] {
    Jump j;
    for (int i = 0; i < 8; ++i) j = {j.times * kTimes, j.plus * kTimes + kPlus};
    return j;
}();

// The inverse of an odd multiplier modulo 2^32 (Newton's iteration), to step back.
constexpr uint32_t inverse(uint32_t odd) {
    uint32_t x = odd;
    for (int i = 0; i < 5; ++i) x *= 2 - odd * x;
    return x;
}
constexpr uint32_t kTimesInverse = inverse(kTimes), kEightInverse = inverse(kEight.times);
static_assert(kTimes * kTimesInverse == 1);
static_assert(kEight.times * kEightInverse == 1);

int call_rand() { return std::rand(); }
void call_srand(unsigned seed) { std::srand(seed); }

}  // namespace

int32_t runtime_rand() { return std::rand() & 0x7FFF; }

RandomSource runtime_random_source() { return {call_rand, call_srand}; }

RuntimeRandom::RuntimeRandom(int64_t count, RandomSource source) : source_(source) {
    if (count < kWorthRecognising) return;
    for (int32_t& d : drawn_) d = source_.rand() & 0x7FFF;
    unused_ = kShown;
    // The state after the first number has it in bits 16..30; the 65,536 choices of bits
    // 0..15 (bit 31 as 0) against the three numbers after it. One alone must fit.
    uint32_t fits = 0, found = 0;
    for (uint32_t low = 0; low < 65536; ++low) {
        const uint32_t s1 = uint32_t(drawn_[0]) << 16 | low, s2 = step(s1), s3 = step(s2), s4 = step(s3);
        const bool fit = number(s2) == drawn_[1] && number(s3) == drawn_[2] && number(s4) == drawn_[3];
        fits += fit;
        found = fit ? s1 : found;
    }
    if (fits != 1) return;
    stepping_ = true;
    state_ = (found - kPlus) * kTimesInverse;  // the state before the first: all four to come
    unused_ = 0;
}

RuntimeRandom::~RuntimeRandom() {
    if (stepping_) source_.srand(state_);
}

namespace {

// The numbers of the n states after `state`, eight lanes at a time (lane j the state j + 1
// steps on, each moved eight steps a round); returns the last state. (Vector types: the
// vectoriser leaves the lanes' arithmetic scalar otherwise.)
typedef uint32_t Lanes __attribute__((vector_size(16)));

uint32_t step_out_body(int32_t* out, int32_t n, uint32_t state) {
    int32_t i = 0;
    if (n >= 16) {
        Lanes low, high;  // lanes 0-3 and 4-7
        uint32_t s = state;
        for (int j = 0; j < 4; ++j) low[j] = s = step(s);
        for (int j = 0; j < 4; ++j) high[j] = s = step(s);
        for (; i + 8 <= n; i += 8) {
            const Lanes a = low >> 16 & 0x7FFF, b = high >> 16 & 0x7FFF;
            std::memcpy(out + i, &a, sizeof a);
            std::memcpy(out + i + 4, &b, sizeof b);
            low = low * kEight.times + kEight.plus;
            high = high * kEight.times + kEight.plus;
        }
        // The last number given out came from lane 7 before its last move.
        state = (high[3] - kEight.plus) * kEightInverse;
    }
    for (; i < n; ++i) out[i] = number(state = step(state));
    return state;
}

}  // namespace

QV_TWICE(uint32_t, step_out, (int32_t * out, int32_t n, uint32_t state), (out, n, state))

void RuntimeRandom::fill(int32_t* out, int32_t n) {
    if (stepping_) {
        state_ = step_out(out, n, state_);
        return;
    }
    int32_t i = 0;
    for (; i < n && unused_ > 0; ++i, --unused_) out[i] = drawn_[kShown - unused_];
    for (; i < n; ++i) out[i] = source_.rand() & 0x7FFF;
}

}  // namespace qv::effects

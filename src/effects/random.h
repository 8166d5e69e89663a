// Numbers from the C runtime's rand, many at a time, for the noise effects: the same
// numbers in the same order as calls to rand, with the runtime left where those calls would
// have left it, so that a script that seeds the runtime gets the same picture every time.
#pragma once

#include <cstdint>

namespace qv::effects {

// The C runtime's rand, 0..32767 (seeded only by the scripts' own command), one number.
int32_t runtime_rand();

// The runtime's generator: rand (0..32767) and srand.
struct RandomSource {
    int (*rand)();
    void (*srand)(unsigned);
};
RandomSource runtime_random_source();

// Microsoft's C runtimes (msvcrt, whose rand the DLL calls) step a 32-bit state
// s -> 214013 s + 2531011 and return its bits 16..30; srand(s) sets the state. Where the
// first numbers drawn show that generator, the rest are stepped here, eight states at a
// time, and srand hands the state back at the end; any other generator is called once a
// number. Bit 31 of the state never reaches a number (the multiplier is odd), so the state
// found and handed back may differ from the runtime's there alone.
class RuntimeRandom {
public:
    // `count`: how many numbers the caller will draw, at least (the first few are drawn
    // through rand to recognise the generator; too few are not worth it).
    explicit RuntimeRandom(int64_t count, RandomSource source = runtime_random_source());
    ~RuntimeRandom();
    RuntimeRandom(const RuntimeRandom&) = delete;
    RuntimeRandom& operator=(const RuntimeRandom&) = delete;

    void fill(int32_t* out, int32_t n);  // the next n numbers, 0..32767

    bool stepping() const { return stepping_; }

private:
    static constexpr int kShown = 4;  // numbers drawn to recognise the generator
    RandomSource source_;
    bool stepping_ = false;
    uint32_t state_ = 0;              // while stepping: the state of the last number given out
    int32_t drawn_[kShown] = {};      // otherwise: numbers drawn and not yet given out
    int32_t unused_ = 0;
};

}  // namespace qv::effects

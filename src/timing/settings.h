// The timing subsystem's process-wide state, all zero at load.
#pragma once

#include <atomic>
#include <cstdint>

namespace qv::timing {

struct Settings {
    uint32_t mm_timer = 0;       // the running multimedia timer, 0 = none
    int32_t mm_period = 0;
    std::atomic<uint32_t> mm_count{0};  // ticks, counted on the timer's thread
    uint32_t mm_mark = 0;
    uint32_t mm_marks[10] = {};
    uint32_t tick_marks[10] = {};
    uint32_t frame_time_base = 0;  // SetNowTick's time, which the frame-timed copy advances
};

extern Settings settings;

// Dispatches the thread's pending messages; WM_QUIT ends the process with exit code 1.
void pump_messages();

// The frame time base that SetNowTick sets, for a copy paced in frames of `ms` (1 or more)
// milliseconds: wait_for_frame waits until `ms` have passed since the base (pumping messages
// while it waits when `pump` is set), and at once when the base is more than 2^31 ms old,
// which then moves to `ms` before now; next_frame moves the base on by `ms`, from the old
// base rather than from now, so that a sequence of frames keeps a steady rate.
void wait_for_frame(int32_t ms, bool pump);
void next_frame(int32_t ms);

}  // namespace qv::timing

// Frame-rate steadiness of SleepGcopy under Wine, against the real DLL: 100 frames of
// 16 ms, with and without pumping messages; the mean frame time and the worst deviation of
// a frame's end from its schedule (SetNowTick + k x 16 ms).
#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "dll_bench_win.h"
#include "host_screen_win.h"

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    HMODULE dll = qv::bench::load_library();
    if (!dll) return 1;
    auto call = [&](const char* name, int32_t a, int32_t b, int32_t c, int32_t d) {
        return qv::bench::command(dll, name)(a, b, c, d);
    };
    using qv::bench::word;
    qv::hostsim::HostScreen table(320, 240, false, "frames table"), screen(320, 240, false, "frames");
    table.fill_gradient();
    screen.set_area(320, 240);
    call("SetBMSCR", word(table.record()), 0, 0, 0);
    call("SetBMNo", 0, 0, 0, 0);
    timeBeginPeriod(1);
    for (int wait : {16, -16}) {
        const int frames = 100;
        std::vector<double> ends;
        call("SetNowTick", 0, 0, 0, 0);
        const DWORD start = timeGetTime();
        for (int k = 0; k < frames; ++k) {
            call("SleepGcopy", word(screen.record()), wait, 0, 0);
            ends.push_back(double(timeGetTime() - start));
        }
        double worst = 0;
        for (int k = 0; k < frames; ++k) worst = std::max(worst, std::fabs(ends[k] - 16.0 * (k + 1)));
        std::printf("SleepGcopy, 100 frames of 16 ms%s: mean frame %.3f ms, worst deviation from schedule %.1f ms\n",
                    wait < 0 ? " (pumping)" : "", ends.back() / frames, worst);
    }
    timeEndPeriod(1);
    return 0;
}

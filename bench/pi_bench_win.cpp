// Pi benchmark, run under Wine against the real quorvel.dll: PiLoad (file) and PiLoadMem
// (memory) of a 1024 x 768 256-colour picture, photo-like and flat, into a full-colour
// screen, next to a plain memcpy of the screen's bytes. Prints medians in megapixels a second.
//
// The pictures are made with the test encoder: the photo-like one is smooth light with
// noise over a 256-colour ramp (short copies, many literal pairs); the flat one is a few
// large areas of one colour (long copies).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dll_bench_win.h"
#include "host_screen_win.h"
#include "pi_encoder.h"

namespace {

using qv::bench::command;
using qv::bench::median_seconds;
using qv::bench::word;

std::vector<uint8_t> picture(int w, int h, bool photo) {
    std::vector<uint8_t> px(size_t(w) * h);
    uint32_t s = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1103515245u + 12345u;
            int v;
            if (photo) {
                double light = 128 + 60 * std::sin(x / 90.0) + 50 * std::cos(y / 70.0 + x / 200.0);
                v = int(light) + ((s >> 16) % 8 == 0 ? int((s >> 20) % 5) - 2 : 0);
            } else {
                v = ((x / 256) + (y / 192) * 4) * 16;
            }
            px[size_t(y) * w + x] = uint8_t(std::clamp(v, 0, 255));
        }
    return px;
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    HMODULE dll = qv::bench::load_library();
    if (!dll) return 1;
    const int w = 1024, h = 768, reps = 15;
    const double mp = w * h / 1e6;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    qv::bench::CommandFn load = command(dll, "PiLoad"), load_mem = command(dll, "PiLoadMem"), set_mem = command(dll, "SetPiMem");
    qv::hostsim::HostScreen screen(w, h, false, "pi bench");
    std::vector<uint8_t> colours(768);
    std::vector<uint8_t> copy(screen.size_bytes());
    screen.fill_pattern(5);
    unsigned checksum = 0;
    double memcpy_s = median_seconds(reps, [&] {
        std::memcpy(copy.data(), screen.bits(), copy.size());
        checksum += copy[copy.size() / 2];  // the copy is used, so it is not optimised away
    });
    std::printf("1024 x 768, 256 colours, into a full-colour screen; median of %d runs\n", reps);
    std::printf("  memcpy of the screen's %zu bytes: %8.2f ms  %8.1f MP/s\n", copy.size(), memcpy_s * 1e3,
                mp / memcpy_s);
    for (bool photo : {true, false}) {
        qv::pi_encoder::Options o;
        std::string file = qv::pi_encoder::encode(picture(w, h, photo), w, h, o);
        // The memory source is the variable's first dimension: at most 65535 x 4 bytes.
        if (file.size() > 65535 * 4) {
            std::printf("  %s picture too large for a memory source (%zu bytes)\n", photo ? "photo-like" : "flat",
                        file.size());
            return 1;
        }
        std::string file_path = std::string(temp) + "qv_bench.pi";
        FILE* f = std::fopen(file_path.c_str(), "wb");
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
        qv::hostsim::HostVar var = qv::hostsim::HostVar::text(uint32_t(file.size()));
        std::memcpy(var.data(), file.data(), file.size());
        set_mem(word(var.record()), 0, 0, 0);
        double file_s = median_seconds(reps, [&] {
            load(word(screen.record()), word(file_path.c_str()), 1, word(colours.data()));
        });
        set_mem(word(var.record()), 0, 0, 0);
        double mem_s = median_seconds(reps, [&] { load_mem(word(screen.record()), 1, 0, word(colours.data())); });
        std::printf("  %-10s (%7zu bytes)  PiLoad %8.2f ms %7.1f MP/s   PiLoadMem %8.2f ms %7.1f MP/s   "
                    "memcpy/PiLoadMem %.3f\n",
                    photo ? "photo-like" : "flat", file.size(), file_s * 1e3, mp / file_s, mem_s * 1e3, mp / mem_s,
                    memcpy_s / mem_s);
        DeleteFileA(file_path.c_str());
    }
    return checksum == 12345678u;  // never: keeps the checksum alive
}

// JPEG benchmark, run under Wine against the real quorvel.dll: JpegLoad, JpegSave and
// JpegSize against plain libjpeg-turbo loops (the same static library build, the same DCT)
// on a 12-megapixel and a 2-megapixel photo-like picture, and JpegLoad's peak memory
// beyond the screen buffer. Prints medians and ratios.
//
// The pictures are made here: smooth light, texture, noise and hard edges (a photo's mix
// of flat and busy areas), encoded at quality 90, 4:2:0, baseline.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>  // after <cstdio>: it needs FILE

#include "dll_bench_win.h"
#include "host_screen_win.h"

namespace {

using qv::bench::CommandFn;
using qv::bench::median;
using qv::bench::seconds;
using qv::bench::word;

HMODULE dll;
std::string exe_path;

CommandFn command(const char* name) { return qv::bench::command(dll, name); }

std::vector<uint8_t> photo_rgb(int w, int h) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    uint32_t state = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            int noise = int((state >> 16) % 24) - 12;
            int edge = ((x / 50 + y / 70) % 5 == 0) ? 50 : 0;
            double fx = x / double(w), fy = y / double(h);
            int r = int(120 + 80 * std::sin(fx * 9 + fy * 3) + 30 * std::sin(x / 7.0)) + noise + edge;
            int g = int(110 + 90 * std::cos(fy * 7 - fx * 2)) + noise;
            int b = int(100 + 70 * std::sin((fx + fy) * 11) + 20 * std::cos(y / 5.0)) - edge + noise;
            uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            p[0] = uint8_t(std::clamp(r, 0, 255));
            p[1] = uint8_t(std::clamp(g, 0, 255));
            p[2] = uint8_t(std::clamp(b, 0, 255));
        }
    return rgb;
}

// The plain encode: libjpeg's defaults at the given quality, one scanline a call, each row
// handed over where it lies.
template <class RowAt>
void encode_rows(int w, int h, J_COLOR_SPACE space, RowAt row_at, int quality, const char* path) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 3;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = row_at(int32_t(c.next_scanline));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

// RGB rows from a top-down buffer.
void plain_encode(const std::vector<uint8_t>& rgb, int w, int h, int quality, const char* path) {
    encode_rows(w, h, JCS_RGB, [&](int32_t y) { return const_cast<JSAMPROW>(&rgb[size_t(y) * w * 3]); }, quality,
                path);
}

// The screen's own pixels: blue, green, red rows from the bottom-up buffer.
void plain_encode_screen(const qv::hostsim::HostScreen& screen, int quality, const char* path) {
    encode_rows(screen.width(), screen.height(), JCS_EXT_BGR, [&](int32_t y) { return screen.at(0, y); }, quality,
                path);
}

// The plain decode: RGB rows into a buffer, one scanline a call.
void plain_decode(const char* path, std::vector<uint8_t>& out) {
    FILE* f = std::fopen(path, "rb");
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&d);
    out.resize(size_t(d.output_width) * d.output_height * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = &out[size_t(d.output_scanline) * d.output_width * 3];
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
}

// Runs a and b alternately `reps` times; returns their medians.
std::pair<double, double> race(int reps, const std::function<void()>& a, const std::function<void()>& b) {
    std::vector<double> ta, tb;
    a();  // warm the caches and the file
    b();
    for (int i = 0; i < reps; ++i) {
        ta.push_back(seconds(a));
        tb.push_back(seconds(b));
    }
    return {median(ta), median(tb)};
}

void report(const char* what, double mp, std::pair<double, double> t, const char* against) {
    std::printf("  %-10s %8.2f ms  %7.1f MP/s   %-22s %8.2f ms   ratio %.3f\n", what, t.first * 1e3,
                mp / t.first, against, t.second * 1e3, t.first / t.second);
}

size_t private_bytes(bool peak) {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return peak ? pmc.PeakPagefileUsage : pmc.PagefileUsage;
}

void bench_picture(int w, int h, int reps, bool measure_memory) {
    const double mp = w * double(h) / 1e6;
    std::printf("%d x %d (%.1f megapixels), median of %d runs\n", w, h, mp, reps);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string src = std::string(temp) + "qv_bench_src.jpg";
    std::string out_dll = std::string(temp) + "qv_bench_dll.jpg";
    std::string out_plain = std::string(temp) + "qv_bench_plain.jpg";
    std::vector<uint8_t> rgb = photo_rgb(w, h);
    plain_encode(rgb, w, h, 90, src.c_str());

    qv::hostsim::HostScreen screen(w, h, false, "bench");
    screen.fill({1, 2, 3});  // every page of the buffer touched before measuring
    CommandFn load = command("JpegLoad"), save = command("JpegSave"), size = command("JpegSize"),
              param = command("JpegParam");
    if (measure_memory) {
        // In a fresh process that holds nothing bigger than the screen, so that its peak is
        // the load's.
        std::string cmd = "\"" + exe_path + "\" --memory \"" + src + "\" " + std::to_string(w) + " " + std::to_string(h);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::vector<char> line(cmd.begin(), cmd.end());
        line.push_back(0);
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
            WaitForSingleObject(pi.hProcess, 60000);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
    std::vector<uint8_t> buffer;
    report("JpegLoad", mp,
           race(reps, [&] { load(word(screen.record()), word(src.c_str()), 1, 0); },
                [&] { plain_decode(src.c_str(), buffer); }),
           "plain decode");

    // The screen now holds the picture; save it at quality 70 (the default settings).
    param(70, 1, 0, 0);
    report("JpegSave", mp,
           race(reps, [&] { save(word(screen.record()), word(out_dll.c_str()), w, h); },
                [&] { plain_encode(rgb, w, h, 70, out_plain.c_str()); }),
           "plain encode");

    qv::hostsim::HostVar dims = qv::hostsim::HostVar::ints(2);
    report("JpegSave", mp,
           race(reps, [&] { save(word(screen.record()), word(out_dll.c_str()), w, h); },
                [&] { plain_encode_screen(screen, 70, out_plain.c_str()); }),
           "plain, screen pixels");
    report("JpegSize", mp,
           race(reps, [&] { size(word(dims.record()), word(src.c_str()), 0, 0); },
                [&] { plain_decode(src.c_str(), buffer); }),
           "full decode");

    // The same picture from a script's variable. A memory source is at most a variable's
    // first dimension, 65535 x 4 bytes: the picture at the highest quality that fits, loaded
    // from the variable and from its file.
    const std::string fits = std::string(temp) + "qv_bench_mem.jpg";
    std::string bytes;
    int quality = 95;
    do {
        quality -= quality > 10 ? 5 : 1;
        plain_encode(rgb, w, h, quality, fits.c_str());
        std::ifstream in(fits, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    } while (bytes.size() > 65535u * 4 && quality > 1);
    qv::hostsim::HostVar data = qv::hostsim::HostVar::text(uint32_t(bytes.size()));
    std::memcpy(data.data(), bytes.data(), bytes.size());
    CommandFn set_mem = command("SetJpegMem"), load_mem = command("JpegLoadMem");
    int32_t from_memory = 0;
    const auto t = race(
        reps,
        [&] {
            set_mem(word(data.record()), int32_t(bytes.size()), 0, 0);
            from_memory = load_mem(word(screen.record()), 1, 0, 0);
        },
        [&] { load(word(screen.record()), word(fits.c_str()), 1, 0); });
    std::printf("  (quality %d, %zu KB; JpegLoadMem result %d)\n", quality, bytes.size() / 1024, from_memory);
    report("JpegLoadMem", mp, t, "JpegLoad, same file");
    DeleteFileA(fits.c_str());
    DeleteFileA(src.c_str());
    DeleteFileA(out_dll.c_str());
    DeleteFileA(out_plain.c_str());
}

// The child's part: a screen, a load, and the peak of private memory around the load.
int measure_load_memory(const char* src, int w, int h) {
    qv::hostsim::HostScreen screen(w, h, false, "memory");
    screen.fill({1, 2, 3});
    size_t before = private_bytes(false), peak_before = private_bytes(true);
    int32_t result = command("JpegLoad")(word(screen.record()), word(src), 1, 0);
    size_t peak = private_bytes(true);
    std::printf("  JpegLoad peak memory beyond the screen: %.2f MB (result %d; screen %.1f MB)\n",
                (double(std::max(peak, peak_before)) - double(before)) / 1048576.0, result,
                screen.size_bytes() / 1048576.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    dll = qv::bench::load_library();
    if (!dll) {
        std::fprintf(stderr, "cannot load quorvel.dll\n");
        return 1;
    }
    exe_path = std::string(path, n);
    if (argc == 5 && std::string(argv[1]) == "--memory")
        return measure_load_memory(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    bench_picture(4000, 3000, 9, true);
    bench_picture(1600, 1200, 21, false);
    return 0;
}

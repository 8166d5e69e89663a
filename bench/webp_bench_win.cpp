// WebP benchmark, run under Wine against the real quorvel.dll: WebpLoad and WebpSave against
// plain loops of the same libwebp build, linked into this program: the file read into memory
// and decoded into RGB memory (libwebp's simple API, and its advanced one with the bridge's
// options: its worker thread on, into a block of the picture's size), and the screen's pixels
// encoded with libwebp's simple API at the same settings and written to a file. Pictures are
// files given on the command line. Prints medians of 25 loads and 5 saves, taken in turn, and
// ratios.
#include <windows.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <cstdio>
#include <string>

#include "dll_bench_win.h"
#include "host_screen_win.h"

namespace {

using qv::bench::median;
using qv::bench::seconds;
using qv::bench::word;

// The medians of each job over `runs` runs, taken in turn after one warming run of each.
std::vector<double> medians_in_turn(const std::vector<std::function<void()>>& jobs, int runs) {
    std::vector<std::vector<double>> t(jobs.size());
    for (const auto& job : jobs) job();
    for (int i = 0; i < runs; ++i)
        for (size_t j = 0; j < jobs.size(); ++j) t[j].push_back(seconds(jobs[j]));
    std::vector<double> out;
    for (const auto& v : t) out.push_back(median(v));
    return out;
}

std::string read_all(const char* path) {
    std::string out;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return out;
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

void write_all(const char* path, const uint8_t* data, size_t size) {
    if (std::FILE* f = std::fopen(path, "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

void run(HMODULE dll, const char* path) {
    int w = 0, h = 0;
    {
        const std::string bytes = read_all(path);
        if (!WebPGetInfo(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &w, &h)) return;
    }
    std::printf("%s: %d x %d\n", path, w, h);
    qv::hostsim::HostScreen screen(w, h, false, "webp");
    const auto load = qv::bench::command(dll, "WebpLoad"), save = qv::bench::command(dll, "WebpSave"),
               param = qv::bench::command(dll, "WebpParam");
    const std::vector<double> loads = medians_in_turn({
        [&] { load(word(screen.record()), word(path), 1, 0); },
        [&] {
            const std::string bytes = read_all(path);
            int pw, ph;
            WebPFree(WebPDecodeRGB(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &pw, &ph));
        },
        [&] {
            const std::string bytes = read_all(path);
            WebPDecoderConfig config;
            WebPInitDecoderConfig(&config);
            config.options.use_threads = 1;
            config.output.colorspace = MODE_BGR;
            WebPDecode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &config);
            WebPFreeDecBuffer(&config.output);
        },
    }, 25);
    std::printf("  WebpLoad %7.1f ms | plain WebPDecodeRGB loop %7.1f ms (ratio %.3f) | plain loop with the bridge's"
                " options %7.1f ms (ratio %.3f)\n",
                loads[0] * 1e3, loads[1] * 1e3, loads[0] / loads[1], loads[2] * 1e3, loads[0] / loads[2]);
    const char* out = "webp-bench-out.webp";
    // The top row and a negative stride: the screen's rows as they lie, bottom-up.
    const uint8_t* top = screen.at(0, 0);
    const int stride = -int(screen.stride());
    for (bool lossless : {false, true}) {
        const int quality = lossless ? 70 : 80;  // what libwebp's simple lossless API uses, and the default
        param(quality, lossless, 4, 0);
        const std::vector<double> saves = medians_in_turn({
            [&] { save(word(screen.record()), word(out), w, h); },
            [&] {
                uint8_t* webp = nullptr;
                const size_t n = lossless ? WebPEncodeLosslessBGR(top, w, h, stride, &webp)
                                          : WebPEncodeBGR(top, w, h, stride, float(quality), &webp);
                write_all(out, webp, n);
                WebPFree(webp);
            },
        }, 5);
        std::printf("  WebpSave %s %7.1f ms | plain %s loop %7.1f ms | ratio %.3f\n", lossless ? "lossless" : "q80     ",
                    saves[0] * 1e3, lossless ? "WebPEncodeLosslessBGR" : "WebPEncodeBGR        ", saves[1] * 1e3,
                    saves[0] / saves[1]);
    }
    param(80, 0, 4, 0);
    std::remove(out);
}

}  // namespace

int main(int argc, char** argv) {
    HMODULE dll = qv::bench::load_library();
    if (!dll || argc < 2) {
        std::fprintf(stderr, "usage: qv_webp_bench PICTURE.webp... (quorvel.dll beside the program)\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) run(dll, argv[i]);
    return 0;
}

// WebP benchmark, native: what the bridge's placing adds to libwebp's decoding. For each
// picture given on the command line (scripts/bench makes a 12-megapixel photograph, lossy,
// and a 1920 x 1080 screenshot, lossless): libwebp's decode as the bridge asks for it (its
// options, into a block of the picture's size), the placing of that picture into a
// full-colour screen (what WebpLoad does next), and libwebp's simple API
// (WebPDecodeRGB) for reference. Prints medians of 10 runs, taken in turn.
#include <webp/decode.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "host/views.h"
#include "webp/place.h"
#include "webp/read.h"

namespace {

double ms(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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

void run(const char* path) {
    const std::string file = read_all(path);
    const auto* data = reinterpret_cast<const uint8_t*>(file.data());
    qv::webp::Info info;
    if (qv::webp::probe_webp(data, file.size(), info) != qv::webp::kDone) {
        std::printf("%s: not a WebP picture this bench reads\n", path);
        return;
    }
    std::printf("%s: %u x %u%s\n", path, info.width, info.height, info.alpha ? ", alpha" : "");
    qv::Screen screen;
    screen.width = int32_t(info.width);
    screen.height = int32_t(info.height);
    std::vector<uint8_t> pixels(screen.size_bytes(), 0x80);
    screen.pixels = pixels.data();
    // Each run decodes with the simple API, then as the bridge does and places what it
    // decoded (timed apart, as WebpLoad does them one after the other).
    std::vector<double> decode, place, simple;
    for (int i = 0; i < 12; ++i) {
        const double s = ms([&] {
            int w = 0, h = 0;
            WebPFree(WebPDecodeRGB(data, file.size(), &w, &h));
        });
        qv::webp::Picture p;
        const double d = ms([&] { qv::webp::decode_webp(data, file.size(), true, p); });
        const double l = ms([&] { qv::webp::place_webp(p, screen, 0, 0, 0); });
        if (i < 2) continue;  // warming runs
        decode.push_back(d), place.push_back(l), simple.push_back(s);
    }
    const double d = median(decode), l = median(place);
    std::printf("  libwebp decode (the bridge's options) %7.2f ms | the placing %6.2f ms, %4.1f %% of it"
                " | WebPDecodeRGB %7.2f ms\n",
                d, l, l / d * 100, median(simple));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: qv_webp_bench PICTURE.webp...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) run(argv[i]);
    return 0;
}

// PNG benchmark, run under Wine against the real quorvel.dll: PngLoad and PngSave against a
// plain loop of the same decoder and encoder, linked into this program from the same build
// (the file read the same way, the picture placed into a screen of the same size). Pictures
// are files given on the command line. Prints medians of 9 runs, taken in turn, and ratios.
#include <windows.h>

#include <cstdio>
#include <sys/stat.h>

#include "dll_bench_win.h"
#include "host_screen_win.h"
#include "png/decode.h"
#include "png/encode.h"
#include "png/place.h"

namespace {

using qv::bench::median;
using qv::bench::seconds;
using qv::bench::word;

// The medians of f and g over 9 runs each, taken in turn after one warming run of each, so
// that neither gains from going first.
std::pair<double, double> medians_in_turn(const std::function<void()>& f, const std::function<void()>& g) {
    f();
    g();
    std::vector<double> a, b;
    for (int i = 0; i < 9; ++i) {
        a.push_back(seconds(f));
        b.push_back(seconds(g));
    }
    return {median(a), median(b)};
}

void run(HMODULE dll, const char* path) {
    qv::png::Header header;
    {
        std::FILE* f = std::fopen(path, "rb");
        if (!f) return;
        qv::png::FileSource source(f, 1u << 30);
        qv::png::probe_png(source, header);
        std::fclose(f);
    }
    const int32_t w = int32_t(header.width), h = int32_t(header.height);
    std::printf("%s: %d x %d\n", path, w, h);
    if (w <= 0 || h <= 0) return;
    qv::hostsim::HostScreen screen(w, h, false, "png");
    const auto load = qv::bench::command(dll, "PngLoad");
    const auto save = qv::bench::command(dll, "PngSave");
    const auto [dll_load, plain_load] = medians_in_turn(
        [&] { load(word(screen.record()), word(path), 0, 0); },
        [&] {
            struct stat st;
            std::FILE* f = std::fopen(path, "rb");
            if (!f) return;
            if (stat(path, &st) == 0) {
                qv::png::FileSource source(f, uint64_t(st.st_size));
                qv::png::Picture p;
                if (qv::png::decode_png(source, p) == qv::png::kDone)
                    if (auto row = qv::png::row_buffer(p, screen.view(), 0))
                        qv::png::place_png(p, screen.view(), 0, 0, 0, row.get());
            }
            std::fclose(f);
        });
    std::printf("  PngLoad %7.1f ms | plain decode loop %7.1f ms | ratio %.3f\n", dll_load * 1e3, plain_load * 1e3,
                dll_load / plain_load);
    const char* out = "png-bench-out.png";
    const auto [dll_save, plain_save] = medians_in_turn([&] { save(word(screen.record()), word(out), w, h); }, [&] {
        qv::png::Encoded e;
        if (!qv::png::encode_png(screen.view(), {0, 0, w, h}, {6, false}, e)) return;
        std::FILE* f = std::fopen(out, "wb");
        if (!f) return;
        std::fwrite(e.bytes.get(), 1, e.size, f);
        std::fclose(f);
    });
    std::remove(out);
    std::printf("  PngSave %7.1f ms | plain encode loop %7.1f ms | ratio %.3f\n", dll_save * 1e3, plain_save * 1e3,
                dll_save / plain_save);
}

}  // namespace

int main(int argc, char** argv) {
    HMODULE dll = qv::bench::load_library();
    if (!dll || argc < 2) {
        std::fprintf(stderr, "usage: qv_png_bench PICTURE.png... (quorvel.dll beside the program)\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) run(dll, argv[i]);
    return 0;
}

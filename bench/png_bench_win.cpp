// PNG benchmark, run under Wine against the real quorvel.dll: PngLoad and PngSave against a
// plain loop of the same decoder and encoder, linked into this program from the same build
// (the file read the same way, the picture placed into a screen of the same size). Pictures
// are files given on the command line. Prints medians of 7 runs and ratios.
#include <windows.h>

#include <cstdio>
#include <sys/stat.h>

#include "dll_bench_win.h"
#include "host_screen_win.h"
#include "png/decode.h"
#include "png/encode.h"
#include "png/place.h"

namespace {

using qv::bench::median_seconds;
using qv::bench::word;

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
    const double dll_load = median_seconds(7, [&] { load(word(screen.record()), word(path), 0, 0); });
    const double plain_load = median_seconds(7, [&] {
        struct stat st;
        std::FILE* f = std::fopen(path, "rb");
        if (!f || stat(path, &st) != 0) return;
        qv::png::FileSource source(f, uint64_t(st.st_size));
        qv::png::Picture p;
        if (qv::png::decode_png(source, p) == qv::png::kDone) qv::png::place_png(p, screen.view(), 0, 0, 0);
        std::fclose(f);
    });
    std::printf("  PngLoad %7.1f ms | plain decode loop %7.1f ms | ratio %.3f\n", dll_load * 1e3, plain_load * 1e3,
                dll_load / plain_load);
    const char* out = "png-bench-out.png";
    const double dll_save = median_seconds(7, [&] { save(word(screen.record()), word(out), w, h); });
    const double plain_save = median_seconds(7, [&] {
        qv::png::Encoded e;
        if (!qv::png::encode_png(screen.view(), {0, 0, w, h}, {6, false}, e)) return;
        std::FILE* f = std::fopen(out, "wb");
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

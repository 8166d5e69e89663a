// PNG benchmark, native: the bridge's decoding (PngLoad's: whole stream to pixels in a
// full-colour screen) against the decoders a script author might otherwise use, each asked
// for RGBA (libpng's simplified API, libspng, stb_image), and its encoder (PngSave's, at the
// default level 6) against libpng's at zlib level 6 with its default filters. The pictures
// are files given on the command line (scripts/bench makes a 12-megapixel photograph and a
// 1920 x 1080 screenshot). Prints medians of 7 runs and ratios.
#include <png.h>
#include <spng.h>
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "png/decode.h"
#include "png/encode.h"
#include "png/place.h"

namespace {

using Bytes = std::vector<uint8_t>;

double median_ms(const std::function<void()>& f) {
    std::vector<double> t;
    for (int i = 0; i < 7; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[3];
}

void write_bytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// libpng's writer at zlib level 6 with its default filter choice, from RGB rows.
Bytes libpng_encode(const Bytes& rgb, uint32_t w, uint32_t h) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, write_bytes, nullptr);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t y = 0; y < h; ++y) png_write_row(png, const_cast<uint8_t*>(&rgb[size_t(y) * w * 3]));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

void run(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), {});
    int w = 0, h = 0, n = 0;
    stbi_info_from_memory(file.data(), int(file.size()), &w, &h, &n);
    std::printf("%s: %d x %d, %zu bytes\n", path, w, h, file.size());
    if (w <= 0 || h <= 0) return;

    qv::Screen screen;
    screen.width = w, screen.height = h, screen.bpp = 3;
    Bytes pixels(screen.size_bytes());
    screen.pixels = pixels.data();
    Bytes out;
    const double ours = median_ms([&] {
        qv::png::MemorySource source(file.data(), file.size());
        qv::png::Picture p;
        if (qv::png::decode_png(source, p) != qv::png::kDone) return;
        if (auto row = qv::png::row_buffer(p, screen, 0)) qv::png::place_png(p, screen, 0, 0, qv::png::kComposite, row.get());
    });
    const double simplified = median_ms([&] {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&image, file.data(), file.size());
        image.format = PNG_FORMAT_RGBA;
        out.resize(PNG_IMAGE_SIZE(image));
        png_image_finish_read(&image, nullptr, out.data(), 0, nullptr);
    });
    const double spng = median_ms([&] {
        spng_ctx* ctx = spng_ctx_new(0);
        spng_set_png_buffer(ctx, file.data(), file.size());
        size_t size = 0;
        spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size);
        out.resize(size);
        spng_decode_image(ctx, out.data(), size, SPNG_FMT_RGBA8, 0);
        spng_ctx_free(ctx);
    });
    const double stb = median_ms([&] {
        int x, y, c;
        stbi_image_free(stbi_load_from_memory(file.data(), int(file.size()), &x, &y, &c, 4));
    });
    const double fastest = std::min({simplified, spng, stb});
    std::printf("  decode  ours %7.1f ms | libpng simplified %7.1f | libspng %7.1f | stb_image %7.1f | ours / fastest %.2f\n",
                ours, simplified, spng, stb, ours / fastest);

    // The encoders, from the same pixels (ours from the screen, libpng from RGB rows).
    Bytes rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* px = screen.at(x, y);
            uint8_t* to = &rgb[(size_t(y) * w + x) * 3];
            to[0] = px[2], to[1] = px[1], to[2] = px[0];
        }
    size_t our_size = 0, their_size = 0;
    const double save = median_ms([&] {
        qv::png::Encoded e;
        qv::png::encode_png(screen, {0, 0, w, h}, {6, false}, e);
        our_size = e.size;
    });
    const double libpng_save = median_ms([&] { their_size = libpng_encode(rgb, uint32_t(w), uint32_t(h)).size(); });
    std::printf("  encode  ours %7.1f ms, %zu bytes | libpng level 6 %7.1f ms, %zu bytes | time %.2f, size %.3f\n", save,
                our_size, libpng_save, their_size, save / libpng_save, double(our_size) / double(their_size));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: qv_png_bench PICTURE.png...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) run(argv[i]);
    return 0;
}

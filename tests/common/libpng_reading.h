// libpng's own reading of a PNG stream, the reference the PNG reader is held to (natively,
// where Debian's libpng is at hand): the whole stream (to IEND, every chunk through its
// handler), without gamma, into 8-bit RGBA (palette and low depths expanded, tRNS as alpha,
// 16 bits scaled, grey to RGB, an opaque alpha added where there is none). Its warnings are
// read past.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace qv::testing {

// False when libpng refuses the stream; `cut` then tells whether it ran out of bytes.
inline bool libpng_reading(const uint8_t* data, size_t size, std::vector<uint8_t>& rgba, bool* cut = nullptr) {
    struct In {
        const uint8_t* data;
        size_t size, at;
        bool cut;
    } in{data, size, 0, false};
    png_structp png = png_create_read_struct(
        PNG_LIBPNG_VER_STRING, nullptr, [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
        [](png_structp, png_const_charp) {});
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        if (cut) *cut = in.cut;
        rgba.clear();
        return false;
    }
    png_set_read_fn(png, &in, [](png_structp p, png_bytep to, png_size_t n) {
        auto* i = static_cast<In*>(png_get_io_ptr(p));
        if (i->at + n > i->size) i->cut = true, png_error(p, "cut short");
        std::memcpy(to, i->data + i->at, n);
        i->at += n;
    });
    png_read_info(png, info);
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const uint32_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    rgba.assign(size_t(w) * h * 4, 0);
    for (uint32_t y = 0; y < h; ++y) rows.push_back(rgba.data() + size_t(y) * w * 4);
    png_read_image(png, rows.data());
    png_read_end(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace qv::testing

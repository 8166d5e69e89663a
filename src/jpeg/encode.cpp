// The encoder. Screen rows go to libjpeg as they are: it reads blue, green, red itself
// (its extended input colour spaces convert exactly as RGB does), so rows need no copy.
// Only the screen's top row, the last one in the buffer, is copied into a padded buffer,
// so that nothing reads past the end of the screen.
#include "jpeg/encode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "jpeg/decode.h"
#include "jpeg/error.h"

namespace qv::jpeg {

namespace {

struct Region {
    const uint8_t* first_row;  // pixel (x, y)
    size_t stride;
    int32_t width, height;
    bool last_is_buffer_end;   // the region's top row is the buffer's last row
};

constexpr int kRowsPerCall = 16;

// As in the decoder: each step sets libjpeg's jump target itself and answers false when
// libjpeg gave up; encode_stream owns cinfo and destroys it either way.

bool create(j_compress_ptr cinfo, ErrorManager& err) {
    if (setjmp(err.jump)) return false;
    jpeg_create_compress(cinfo);
    return true;
}

bool start(j_compress_ptr cinfo, ErrorManager& err, std::FILE* file, const Region& r, EncoderSettings& s) {
    if (setjmp(err.jump)) return false;
    jpeg_stdio_dest(cinfo, file);
    cinfo->image_width = JDIMENSION(r.width);
    cinfo->image_height = JDIMENSION(r.height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    if (s.h_sampling > 0 && s.v_sampling > 0) {
        cinfo->comp_info[0].h_samp_factor = s.h_sampling;
        cinfo->comp_info[0].v_samp_factor = s.v_sampling;
    }
    if (s.save_flags & 2) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    if (s.x_density > 0 && s.y_density > 0) {
        cinfo->density_unit = 1;
        cinfo->X_density = UINT16(s.x_density);
        cinfo->Y_density = UINT16(s.y_density);
    }
    jpeg_set_quality(cinfo, s.quality, TRUE);
    if (s.save_flags & 1) jpeg_simple_progression(cinfo);
    switch (s.save_dct & 15) {
        case 1: cinfo->dct_method = JDCT_ISLOW; break;
        case 2: cinfo->dct_method = JDCT_IFAST; break;
        case 3: cinfo->dct_method = JDCT_FLOAT; break;
        default: break;
    }
    if (s.smoothing > 0) cinfo->smoothing_factor = s.smoothing;
    jpeg_start_compress(cinfo, TRUE);
    if (s.comment && s.comment_length > 0) {
        jpeg_write_marker(cinfo, JPEG_COM, s.comment, s.comment_length);
        s.comment = nullptr;
        s.comment_length = 0;
    }
    return true;
}

bool write_rows(j_compress_ptr cinfo, ErrorManager& err, const Region& r) {
    if (setjmp(err.jump)) return false;
    // The padded copy of the buffer's last row, from libjpeg's pool (freed with the object).
    JSAMPARRAY top = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                 JDIMENSION(r.width) * 3 + 256, 1);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW rows[kRowsPerCall];
        const int n = std::min<int>(kRowsPerCall, int(cinfo->image_height - cinfo->next_scanline));
        for (int i = 0; i < n; ++i) {
            const size_t y = cinfo->next_scanline + size_t(i);
            rows[i] = const_cast<JSAMPROW>(r.first_row - y * r.stride);
        }
        if (r.last_is_buffer_end && cinfo->next_scanline == 0) {
            std::memcpy(top[0], r.first_row, size_t(r.width) * 3);
            rows[0] = top[0];
        }
        jpeg_write_scanlines(cinfo, rows, JDIMENSION(n));
    }
    jpeg_finish_compress(cinfo);
    return true;
}

int32_t encode_stream(std::FILE* file, const Region& r, EncoderSettings& s) {
    jpeg_compress_struct cinfo{};
    ErrorManager err;
    cinfo.err = init_error_manager(err);
    const bool ok = create(&cinfo, err) && start(&cinfo, err, file, r, s) && write_rows(&cinfo, err, r);
    jpeg_destroy_compress(&cinfo);
    return ok ? kDone : kBadStream;
}

}  // namespace

int32_t encode_region(const Screen& screen, const char* path, int32_t width, int32_t height,
                      EncoderSettings& settings) {
    const Point o = position_inside(screen);
    cut_at_edges(screen, o, width, height);
    std::FILE* file = path ? std::fopen(path, "wb") : nullptr;
    if (!file) return kCannotOpen;
    int32_t status = kBadStream;
    // A region libjpeg would refuse is refused here, without touching the pixels.
    if (width > 0 && height > 0) {
        Region r;
        r.stride = (size_t(3) * size_t(screen.width) + 3) & ~size_t(3);
        r.first_row = screen.pixels + size_t(screen.height - 1 - o.y) * r.stride + size_t(3) * o.x;
        r.width = width;
        r.height = height;
        r.last_is_buffer_end = o.y == 0;
        status = encode_stream(file, r, settings);
    }
    bool closed = std::fclose(file) == 0;
    if (status == kDone && !closed) status = kBadStream;
    if (status != kDone) std::remove(path);
    return status;
}

}  // namespace qv::jpeg

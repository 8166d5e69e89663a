// The CMYK test file, written with libjpeg (see jpeg_files.h).
#include "jpeg_files.h"

#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace qv::testing {

namespace {

// Rows of `components` samples, each row made by fill(row, y).
template <class Fill>
bool write_jpeg(const std::string& path, int width, int height, int components, J_COLOR_SPACE space,
                Fill fill, J_COLOR_SPACE stored = JCS_UNKNOWN) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    if (stored != JCS_UNKNOWN) jpeg_set_colorspace(&c, stored);
    jpeg_set_quality(&c, 100, TRUE);
    c.comp_info[0].h_samp_factor = 1;
    c.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * components);
    for (int y = 0; y < height; ++y) {
        fill(row, y);
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

}  // namespace

bool write_solid_jpeg(const std::string& path, int width, int height, int r, int g, int b) {
    return write_jpeg(path, width, height, 3, JCS_RGB, [&](std::vector<JSAMPLE>& row, int) {
        for (size_t i = 0; i < row.size(); i += 3) {
            row[i] = JSAMPLE(r);
            row[i + 1] = JSAMPLE(g);
            row[i + 2] = JSAMPLE(b);
        }
    });
}

bool write_cmyk_jpeg(const std::string& path, int width, int height, bool ycck) {
    return write_jpeg(
        path, width, height, 4, JCS_CMYK,
        [](std::vector<JSAMPLE>& row, int y) {
            for (size_t i = 0; i < row.size(); ++i) row[i] = JSAMPLE(i * 13 + y * 7);
        },
        ycck ? JCS_YCCK : JCS_UNKNOWN);
}

}  // namespace qv::testing

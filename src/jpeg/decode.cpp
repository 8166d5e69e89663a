// Decoding into a screen and probing a stream's size, through libjpeg, from a file or from
// memory (libjpeg's own memory source: the script's bytes are read where they lie).
//
// The decoder asks libjpeg for blue, green, red directly (its extended colour spaces give
// the same values as RGB, only ordered for the screen), so that rows that fit are decoded
// straight into the screen's buffer without a copy or a conversion. Grayscale pictures are
// expanded by libjpeg to three equal bytes. Only a picture wider than the room right of the
// origin goes through a one-row buffer, cut at the screen's right edge.
#include "jpeg/decode.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "host/memory.h"
#include "jpeg/error.h"
#include "jpeg/exif.h"
#include "jpeg/file.h"
#include "jpeg/orient.h"

namespace qv::jpeg {

void attach_input(j_decompress_ptr cinfo, const Input& in) {
    if (in.file) jpeg_stdio_src(cinfo, in.file);
    else jpeg_mem_src(cinfo, in.bytes, static_cast<unsigned long>(in.size));
}

JpegTarget SetJpegTarget(const Screen& screen) {
    JpegTarget t;
    if (screen.width <= 0 || screen.height <= 0 || !screen.pixels) return t;  // no room at all
    const Point o = position_inside(screen);
    t.width = screen.width - o.x;
    t.height = screen.height - o.y;
    t.stride = (size_t(3) * size_t(screen.width) + 3) & ~size_t(3);
    t.first_row = screen.pixels + size_t(screen.height - o.y - 1) * t.stride + size_t(3) * o.x;
    return t;
}

namespace {

void apply_dct(jpeg_decompress_struct& cinfo, int32_t flags) {
    switch (flags & 15) {
        case 1: cinfo.dct_method = JDCT_ISLOW; break;
        case 2: cinfo.dct_method = JDCT_IFAST; break;
        case 3: cinfo.dct_method = JDCT_FLOAT; break;
        default: break;
    }
}

// Decoder memory beyond which a picture is refused (libjpeg then reports a fatal error, as
// it has no backing store). Only whole-image buffers, those of progressive streams, come
// near it: a 32-bit host could not give that much anyway, and a header claiming a huge
// picture over a few bytes of data fails at once instead of reserving gigabytes.
constexpr long kMaxDecoderMemory = 1L << 30;

// Rows handed to libjpeg per call when decoding straight into the screen.
constexpr int kRowsPerCall = 16;

// Row i of the target (i < height): counted back from the first row, never past the buffer.
uint8_t* target_row(const JpegTarget& t, int32_t i) { return t.first_row - size_t(i) * t.stride; }

// libjpeg reports a fatal error by jumping back to the last setjmp. Each step below is a
// function of its own that takes the object from its caller, sets the jump target first and
// has no locals the error path reads: a step answers false when libjpeg gave up, and the
// caller, which owns cinfo and holds no jump target, destroys it either way.

bool create(j_decompress_ptr cinfo, ErrorManager& err) {
    if (setjmp(err.jump)) return false;
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxDecoderMemory;
    return true;
}

// The orientation in the first EXIF block the header's reading saved, 0 when there is none.
int32_t saved_orientation(const jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && is_exif_block(m->data, m->data_length))
            return exif_orientation(m->data, m->data_length);
    return 0;
}

bool is_cmyk(const jpeg_decompress_struct& cinfo) {
    return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

// The set-up decode and probe share: the header read (with the EXIF blocks kept when the
// orientation is wanted), the scale set and decompression started. Pixels are asked for as
// blue, green, red (RGB and grayscale convert; CMYK and YCCK cannot, and libjpeg refuses them
// here unless they are to be converted: then as CMYK); a probe keeps libjpeg's own colour
// space, so it sizes those too.
bool start(j_decompress_ptr cinfo, ErrorManager& err, const Input& in, bool for_pixels, int32_t flags,
           const LoadOptions& options, int32_t& orientation) {
    if (setjmp(err.jump)) return false;
    attach_input(cinfo, in);
    if (options.orient) jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);
    orientation = options.orient ? saved_orientation(*cinfo) : 0;
    cinfo->scale_num = 1;
    cinfo->scale_denom = JDIMENSION(options.scale);
    if (for_pixels) {
        apply_dct(*cinfo, flags);
        cinfo->out_color_space = options.cmyk && is_cmyk(*cinfo) ? JCS_CMYK : JCS_EXT_BGR;
    }
    jpeg_start_decompress(cinfo);
    return true;
}

// CMYK as Adobe's programs write it (each ink stored inverted, 255 for none; libjpeg has
// already turned YCCK into it) to blue, green, red, as Pillow converts it: each colour is
// (stored ink) x (stored black) / 255, rounded the same way.
void cmyk_to_bgr(const uint8_t* in, int32_t w, uint8_t* out) {
    for (int32_t x = 0; x < w; ++x, in += 4, out += 3) {
        const int32_t k = in[3];
        for (int c = 0; c < 3; ++c) {
            const int32_t v = (255 - in[2 - c]) * k + 128;
            out[c] = uint8_t(k - (((v >> 8) + v) >> 8));
        }
    }
}

// Rows go into the target until the picture or the target's room ends; `full` tells which.
bool read_rows(j_decompress_ptr cinfo, ErrorManager& err, JpegTarget& target, bool& full) {
    if (setjmp(err.jump)) return false;
    const JDIMENSION width = cinfo->output_width;
    const bool direct = width <= JDIMENSION(target.width);
    const size_t copy_bytes = size_t(3) * std::min<JDIMENSION>(width, JDIMENSION(target.width));
    JSAMPARRAY spare = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                   JPOOL_IMAGE, width * 3, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int32_t room = target.height - target.rows_written;
        if (room <= 0) {
            // The target is full: this row is read but not written, then decoding stops.
            jpeg_read_scanlines(cinfo, spare, 1);
            full = true;
            return true;
        }
        if (direct) {
            JSAMPROW rows[kRowsPerCall];
            const int n = std::min<int>({room, kRowsPerCall, int(cinfo->output_height - cinfo->output_scanline)});
            for (int i = 0; i < n; ++i) rows[i] = target_row(target, target.rows_written + i);
            target.rows_written += int32_t(jpeg_read_scanlines(cinfo, rows, JDIMENSION(n)));
        } else if (jpeg_read_scanlines(cinfo, spare, 1) == 1) {
            std::memcpy(target_row(target, target.rows_written), spare[0], copy_bytes);
            target.rows_written += 1;
        }
    }
    return true;
}

bool finish(j_decompress_ptr cinfo, ErrorManager& err, bool abort) {
    if (setjmp(err.jump)) return false;
    if (abort) jpeg_abort_decompress(cinfo);
    else jpeg_finish_decompress(cinfo);
    return true;
}

// Every row of the picture into `picture` (top row first, rows `stride` bytes apart),
// converted from CMYK when libjpeg gives that.
bool read_picture(j_decompress_ptr cinfo, ErrorManager& err, uint8_t* picture, size_t stride) {
    if (setjmp(err.jump)) return false;
    const bool cmyk = cinfo->out_color_space == JCS_CMYK;
    JSAMPARRAY spare = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                   cinfo->output_width * JDIMENSION(cmyk ? 4 : 3), 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        uint8_t* row = picture + size_t(cinfo->output_scanline) * stride;
        JSAMPROW into = cmyk ? spare[0] : row;
        if (jpeg_read_scanlines(cinfo, &into, 1) == 1 && cmyk) cmyk_to_bgr(spare[0], int32_t(cinfo->output_width), row);
    }
    return true;
}

int32_t decode_stream(const Input& in, int32_t flags, JpegTarget& target, const LoadOptions& options) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    cinfo.err = init_error_manager(err);
    int32_t orientation = 0;
    bool full = false, ok = create(&cinfo, err) && start(&cinfo, err, in, true, flags, options, orientation);
    host::Buffer<uint8_t> picture;
    const bool whole = ok && ((orientation >= 2 && orientation <= 8) || cinfo.out_color_space == JCS_CMYK);
    bool read_all = false;  // every row of the picture is in it (libjpeg fills what data lacks)
    if (whole) {
        // Turned or converted: decoded into a picture of its own first (at its scaled size).
        const size_t stride = size_t(cinfo.output_width) * 3;
        picture = host::allocate<uint8_t>(uint64_t(stride) * cinfo.output_height);
        if (!picture) {
            jpeg_destroy_decompress(&cinfo);
            return kNoMemory;
        }
        ok = read_all = read_picture(&cinfo, err, picture.get(), stride);
    } else {
        ok = ok && read_rows(&cinfo, err, target, full);
    }
    // Data that ended before the picture did (libjpeg filled the rest with grey) is judged
    // before finishing, which only reads what follows the picture.
    const bool cut = err.data_ended_early;
    ok = ok && finish(&cinfo, err, full);
    // Placed only when every row was made: a picture libjpeg gave up on is partly unwritten.
    if (read_all) {
        int32_t w = int32_t(cinfo.output_width), h = int32_t(cinfo.output_height);
        place_oriented(picture.get(), size_t(w) * 3, w, h, orientation, target);
        oriented_size(orientation, w, h);
        target.rows_written = target.first_row ? std::min(target.height, h) : 0;
    }
    jpeg_destroy_decompress(&cinfo);
    return ok && !cut ? kDone : kBadStream;
}

int32_t probe_stream(const Input& in, int32_t& width, int32_t& height, const LoadOptions& options) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    cinfo.err = init_error_manager(err);
    int32_t orientation = 0;
    const bool ok = create(&cinfo, err) && start(&cinfo, err, in, false, 0, options, orientation);
    if (ok) {
        width = int32_t(cinfo.output_width);
        height = int32_t(cinfo.output_height);
        oriented_size(orientation, width, height);
    }
    jpeg_destroy_decompress(&cinfo);  // also ends a started decompression
    return ok ? kDone : kBadStream;
}

}  // namespace

int32_t DecodeJpegFile(const char* path, int32_t flags, int64_t offset, JpegTarget& target,
                       const LoadOptions& options) {
    File file;
    uint64_t size;
    switch (host::open_at(path, offset, file, size)) {
        case OpenResult::kCannotOpen: return kCannotOpen;
        case OpenResult::kCannotSeek: return kBadStream;
        case OpenResult::kOpen: break;
    }
    return decode_stream({file.get()}, flags, target, options);
}

int32_t ProbeJpegFile(const char* path, int64_t offset, int32_t& width, int32_t& height,
                      const LoadOptions& options) {
    File file;
    uint64_t size;
    switch (host::open_at(path, offset, file, size)) {
        case OpenResult::kCannotOpen: return kCannotOpen;
        case OpenResult::kCannotSeek: return kBadStream;
        case OpenResult::kOpen: break;
    }
    return probe_stream({file.get()}, width, height, options);
}

int32_t decode_jpeg_memory(const uint8_t* bytes, size_t size, int32_t flags, JpegTarget& target,
                           const LoadOptions& options) {
    return decode_stream({nullptr, bytes, size}, flags, target, options);
}

int32_t probe_jpeg_memory(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height,
                          const LoadOptions& options) {
    return probe_stream({nullptr, bytes, size}, width, height, options);
}

}  // namespace qv::jpeg

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

#include "jpeg/error.h"
#include "jpeg/file.h"

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

// The set-up decode and probe share: the header read and decompression started. Pixels are
// asked for as blue, green, red (RGB and grayscale convert; CMYK and YCCK cannot, and libjpeg
// refuses them here); a probe keeps libjpeg's own colour space, so it sizes those too.
bool start(j_decompress_ptr cinfo, ErrorManager& err, const Input& in, bool for_pixels, int32_t flags) {
    if (setjmp(err.jump)) return false;
    attach_input(cinfo, in);
    jpeg_read_header(cinfo, TRUE);
    if (for_pixels) {
        apply_dct(*cinfo, flags);
        cinfo->out_color_space = JCS_EXT_BGR;
    }
    jpeg_start_decompress(cinfo);
    return true;
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

int32_t decode_stream(const Input& in, int32_t flags, JpegTarget& target) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    cinfo.err = init_error_manager(err);
    bool full = false, ok = create(&cinfo, err) && start(&cinfo, err, in, true, flags) &&
                            read_rows(&cinfo, err, target, full);
    // Data that ended before the picture did (libjpeg filled the rest with grey) is judged
    // before finishing, which only reads what follows the picture.
    const bool cut = err.data_ended_early;
    ok = ok && finish(&cinfo, err, full);
    jpeg_destroy_decompress(&cinfo);
    return ok && !cut ? kDone : kBadStream;
}

int32_t probe_stream(const Input& in, int32_t& width, int32_t& height) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    cinfo.err = init_error_manager(err);
    const bool ok = create(&cinfo, err) && start(&cinfo, err, in, false, 0);
    if (ok) {
        width = int32_t(cinfo.output_width);
        height = int32_t(cinfo.output_height);
    }
    jpeg_destroy_decompress(&cinfo);  // also ends a started decompression
    return ok ? kDone : kBadStream;
}

int32_t decode_input(const Input& in, int32_t flags, JpegTarget& target) { return decode_stream(in, flags, target); }

}  // namespace

int32_t DecodeJpegFile(const char* path, int32_t flags, int64_t offset, JpegTarget& target) {
    File file;
    uint64_t size;
    switch (host::open_at(path, offset, file, size)) {
        case OpenResult::kCannotOpen: return kCannotOpen;
        case OpenResult::kCannotSeek: return kBadStream;
        case OpenResult::kOpen: break;
    }
    return decode_input({file.get()}, flags, target);
}

int32_t ProbeJpegFile(const char* path, int64_t offset, int32_t& width, int32_t& height) {
    File file;
    uint64_t size;
    switch (host::open_at(path, offset, file, size)) {
        case OpenResult::kCannotOpen: return kCannotOpen;
        case OpenResult::kCannotSeek: return kBadStream;
        case OpenResult::kOpen: break;
    }
    return probe_stream({file.get()}, width, height);
}

int32_t decode_jpeg_memory(const uint8_t* bytes, size_t size, int32_t flags, JpegTarget& target) {
    return decode_input({nullptr, bytes, size}, flags, target);
}

int32_t probe_jpeg_memory(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height) {
    return probe_stream({nullptr, bytes, size}, width, height);
}

}  // namespace qv::jpeg

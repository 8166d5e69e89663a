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
#include <climits>
#include <cstring>
#include <new>

#include <sys/stat.h>

#include "jpeg/error.h"
#include "jpeg/file.h"

namespace qv::jpeg {

OpenResult open_at(const char* path, int64_t offset, File& file) {
    // Some C libraries open a folder for reading; it is no file to decode.
    struct stat st;
    if (!path || (stat(path, &st) == 0 && S_ISDIR(st.st_mode))) return OpenResult::kCannotOpen;
    file.reset(std::fopen(path, "rb"));
    if (!file) return OpenResult::kCannotOpen;
    if (offset < 0 || offset > LONG_MAX || std::fseek(file.get(), long(offset), SEEK_SET) != 0) {
        file.close();
        return OpenResult::kCannotSeek;
    }
    return OpenResult::kOpen;
}

void attach_input(j_decompress_ptr cinfo, const Input& in) {
    if (in.file) jpeg_stdio_src(cinfo, in.file);
    else jpeg_mem_src(cinfo, in.bytes, static_cast<unsigned long>(in.size));
}

Origin clamped_origin(const Screen& s) {
    return {(s.cursor_x >= 0 && s.cursor_x < s.width) ? s.cursor_x : 0,
            (s.cursor_y >= 0 && s.cursor_y < s.height) ? s.cursor_y : 0};
}

JpegTarget SetJpegTarget(const Screen& screen) {
    JpegTarget t;
    if (screen.width <= 0 || screen.height <= 0 || !screen.pixels) return t;  // no room at all
    Origin o = clamped_origin(screen);
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

// The decode proper. It holds the jump target, so nothing in it has a destructor.
int32_t decode_stream(const Input& in, int32_t flags, JpegTarget& target) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = init_error_manager(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return kBadStream;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    attach_input(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    apply_dct(cinfo, flags);
    // RGB and grayscale come out as blue, green, red; CMYK and YCCK cannot be converted, and
    // libjpeg refuses them in jpeg_start_decompress.
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);

    const JDIMENSION width = cinfo.output_width;
    const bool direct = width <= JDIMENSION(target.width);
    const size_t copy_bytes = size_t(3) * std::min<JDIMENSION>(width, JDIMENSION(target.width));
    JSAMPARRAY spare = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                  JPOOL_IMAGE, width * 3, 1);
    bool full = false;
    while (cinfo.output_scanline < cinfo.output_height) {
        int32_t room = target.height - target.rows_written;
        if (room <= 0) {
            // The target is full: this row is read but not written, then decoding stops.
            jpeg_read_scanlines(&cinfo, spare, 1);
            full = true;
            break;
        }
        if (direct) {
            JSAMPROW rows[kRowsPerCall];
            int n = std::min<int>({room, kRowsPerCall, int(cinfo.output_height - cinfo.output_scanline)});
            for (int i = 0; i < n; ++i) rows[i] = target_row(target, target.rows_written + i);
            target.rows_written += int32_t(jpeg_read_scanlines(&cinfo, rows, JDIMENSION(n)));
        } else if (jpeg_read_scanlines(&cinfo, spare, 1) == 1) {
            std::memcpy(target_row(target, target.rows_written), spare[0], copy_bytes);
            target.rows_written += 1;
        }
    }
    // Data that ended before the picture did: libjpeg filled the rest with grey.
    bool cut = err.data_ended_early;
    if (full) jpeg_abort_decompress(&cinfo);
    else jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return cut ? kBadStream : kDone;
}

int32_t probe_stream(const Input& in, int32_t& width, int32_t& height) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = init_error_manager(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return kBadStream;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    attach_input(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    width = int32_t(cinfo.output_width);
    height = int32_t(cinfo.output_height);
    jpeg_abort_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return kDone;
}

int32_t decode_input(const Input& in, int32_t flags, JpegTarget& target) {
    try {
        return decode_stream(in, flags, target);
    } catch (...) {
        return kException;
    }
}

int32_t probe_input(const Input& in, int32_t& width, int32_t& height) {
    int32_t w = 0, h = 0;
    int32_t status = probe_stream(in, w, h);
    if (status == kDone) {
        width = w;
        height = h;
    }
    return status;
}

}  // namespace

int32_t DecodeJpegFile(const char* path, int32_t flags, int64_t offset, JpegTarget& target) {
    File file;
    switch (open_at(path, offset, file)) {
        case OpenResult::kCannotOpen: return kCannotOpen;
        case OpenResult::kCannotSeek: return kBadStream;
        case OpenResult::kOpen: break;
    }
    return decode_input({file.get()}, flags, target);
}

int32_t ProbeJpegFile(const char* path, int64_t offset, int32_t& width, int32_t& height) {
    File file;
    switch (open_at(path, offset, file)) {
        case OpenResult::kCannotOpen: return kCannotOpen;
        case OpenResult::kCannotSeek: return kBadStream;
        case OpenResult::kOpen: break;
    }
    return probe_input({file.get()}, width, height);
}

int32_t DecodeJpegMemory(const uint8_t* bytes, size_t size, int32_t flags, JpegTarget& target) {
    return decode_input({nullptr, bytes, size}, flags, target);
}

int32_t ProbeJpegMemory(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height) {
    return probe_input({nullptr, bytes, size}, width, height);
}

}  // namespace qv::jpeg

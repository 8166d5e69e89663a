// Comment and APP12 reading through libjpeg's marker processors.
//
// Two points where the reader is careful:
// - A line feed becomes two bytes. When only one byte of room is left, the line feed is
//   not written (writing CR LF there would pass the variable's storage); the text ends
//   before it.
// - The bytes of a marker that do not fit are skipped through the source manager, so that
//   libjpeg never reads marker data as markers.
#include "jpeg/comment.h"

#include <jerror.h>

#include "jpeg/error.h"
#include "jpeg/file.h"

namespace qv::jpeg {

namespace {

struct CommentSink {
    uint8_t* data;
    uint32_t cap;
    uint32_t written;
};

int next_byte(j_decompress_ptr cinfo) {
    jpeg_source_mgr* src = cinfo->src;
    if (src->bytes_in_buffer == 0 && !(*src->fill_input_buffer)(cinfo)) ERREXIT(cinfo, JERR_CANT_SUSPEND);
    src->bytes_in_buffer--;
    return *src->next_input_byte++;
}

boolean read_marker(j_decompress_ptr cinfo) {
    auto* sink = static_cast<CommentSink*>(cinfo->client_data);
    long length = long(next_byte(cinfo)) << 8;
    length += next_byte(cinfo);
    length -= 2;
    while (length > 0 && sink->written < sink->cap) {
        uint8_t b = uint8_t(next_byte(cinfo));
        --length;
        if (b == 0x0A) {
            if (sink->cap - sink->written < 2) {
                sink->written = sink->cap;  // no room for CR LF: the text ends here
                break;
            }
            sink->data[sink->written++] = 0x0D;
        }
        sink->data[sink->written++] = b;
    }
    if (length > 0) (*cinfo->src->skip_input_data)(cinfo, length);
    return TRUE;
}

// As in the decoder: the step sets libjpeg's jump target itself; read_stream owns cinfo.
bool read_markers(j_decompress_ptr cinfo, ErrorManager& err, const Input& in, CommentSink& sink, int32_t kind) {
    if (setjmp(err.jump)) return false;
    jpeg_create_decompress(cinfo);
    cinfo->client_data = &sink;
    attach_input(cinfo, in);
    jpeg_set_marker_processor(cinfo, kind == 0 ? JPEG_COM : JPEG_APP0 + 12, read_marker);
    jpeg_read_header(cinfo, TRUE);
    return true;
}

int32_t read_stream(const Input& in, CommentSink& sink, int32_t kind) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    cinfo.err = init_error_manager(err);
    const bool ok = read_markers(&cinfo, err, in, sink, kind);
    jpeg_destroy_decompress(&cinfo);
    return ok ? 0 : -2;
}

int32_t read_input(const Input& in, uint8_t* data, uint32_t cap, int32_t kind) {
    CommentSink sink{data, cap, 0};
    int32_t status = read_stream(in, sink, kind);
    if (status == 0 && cap > 0) data[cap - 1] = 0;
    return status;
}

}  // namespace

int32_t ReadJpegComment(uint8_t* data, uint32_t cap, const char* path, int32_t kind, int64_t offset) {
    File file;
    uint64_t size;
    switch (host::open_at(path, offset < 0 ? 0 : offset, file, size)) {
        case OpenResult::kCannotOpen: return -1;
        case OpenResult::kCannotSeek: return -2;
        case OpenResult::kOpen: break;
    }
    return read_input({file.get()}, data, cap, kind);
}

int32_t read_jpeg_comment_memory(uint8_t* data, uint32_t cap, const uint8_t* bytes, size_t size, int32_t kind) {
    return read_input({nullptr, bytes, size}, data, cap, kind);
}

}  // namespace qv::jpeg

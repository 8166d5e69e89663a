// libFuzzer target: the comment and APP12 reader. The first byte picks the room (0 to 31
// bytes, an exact allocation so that a write past it is caught) and the marker kind (its top
// bit); the rest is the JPEG stream.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "jpeg/comment.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint32_t cap = data[0] & 31;
    const int32_t kind = data[0] >> 7;
    std::unique_ptr<uint8_t[]> text(new uint8_t[cap]);
    qv::jpeg::read_jpeg_comment_memory(text.get(), cap, data + 1, size - 1, kind);
    return 0;
}

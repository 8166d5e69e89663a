// libFuzzer target: bytes in as a JPEG memory source, decoded into a small screen whose size
// the first byte chooses (0 x 0 included) and probed, as stored and again with JpegLoadParam's
// options (a scale the input's length chooses, turned by its EXIF block, CMYK converted);
// results ignored. (Comments: comment_fuzz.)
#include <cstddef>
#include <cstdint>
#include <vector>

#include "jpeg/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    qv::Screen s;
    s.width = data[0] & 15;
    s.height = data[0] >> 4;
    std::vector<uint8_t> pixels(s.size_bytes());
    s.pixels = pixels.empty() ? nullptr : pixels.data();
    qv::jpeg::JpegTarget target = qv::jpeg::SetJpegTarget(s);
    qv::jpeg::decode_jpeg_memory(data + 1, size - 1, 0, target);
    int32_t w, h;
    qv::jpeg::probe_jpeg_memory(data + 1, size - 1, w, h);
    const qv::jpeg::LoadOptions options{1 << (size & 3), true, true};
    target = qv::jpeg::SetJpegTarget(s);
    qv::jpeg::decode_jpeg_memory(data + 1, size - 1, 0, target, options);
    qv::jpeg::probe_jpeg_memory(data + 1, size - 1, w, h, options);
    return 0;
}

// libFuzzer target: bytes in as a WebP stream (after one control byte), read as the file
// commands read it (through a stdio stream over the bytes) or as the memory commands do, its
// size probed, and a decoded picture placed into a small screen in the mode the control byte
// chooses, at a place it chooses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "webp/place.h"
#include "webp/read.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t control = data[0];
    qv::webp::Bytes bytes{data + 1, size - 1, nullptr};
    qv::webp::Info info;
    if (control & 0x80) {
        // The file path: the size query's few kilobytes first, then the whole stream.
        std::FILE* file = fmemopen(const_cast<uint8_t*>(data + 1), size - 1, "rb");
        if (!file) return 0;
        qv::webp::probe_file(file, size - 1, info);
        std::rewind(file);
        const int32_t read = qv::webp::read_stream(file, size - 1, bytes);
        std::fclose(file);
        if (read != qv::webp::kDone) return 0;
    }
    qv::webp::probe_webp(bytes.data, bytes.size, info);
    const int32_t mode = (control >> 1) & 3;
    qv::webp::Picture picture;
    if (qv::webp::decode_webp(bytes.data, bytes.size, mode != 1, picture) != qv::webp::kDone) return 0;
    qv::Screen s;
    s.width = 13;
    s.height = 7;
    std::vector<uint8_t> pixels(s.size_bytes());
    s.pixels = pixels.data();
    qv::webp::place_webp(picture, s, (control >> 3) & 7, (control >> 6) & 1, mode);
    return 0;
}

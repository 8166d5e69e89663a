// libFuzzer target: bytes in as a Pi memory source, header read and decode, result ignored.
// Every crash it finds becomes a test in tests/core/pi_decode_test.cpp.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "pi/decode.h"
#include "pi/header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::pi::PiFormat format;
    int32_t w = 0, h = 0;
    if (qv::pi::parse_pi_header(data, std::min(size, qv::pi::kBlockSize), format, w, h) != 0) return 0;
    // Rows are capped so that each input stays quick; the decoder's rules are the same.
    qv::pi::PiShape shape{w, h, format.colour_count, format.data_offset, std::min(h, 64)};
    qv::pi::IndexBuffer out;
    qv::pi::DecodePi(nullptr, data, size, shape, out);
    return 0;
}

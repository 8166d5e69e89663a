// libFuzzer target: the EXIF orientation reader, on the bytes as a JPEG stream's markers and
// as an APP1 block's data (each from an allocation of exactly their size).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "jpeg/exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    qv::jpeg::jpeg_orientation(copy.get(), size);
    qv::jpeg::exif_orientation(copy.get(), size);
    return 0;
}

// libFuzzer target: bytes in as a clipboard DIB block, checked and placed into a small
// screen of either kind (the first byte chooses which and where); results ignored.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "clip/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    qv::Screen s;
    s.width = 13;
    s.height = 7;
    s.bpp = data[0] & 1 ? 1 : 3;
    std::vector<uint8_t> pixels(s.size_bytes());
    s.pixels = pixels.data();
    qv::clip::Dib dib;
    if (qv::clip::check_dib(data + 1, size - 1, s.palette_mode(), dib) != qv::clip::kDibOk) return 0;
    uint8_t colours[768];
    if (s.palette_mode()) qv::clip::dib_colours(dib, colours);
    qv::clip::place_dib(dib, s, (data[0] >> 1) & 15, data[0] >> 5);
    return 0;
}

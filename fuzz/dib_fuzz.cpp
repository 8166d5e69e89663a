// libFuzzer target: bytes in as a clipboard DIB block, checked (in the plain forms or with the
// 32-bit ones) and placed into a small screen of either kind (the first byte chooses which,
// the forms and where), a 32-bit one read row by row; results ignored.
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
    const auto forms = data[0] & 0x80 ? qv::clip::DibForms::kWithAlpha : qv::clip::DibForms::kPlain;
    if (qv::clip::check_dib(data + 1, size - 1, s.palette_mode(), dib, forms) != qv::clip::kDibOk) return 0;
    if (dib.bits == 32) {
        volatile uint8_t sum = 0;
        for (int32_t y = 0; y < dib.height; ++y) sum = sum + dib.row(y)[dib.stride - 1];
        return 0;
    }
    uint8_t colours[768];
    if (s.palette_mode()) qv::clip::dib_colours(dib, colours);
    qv::clip::place_dib(dib, s, qv::inside_or_zero(s, (data[0] >> 1) & 15, (data[0] >> 5) & 3));
    return 0;
}

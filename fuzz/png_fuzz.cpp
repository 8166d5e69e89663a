// libFuzzer target: bytes in as a PNG stream (after one control byte) or, when the control
// byte's top bit is set, as a 32-bit clipboard bitmap; a decoded picture is placed into a
// small screen of either kind, in the mode the control byte chooses, at a place it chooses.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/decode.h"
#include "png/dib32.h"
#include "png/place.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t control = data[0];
    qv::png::Picture picture;
    int32_t status;
    if (control & 0x80) {
        qv::clip::Dib dib;
        status = qv::clip::check_dib(data + 1, size - 1, control & 1, dib, qv::clip::DibForms::kWithAlpha) == 0 && dib.bits == 32
                     ? qv::png::picture_from_dib32(dib, picture)
                     : qv::png::kBadStream;
    } else {
        qv::png::MemorySource source(data + 1, size - 1);
        qv::png::Header header;
        qv::png::probe_png(source, header);
        qv::png::MemorySource again(data + 1, size - 1);
        status = qv::png::decode_png(again, picture);
    }
    if (status != qv::png::kDone) return 0;
    qv::Screen s;
    s.width = 13;
    s.height = 7;
    s.bpp = control & 1 ? 1 : 3;
    std::vector<uint8_t> pixels(s.size_bytes());
    s.pixels = pixels.data();
    const int32_t mode = (control >> 1) & 3;
    const int32_t x = (control >> 3) & 7;
    if (!qv::png::fits(picture, s, mode)) return 0;
    if (auto row = qv::png::row_buffer(picture, s, x)) qv::png::place_png(picture, s, x, (control >> 6) & 1, mode, row.get());
    return 0;
}

// The encoder's setting commands, and the JPEG bridge's settings themselves.
#include "jpeg/settings.h"

#include "command_decls.h"
#include "host/results.h"

namespace qv::jpeg {

Settings settings;

int32_t JpegParam(int32_t quality, int32_t dct, int32_t flags, int32_t smoothing) {
    if (quality < 1 || quality > 100) return host::kErrRange;  // and nothing changes
    EncoderSettings& e = settings.encoder;
    e.quality = quality;
    e.save_dct = dct;
    e.save_flags = flags;
    e.smoothing = (smoothing >= 1 && smoothing <= 100) ? smoothing : 0;
    return 0;
}

int32_t JpegParam2(int32_t h_sampling, int32_t v_sampling, int32_t x_density, int32_t y_density) {
    // Never fails: a value out of range switches its setting off.
    auto in = [](int32_t v, int32_t hi) { return (v >= 1 && v <= hi) ? v : 0; };
    EncoderSettings& e = settings.encoder;
    e.h_sampling = in(h_sampling, 2);
    e.v_sampling = in(v_sampling, 2);
    e.x_density = in(x_density, 32767);
    e.y_density = in(y_density, 32767);
    return 0;
}

int32_t JpegLoadParam(int32_t scale, int32_t flags, int32_t, int32_t) {
    if (scale != 1 && scale != 2 && scale != 4 && scale != 8) return host::kErrRange;  // and nothing changes
    settings.load = {scale, (flags & 1) != 0, (flags & 2) != 0};
    return 0;
}

}  // namespace qv::jpeg

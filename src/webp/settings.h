// The WebP bridge's settings, kept between commands: the encoder's (WebpParam).
#pragma once

#include "webp/write.h"

namespace qv::webp {

struct Settings {
    EncodeSettings encoder;
};

extern Settings settings;

}  // namespace qv::webp

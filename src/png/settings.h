// The PNG bridge's settings, kept between commands: the encoder's (PngParam).
#pragma once

#include "png/encode.h"

namespace qv::png {

struct Settings {
    EncodeSettings encoder;
};

extern Settings settings;

}  // namespace qv::png

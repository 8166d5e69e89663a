// A 32-bit device-independent bitmap with its alpha (the clipboard's CF_DIBV5, or a CF_DIB
// of 32 bits), checked by the clipboard's bitmap reader, as a picture to place as a decoded
// PNG is placed.
#pragma once

#include <cstdint>

#include "clip/dib.h"
#include "png/decode.h"

namespace qv::png {

// The bitmap's pixels as 8-bit RGBA, the top row first: kDone or kNoMemory. A bitmap whose
// alpha bytes are all 0 has no alpha (a plain 32-bit bitmap leaves them so): it is opaque.
int32_t picture_from_dib32(const clip::Dib& dib, Picture& picture);

}  // namespace qv::png

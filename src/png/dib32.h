// A 32-bit device-independent bitmap with its alpha (the clipboard's CF_DIBV5, or a CF_DIB
// of 32 bits) read into a picture, as current programs put pictures with transparency on
// the clipboard. Portable: the block comes from any program and is checked here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "png/decode.h"

namespace qv::png {

// Reads the block into `picture` as 8-bit RGBA: kDone, kOtherDepth, kBadStream (a
// header, masks or size that do not hold together, or masks other than the usual byte
// order), kTooLarge or kNoMemory. Rows may be bottom-up or top-down. A bitmap whose alpha
// bytes are all 0 has no alpha (a plain 32-bit bitmap leaves them so): it is opaque.
int32_t read_dib32(const uint8_t* block, size_t size, Picture& picture);

}  // namespace qv::png

// The outcomes of the WebP bridge in one list. Each is the status a script receives
// (results.h gives their meanings), so a command hands them on as host::status(s).
#pragma once

#include <cstdint>

namespace qv::webp {

enum Status : int32_t {
    kDone = 0,
    kCannotOpen = 1,  // the file cannot be opened, or created
    kBadStream = 2,   // not a WebP stream, damaged or cut short, or the offset cannot be reached
    kTooLarge = 3,    // more pixels than kMaxPixels (or, saving, a side above WebP's 16383)
    kNoMemory = 0x7FFFFFFE,  // the library's one no-memory status
};

}  // namespace qv::webp

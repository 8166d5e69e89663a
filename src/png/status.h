// The outcomes of the PNG bridge in one list: the reader's and the loader's. Each is the
// status a script receives (results.h gives their meanings), so a command hands them on as
// host::status(s).
#pragma once

#include <cstdint>

namespace qv::png {

enum Status : int32_t {
    kDone = 0,
    kCannotOpen = 1,  // the file cannot be opened
    kBadStream = 2,   // not a PNG, damaged or cut short, or the offset cannot be reached
    kTooLarge = 3,    // a side above kMaxSide, or more sample bytes than kMaxSampleBytes
    kNoPalette = 4,   // the system refused a palette screen's new palette
    kNoMemory = 0x7FFFFFFE,  // the library's one no-memory status
};

}  // namespace qv::png

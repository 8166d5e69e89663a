// The text subsystem's process-wide settings.
#pragma once

#include <cstdint>
#include "host/memory.h"
#include "host/records.h"
#include "text/search.h"

namespace qv::text {

struct Settings {
    enum class PatternState { kNeverSet, kSet, kReleased };
    PatternState pattern_state = PatternState::kNeverSet;
    host::Buffer<PatternElement> pattern;  // SearchBin's elements, decoded once when set
    size_t pattern_size = 0;

    int32_t sum = 0;                         // AutoSum's, for GetSum
    uint8_t* transfer_data = nullptr;        // SetTrans's target: its storage and size
    uint64_t transfer_size = 0;
    bool transfer_set = false;
    host::PVAL* companion = nullptr;         // BSortSet's record, read at sort time
    host::Word companion_dims = 0;           // the dims record remembered with it
};

extern Settings settings;

}  // namespace qv::text

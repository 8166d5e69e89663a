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
    // SetTrans's target: the record, whose storage and size are read when BlockTrans copies
    // (the script may have re-dimensioned the variable in between, and its old storage is gone).
    host::PVAL* transfer = nullptr;
    host::PVAL* companion = nullptr;         // BSortSet's record, read at sort time
    host::Word companion_dims = 0;           // the dims record remembered with it
};

extern Settings settings;

}  // namespace qv::text

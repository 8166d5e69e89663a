// The text subsystem's process-wide settings.
#pragma once

#include <vector>

#include "text/search.h"

namespace qv::text {

struct Settings {
    enum class PatternState { kNeverSet, kSet, kReleased };
    PatternState pattern_state = PatternState::kNeverSet;
    std::vector<PatternElement> pattern;  // SearchBin's elements, decoded once when set
};

extern Settings settings;

}  // namespace qv::text

// What each result of each command means, from the results table (src/results.h): the
// runner prints the meaning beside every result, and the test host fails a test whose call
// gives a result the table does not list. Portable: no Win32 here.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv::run {

// The meaning of `result` (the value the command returned) for the command, or null when the
// table does not list it.
const char* result_meaning(std::string_view command, int32_t result);

}  // namespace qv::run

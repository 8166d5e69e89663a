// What a command hands back to the host. 0 is success; a positive number is one of the
// host's own error numbers, which stops the script; a negative number is a status the script
// reads as its positive value. The numbers below recur across subsystems; a status that
// belongs to one command alone is written where that command is.
#pragma once

#include <cstdint>

namespace qv::host {

constexpr int32_t kOk = 0;

// Host error numbers.
constexpr int32_t kErrBitCount = 1;    // a bit count outside 1..16
constexpr int32_t kErrRange = 3;       // an argument out of range
constexpr int32_t kErrNoSetting = 5;   // a setting or object the command needs is missing
constexpr int32_t kErrVarType = 6;     // a variable of the wrong type

// A value for the script travels as a negated result: status 640 is result -640.
constexpr int32_t status(int32_t value) { return -value; }

// Statuses shared by several subsystems.
constexpr int32_t kRefused = status(1);          // the pixel commands' "not for a palette screen"
constexpr int32_t kWrongKind = status(255);      // an argument or setting of the wrong kind
constexpr int32_t kNothingPending = status(0x7FFFFFFF);  // no target, slot or drop to report

// What the commands that can be refused memory for a whole piece of their work answer: the
// work was not done.
constexpr int32_t kOutOfMemory = status(0x7FFFFFFE);

// What the exported thunk answers when an exception escapes a command (none is known to):
// status 2147483648, which no command gives otherwise, so that it is never mistaken for one
// of a command's own results.
constexpr int32_t kEscapedException = INT32_MIN;

}  // namespace qv::host

// The host's error numbers that commands return (a positive result stops the script with
// that error): shared by every subsystem so that each reads as what it means.
#pragma once

#include <cstdint>

namespace qv::host {

constexpr int32_t kErrRange = 3;       // an argument out of range
constexpr int32_t kErrNoSetting = 5;   // a setting or object the command needs is missing
constexpr int32_t kErrVarType = 6;     // a variable of the wrong type

}  // namespace qv::host

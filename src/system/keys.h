// The key codes Inkey gives a script, from a virtual-key code and the lock and Shift states.
#pragma once

#include <cstdint>

namespace qv::system {

// Page keys and arrows (33 to 47) move up by 384, then every code from 96 by 512 (the
// numeric pad to 608-623, function keys from 624); Shift makes the digits 1 to 9 the marks
// of a Japanese keyboard; letters are lower case unless Shift or Caps Lock (not both) says
// otherwise; with Num Lock on and Shift up the pad's digits are "0" to "9"; the pad's
// operators are their characters.
int32_t key_code(int32_t vk, bool shift, bool caps_lock, bool num_lock);

}  // namespace qv::system

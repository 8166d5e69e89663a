// Inkey's key codes (see keys.h).
#include "system/keys.h"

namespace qv::system {

int32_t key_code(int32_t k, bool shift, bool caps_lock, bool num_lock) {
    if (k >= 33 && k <= 47) k += 384;
    if (k >= 96) k += 512;
    const bool letter = k >= 'A' && k <= 'Z';
    if (shift) {
        if (k >= '1' && k <= '9') k = "!\"#$%&'()"[k - '1'];
        else if (letter && caps_lock) k += 32;
    } else if (letter && !caps_lock) {
        k += 32;
    }
    if (num_lock && !shift && k >= 608 && k <= 617) k -= 560;
    if (k >= 618 && k <= 623) k = "*+\0-./"[k - 618];
    return k;
}

}  // namespace qv::system

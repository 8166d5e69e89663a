// SetBMSCR and SetBMNo: filling and choosing the slots of the screen table.
#include "host/screen_table.h"

#include "command_decls.h"

namespace qv::host {

Settings settings;

int32_t SetBMSCR(BMSCR* screen, int32_t copy_redraw, int32_t slot, int32_t) {
    // copy_redraw is taken even when the slot is negative: scripts use slot -1 to change
    // only the flag.
    settings.copy_redraw = copy_redraw;
    if (slot >= 0) settings.screen_table[slot < kSlots ? slot : kSlots - 1] = screen;
    return 0;
}

int32_t SetBMNo(int32_t slot, int32_t, int32_t, int32_t) {
    settings.current_slot = (slot >= 0 && slot < kSlots) ? slot : 0;
    return 0;
}

}  // namespace qv::host

// The Pi state, and the command that only changes it.
#include "pi/state.h"

#include "command_decls.h"

namespace qv::pi {

Settings settings;

int32_t PiTransColour(int32_t value, int32_t enable, int32_t, int32_t) {
    const bool in_range = (value >= 0 && value <= 384);
    settings.transparent = (enable && in_range) ? value : -1;
    return 0;
}

}  // namespace qv::pi

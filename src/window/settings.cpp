// The windows subsystem's state (see settings.h).
#include "window/settings.h"

namespace qv::window {

Settings settings;

}  // namespace qv::window

// The system subsystem's state (see settings.h).
#include "system/settings.h"

namespace qv::system {

Settings settings;

}  // namespace qv::system

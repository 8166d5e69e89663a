// The drawing subsystem's settings (see settings.h).
#include "draw/settings.h"

namespace qv::draw {

Settings settings;

}  // namespace qv::draw

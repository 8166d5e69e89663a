// The dropped-files state (see settings.h).
#include "clip/settings.h"

namespace qv::clip {

Settings settings;

}  // namespace qv::clip

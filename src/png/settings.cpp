#include "png/settings.h"

namespace qv::png {

Settings settings;

}  // namespace qv::png

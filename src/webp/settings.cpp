#include "webp/settings.h"

namespace qv::webp {

Settings settings;

}  // namespace qv::webp

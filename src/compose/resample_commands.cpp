// Resample and its filter setting: thin adapters over compose/resample.
#include "command_decls.h"
#include "compose/resample.h"
#include "compose/settings.h"
#include "host/pointers.h"
#include "host/results.h"

namespace qv::compose {

int32_t ResampleParam(int32_t filter, int32_t, int32_t, int32_t) {
    if (filter < 0 || filter >= kFilterCount) return host::kErrRange;  // and the filter stays
    settings.resample_filter = filter;
    return 0;
}

int32_t Resample(host::BMSCR* target, host::BMSCR* source, int32_t width, int32_t height) {
    if (target->palette_mode || source->palette_mode) return host::kRefused;
    if (width < 1 || height < 1) return host::kErrRange;
    const Screen d = host::screen_view(*target), s = host::screen_view(*source);
    if (!resample(s, clipped_area(s), d, position_inside(d), width, height, Filter(settings.resample_filter)))
        return host::kOutOfMemory;
    return 0;
}

}  // namespace qv::compose

// The effects' settings and the commands that only set them.
#include "effects/settings.h"

#include "command_decls.h"

namespace qv::effects {

Settings settings;

int32_t ChangeColMode(int32_t mode, int32_t, int32_t, int32_t) {
    settings.change_mode = mode;
    return 0;
}

int32_t SetChangeCol(int32_t r, int32_t g, int32_t b, int32_t which) {
    Rgb c{r & 0xFF, g & 0xFF, b & 0xFF};
    (which == 0 ? settings.match_colour : settings.other_colour) = c;
    return 0;
}

int32_t SetMixColour(int32_t r, int32_t g, int32_t b, int32_t ratio) {
    settings.mix_colour = {clamp(r, 0, 255), clamp(g, 0, 255), clamp(b, 0, 255)};
    settings.mix_ratio = clamp(ratio, 0, 100);
    return 0;
}

int32_t SetMosaicSize(int32_t cell_w, int32_t cell_h, int32_t, int32_t) {
    settings.cell_w = cell_w;
    settings.cell_h = cell_h;
    return 0;
}

}  // namespace qv::effects

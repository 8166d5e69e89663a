// The per-pixel colour effects on a rectangle of a full-colour screen (blue, green, red).
#pragma once

#include <cstdint>

#include "effects/colour_models.h"
#include "host/area.h"
#include "host/views.h"

namespace qv::effects {

// Pixels within the tolerances of `reference` become `match`; others become `other` when
// `replace_others`, else stay.
void change_colours(const Screen& s, Rect r, Rgb reference, const int32_t tolerance[3], Rgb match, Rgb other,
                    bool replace_others);

// Saturation and brightness: mode 1 paler and brighter, -1 deeper and darker, else by
// percent. `level` already checked (1..1000, and 1..255 for modes 1 and -1).
void tone_change(const Screen& s, Rect r, int32_t level, int32_t mode);

// The palette form: each of the 768 bytes becomes byte * level / 100, within 0..255.
void tone_change_palette(uint8_t* colours, int32_t level);

// Grey by luma, tinted with hue and sat when sat > 0.
void monotone(const Screen& s, Rect r, int32_t hue, int32_t sat);

// Random factors (99 - amount)..(100 + amount) percent: per component, or one per pixel on
// brightness with saturation the other way.
void noise_colour(const Screen& s, Rect r, int32_t amount);
void noise_brightness(const Screen& s, Rect r, int32_t amount);

// Components selected by channels bits 0 blue, 1 green, 2 red move toward `mix` by ratio %.
void half_tone(const Screen& s, Rect r, int32_t channels, Rgb mix, int32_t ratio);

// Channels exchanged: new red, green, blue from old channel from[0], from[1], from[2]
// (0 red, 1 green, 2 blue).
void cycle_channels(const Screen& s, Rect r, const int from[3]);

}  // namespace qv::effects

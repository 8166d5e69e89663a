// Scaling a rectangle of a full-colour screen to any size with the filters image libraries
// use, computed as Pillow's Image.resize computes them, so that a script's thumbnails match
// what the usual tools make: pixel centres at half-pixel offsets; when shrinking, the filter
// widened by the scale so that every source pixel counts; weights falling outside the source
// dropped and the rest renormalised; the horizontal pass first, its result rounded and
// clipped to 0-255 before the vertical one. Area averaging over whole ratios is the exact
// mean of each block. Portable.
#pragma once

#include <cstdint>

#include "host/area.h"

namespace qv::compose {

enum class Filter : int32_t { kArea = 0, kBilinear = 1, kBicubic = 2, kLanczos = 3, kNearest = 4 };
constexpr int32_t kFilterCount = 5;

// Scales `from` (a non-empty rectangle inside src) to w x h (each at least 1) and writes it at
// `at` (inside dst), cut at dst's right and bottom edges; only what shows is computed. The two
// screens may be one. False, with dst untouched, when memory is refused.
bool resample(const Screen& src, Rect from, const Screen& dst, Point at, int32_t w, int32_t h, Filter filter);

}  // namespace qv::compose

// Plain, slow reference versions of the colour effects and filters, written straight from
// their descriptions, pixel by pixel, for the property tests: the library's effects must
// give the very same bytes. Nothing here is shared with the library's code.
#pragma once

#include <cstdint>

#include "host/views.h"

namespace qv::reference {

struct RGB {
    int r, g, b;
};
struct HSV {
    int h, s, v;
};

HSV rgb_to_hsv(int r, int g, int b);
RGB hsv_to_rgb(int h, int s, int v);
int luma(int r, int g, int b);

// The clipped area of the screen's position and copy area: x, y, w, h (h < 1: nothing).
void clipped_area(const Screen& s, int& x, int& y, int& w, int& h);

using Rand = int (*)();

void change_colours(const Screen& s, int tol_r, int tol_g, int tol_b, RGB match, RGB other, int change_mode);
void tone_change(const Screen& s, int level, int mode);  // the area at the position; checks done
void monotone(const Screen& s, int hue, int sat);
void noise_col(const Screen& s, int x, int y, int w, int h, int amount, Rand rand15);
void noise_ld(const Screen& s, int x, int y, int w, int h, int amount, Rand rand15);
void half_tone(const Screen& s, int x, int y, int w, int h, int channels, RGB mix, int ratio);

void convolve(const Screen& s, int x, int y, int w, int h, const int matrix[49], int divisor, int radius);
void median(const Screen& s, int x, int y, int w, int h, int mode);
void emboss(const Screen& s, int x, int y, int w, int h);

void mosaic(const Screen& s, int x, int y, int w, int h, int cw, int ch);
void nijimi(const Screen& s, int x, int y, int w, int h, const int matrix[49], int radius);
void rough(const Screen& s, int x, int y, int w, int h, int bits);
void disper(const Screen& s, int x, int y, int w, int h, Rand rand15);

// The rotation one pixel at a time as the formula reads, into (x0, y0, w, h) of d from the
// extent at (sx, sy) of src (which may be d itself, read as it is being written); scale
// num / den, key -1 or the transparent value.
void rotation(const Screen& d, int x0, int y0, int w, int h, const Screen& src, int sx, int sy, int angle, int cx,
              int cy, int num, int den, int key);

}  // namespace qv::reference

// The reference effects (see effects_reference.h).
#include "effects_reference.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qv::reference {

namespace {

int clampi(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
RGB get(const Screen& s, int x, int y) {
    const uint8_t* p = s.at(x, y);
    return {p[2], p[1], p[0]};
}
void put(const Screen& s, int x, int y, RGB c) {
    uint8_t* p = s.at(x, y);
    p[0] = uint8_t(c.b);
    p[1] = uint8_t(c.g);
    p[2] = uint8_t(c.r);
}
int comp(const Screen& s, int x, int y, int c) { return s.at(x, y)[c]; }  // 0 blue, 1 green, 2 red

}  // namespace

HSV rgb_to_hsv(int r, int g, int b) {
    int mx = std::max(r, std::max(g, b)), mn = std::min(r, std::min(g, b));
    if (mx == 0) return {0, 255, 0};
    int s = (mx - mn) * 255 / mx;
    if (r == g && g == b) return {0, s, mx};
    int h = 0;
    if (r >= g && g >= b) h = (g - b) * 60 / (r - b);
    if (g >= r && r >= b) h = 60 + (g - r) * 60 / (g - b);
    if (g >= b && b >= r) h = 120 + (b - r) * 60 / (g - r);
    if (b >= g && g >= r) h = 180 + (b - g) * 60 / (b - r);
    if (b >= r && r >= g) h = 240 + (r - g) * 60 / (b - g);
    if (r >= b && b >= g) h = 300 + (r - b) * 60 / (r - g);
    return {clampi(h, 0, 359), clampi(s, 0, 255), clampi(mx, 0, 255)};
}

RGB hsv_to_rgb(int h, int s, int v) {
    if (s == 0) return {v, v, v};
    int m = clampi((255 - s) * v / 255, 0, 255);
    int f = h % 60;
    int t = clampi((v - m) * f / 60, 0, 255);
    if (h < 60) return {v, m + t, m};
    if (h < 120) return {v - t, v, m};
    if (h < 180) return {m, v, m + t};
    if (h < 240) return {m, v - t, v};
    if (h < 300) return {m + t, m, v};
    if (h < 360) return {v, m, v - t};
    return {0, 0, 0};
}

int luma(int r, int g, int b) { return clampi((299 * r + 587 * g + 114 * b + 50) / 1000, 0, 255); }

void clipped_area(const Screen& s, int& x, int& y, int& w, int& h) {
    x = s.cursor_x;
    if (x < 0 || x >= s.width) x = 0;
    y = s.cursor_y;
    if (y < 0 || y >= s.height) y = 0;
    w = s.area_width < 1 ? s.width : s.area_width;
    h = s.area_height < 1 ? s.height : s.area_height;
    if (x + w > s.width) w = s.width - x;
    if (y + h > s.height) h = s.height - y;
}

void change_colours(const Screen& s, int tol_r, int tol_g, int tol_b, RGB match, RGB other, int change_mode) {
    int x0, y0, w, h;
    clipped_area(s, x0, y0, w, h);
    RGB ref{int(s.color & 0xFF), int((s.color >> 8) & 0xFF), int((s.color >> 16) & 0xFF)};
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            RGB p = get(s, x, y);
            bool hit = std::abs(p.r - ref.r) <= tol_r && std::abs(p.g - ref.g) <= tol_g && std::abs(p.b - ref.b) <= tol_b;
            if (hit) put(s, x, y, match);
            else if (change_mode == 1) put(s, x, y, other);
        }
}

void tone_change(const Screen& s, int level, int mode) {
    for (int y = s.cursor_y; y < s.cursor_y + s.area_height; ++y)
        for (int x = s.cursor_x; x < s.cursor_x + s.area_width; ++x) {
            RGB p = get(s, x, y);
            HSV c = rgb_to_hsv(p.r, p.g, p.b);
            int S = c.s, V = c.v;
            if (mode == 1) {
                if (S > 128) S -= level;
                else if (S >= 65) S -= level / 2;
                else if (S >= 33) S -= level / 3;
                else S -= level / 4;
                V += level;
            } else if (mode == -1) {
                if (S > 128) S += level;
                else if (S >= 65) S += level / 2;
                else if (S >= 33) S += level / 4;
                else if (S >= 17) S += level / 8;
                V -= level;
            } else {
                int q = 10000 / level;
                S = S * q / 100;
                if (level > 100 && V == 0) V = 1;
                V = V * level / 100;
            }
            put(s, x, y, hsv_to_rgb(c.h, clampi(S, 0, 255), clampi(V, 0, 255)));
        }
}

void monotone(const Screen& s, int hue, int sat) {
    int x0, y0, w, h;
    clipped_area(s, x0, y0, w, h);
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            RGB p = get(s, x, y);
            int Y = luma(p.r, p.g, p.b);
            RGB out{Y, Y, Y};
            if (sat > 0) {
                HSV c = rgb_to_hsv(Y, Y, Y);
                out = hsv_to_rgb(hue, sat, c.v);
            }
            put(s, x, y, out);
        }
}

static int factor(int amount, Rand rand15) {
    return clampi(amount + 100 - (rand15() * (2 * amount + 2)) / 32768, 1, 250);
}

void noise_col(const Screen& s, int x0, int y0, int w, int h, int amount, Rand rand15) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            if (!s.contains(x, y)) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                int v = comp(s, x, y, c) * factor(amount, rand15) / 100;
                s.at(x, y)[c] = uint8_t(std::min(v, 255));
            }
        }
}

void noise_ld(const Screen& s, int x0, int y0, int w, int h, int amount, Rand rand15) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            if (!s.contains(x, y)) continue;
            int f = factor(amount, rand15);
            RGB p = get(s, x, y);
            HSV c = rgb_to_hsv(p.r, p.g, p.b);
            int S = std::min((c.s * 10000 / f) / 100, 255);
            int V = std::min(c.v * f / 100, 255);
            put(s, x, y, hsv_to_rgb(c.h, S, V));
        }
}

void half_tone(const Screen& s, int x0, int y0, int w, int h, int channels, RGB mix, int ratio) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            if (!s.contains(x, y)) continue;
            int target[3] = {mix.b, mix.g, mix.r};
            for (int c = 0; c < 3; ++c)
                if (channels & (1 << c))
                    s.at(x, y)[c] = uint8_t(((100 - ratio) * comp(s, x, y, c) + ratio * target[c]) / 100);
        }
}

// A copy of the screen's pixels, so that filters read the unchanged picture.
static std::vector<uint8_t> snapshot(const Screen& s) { return std::vector<uint8_t>(s.pixels, s.pixels + s.size_bytes()); }
static int old_comp(const Screen& s, const std::vector<uint8_t>& old, int x, int y, int c) {
    return old[s.offset(x, y) + c];
}

void convolve(const Screen& s, int x0, int y0, int w, int h, const int matrix[49], int divisor, int k) {
    auto old = snapshot(s);
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = -k; dy <= k; ++dy)
                    for (int dx = -k; dx <= k; ++dx)
                        if (s.contains(x + dx, y + dy))
                            sum += old_comp(s, old, x + dx, y + dy, c) * matrix[7 * (3 + dy) + 3 + dx];
                s.at(x, y)[c] = uint8_t(clampi(sum / divisor, 0, 255));
            }
}

void median(const Screen& s, int x0, int y0, int w, int h, int mode) {
    auto old = snapshot(s);
    const int fill = mode == 1 ? 512 : -255;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            int e[9][3];
            int n = 0;
            for (int i = 0; i < 9; ++i) e[i][0] = e[i][1] = e[i][2] = fill;
            for (int i = 0; i < 9; ++i) {
                int nx = x - 1 + i % 3, ny = y - 1 + i / 3;
                if (!s.contains(nx, ny)) continue;
                for (int c = 0; c < 3; ++c) e[i][c] = old_comp(s, old, nx, ny, c);
                ++n;
            }
            auto key = [&](int i) { return e[i][0] + 2 * e[i][2] + 4 * e[i][1]; };
            int out[3] = {old_comp(s, old, x, y, 0), old_comp(s, old, x, y, 1), old_comp(s, old, x, y, 2)};
            if (!(n < 2 || (mode == 0 && n < 3))) {
                int pick = 0;
                if (mode == 1) {
                    for (int i = 1; i < 9; ++i)
                        if (key(i) < key(pick)) pick = i;
                } else if (mode == 2) {
                    for (int i = 1; i < 9; ++i)
                        if (key(i) > key(pick)) pick = i;
                } else {
                    int picked[3] = {};
                    for (int round = 0; round < (n + 1) / 2; ++round) {
                        pick = 0;
                        for (int i = 1; i < 9; ++i)
                            if (key(i) > key(pick)) pick = i;
                        for (int c = 0; c < 3; ++c) picked[c] = e[pick][c];
                        e[pick][0] = e[pick][1] = e[pick][2] = fill;
                    }
                    for (int c = 0; c < 3; ++c) e[pick][c] = picked[c];
                }
                for (int c = 0; c < 3; ++c) out[c] = e[pick][c];
            }
            for (int c = 0; c < 3; ++c) s.at(x, y)[c] = uint8_t(out[c]);
        }
}

void emboss(const Screen& s, int x0, int y0, int w, int h) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            for (int c = 0; c < 3; ++c) {
                int dx = x != x0 + w - 1 ? comp(s, x + 1, y, c) - comp(s, x, y, c) : 0;
                int dy = y != y0 + h - 1 ? comp(s, x, y + 1, c) - comp(s, x, y, c) : 0;
                s.at(x, y)[c] = uint8_t(clampi(dx + dy + 127, 0, 255));
            }
}

void mosaic(const Screen& s, int x0, int y0, int w, int h, int cw, int ch) {
    for (int cy = 0; cy < h / ch; ++cy)
        for (int cx = 0; cx < w / cw; ++cx)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int j = 0; j < ch; ++j)
                    for (int i = 0; i < cw; ++i) sum += comp(s, x0 + cx * cw + i, y0 + cy * ch + j, c);
                for (int j = 0; j < ch; ++j)
                    for (int i = 0; i < cw; ++i) s.at(x0 + cx * cw + i, y0 + cy * ch + j)[c] = uint8_t(sum / (cw * ch));
            }
}

void nijimi(const Screen& s, int x0, int y0, int w, int h, const int matrix[49], int k) {
    auto old = snapshot(s);
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            int sum[3] = {}, weights = 0;
            for (int dy = -k; dy <= k; ++dy)
                for (int dx = -k; dx <= k; ++dx) {
                    if (!s.contains(x + dx, y + dy)) continue;
                    int m = matrix[7 * (3 + dy) + 3 + dx];
                    for (int c = 0; c < 3; ++c) sum[c] += old_comp(s, old, x + dx, y + dy, c) * m;
                    weights += m;
                }
            for (int c = 0; c < 3; ++c) s.at(x, y)[c] = uint8_t(weights == 0 ? 0 : sum[c] / weights);
        }
}

void rough(const Screen& s, int x0, int y0, int w, int h, int bits) {
    int k = bits > 8 ? bits - 8 : bits;
    int m = (255 << (8 - k)) & 255;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            if (!s.contains(x, y)) continue;
            for (int c = 0; c < 3; ++c) {
                int v = comp(s, x, y, c);
                s.at(x, y)[c] = uint8_t(bits > 8 ? ((v & m) | (v >> k)) : (v & m));
            }
        }
}

void disper(const Screen& s, int x0, int y0, int w, int h, Rand rand15) {
    int bw = w / 8, bh = h / 8;
    int p[64];
    for (int i = 0; i < 64; ++i) p[i] = i;
    for (int i = 0; i < 500; ++i) {
        int a = rand15() * 64 / 32768;
        int b = rand15() * 64 / 32768;
        std::swap(p[a], p[b]);
    }
    int bpp = s.bpp;
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx) {
            std::vector<uint8_t> block;
            for (int k = 0; k < 64; ++k) {
                const uint8_t* q = s.at(x0 + 8 * bx + k % 8, y0 + 8 * by + k / 8);
                block.insert(block.end(), q, q + bpp);
            }
            for (int k = 0; k < 64; ++k) {
                uint8_t* q = s.at(x0 + 8 * bx + k % 8, y0 + 8 * by + k / 8);
                for (int c = 0; c < bpp; ++c) q[c] = block[size_t(p[k]) * bpp + c];
            }
        }
}

void rotation(const Screen& d, int x0, int y0, int w, int h, const Screen& src, int sx, int sy, int angle, int cx,
              int cy, int num, int den, int key) {
    int sine[360];
    for (int i = 0; i < 180; ++i) {
        sine[i] = int(std::sin(i * 3.14159265358979323846 / 180) * 4096 + 0.5);
        sine[i + 180] = -sine[i];
    }
    int theta = (-angle) % 360;
    if (theta < 0) theta += 360;
    const int64_t sv = sine[theta], cv = sine[(theta + 90) % 360];
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const int64_t dx = i - cx, dy = j - cy;
            const int64_t u = (dx * cv - dy * sv) / 128 * num / den + cx,
                          v = (dy * cv + dx * sv) / 128 * num / den + cy;
            if (u < 0 || u >= src.width - sx || v < 0 || v >= src.height - sy) continue;
            const uint8_t* in = src.at(sx + int(u), sy + int(v));
            if (key >= 0 && in[0] == key && (src.bpp == 1 || (in[1] == key && in[2] == key))) continue;
            std::memcpy(d.at(x0 + i, y0 + j), in, size_t(src.bpp));
        }
}

}  // namespace qv::reference

// The neighbourhood filters (see filters.h). The convolution and the blur run over the
// matrix's nonzero taps only; a pixel whose window lies wholly inside the screen needs no
// bounds checks, and only the pixels near the screen's edges take the careful path. Results
// go to a buffer that is copied back at the end, so every pixel reads the unchanged picture.
#include "effects/filters.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "effects/colour_models.h"

namespace qv::effects {

namespace {

struct Tap {
    int32_t dx, dy, weight;
};

std::vector<Tap> taps_of(const int32_t matrix[49], int32_t radius) {
    std::vector<Tap> taps;
    for (int32_t dy = -radius; dy <= radius; ++dy)
        for (int32_t dx = -radius; dx <= radius; ++dx) {
            int32_t w = matrix[7 * (3 + dy) + 3 + dx];
            if (w) taps.push_back({dx, dy, w});
        }
    return taps;
}

std::unique_ptr<uint8_t[]> buffer_for(Rect r) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size_t(r.w) * size_t(r.h) * 3 + 1024]);
}

void copy_back(const Screen& s, Rect r, const uint8_t* buf) {
    for (int32_t y = 0; y < r.h; ++y) std::memcpy(s.at(r.x, r.y + y), buf + size_t(y) * r.w * 3, size_t(r.w) * 3);
}

// For every pixel of the rectangle: sums[3] of component x weight over the taps inside the
// screen and the weight they carry, then out(pixel buffer, sums, weight).
template <class Out>
void weighted_pass(const Screen& s, Rect r, const std::vector<Tap>& taps, int32_t radius, uint8_t* buf, Out out) {
    const ptrdiff_t stride = ptrdiff_t(s.stride());
    for (int32_t y = r.y; y < r.y + r.h; ++y) {
        uint8_t* o = buf + size_t(y - r.y) * r.w * 3;
        const uint8_t* row = s.at(0, y);
        const bool rows_inside = y - radius >= 0 && y + radius < s.height;
        for (int32_t x = r.x; x < r.x + r.w; ++x, o += 3) {
            int32_t b = 0, g = 0, rd = 0, weight = 0;
            if (rows_inside && x - radius >= 0 && x + radius < s.width) {
                const uint8_t* centre = row + 3 * x;
                for (const Tap& t : taps) {
                    // One row down the picture is one stride toward the buffer's start.
                    const uint8_t* p = centre - t.dy * stride + 3 * t.dx;
                    b += p[0] * t.weight;
                    g += p[1] * t.weight;
                    rd += p[2] * t.weight;
                    weight += t.weight;
                }
            } else {
                for (const Tap& t : taps) {
                    const int32_t nx = x + t.dx, ny = y + t.dy;
                    if (!s.contains(nx, ny)) continue;
                    const uint8_t* p = s.at(nx, ny);
                    b += p[0] * t.weight;
                    g += p[1] * t.weight;
                    rd += p[2] * t.weight;
                    weight += t.weight;
                }
            }
            out(o, b, g, rd, weight);
        }
    }
}

}  // namespace

int32_t convolve(const Screen& s, Rect r, const int32_t matrix[49], int32_t divisor, int32_t radius) {
    if (r.empty()) return 0;
    auto buf = buffer_for(r);
    if (!buf) return -2;
    weighted_pass(s, r, taps_of(matrix, radius), radius, buf.get(), [&](uint8_t* o, int32_t b, int32_t g, int32_t rd, int32_t) {
        o[0] = uint8_t(clamp(b / divisor, 0, 255));
        o[1] = uint8_t(clamp(g / divisor, 0, 255));
        o[2] = uint8_t(clamp(rd / divisor, 0, 255));
    });
    copy_back(s, r, buf.get());
    return 0;
}

int32_t weighted_blur(const Screen& s, Rect r, const int32_t matrix[49], int32_t radius) {
    if (r.empty()) return 0;
    auto buf = buffer_for(r);
    if (!buf) return -2;
    weighted_pass(s, r, taps_of(matrix, radius), radius, buf.get(),
                  [&](uint8_t* o, int32_t b, int32_t g, int32_t rd, int32_t weight) {
                      if (weight == 0) {
                          o[0] = o[1] = o[2] = 0;
                          return;
                      }
                      o[0] = uint8_t(b / weight);
                      o[1] = uint8_t(g / weight);
                      o[2] = uint8_t(rd / weight);
                  });
    copy_back(s, r, buf.get());
    return 0;
}

int32_t median(const Screen& s, Rect r, int32_t mode, int32_t fill) {
    if (r.empty()) return 0;
    auto buf = buffer_for(r);
    if (!buf) return -2;
    const int32_t fill_key = fill + 2 * fill + 4 * fill;
    for (int32_t y = r.y; y < r.y + r.h; ++y) {
        uint8_t* o = buf.get() + size_t(y - r.y) * r.w * 3;
        for (int32_t x = r.x; x < r.x + r.w; ++x, o += 3) {
            const uint8_t* px[9];
            int32_t key[9];
            int n = 0;
            for (int i = 0; i < 9; ++i) {
                const int32_t nx = x - 1 + i % 3, ny = y - 1 + i / 3;
                if (s.contains(nx, ny)) {
                    px[i] = s.at(nx, ny);
                    key[i] = px[i][0] + 2 * px[i][2] + 4 * px[i][1];
                    ++n;
                } else {
                    px[i] = nullptr;
                    key[i] = fill_key;
                }
            }
            const uint8_t* chosen = s.at(x, y);
            if (n >= 2 && !(mode == 0 && n < 3)) {
                int pick = -1;
                if (mode == 1 || mode == 2) {
                    for (int i = 0; i < 9; ++i) {
                        if (!px[i]) continue;
                        if (pick < 0 || (mode == 1 ? key[i] < key[pick] : key[i] > key[pick])) pick = i;
                    }
                } else {
                    // The ((n + 1) / 2)-th largest: pick the largest that many times, first on ties.
                    bool used[9] = {};
                    for (int round = 0; round < (n + 1) / 2; ++round) {
                        pick = -1;
                        for (int i = 0; i < 9; ++i) {
                            if (!px[i] || used[i]) continue;
                            if (pick < 0 || key[i] > key[pick]) pick = i;
                        }
                        used[pick] = true;
                    }
                }
                chosen = px[pick];
            }
            o[0] = chosen[0];
            o[1] = chosen[1];
            o[2] = chosen[2];
        }
    }
    copy_back(s, r, buf.get());
    return 0;
}

void emboss(const Screen& s, Rect r) {
    for (int32_t y = r.y; y < r.y + r.h; ++y) {
        const bool last_row = y == r.y + r.h - 1;
        uint8_t* p = s.at(r.x, y);
        const uint8_t* below = last_row ? nullptr : s.at(r.x, y + 1);
        for (int32_t x = 0; x < r.w; ++x, p += 3) {
            const bool last_col = x == r.w - 1;
            for (int c = 0; c < 3; ++c) {
                const int32_t dx = last_col ? 0 : p[3 + c] - p[c];
                const int32_t dy = last_row ? 0 : below[3 * x + c] - p[c];
                p[c] = uint8_t(clamp(dx + dy + 127, 0, 255));
            }
        }
    }
}

}  // namespace qv::effects

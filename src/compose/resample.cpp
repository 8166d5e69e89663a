// Resampling (see resample.h). The weights are worked out once per direction in doubles
// (SSE arithmetic in every build: x87's wider intermediates would move the box filter's
// edges) and kept as integers in units of 2^-22, as Pillow keeps them, so that the sums are
// exact and give its bytes. The rows shown are split into bands, one per core; each band runs
// the horizontal pass over the source rows its output rows need, into a buffer of its own,
// then the vertical pass.
#include "compose/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "host/memory.h"
#include "simd/wide.h"

namespace qv::compose {

namespace {

constexpr int kBits = 22;
constexpr int32_t kHalf = 1 << (kBits - 1);
constexpr double kPi = 3.14159265358979323846;

double box(double x) { return x > -0.5 && x <= 0.5 ? 1.0 : 0.0; }
double bilinear(double x) {
    x = std::fabs(x);
    return x < 1.0 ? 1.0 - x : 0.0;
}
double bicubic(double x) {  // Catmull-Rom: a = -0.5
    constexpr double a = -0.5;
    x = std::fabs(x);
    if (x < 1.0) return ((a + 2.0) * x - (a + 3.0)) * x * x + 1;
    if (x < 2.0) return (((x - 5) * x + 8) * x - 4) * a;
    return 0.0;
}
double sinc(double x) {
    if (x == 0.0) return 1.0;
    x *= kPi;
    return std::sin(x) / x;
}
double lanczos(double x) { return -3.0 <= x && x < 3.0 ? sinc(x) * sinc(x / 3) : 0.0; }

struct Kernel {
    double (*at)(double);
    double support;
};
constexpr Kernel kKernels[] = {{box, 0.5}, {bilinear, 1.0}, {bicubic, 2.0}, {lanczos, 3.0}};

// One direction's weights: output i reads count[i] inputs from first[i] on, with the weights
// at i * width.
struct Taps {
    int32_t width = 0;
    host::Buffer<int32_t> first, count, weight;
};

// The weights of the first `shown` of `out` outputs made from `in` inputs.
bool make_taps(int32_t in, int32_t out, int32_t shown, const Kernel& kernel, Taps& t) {
    const double scale = double(in) / out;
    const double filter_scale = std::max(scale, 1.0);
    const double support = kernel.support * filter_scale;
    t.width = int32_t(std::min<int64_t>(int64_t(std::ceil(support)) * 2 + 1, in));
    t.first = host::allocate<int32_t>(uint64_t(shown));
    t.count = host::allocate<int32_t>(uint64_t(shown));
    t.weight = host::allocate<int32_t>(uint64_t(shown) * uint64_t(t.width));
    auto sums = host::allocate<double>(uint64_t(t.width));
    if (!t.first || !t.count || !t.weight || !sums) return false;
    double* w = sums.get();
    for (int32_t i = 0; i < shown; ++i) {
        const double centre = (i + 0.5) * scale, inverse = 1.0 / filter_scale;
        const int32_t lo = std::max(int32_t(centre - support + 0.5), 0);
        const int32_t n = std::clamp(std::min(int32_t(centre + support + 0.5), in) - lo, 0, t.width);
        double total = 0.0;
        for (int32_t x = 0; x < n; ++x) total += w[x] = kernel.at((x + lo - centre + 0.5) * inverse);
        int32_t* k = &t.weight[size_t(i) * size_t(t.width)];
        for (int32_t x = 0; x < n; ++x) {
            const double v = total != 0.0 ? w[x] / total : w[x];
            k[x] = int32_t(v < 0 ? -0.5 + v * (1 << kBits) : 0.5 + v * (1 << kBits));
        }
        t.first[i] = lo;
        t.count[i] = n;
    }
    return true;
}

// Which input each of the first `shown` of `out` outputs repeats: the one under its centre,
// the centres stepped by adding the scale (as Pillow steps them: its rounding is kept).
bool make_index(int32_t in, int32_t out, int32_t shown, host::Buffer<int32_t>& index) {
    index = host::allocate<int32_t>(uint64_t(shown));
    if (!index) return false;
    const double step = double(in) / out;
    double at = step * 0.5;
    for (int32_t i = 0; i < shown; ++i, at += step) index[i] = std::clamp(int32_t(at), 0, in - 1);
    return true;
}

// Row y of a picture, for y from `base` on.
template <class Byte>
struct Rows {
    Byte* origin;
    ptrdiff_t step;
    int32_t base = 0;
    Byte* operator()(int32_t y) const { return origin + ptrdiff_t(y - base) * step; }
};

uint8_t clip8(int32_t sum) {
    sum >>= kBits;
    return uint8_t(sum < 0 ? 0 : sum > 255 ? 255 : sum);
}

void across_row(const uint8_t* in, const Taps& t, int32_t shown, uint8_t* out) {
    for (int32_t i = 0; i < shown; ++i, out += 3) {
        const uint8_t* p = in + size_t(t.first[i]) * 3;
        const int32_t* k = &t.weight[size_t(i) * size_t(t.width)];
        int32_t b = kHalf, g = kHalf, r = kHalf;
        for (int32_t j = 0; j < t.count[i]; ++j, p += 3) {
            b += p[0] * k[j];
            g += p[1] * k[j];
            r += p[2] * k[j];
        }
        out[0] = clip8(b), out[1] = clip8(g), out[2] = clip8(r);
    }
}

// Output row i of the vertical pass, `bytes` long, from the rows `in` gives.
void down_row(const Rows<const uint8_t>& in, const Taps& t, int32_t i, int32_t bytes, uint8_t* out) {
    constexpr int32_t kChunk = 1024;
    int32_t sum[kChunk];
    const int32_t* k = &t.weight[size_t(i) * size_t(t.width)];
    const int32_t first = t.first[i], n = t.count[i];
    for (int32_t c = 0; c < bytes; c += kChunk) {
        const int32_t m = std::min(kChunk, bytes - c);
        std::fill_n(sum, m, kHalf);
        int32_t j = 0;
        for (; j + 1 < n; j += 2) {
            const uint8_t *a = in(first + j) + c, *b = in(first + j + 1) + c;
            const int32_t ka = k[j], kb = k[j + 1];
            for (int32_t x = 0; x < m; ++x) sum[x] += a[x] * ka + b[x] * kb;
        }
        if (j < n) {
            const uint8_t* a = in(first + j) + c;
            for (int32_t x = 0; x < m; ++x) sum[x] += a[x] * k[j];
        }
        for (int32_t x = 0; x < m; ++x) out[c + x] = clip8(sum[x]);
    }
}

enum class Method { kConvolve, kMean, kNearest };

struct Plan {
    Method method = Method::kConvolve;
    Rows<const uint8_t> source{};  // the source rectangle's rows, its left edge first
    Rows<uint8_t> target{};        // the output rows shown, their left edge first
    int32_t shown_w = 0, shown_h = 0;
    // Convolution: which passes run (a size kept is not resampled), their weights.
    bool across = false, down = false;
    Taps across_taps, down_taps;
    // Block means: the blocks' sides. Nearest: the input each output repeats.
    int32_t block_w = 1, block_h = 1;
    host::Buffer<int32_t> x_index, y_index;

    // The source rows (from the rectangle's top) that output rows j .. j + n - 1 read
    // in the horizontal pass's buffer.
    int32_t rows_from(int32_t j) const { return down_taps.first[j]; }
    int32_t rows_to(int32_t j, int32_t n) const { return down_taps.first[j + n - 1] + down_taps.count[j + n - 1]; }
    bool buffers_rows() const { return method == Method::kConvolve && across && down; }
};

// What a band needs besides the plan, allocated before any band starts.
struct Scratch {
    host::Buffer<uint8_t> rows;   // the horizontal pass's rows
    host::Buffer<uint64_t> sums;  // a row of block sums
};

void band_body(const Plan& p, Scratch& s, int32_t j0, int32_t n) {
    const int32_t bytes = p.shown_w * 3;
    switch (p.method) {
        case Method::kNearest:
            for (int32_t j = j0; j < j0 + n; ++j) {
                const uint8_t* in = p.source(p.y_index[j]);
                uint8_t* out = p.target(j);
                for (int32_t i = 0; i < p.shown_w; ++i, out += 3) std::memcpy(out, in + size_t(p.x_index[i]) * 3, 3);
            }
            return;
        case Method::kMean: {
            const uint64_t cells = uint64_t(p.block_w) * uint64_t(p.block_h);
            for (int32_t j = j0; j < j0 + n; ++j) {
                uint64_t* sum = s.sums.get();
                std::fill_n(sum, bytes, 0);
                for (int32_t y = j * p.block_h; y < (j + 1) * p.block_h; ++y) {
                    const uint8_t* in = p.source(y);
                    for (int32_t i = 0; i < p.shown_w; ++i) {
                        uint32_t b = 0, g = 0, r = 0;
                        for (int32_t x = 0; x < p.block_w; ++x, in += 3) b += in[0], g += in[1], r += in[2];
                        sum[3 * i] += b, sum[3 * i + 1] += g, sum[3 * i + 2] += r;
                    }
                }
                uint8_t* out = p.target(j);
                for (int32_t x = 0; x < bytes; ++x) out[x] = uint8_t((sum[x] + cells / 2) / cells);
            }
            return;
        }
        case Method::kConvolve: break;
    }
    if (p.buffers_rows()) {
        const int32_t from = p.rows_from(j0), to = p.rows_to(j0, n);
        const Rows<uint8_t> rows{s.rows.get(), bytes, from};
        for (int32_t y = from; y < to; ++y) across_row(p.source(y), p.across_taps, p.shown_w, rows(y));
        const Rows<const uint8_t> in{rows.origin, rows.step, from};
        for (int32_t j = j0; j < j0 + n; ++j) down_row(in, p.down_taps, j, bytes, p.target(j));
    } else if (p.across) {
        for (int32_t j = j0; j < j0 + n; ++j) across_row(p.source(j), p.across_taps, p.shown_w, p.target(j));
    } else if (p.down) {
        for (int32_t j = j0; j < j0 + n; ++j) down_row(p.source, p.down_taps, j, bytes, p.target(j));
    } else {
        for (int32_t j = j0; j < j0 + n; ++j) std::memcpy(p.target(j), p.source(j), size_t(bytes));
    }
}

QV_TWICE(void, band, (const Plan& p, Scratch& s, int32_t j0, int32_t n), (p, s, j0, n))

}  // namespace

bool resample(const Screen& src, Rect from, const Screen& dst, Point at, int32_t w, int32_t h, Filter filter) {
    Plan p;
    p.shown_w = std::min(w, dst.width - at.x);
    p.shown_h = std::min(h, dst.height - at.y);
    if (p.shown_w < 1 || p.shown_h < 1 || from.empty()) return true;
    p.source = {src.at(from.x, from.y), -ptrdiff_t(src.stride())};

    if (filter == Filter::kNearest) {
        p.method = Method::kNearest;
        if (!make_index(from.w, w, p.shown_w, p.x_index) || !make_index(from.h, h, p.shown_h, p.y_index)) return false;
    } else if (filter == Filter::kArea && from.w % w == 0 && from.h % h == 0) {
        p.method = Method::kMean;
        p.block_w = from.w / w, p.block_h = from.h / h;
    } else {
        const Kernel& kernel = kKernels[int32_t(filter)];
        p.across = w != from.w;
        p.down = h != from.h;
        if (p.across && !make_taps(from.w, w, p.shown_w, kernel, p.across_taps)) return false;
        if (p.down && !make_taps(from.h, h, p.shown_h, kernel, p.down_taps)) return false;
    }

    // Work scales with the source rows read as much as with the output: both are counted.
    const int64_t work = int64_t(from.w) * from.h + int64_t(p.shown_w) * p.shown_h;
    const int32_t parts = std::min(simd::parts_for(work, simd::kHeavyPixel, p.shown_h), 16);
    std::array<Scratch, 16> scratch;
    const size_t bytes = size_t(p.shown_w) * 3;
    for (int32_t i = 0; i < parts; ++i) {
        const int32_t j0 = simd::part_start(p.shown_h, parts, i), j1 = simd::part_start(p.shown_h, parts, i + 1);
        if (j1 == j0) continue;
        if (p.buffers_rows()) {
            scratch[i].rows = host::allocate<uint8_t>(uint64_t(p.rows_to(j0, j1 - j0) - p.rows_from(j0)) * bytes);
            if (!scratch[i].rows) return false;
        }
        if (p.method == Method::kMean && !(scratch[i].sums = host::allocate<uint64_t>(bytes))) return false;
    }
    // Into the screen the source lies in, the output is made aside and copied once every
    // band has read what it needs.
    host::Buffer<uint8_t> aside;
    if (share_bytes(src, dst)) {
        if (!(aside = host::allocate<uint8_t>(uint64_t(bytes) * uint64_t(p.shown_h)))) return false;
        p.target = {aside.get(), ptrdiff_t(bytes)};
    } else {
        p.target = {dst.at(at.x, at.y), -ptrdiff_t(dst.stride())};
    }
    simd::run_bands(p.shown_h, parts, [&](int32_t i, int32_t j0, int32_t n) { band(p, scratch[i], j0, n); });
    if (aside)
        for (int32_t j = 0; j < p.shown_h; ++j) std::memcpy(dst.at(at.x, at.y + j), p.target(j), bytes);
    return true;
}

}  // namespace qv::compose

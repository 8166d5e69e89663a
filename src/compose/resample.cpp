// Resampling (see resample.h). The weights are worked out once per direction in doubles
// (SSE arithmetic in every build: x87's wider intermediates would move the box filter's
// edges) and kept as integers in units of 2^-22, as Pillow keeps them, so that the sums are
// exact and give its bytes. The rows shown are split into bands, one per core; each band runs
// the horizontal pass over the source rows its output rows need, a few rows ahead of the
// vertical pass, into a small ring of rows of its own.
#include "compose/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <immintrin.h>
#endif

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
    // The AVX2 pass's layout, when those copies run (lay_out_pairs): outputs 2g and 2g + 1 take
    // steps[g] steps of 32 weight parts from parts[at[g] * 32] on (0: the plain loop does them).
    host::Buffer<int32_t> steps, at;
    host::Buffer<int16_t> parts;
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

// Row y of a picture.
template <class Byte>
struct Rows {
    Byte* origin;
    ptrdiff_t step;
    Byte* operator()(int32_t y) const { return origin + ptrdiff_t(y) * step; }
};

uint8_t clip8(int32_t sum) {
    sum >>= kBits;
    return uint8_t(sum < 0 ? 0 : sum > 255 ? 255 : sum);
}

// Output pixel i of the horizontal pass of the row `in`.
inline void across_pixel(const uint8_t* in, const Taps& t, int32_t i, uint8_t* out) {
    const uint8_t* p = in + size_t(t.first[i]) * 3;
    const int32_t* k = &t.weight[size_t(i) * size_t(t.width)];
    int32_t b = kHalf, g = kHalf, r = kHalf;
    for (int32_t j = 0, n = t.count[i]; j < n; ++j, p += 3) {
        b += p[0] * k[j];
        g += p[1] * k[j];
        r += p[2] * k[j];
    }
    out[0] = clip8(b), out[1] = clip8(g), out[2] = clip8(r);
}

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
// Lays out the weights for the AVX2 horizontal pass, once per call: each weight k split as
// 256 (k >> 8) + (k & 255), two parts that 16-bit multiply-adds take (their sum is k's
// exactly), two taps a step, outputs 2g and 2g + 1 side by side. Outputs whose 8-byte reads
// would pass `room` bytes of a row are left to the plain loop (no steps).
bool lay_out_pairs(Taps& t, int32_t shown, size_t room) {
    const int32_t groups = shown / 2;
    t.steps = host::allocate<int32_t>(uint64_t(groups));
    t.at = host::allocate<int32_t>(uint64_t(groups));
    if (!t.steps || !t.at) return false;
    uint64_t total = 0;
    for (int32_t g = 0; g < groups; ++g) {
        const int32_t steps = std::max(t.count[2 * g] + 1, t.count[2 * g + 1] + 1) / 2;
        const bool fits = size_t(std::max(t.first[2 * g], t.first[2 * g + 1])) * 3 + 6 * size_t(steps) + 2 <= room;
        t.steps[g] = fits ? steps : 0;
        t.at[g] = int32_t(total);
        total += uint64_t(t.steps[g]);
    }
    t.parts = host::allocate<int16_t>(total * 32);
    if (!t.parts) return false;
    for (int32_t g = 0; g < groups; ++g)
        for (int32_t q = 0; q < t.steps[g]; ++q)
            for (int32_t lane = 0; lane < 2; ++lane) {
                const int32_t i = 2 * g + lane;
                const int32_t* k = &t.weight[size_t(i) * size_t(t.width)];
                const int32_t k0 = 2 * q < t.count[i] ? k[2 * q] : 0, k1 = 2 * q + 1 < t.count[i] ? k[2 * q + 1] : 0;
                int16_t* high = &t.parts[(size_t(t.at[g]) + size_t(q)) * 32 + size_t(lane) * 8];
                int16_t* low = high + 16;
                for (int c = 0; c < 3; ++c) {
                    high[2 * c] = int16_t(k0 >> 8), high[2 * c + 1] = int16_t(k1 >> 8);
                    low[2 * c] = int16_t(k0 & 255), low[2 * c + 1] = int16_t(k1 & 255);
                }
                high[6] = high[7] = low[6] = low[7] = 0;
            }
    return true;
}

// The horizontal pass of R rows with AVX2: two output pixels an instruction, one in each
// half, two taps a step; each step's weights are loaded once for all R rows (they are read
// from memory, and a long row's weights outgrow the nearest caches).
template <int R>
__attribute__((target("avx2"))) void across_rows_wide(const uint8_t* const* in, const Taps& t, int32_t shown,
                                                      uint8_t* const* out) {
    // Two pixels' bytes b0 g0 r0 b1 g1 r1 as the 16-bit pairs (b0, b1), (g0, g1), (r0, r1).
    const __m256i spread = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(0, -128, 3, -128, 1, -128, 4, -128, 2, -128, 5, -128, -128, -128, -128, -128));
    const __m256i half = _mm256_set1_epi32(kHalf);
    const int32_t groups = shown / 2;
    for (int32_t g = 0; g < groups; ++g) {
        const int32_t steps = t.steps[g];
        if (!steps) {
            for (int r = 0; r < R; ++r) {
                across_pixel(in[r], t, 2 * g, out[r] + size_t(g) * 6);
                across_pixel(in[r], t, 2 * g + 1, out[r] + size_t(g) * 6 + 3);
            }
            continue;
        }
        const size_t first0 = size_t(t.first[2 * g]) * 3, first1 = size_t(t.first[2 * g + 1]) * 3;
        const int16_t* w = &t.parts[size_t(t.at[g]) * 32];
        // One sum a row: each step's high part shifted into place as it comes (a step's
        // products fit 31 bits even so, and every partial sum is bounded as the whole one is).
        __m256i sum[R];
        for (int r = 0; r < R; ++r) sum[r] = half;
        for (int32_t q = 0; q < steps; ++q, w += 32) {
            const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w));
            const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 16));
            for (int r = 0; r < R; ++r) {
                const uint8_t *p0 = in[r] + first0 + 6 * size_t(q), *p1 = in[r] + first1 + 6 * size_t(q);
                const __m256i v = _mm256_shuffle_epi8(
                    _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0))),
                                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p1)), 1),
                    spread);
                sum[r] = _mm256_add_epi32(_mm256_add_epi32(sum[r], _mm256_madd_epi16(v, low)),
                                          _mm256_slli_epi32(_mm256_madd_epi16(v, high), 8));
            }
        }
        for (int r = 0; r < R; ++r) {
            __m256i v = _mm256_srai_epi32(sum[r], kBits);
            v = _mm256_packus_epi16(_mm256_packs_epi32(v, v), v);  // each half: its pixel's bytes
            const uint32_t bgr0 = uint32_t(_mm256_extract_epi32(v, 0)), bgr1 = uint32_t(_mm256_extract_epi32(v, 4));
            uint8_t* o = out[r] + size_t(g) * 6;
            if (g + 1 < groups || shown % 2) {
                // Four bytes each: the fourth is the next pixel's first, written after.
                std::memcpy(o, &bgr0, 4);
                std::memcpy(o + 3, &bgr1, 4);
            } else {
                o[0] = uint8_t(bgr0), o[1] = uint8_t(bgr0 >> 8), o[2] = uint8_t(bgr0 >> 16);
                o[3] = uint8_t(bgr1), o[4] = uint8_t(bgr1 >> 8), o[5] = uint8_t(bgr1 >> 16);
            }
        }
    }
    if (shown % 2)
        for (int r = 0; r < R; ++r) across_pixel(in[r], t, shown - 1, out[r] + size_t(shown - 1) * 3);
}
#endif

// The horizontal pass of rows y0 .. y1 - 1 from in(y) into out(y).
template <class In, class Out>
void across_rows(const In& in, int32_t y0, int32_t y1, const Taps& t, int32_t shown, const Out& out) {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    if (t.parts) {
        // Four rows at a time where there are registers for them (64-bit code), else two.
#if defined(__x86_64__)
        constexpr int kTogether = 4;
#else
        constexpr int kTogether = 2;
#endif
        int32_t y = y0;
        for (; y + kTogether <= y1; y += kTogether) {
            const uint8_t* from[kTogether];
            uint8_t* to[kTogether];
            for (int r = 0; r < kTogether; ++r) from[r] = in(y + r), to[r] = out(y + r);
            across_rows_wide<kTogether>(from, t, shown, to);
        }
        for (; y < y1; ++y) {
            const uint8_t* from = in(y);
            uint8_t* to = out(y);
            across_rows_wide<1>(&from, t, shown, &to);
        }
        return;
    }
#endif
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* from = in(y);
        uint8_t* to = out(y);
        for (int32_t i = 0; i < shown; ++i) across_pixel(from, t, i, to + size_t(i) * 3);
    }
}

// sum[x] = (first ? kHalf : sum[x]) + a[x] ka + b[x] kb. The pointers are declared not to
// overlap: a byte pointer may point anywhere, and the vectoriser would otherwise have to
// assume that each sum written changes the bytes still to be read.
inline void add_two(int32_t* __restrict sum, const uint8_t* __restrict a, const uint8_t* __restrict b, int32_t ka,
                    int32_t kb, int32_t m, bool first) {
    if (first)
        for (int32_t x = 0; x < m; ++x) sum[x] = kHalf + a[x] * ka + b[x] * kb;
    else
        for (int32_t x = 0; x < m; ++x) sum[x] += a[x] * ka + b[x] * kb;
}

// out[x] from two taps, straight into the row.
inline void two_taps(uint8_t* __restrict out, const uint8_t* __restrict a, const uint8_t* __restrict b, int32_t ka,
                     int32_t kb, int32_t bytes) {
    for (int32_t x = 0; x < bytes; ++x) out[x] = clip8(kHalf + a[x] * ka + b[x] * kb);
}

// Output row i of the vertical pass, `bytes` long, from the rows `in` gives: two taps straight
// into it, more through a chunk of sums, two taps a pass.
template <class In>
void down_row(const In& in, const Taps& t, int32_t i, int32_t bytes, uint8_t* __restrict out) {
    const int32_t* k = &t.weight[size_t(i) * size_t(t.width)];
    const int32_t first = t.first[i], n = t.count[i];
    if (n == 2) return two_taps(out, in(first), in(first + 1), k[0], k[1], bytes);
    constexpr int32_t kChunk = 1024;
    int32_t sum[kChunk];
    for (int32_t c = 0; c < bytes; c += kChunk) {
        const int32_t m = std::min(kChunk, bytes - c);
        if (n == 0) std::fill_n(sum, m, kHalf);
        int32_t j = 0;
        for (; j < n; j += 2) {
            // A last tap alone is paired with a weight of 0 on itself.
            const bool pair = j + 1 < n;
            add_two(sum, in(first + j) + c, in(first + j + (pair ? 1 : 0)) + c, k[j], pair ? k[j + 1] : 0, m, j == 0);
        }
        for (int32_t x = 0; x < m; ++x) out[c + x] = clip8(sum[x]);
    }
}

enum class Method { kConvolve, kMean, kNearest };

struct Plan {
    Method method = Method::kConvolve;
    Rows<const uint8_t> source{};  // the source rectangle's rows, its left edge first
    size_t source_room = 0;        // the bytes of the buffer from a source row's left edge on
    Rows<uint8_t> target{};        // the output rows shown, their left edge first
    int32_t shown_w = 0, shown_h = 0;
    // Convolution: which passes run (a size kept is not resampled), their weights.
    bool across = false, down = false;
    Taps across_taps, down_taps;
    // Block means: the blocks' sides. Nearest: the input each output repeats.
    int32_t block_w = 1, block_h = 1;
    host::Buffer<int32_t> x_index, y_index;

    // Both passes: the horizontal pass's rows are kept in a ring (row y in slot y % ring_rows)
    // of as many rows as an output row reads and kAhead more, made a batch at a time as the
    // vertical pass comes to need them, so that they are read again while still in the nearest
    // caches, and the horizontal pass runs on several rows together.
    static constexpr int32_t kAhead = 16;
    bool buffers_rows() const { return method == Method::kConvolve && across && down; }
    int32_t ring_rows() const { return down_taps.width + kAhead; }
};

// What a band needs besides the plan, allocated before any band starts.
struct Scratch {
    host::Buffer<uint8_t> rows;   // the ring of horizontal pass rows
    host::Buffer<uint64_t> sums;  // a row of block sums
};

// Row y of the ring.
template <class Byte>
struct Ring {
    Byte* base;
    size_t stride;
    int32_t rows;
    Byte* operator()(int32_t y) const { return base + size_t(y % rows) * stride; }
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
        // Output row j reads rows first .. first + count - 1, and neither end ever goes back:
        // rows made up to first + ring_rows overwrite only rows no later output reads.
        const Ring<uint8_t> ring{s.rows.get(), size_t(bytes), p.ring_rows()};
        const Ring<const uint8_t> made{ring.base, ring.stride, ring.rows};
        const int32_t last_end = p.down_taps.first[j0 + n - 1] + p.down_taps.count[j0 + n - 1];
        int32_t next = 0;
        for (int32_t j = j0; j < j0 + n; ++j) {
            const int32_t first = p.down_taps.first[j], end = first + p.down_taps.count[j];
            next = std::max(next, first);
            if (next < end) {
                const int32_t batch_end = std::max(end, std::min(first + ring.rows, last_end));
                across_rows(p.source, next, batch_end, p.across_taps, p.shown_w, ring);
                next = batch_end;
            }
            down_row(made, p.down_taps, j, bytes, p.target(j));
        }
    } else if (p.across) {
        across_rows(p.source, j0, j0 + n, p.across_taps, p.shown_w, p.target);
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
    p.source_room = src.stride() - size_t(from.x) * 3;

    if (filter == Filter::kNearest) {
        p.method = Method::kNearest;
        if (!make_index(from.w, w, p.shown_w, p.x_index) || !make_index(from.h, h, p.shown_h, p.y_index)) return false;
    } else if (filter == Filter::kArea && from.w % w == 0 && from.h % h == 0 && from.w / w < (1 << 24)) {
        // (A block row's sums are kept in 32 bits: blocks 2^24 pixels wide would need more.)
        p.method = Method::kMean;
        p.block_w = from.w / w, p.block_h = from.h / h;
    } else {
        const Kernel& kernel = kKernels[int32_t(filter)];
        p.across = w != from.w;
        p.down = h != from.h;
        if (p.across && !make_taps(from.w, w, p.shown_w, kernel, p.across_taps)) return false;
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
        if (p.across && simd::wide() && !lay_out_pairs(p.across_taps, p.shown_w, p.source_room)) return false;
#endif
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
            scratch[i].rows = host::allocate<uint8_t>(uint64_t(p.ring_rows()) * bytes);
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

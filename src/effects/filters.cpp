// The neighbourhood filters (see filters.h). The convolution and the blur run over the
// matrix's nonzero taps only, one whole row at a time: each tap adds its weighted
// neighbour row to the output row's sums, over just the columns where that neighbour lies
// inside the screen, so no pixel needs a bounds check. Each result row goes back into the
// screen only once no later row reads the picture row it replaces.
#include "effects/filters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "effects/bgr_split.h"
#include "effects/colour_models.h"
#include "host/memory.h"
#include "simd/wide.h"

namespace qv::effects {

namespace {

struct Tap {
    int32_t dx, dy, weight;
};

// The nonzero taps of a matrix, at most 49: held in place, as a band thread must not allocate.
struct Taps {
    Tap tap[49];
    int32_t count = 0;
    const Tap* begin() const { return tap; }
    const Tap* end() const { return tap + count; }
};

Taps taps_of(const int32_t matrix[49], int32_t radius) {
    Taps taps;
    for (int32_t dy = -radius; dy <= radius; ++dy)
        for (int32_t dx = -radius; dx <= radius; ++dx) {
            int32_t w = matrix[7 * (3 + dy) + 3 + dx];
            if (w) taps.tap[taps.count++] = {dx, dy, w};
        }
    return taps;
}

// The working memory of one band, carved from a block that the caller took before any band
// started: a band never allocates, so none can fail part-way while the others write, and
// nothing that can throw runs on a band's thread.
class Arena {
public:
    Arena() = default;
    Arena(uint8_t* start, size_t size) : next_(start), end_(start + size) {}
    template <class T>
    T* take(size_t n) {
        const uintptr_t at = (reinterpret_cast<uintptr_t>(next_) + 31) & ~uintptr_t(31);
        next_ = reinterpret_cast<uint8_t*>(at + n * sizeof(T));
        if (next_ > end_) __builtin_trap();  // band_bytes below is too small: a fault of this file
        return reinterpret_cast<T*>(at);
    }

private:
    uint8_t* next_ = nullptr;
    uint8_t* end_ = nullptr;
};

// The output rows of a filter, held until no row still to come reads the picture row they
// replace. The rows are computed in the order of memory, from the rectangle's last row up
// (the buffer is bottom-up, so the picture is read as a forward stream): the result for
// row y goes back into the screen once row y - radius is done. Only radius + 1 rows are
// held, however tall the rectangle, and every pixel still reads the unchanged picture.
//
// A large rectangle is filtered in bands of rows on all cores. A band reads `radius` rows
// past each of its ends, which belong to its neighbours: so a band's first and last `radius`
// rows (where a neighbour lies beyond) are not written while the bands run but held aside
// and written once every band is done.
class Band {
public:
    Band() = default;
    Band(Rect band, int32_t radius, bool top, bool bottom, Arena arena)
        : band_(band), top_(top ? radius : 0), bottom_(bottom ? radius : 0), bytes_(3 * size_t(band.w)), arena_(arena) {
        rows_ = arena_.take<uint8_t>(size_t(top_ + bottom_) * bytes_);
    }
    Arena& arena() { return arena_; }
    // Where row y's result goes instead of the screen; null when it goes to the screen.
    uint8_t* slot(int32_t y) {
        if (y < band_.y + top_) return rows_ + size_t(y - band_.y) * bytes_;
        if (y >= band_.y + band_.h - bottom_) return rows_ + size_t(top_ + y - (band_.y + band_.h - bottom_)) * bytes_;
        return nullptr;
    }
    void write_held(const Screen& s) {
        for (int32_t i = 0; i < top_; ++i) std::memcpy(s.at(band_.x, band_.y + i), rows_ + size_t(i) * bytes_, bytes_);
        for (int32_t i = 0; i < bottom_; ++i)
            std::memcpy(s.at(band_.x, band_.y + band_.h - bottom_ + i), rows_ + size_t(top_ + i) * bytes_, bytes_);
    }

private:
    Rect band_{};
    int32_t top_ = 0, bottom_ = 0;
    size_t bytes_ = 0;
    Arena arena_;
    uint8_t* rows_ = nullptr;
};

class DelayedRows {
public:
    DelayedRows(const Screen& s, Rect r, int32_t radius, Band& band)
        : s_(s), r_(r), count_(radius + 1), bytes_(3 * size_t(r.w)),
          buf_(band.arena().take<uint8_t>(size_t(count_) * bytes_)), band_(band) {}

    // compute(y, out) for every row y of the rectangle, out being where its result goes.
    template <class F>
    void run(F compute) {
        for (int32_t y = r_.y + r_.h - 1; y >= r_.y; --y) {
            compute(y, row(y));
            write_back(y + count_ - 1);  // the rows still to come read no lower than y - 1 + radius
        }
        for (int32_t y = r_.y; y < std::min(r_.y + count_ - 1, r_.y + r_.h); ++y) write_back(y);
    }

private:
    uint8_t* row(int32_t y) { return buf_ + size_t((y - r_.y) % count_) * bytes_; }
    void write_back(int32_t y) {
        if (y >= r_.y + r_.h) return;
        uint8_t* slot = band_.slot(y);
        std::memcpy(slot ? slot : s_.at(r_.x, y), row(y), bytes_);
    }
    const Screen& s_;
    Rect r_;
    int32_t count_;
    size_t bytes_;
    uint8_t* buf_;
    Band& band_;
};

// What any filter's band of width w takes: its delayed and held rows, and the largest of the
// filters' own buffers (the separable blur's ring of row sums with its sums, divisors and
// weights; the weighted blur's sums and weights; the median's three rows of keys across
// the screen), each with room to be aligned.
uint64_t band_bytes(const Screen& s, int32_t w, int32_t radius) {
    const uint64_t row = 3 * uint64_t(w), span = 2 * uint64_t(radius) + 1;
    const uint64_t rows = (uint64_t(radius) + 1) * row + 2 * uint64_t(radius) * row;
    const uint64_t own = std::max({4 * ((span + 2) * row + uint64_t(w)) + 4 * span, 4 * 7 * uint64_t(w), 6 * uint64_t(s.width)});
    return rows + own + 8 * 32;
}

constexpr int32_t kMaxBands = 64;

// Runs filter(band rectangle, band) over r: in bands on all cores when r is large, each band
// at least 2 radius + 1 rows. Every band's memory is taken first, in one block; without it
// the rectangle is filtered as one band, and without that the filter is not run and the
// picture is left as it was (-2). The held rows go to the screen once every band is done.
template <class F>
int32_t in_filter_bands(const Screen& s, Rect r, int32_t radius, F filter) {
    if (r.empty()) return 0;
    int32_t parts = std::min(simd::parts_for(int64_t(r.w) * r.h, simd::kHeavyPixel, r.h), r.h / (2 * radius + 1));
    parts = std::clamp(parts, 1, kMaxBands);
    const uint64_t each = band_bytes(s, r.w, radius);
    host::Buffer<uint8_t> space = host::allocate<uint8_t>(uint64_t(parts) * each);
    if (!space && parts > 1) space = host::allocate<uint8_t>(each), parts = 1;
    if (!space) return -2;  // also when the bands' memory would not fit the address space
    Band bands[kMaxBands];
    Rect rects[kMaxBands];
    for (int32_t i = 0; i < parts; ++i) {
        const int32_t a = simd::part_start(r.h, parts, i), b = simd::part_start(r.h, parts, i + 1);
        rects[i] = {r.x, r.y + a, r.w, b - a};
        bands[i] = Band(rects[i], radius, i > 0, i + 1 < parts, Arena(space.get() + size_t(i) * size_t(each), size_t(each)));
    }
    simd::run_bands(r.h, parts, [&](int32_t i, int32_t, int32_t) { filter(rects[i], bands[i]); });
    for (int32_t i = 0; i < parts; ++i) bands[i].write_held(s);
    return 0;
}

// Sums of component x weight for one output row, accumulated tap by tap over whole rows
// (a loop the compiler vectorises), each tap only over the columns where its neighbour lies
// inside the screen; and, when `weights` is given, the weight each pixel's sums carry.
// Acc is int16_t when no sum can leave 16 bits (eight lanes a vector), else int32_t.
template <class Acc>
void accumulate_row(const Screen& s, Rect r, int32_t y, const Taps& taps, Acc* acc, int32_t* weights) {
    std::memset(acc, 0, sizeof(Acc) * 3 * size_t(r.w));
    if (weights) std::memset(weights, 0, sizeof(int32_t) * size_t(r.w));
    for (const Tap& t : taps) {
        const int32_t ny = y + t.dy;
        if (ny < 0 || ny >= s.height) continue;  // a missing row: its weight is lost
        const int32_t xa = std::max(r.x, -t.dx), xb = std::min(r.x + r.w, s.width - t.dx);
        if (xa >= xb) continue;
        const uint8_t* src = s.at(xa + t.dx, ny);
        Acc* a = acc + 3 * size_t(xa - r.x);
        const int32_t n = 3 * (xb - xa), w = t.weight;
        if constexpr (sizeof(Acc) == 2) {
            const int16_t w16 = int16_t(w);
            for (int32_t i = 0; i < n; ++i) a[i] = int16_t(a[i] + int16_t(src[i]) * w16);
        } else if (w >= 0 && w <= 255) {
            // The product fits 16 bits unsigned: 16-bit multiplies, eight at a time.
            const uint16_t w16 = uint16_t(w);
            for (int32_t i = 0; i < n; ++i) a[i] += uint16_t(uint16_t(src[i]) * w16);
        } else if (w >= -128 && w < 0) {
            const int16_t w16 = int16_t(w);
            for (int32_t i = 0; i < n; ++i) a[i] += int16_t(int16_t(src[i]) * w16);
        } else {
            // Sums are 32-bit and wrap as such: computed unsigned, so that no overflow is undefined.
            auto* ua = reinterpret_cast<uint32_t*>(a);
            for (int32_t i = 0; i < n; ++i) ua[i] += uint32_t(src[i]) * uint32_t(w);
        }
        if (weights)
            for (int32_t x = xa; x < xb; ++x) weights[x - r.x] += w;
    }
}

// The largest size a sum of the taps can reach: 255 x the weights' sizes.
int64_t sum_bound(const Taps& taps) {
    int64_t total = 0;
    for (const Tap& t : taps) total += t.weight < 0 ? -int64_t(t.weight) : t.weight;
    return 255 * total;
}

// Truncating division through doubles: exact for any 32-bit numerator and divisor (the
// quotient's rounding error is far below the distance to the next integer), and unlike
// integer division it vectorises.
inline int32_t divide(int32_t a, int32_t d) { return int32_t(double(a) / double(d)); }

// The same through floats, twice as many at a time: exact while |a| < 2^24, where the
// quotient's rounding error stays below 1/|d|.
inline int32_t divide_small(int32_t a, int32_t d) { return int32_t(float(a) / float(d)); }

// Truncating division of 16-bit sums (|a| < 32768) by a fixed divisor d as a float
// multiply by 1 / d, rounded up a few steps where that is needed: used only when the
// quotient is checked exact for every such sum, when the filter starts (a reciprocal
// within four steps is exact for every divisor up to 32767, either sign).
struct DivideBySmall {
    float reciprocal = 0;

    int32_t operator()(int32_t a) const { return int32_t(float(a) * reciprocal); }

    static std::optional<DivideBySmall> for_divisor(int32_t d) {
        const int32_t ad = d < 0 ? -d : d;
        if (ad < 2 || ad > 32767) return std::nullopt;
        DivideBySmall f{float(1.0 / ad)};
        for (int step = 0; step < 4; ++step, f.reciprocal = std::nextafter(f.reciprocal, 1.0f)) {
            // The quotient counted along (no division per sum): a check of some 30,000
            // multiplies, small beside any picture worth filtering.
            bool exact = true;
            for (int32_t a = 0, q = 0, next = ad; a <= 32767 && exact; ++a) {
                if (a == next) ++q, next += ad;
                exact = f(a) == q;
            }
            if (!exact) continue;
            // -a gives exactly the negated product: the negative sums and divisors follow.
            if (d < 0) f.reciprocal = -f.reciprocal;
            return f;
        }
        return std::nullopt;
    }
};

// One output row from its sums: divided, truncating, and clamped.
template <class Acc>
void finish_row(const Acc* acc, int32_t n, int32_t divisor, bool small, const std::optional<DivideBySmall>& by,
                uint8_t* o) {
    if (divisor == 1) {
        for (int32_t i = 0; i < n; ++i) o[i] = uint8_t(clamp(int32_t(acc[i]), 0, 255));
    } else if (by && sizeof(Acc) == 2) {
        const DivideBySmall f = *by;
        for (int32_t i = 0; i < n; ++i) o[i] = uint8_t(clamp(f(acc[i]), 0, 255));
    } else if (small) {
        for (int32_t i = 0; i < n; ++i) o[i] = uint8_t(clamp(divide_small(acc[i], divisor), 0, 255));
    } else {
        for (int32_t i = 0; i < n; ++i) o[i] = uint8_t(clamp(divide(acc[i], divisor), 0, 255));
    }
}

template <class Acc>
void convolve_with(const Screen& s, Rect r, const Taps& taps, int32_t divisor, int32_t radius, bool small, Band& band) {
    DelayedRows out(s, r, radius, band);
    Acc* acc = band.arena().take<Acc>(3 * size_t(r.w));
    const std::optional<DivideBySmall> by = sizeof(Acc) == 2 ? DivideBySmall::for_divisor(divisor) : std::nullopt;
    out.run([&](int32_t y, uint8_t* o) {
        accumulate_row(s, r, y, taps, acc, nullptr);
        finish_row(acc, 3 * r.w, divisor, small, by, o);
    });
}

void convolve_band_body(const Screen& s, Rect r, const int32_t matrix[49], int32_t divisor, int32_t radius,
                        Band& band) {
    if (r.empty()) return;
    const Taps taps = taps_of(matrix, radius);
    const int64_t bound = sum_bound(taps);
    if (bound < 32768) return convolve_with<int16_t>(s, r, taps, divisor, radius, true, band);
    convolve_with<int32_t>(s, r, taps, divisor, radius, bound < (int64_t(1) << 24), band);
}

}  // namespace

QV_TWICE(void, convolve_band,
         (const Screen& s, Rect r, const int32_t matrix[49], int32_t divisor, int32_t radius, Band& band),
         (s, r, matrix, divisor, radius, band))

int32_t convolve(const Screen& s, Rect r, const int32_t matrix[49], int32_t divisor, int32_t radius) {
    return in_filter_bands(s, r, radius, [&](Rect rect, Band& band) {
        convolve_band(s, rect, matrix, divisor, radius, band);
    });
}

namespace {

void weighted_blur_band_body(const Screen& s, Rect r, const int32_t matrix[49], int32_t radius, Band& band) {
    if (r.empty()) return;
    DelayedRows out(s, r, radius, band);
    int32_t* acc = band.arena().take<int32_t>(7 * size_t(r.w));
    int32_t* weights = acc + 3 * size_t(r.w);
    int32_t* divisors = weights + size_t(r.w);  // each pixel's weight, once per component
    // The blur's weights are at most 255 over 49 taps: its sums stay far below 2^24.
    const Taps taps = taps_of(matrix, radius);
    out.run([&](int32_t y, uint8_t* o) {
        accumulate_row(s, r, y, taps, acc, weights);
        for (int32_t x = 0; x < r.w; ++x) divisors[3 * x] = divisors[3 * x + 1] = divisors[3 * x + 2] = weights[x];
        // A pixel whose neighbours carry no weight becomes black.
        for (int32_t i = 0; i < 3 * r.w; ++i)
            o[i] = divisors[i] == 0 ? 0 : uint8_t(divide_small(acc[i], divisors[i] == 0 ? 1 : divisors[i]));
    });
}

}  // namespace

QV_TWICE(void, weighted_blur_band, (const Screen& s, Rect r, const int32_t matrix[49], int32_t radius, Band& band),
         (s, r, matrix, radius, band))

int32_t weighted_blur(const Screen& s, Rect r, const int32_t matrix[49], int32_t radius) {
    return in_filter_bands(s, r, radius, [&](Rect rect, Band& band) { weighted_blur_band(s, rect, matrix, radius, band); });
}

namespace {

template <int Shift, class T>
void add_shifted(int32_t* sums, const T* values, int32_t n) {
    for (int32_t i = 0; i < n; ++i) sums[i] += int32_t(values[i]) << Shift;
}

// sums[i] += values[i] * w: a shift when w is a power of two (the blur's weights are), which
// vectorises better than a 32-bit multiply. The blur's shifts (0 to 7) are constants: a
// shift by a variable count takes its count from a vector register, and the 32-bit build
// stored and reloaded that count through the stack on every step (a stalled load each
// time; Nijimi's SSE2 copy took 2.3 times as long as natively).
template <class T>
void add_scaled(int32_t* sums, const T* values, int32_t n, int32_t w) {
    switch (w) {
        case 1: return add_shifted<0>(sums, values, n);
        case 2: return add_shifted<1>(sums, values, n);
        case 4: return add_shifted<2>(sums, values, n);
        case 8: return add_shifted<3>(sums, values, n);
        case 16: return add_shifted<4>(sums, values, n);
        case 32: return add_shifted<5>(sums, values, n);
        case 64: return add_shifted<6>(sums, values, n);
        case 128: return add_shifted<7>(sums, values, n);
        default: break;
    }
    if (w > 0 && (w & (w - 1)) == 0) {
        const int shift = __builtin_ctz(uint32_t(w));
        for (int32_t i = 0; i < n; ++i) sums[i] += int32_t(values[i]) << shift;
    } else {
        for (int32_t i = 0; i < n; ++i) sums[i] += int32_t(values[i]) * w;
    }
}

void separable_blur_band_body(const Screen& s, Rect r, const int32_t column[7], const int32_t row[7],
                              int32_t centre_less, int32_t radius, Band& band) {
    if (r.empty()) return;
    const int32_t k = radius, span = 2 * k + 1, n = 3 * r.w;
    DelayedRows out(s, r, k, band);
    // The row pass of the screen rows y - k .. y + k, kept in a ring, and the column pass.
    int32_t* work = band.arena().take<int32_t>(size_t(span + 2) * n + size_t(r.w));
    int32_t* sums = work + size_t(span) * n;
    int32_t* divisors = sums + n;
    int32_t* row_weight = divisors + n;  // the row weights of the columns inside the screen
    for (int32_t x = 0; x < r.w; ++x) {
        row_weight[x] = 0;
        for (int32_t dx = -k; dx <= k; ++dx)
            if (r.x + x + dx >= 0 && r.x + x + dx < s.width) row_weight[x] += row[3 + dx];
    }
    // The row pass of screen row yy, kept in slot yy mod span until it is overwritten by
    // the row span rows away.
    int32_t* held = band.arena().take<int32_t>(size_t(span));
    std::fill(held, held + span, -1);
    auto ring = [&](int32_t yy) { return work + size_t(yy % span) * n; };
    auto row_pass = [&](int32_t yy) {
        if (held[yy % span] == yy) return;
        held[yy % span] = yy;
        int32_t* h = ring(yy);
        std::memset(h, 0, sizeof(int32_t) * size_t(n));
        for (int32_t dx = -k; dx <= k; ++dx) {
            const int32_t w = row[3 + dx];
            const int32_t xa = std::max(r.x, -dx), xb = std::min(r.x + r.w, s.width - dx);
            if (w == 0 || xa >= xb) continue;
            const uint8_t* src = s.at(xa + dx, yy);
            int32_t* a = h + 3 * size_t(xa - r.x);
            add_scaled(a, src, 3 * (xb - xa), w);
        }
    };
    out.run([&](int32_t y, uint8_t* o) {
        for (int32_t yy = std::max(y - k, 0); yy <= std::min(y + k, s.height - 1); ++yy) row_pass(yy);
        std::memset(sums, 0, sizeof(int32_t) * size_t(n));
        int32_t column_weight = 0;
        for (int32_t dy = -k; dy <= k; ++dy) {
            if (y + dy < 0 || y + dy >= s.height || column[3 + dy] == 0) continue;
            const int32_t w = column[3 + dy];
            add_scaled(sums, ring(y + dy), n, w);
            column_weight += w;
        }
        const uint8_t* centre = s.at(r.x, y);
        for (int32_t x = 0; x < r.w; ++x)
            divisors[3 * x] = divisors[3 * x + 1] = divisors[3 * x + 2] = column_weight * row_weight[x] - centre_less;
        // The centre always counts, with a positive weight: no divisor is 0.
        for (int32_t i = 0; i < n; ++i) sums[i] = divide_small(sums[i] - centre_less * centre[i], divisors[i]);
        for (int32_t i = 0; i < n; ++i) o[i] = uint8_t(sums[i]);
    });
}

}  // namespace

QV_TWICE(void, separable_blur_band,
         (const Screen& s, Rect r, const int32_t column[7], const int32_t row[7], int32_t centre_less,
          int32_t radius, Band& band),
         (s, r, column, row, centre_less, radius, band))

int32_t separable_blur(const Screen& s, Rect r, const int32_t column[7], const int32_t row[7], int32_t centre_less,
                       int32_t radius) {
    return in_filter_bands(s, r, radius, [&](Rect rect, Band& band) {
        separable_blur_band(s, rect, column, row, centre_less, radius, band);
    });
}

namespace {

// The general case of one pixel of the 3 x 3 filter, for pixels at the screen's edges:
// the entries in the screen, the rule for few of them, repeated maximum search.
const uint8_t* filter_edge_pixel(const Screen& s, int32_t x, int32_t y, int32_t mode) {
    const uint8_t* px[9];
    int32_t key[9] = {};
    int n = 0;
    for (int i = 0; i < 9; ++i) {
        const int32_t nx = x - 1 + i % 3, ny = y - 1 + i / 3;
        px[i] = s.contains(nx, ny) ? s.at(nx, ny) : nullptr;
        if (px[i]) {
            key[i] = px[i][0] + 2 * px[i][2] + 4 * px[i][1];
            ++n;
        }
    }
    if (n < 2 || (mode == 0 && n < 3)) return s.at(x, y);
    int pick = -1;
    if (mode == 1 || mode == 2) {
        for (int i = 0; i < 9; ++i) {
            if (!px[i]) continue;
            if (pick < 0 || (mode == 1 ? key[i] < key[pick] : key[i] > key[pick])) pick = i;
        }
        return px[pick];
    }
    // The ((n + 1) / 2)-th largest: the largest picked that many times, first on ties.
    bool used[9] = {};
    for (int round = 0; round < (n + 1) / 2; ++round) {
        pick = -1;
        for (int i = 0; i < 9; ++i) {
            if (!px[i] || used[i]) continue;
            if (pick < 0 || key[i] > key[pick]) pick = i;
        }
        used[pick] = true;
    }
    return px[pick];
}

// The median of three, by min and max (vector instructions on 16-bit lanes).
inline int16_t median3(int16_t a, int16_t b, int16_t c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
// The keys of pixels 0 .. n - 1 from p, times 16, 32 at a time (AVX2): blue + 4 green by one
// byte-pair multiply-add, plus twice red. Returns how many it did.
__attribute__((target("avx2"))) int32_t keys_wide(const uint8_t* p, int16_t* k, int32_t n) {
    const __m256i blue_green = _mm256_set1_epi16(0x0401);
    int32_t x = 0;
    for (; x + 32 <= n; x += 32) {
        const BgrPairs32 v = pairs_apart32(p + 3 * size_t(x));
        __m256i key[2];
        for (int set = 0; set < 2; ++set)
            key[set] = _mm256_slli_epi16(
                _mm256_add_epi16(_mm256_maddubs_epi16(v.bg[set], blue_green), _mm256_add_epi16(v.r[set], v.r[set])), 4);
        // Sets hold pixels 0-7 | 16-23 and 8-15 | 24-31.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(k + x), _mm256_permute2x128_si256(key[0], key[1], 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(k + x + 16), _mm256_permute2x128_si256(key[0], key[1], 0x31));
    }
    return x;
}
#endif

// The keys of one screen row, times 16 (keys reach 1785, so key * 16 + 15 fits 16 bits).
void key_row(const Screen& s, int32_t y, int16_t* k, bool wide) {
    const uint8_t* p = s.at(0, y);
    int32_t x = 0;
#if defined(__SSE2__)
    if (wide) x = keys_wide(p, k, s.width);
    for (; x + 16 <= s.width; x += 16) {
        const BgrVectors v = split_bgr16(p + 3 * size_t(x));
        const __m128i zero = _mm_setzero_si128();
        const auto key = [&](__m128i b, __m128i g, __m128i r) {
            // b + 4 g + 2 r, times 16
            const __m128i sum = _mm_add_epi16(b, _mm_add_epi16(_mm_slli_epi16(g, 2), _mm_slli_epi16(r, 1)));
            return _mm_slli_epi16(sum, 4);
        };
        _mm_storeu_si128(reinterpret_cast<__m128i*>(k + x),
                         key(_mm_unpacklo_epi8(v.b, zero), _mm_unpacklo_epi8(v.g, zero), _mm_unpacklo_epi8(v.r, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(k + x + 8),
                         key(_mm_unpackhi_epi8(v.b, zero), _mm_unpackhi_epi8(v.g, zero), _mm_unpackhi_epi8(v.r, zero)));
    }
#endif
    for (; x < s.width; ++x) k[x] = int16_t((p[3 * x] + 2 * p[3 * x + 2] + 4 * p[3 * x + 1]) * 16);
}

// Each column of three keys (rows above, at and below), ranked by row, sorted into its
// lowest, middle and highest.
void sort_columns(const int16_t* __restrict k0, const int16_t* __restrict k1, const int16_t* __restrict k2,
                  const std::array<int16_t, 3> rank, int32_t n, int16_t* __restrict lo, int16_t* __restrict mid,
                  int16_t* __restrict hi) {
    for (int32_t x = 0; x < n; ++x) {
        const int16_t a = int16_t(k0[x] + rank[0]), b = int16_t(k1[x] + rank[1]), c = int16_t(k2[x] + rank[2]);
        lo[x] = std::min(std::min(a, b), c);
        hi[x] = std::max(std::max(a, b), c);
        mid[x] = median3(a, b, c);
    }
}

// The key picked for each of n windows from the sorted columns of three (column j at index
// j, the window of pixel j spans columns j .. j + 2): a column is one rank step lower in
// the window where it is the second, two where it is the third.
void pick_row(const int16_t* lo, const int16_t* mid, const int16_t* hi, int16_t* chosen, int32_t n, int32_t mode,
              bool wide) {
    if (mode == 1) {  // the smallest (ranks rise with the entry number here)
        for (int32_t j = 0; j < n; ++j)
            chosen[j] = std::min(std::min(lo[j], int16_t(lo[j + 1] + 1)), int16_t(lo[j + 2] + 2));
    } else if (mode == 2) {
        for (int32_t j = 0; j < n; ++j)
            chosen[j] = std::max(std::max(hi[j], int16_t(hi[j + 1] - 1)), int16_t(hi[j + 2] - 2));
    } else {
        int32_t j = 0;
#if defined(__SSE2__)
        // The compiler makes each median of three a comparison and two blends, which SSE2
        // has only as three steps each; two minima and two maxima do it here.
        const auto at = [](const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
        const auto median = [](__m128i a, __m128i b, __m128i c) {
            return _mm_max_epi16(_mm_min_epi16(a, b), _mm_min_epi16(_mm_max_epi16(a, b), c));
        };
        const __m128i one = _mm_set1_epi16(1), two = _mm_set1_epi16(2);
        if (!wide)
            for (; j + 8 <= n; j += 8) {
                const __m128i l = _mm_max_epi16(_mm_max_epi16(at(lo + j), _mm_sub_epi16(at(lo + j + 1), one)),
                                                _mm_sub_epi16(at(lo + j + 2), two));
                const __m128i m =
                    median(at(mid + j), _mm_sub_epi16(at(mid + j + 1), one), _mm_sub_epi16(at(mid + j + 2), two));
                const __m128i u = _mm_min_epi16(_mm_min_epi16(at(hi + j), _mm_sub_epi16(at(hi + j + 1), one)),
                                                _mm_sub_epi16(at(hi + j + 2), two));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(chosen + j), median(l, m, u));
            }
#endif
        for (; j < n; ++j) {
            const int16_t l = std::max(std::max(lo[j], int16_t(lo[j + 1] - 1)), int16_t(lo[j + 2] - 2));
            const int16_t m = median3(mid[j], int16_t(mid[j + 1] - 1), int16_t(mid[j + 2] - 2));
            const int16_t u = std::min(std::min(hi[j], int16_t(hi[j + 1] - 1)), int16_t(hi[j + 2] - 2));
            chosen[j] = median3(l, m, u);
        }
    }
}

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
// Where the chosen pixel's bytes come from, for the AVX2 copy: a code byte for each rank,
// with flags for the entry's column (bit 7: the right one, bit 6: the left one) and row (bit
// 5: below, bit 4: above); none set is the window's centre.
constexpr uint8_t entry_code(int32_t entry) {
    const int32_t row = entry / 3, column = entry % 3;
    return uint8_t((column == 2 ? 0x80 : 0) | (column == 0 ? 0x40 : 0) | (row == 2 ? 0x20 : 0) | (row == 0 ? 0x10 : 0));
}

// 96 output bytes (32 pixels) are three vectors of 32. Byte b of half h of vector k belongs
// to pixel (32 k + 16 h + b) / 3; the byte shuffle reaches only its own half's 16 codes, so
// vector 0 takes the codes of pixels 0-15 in both halves, vector 2 those of 16-31, and
// vector 1 each where it is. spread[k] is each byte's pixel, counted from its half's first.
struct Spread {
    uint8_t spread[3][32];
};
constexpr Spread spread_of_pixels = [] {
    Spread t{};
    for (int k = 0; k < 3; ++k)
        for (int h = 0; h < 2; ++h) {
            const int first = k == 0 || (k == 1 && h == 0) ? 0 : 16;
            for (int b = 0; b < 16; ++b) t.spread[k][16 * h + b] = uint8_t((32 * k + 16 * h + b) / 3 - first);
        }
    return t;
}();

// The chosen pixels of windows 0 .. n - 1, 32 at a time (AVX2): each output vector is the
// centre column's bytes with the left or right column's blended in where a pixel's code says
// so, in each of the three rows, then the rows above and below blended into the middle one
// likewise. Window j's left column is at left + 3 j in the middle row; rows are `stride`
// apart, the row above at the higher address. Reads only the windows' own pixels and writes
// only theirs (no gathers: these were slower here); returns how many windows it did.
__attribute__((target("avx2"))) int32_t select_chosen(uint8_t* q, const int16_t* chosen, int32_t n, const uint8_t* left,
                                                      ptrdiff_t stride, const uint8_t code_of_rank[16]) {
    const __m256i codes_table =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(code_of_rank)));
    const __m256i fifteen = _mm256_set1_epi16(15);
    int32_t j = 0;
    for (; j + 32 <= n; j += 32) {
        const __m256i r0 = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(chosen + j)), fifteen);
        const __m256i r1 =
            _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(chosen + j + 16)), fifteen);
        const __m256i ranks = _mm256_permute4x64_epi64(_mm256_packus_epi16(r0, r1), 0xD8);
        const __m256i codes = _mm256_shuffle_epi8(codes_table, ranks);
        const __m256i codes_of[3] = {_mm256_permute2x128_si256(codes, codes, 0x00), codes,
                                     _mm256_permute2x128_si256(codes, codes, 0x11)};
        const uint8_t* row = left + 3 * size_t(j);
        for (int k = 0; k < 3; ++k, row += 32) {
            const __m256i c = _mm256_shuffle_epi8(
                codes_of[k], _mm256_loadu_si256(reinterpret_cast<const __m256i*>(spread_of_pixels.spread[k])));
            const __m256i right = c, left_one = _mm256_slli_epi16(c, 1), below = _mm256_slli_epi16(c, 2),
                          above = _mm256_slli_epi16(c, 3);
            __m256i in_row[3];
            for (int r = 0; r < 3; ++r) {
                const uint8_t* p = row + (1 - r) * stride;
                const __m256i centre = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 3));
                const __m256i with_left =
                    _mm256_blendv_epi8(centre, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), left_one);
                in_row[r] =
                    _mm256_blendv_epi8(with_left, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 6)), right);
            }
            const __m256i out = _mm256_blendv_epi8(_mm256_blendv_epi8(in_row[1], in_row[0], above), in_row[2], below);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + 3 * size_t(j) + 32 * k), out);
        }
    }
    return j;
}
#endif

void median_band_body(const Screen& s, Rect r, int32_t mode, Band& band) {
    if (r.empty()) return;
    DelayedRows out(s, r, 1, band);
    // Three rows of keys.
    const size_t w = size_t(s.width);
    int16_t* keys_work = band.arena().take<int16_t>(3 * w);
    // Entry i of the window is row y - 1 + i / 3, column x - 1 + i % 3. Every key is made
    // unique by its entry number in the low four bits, ranking the first of equals as the
    // one picked (higher for the median and the maximum, lower for the minimum). Then the
    // median and the extremes are plain order statistics of nine distinct numbers.
    //
    // The entry number of a neighbour depends on the window, but only through its column's
    // place in it, and in the same way for the whole column: each column of three is sorted
    // once with the rank of the window's first column, and is shifted by one rank step for
    // the windows where it is the second or third. The median of nine is then the median of
    // the largest of the column minima, the median of the column medians and the smallest
    // of the column maxima.
    const bool minimum = mode == 1;
    const int16_t step = minimum ? 1 : -1, first = minimum ? 0 : 15;
    int16_t* keys[3] = {keys_work, keys_work + w, keys_work + 2 * w};
    // Each column of three sorted (lowest, middle, highest) and the key picked for each
    // pixel, a stretch of the row at a time so that they stay in the nearest cache.
    constexpr int32_t kStretch = 512;
    int16_t lo[kStretch + 2], mid[kStretch + 2], hi[kStretch + 2], chosen[kStretch];
    int32_t key_rows[3] = {-1, -1, -1};  // the screen row each key row holds
    const int32_t xa = std::max(r.x, 1), xb = std::min(r.x + r.w, s.width - 1);
    const bool wide = simd::wide();
    out.run([&](int32_t y, uint8_t* o) {
        const bool inner_row = y >= 1 && y + 1 < s.height && xa < xb;
        if (inner_row) {
            for (int32_t yy = y - 1; yy <= y + 1; ++yy)
                if (key_rows[yy % 3] != yy) {
                    key_row(s, yy, keys[yy % 3], wide);
                    key_rows[yy % 3] = yy;
                }
            const std::array<int16_t, 3> ranks = {first, int16_t(first + 3 * step), int16_t(first + 6 * step)};
            // Where entry i of pixel x's window lies: from[rank of i] + 3 (x - 1).
            const uint8_t* from[16] = {};
            uint8_t code_of_rank[16] = {};
            for (int i = 0; i < 9; ++i) {
                from[minimum ? i : 15 - i] = s.at(0, y - 1 + i / 3) + 3 * (i % 3);
                code_of_rank[minimum ? i : 15 - i] = entry_code(i);
            }
            for (int32_t x0 = xa; x0 < xb; x0 += kStretch) {
                const int32_t n = std::min(kStretch, xb - x0);
                // Columns x0 - 1 .. x0 + n.
                sort_columns(keys[(y - 1) % 3] + x0 - 1, keys[y % 3] + x0 - 1, keys[(y + 1) % 3] + x0 - 1, ranks,
                             n + 2, lo, mid, hi);
                pick_row(lo, mid, hi, chosen, n, mode, wide);
                // Four bytes a pixel, the fourth overwritten by the next pixel, except at the
                // row's last (whose fourth byte would leave the row, and whose neighbours
                // may end the buffer).
                const int32_t last = x0 + n == xb ? n - 1 : n;
                uint8_t* q = o + 3 * size_t(x0 - r.x);
                int32_t j = 0;
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
                if (wide)
                    j = select_chosen(q, chosen, n, s.at(0, y) + 3 * size_t(x0 - 1), ptrdiff_t(s.stride()),
                                      code_of_rank);
#endif
                // (Unrolled in 64-bit code: the loop is a handful of instructions a pixel, its
                // own counting a good part of them. The 32-bit DLL has too few registers for
                // it: unrolled, it took a fifth longer there.)
#if defined(__x86_64__)
#pragma GCC unroll 4
#endif
                for (; j < last; ++j) std::memcpy(q + 3 * j, from[chosen[j] & 15] + 3 * size_t(x0 + j - 1), 4);
                if (j < n) std::memcpy(q + 3 * j, from[chosen[j] & 15] + 3 * size_t(x0 + j - 1), 3);
            }
        }
        // The pixels whose window reaches past the screen, one by one.
        auto edge = [&](int32_t x) {
            std::memcpy(o + 3 * size_t(x - r.x), filter_edge_pixel(s, x, y, mode), 3);
        };
        if (!inner_row) {
            for (int32_t x = r.x; x < r.x + r.w; ++x) edge(x);
        } else {
            for (int32_t x = r.x; x < xa; ++x) edge(x);
            for (int32_t x = xb; x < r.x + r.w; ++x) edge(x);
        }
    });
}

}  // namespace

QV_TWICE(void, median_band, (const Screen& s, Rect r, int32_t mode, Band& band), (s, r, mode, band))

int32_t median(const Screen& s, Rect r, int32_t mode, int32_t) {
    return in_filter_bands(s, r, 1, [&](Rect rect, Band& band) { median_band(s, rect, mode, band); });
}

namespace {

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
// The emboss of a row with a row below, in signed bytes, 16 or 32 at a time: with
// m = (a + b) / 2 and e the bit that drops, a + b - 2 c + 127 is 2 (m - c) + 127 + e, which
// is 255 from m - c = 64 on and 0 from -64 down. d = m - c saturated to a signed byte, then
// d + (d + e - 1) saturated twice lands on those ends exactly and is exact between them,
// 128 below the result. Returns how many of the n bytes it did; their originals go to
// `keep` when it is given.
int32_t emboss_vectors(uint8_t* p, const uint8_t* below, int32_t n, uint8_t* keep) {
    const __m128i sign = _mm_set1_epi8(char(0x80)), one = _mm_set1_epi8(1), zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        auto* q = reinterpret_cast<__m128i*>(p + i);
        const __m128i c = _mm_loadu_si128(q), a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 3)),
                      b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + i));
        if (keep) _mm_storeu_si128(reinterpret_cast<__m128i*>(keep + i), c);
        const __m128i e = _mm_and_si128(_mm_xor_si128(a, b), one);
        const __m128i m = _mm_sub_epi8(_mm_avg_epu8(a, b), e);  // the average rounds up
        const __m128i d = _mm_subs_epi8(_mm_xor_si128(m, sign), _mm_xor_si128(c, sign));
        const __m128i d_e_1 = _mm_adds_epi8(d, _mm_cmpeq_epi8(e, zero));
        _mm_storeu_si128(q, _mm_xor_si128(_mm_adds_epi8(d, d_e_1), sign));
    }
    return i;
}

__attribute__((target("avx2"))) int32_t emboss_vectors_wide(uint8_t* p, const uint8_t* below, int32_t n,
                                                            uint8_t* keep) {
    const __m256i sign = _mm256_set1_epi8(char(0x80)), one = _mm256_set1_epi8(1), zero = _mm256_setzero_si256();
    int32_t i = 0;
    for (; i + 32 <= n; i += 32) {
        auto* q = reinterpret_cast<__m256i*>(p + i);
        const __m256i c = _mm256_loadu_si256(q), a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 3)),
                      b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(below + i));
        if (keep) _mm256_storeu_si256(reinterpret_cast<__m256i*>(keep + i), c);
        const __m256i e = _mm256_and_si256(_mm256_xor_si256(a, b), one);
        const __m256i m = _mm256_sub_epi8(_mm256_avg_epu8(a, b), e);
        const __m256i d = _mm256_subs_epi8(_mm256_xor_si256(m, sign), _mm256_xor_si256(c, sign));
        const __m256i d_e_1 = _mm256_adds_epi8(d, _mm256_cmpeq_epi8(e, zero));
        _mm256_storeu_si256(q, _mm256_xor_si256(_mm256_adds_epi8(d, d_e_1), sign));
    }
    return i;
}
#else
int32_t emboss_vectors(uint8_t*, const uint8_t*, int32_t, uint8_t*) { return 0; }
#endif

// One row of the emboss, in place: p the row, below the original of the row below (null
// for the rectangle's last row); the row's original goes to `keep` when it is given. Each
// byte reads the byte one pixel on, which it has not yet written (a vector loads it before
// it stores), and every component is the same operation.
void emboss_row(uint8_t* p, const uint8_t* below, int32_t w, uint8_t* keep) {
    const int32_t n = 3 * (w - 1);  // the components that have a right neighbour
    if (keep) std::memcpy(keep + n, p + n, 3);
    if (below) {
        int32_t i = 0;
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
        if (simd::wide()) i = emboss_vectors_wide(p, below, n, keep);
#endif
        i += emboss_vectors(p + i, below + i, n - i, keep ? keep + i : nullptr);
        for (; i < n; ++i) {
            if (keep) keep[i] = p[i];
            p[i] = uint8_t(clamp(p[i + 3] + below[i] - 2 * p[i] + 127, 0, 255));
        }
        for (int32_t i = n; i < n + 3; ++i) p[i] = uint8_t(clamp(below[i] - p[i] + 127, 0, 255));
    } else {
        for (int32_t i = 0; i < n; ++i) {
            if (keep) keep[i] = p[i];
            p[i] = uint8_t(clamp(p[i + 3] - p[i] + 127, 0, 255));
        }
        for (int32_t i = n; i < n + 3; ++i) p[i] = 127;
    }
}

// The emboss of the rows of `band`; `after` is the original of the row below it that the
// band's last row reads (null where the rectangle ends there). Each byte depends on itself,
// the byte one pixel to the right and the byte one row down, all as they were. Rows go in
// the order of memory, from the last up, each row's original kept aside for the row above,
// which reads it as its row below.
void emboss_band(const Screen& s, Rect band, const uint8_t* after) {
    const size_t bytes = 3 * size_t(band.w);  // one row of the screen: it fits
    const int32_t end = band.y + band.h;
    host::Buffer<uint8_t> kept = host::allocate<uint8_t>(2 * uint64_t(bytes));
    if (!kept) {
        // No room for the two rows: from the top, where the row below is still unchanged.
        for (int32_t y = band.y; y < end; ++y) emboss_row(s.at(band.x, y), y + 1 < end ? s.at(band.x, y + 1) : after, band.w, nullptr);
        return;
    }
    uint8_t* keep = kept.get();
    uint8_t* below = keep + bytes;
    for (int32_t y = end - 1; y >= band.y; --y) {
        emboss_row(s.at(band.x, y), y + 1 < end ? below : after, band.w, keep);
        std::swap(keep, below);
    }
}

}  // namespace

void emboss(const Screen& s, Rect r) {
    if (r.empty()) return;  // a row of width 0 has no last pixel to write
    // A large rectangle in bands on all cores: each band but the last reads the first row
    // of the next as it was, copied before any band starts.
    const int32_t parts = std::min(simd::parts_for(int64_t(r.w) * r.h, simd::kLightPixel, r.h), r.h / 2);
    const size_t bytes = 3 * size_t(r.w);
    host::Buffer<uint8_t> firsts = parts > 1 ? host::allocate<uint8_t>(uint64_t(parts - 1) * bytes) : nullptr;
    if (!firsts) return emboss_band(s, r, nullptr);  // one band (also when there is no room for the rows)
    for (int32_t i = 1; i < parts; ++i)
        std::memcpy(firsts.get() + size_t(i - 1) * bytes, s.at(r.x, r.y + simd::part_start(r.h, parts, i)), bytes);
    simd::run_bands(r.h, parts, [&](int32_t i, int32_t first, int32_t n) {
        emboss_band(s, {r.x, r.y + first, r.w, n}, i + 1 < parts ? firsts.get() + size_t(i) * bytes : nullptr);
    });
}

}  // namespace qv::effects

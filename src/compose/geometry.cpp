// Rotation, mirroring and scrolling (see geometry.h).
#include "compose/geometry.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "compose/rotation_runs.h"
#include "host/sine_table.h"
#include "simd/parallel.h"
#include "simd/wide.h"

namespace qv::compose {

namespace {

// The rotation's inner loops in the integer type T: every division truncates, in the order
// / 128, x num, / den. Along a destination row the two numerators grow by cv and sv per
// pixel; everything else is fixed for the whole call and held in locals (the destination
// writes could otherwise alias the settings, and the compiler would read them again for
// every pixel).
template <class T, bool UnitScale>
void rotate_with(const Screen& dst, Point d, int32_t w, int32_t h, const Screen& src, Point s, int32_t sw, int32_t sh,
                 T sv, T cv, const Rotation& r) {
    const int32_t bpp_all = dst.bpp, key_all = r.key;
    const T cx_all = r.centre_x, cy_all = r.centre_y, num_all = r.scale_num, den_all = r.scale_den;
    // Source pixel (u, v) of the extent: origin + u bpp - v stride (rows are bottom-up).
    const uint8_t* origin_all = src.at(s.x, s.y);
    const ptrdiff_t row_step_all = -ptrdiff_t(src.stride());
    // One screen: a pixel written may be read again later, so the order is the one scripts
    // see, rows from the top, pixels from the left, one at a time.
    const bool one_screen = share_bytes(dst, src);
    // Two screens at scale 1 with every offset inside 32 bits: the runs are copied several
    // pixels at a time (rotation_runs.h).
    UnitRun unit;
    const bool by_runs = std::is_same_v<T, int32_t> && UnitScale && !one_screen &&
                         src.size_bytes() < (size_t(1) << 31);
    if (by_runs) {
        unit.origin = origin_all;
        unit.stride = int32_t(src.stride());
        unit.bpp = bpp_all;
        unit.key = key_all;
        unit.cx = int32_t(r.centre_x);
        unit.cy = int32_t(r.centre_y);
        unit.cos_step = int32_t(cv);
        unit.sin_step = int32_t(sv);
        unit.last_read = int32_t((src.pixels + src.size_bytes() - 4) - origin_all);
        // The rows are done from the bottom up (the order of memory): kAheadRows on is
        // kAheadRows up, where dy is that much smaller.
        unit.ahead_u = int32_t(kAheadRows * sv);
        unit.ahead_v = -int32_t(kAheadRows * cv);
        unit.wide = simd::wide();
    }
    // Pixels i0 .. i1 - 1 of destination row j. The settings are copied into the call's own
    // locals first: the bands' threads reach this through pointers, and a byte written
    // through `out` could otherwise alias them all.
    const auto run = [=, &dst, &unit](int32_t j, int32_t i0, int32_t i1) {
        const int32_t bpp = bpp_all, key = key_all;
        const T cx = cx_all, cy = cy_all, num = num_all, den = den_all;
        const uint8_t* const origin = origin_all;
        const ptrdiff_t row_step = row_step_all;
        const T sin_step = sv, cos_step = cv, width = sw, height = sh;
        const auto scaled = [num, den](T n) -> T {
            // At scale 1 (1 / 32) the two truncating divisions are one by 4096, a constant.
            return UnitScale ? n / 4096 : n / 128 * num / den;
        };
        const T dy = T(j) - cy, dx0 = T(i0) - cx;
        const T nu0 = dx0 * cos_step - dy * sin_step, nv0 = dy * cos_step + dx0 * sin_step;
        const auto u_at = [&](int32_t i) { return scaled(nu0 + T(i - i0) * cos_step) + cx; };
        const auto v_at = [&](int32_t i) { return scaled(nv0 + T(i - i0) * sin_step) + cy; };
        // u and v move monotonically along the row (the divisions truncate, which keeps the
        // order), so the pixels whose source lies inside the extent are one run: its ends are
        // found by halving, each condition on its own, and the loop needs no bounds check.
        int32_t a = i0, b = i1;
        const auto keep_where = [&](auto holds) {
            if (a >= b) return;
            const bool first = holds(a), last = holds(b - 1);
            if (first && last) return;
            if (!first && !last) {
                b = a;
                return;
            }
            int32_t lo = a, hi = b - 1;  // holds(lo) == first, holds(hi) == last
            while (hi - lo > 1) {
                const int32_t mid = lo + (hi - lo) / 2;
                (holds(mid) == first ? lo : hi) = mid;
            }
            if (first) b = hi;
            else a = hi;
        };
        keep_where([&](int32_t i) { return u_at(i) >= 0; });
        keep_where([&](int32_t i) { return u_at(i) < width; });
        keep_where([&](int32_t i) { return v_at(i) >= 0; });
        keep_where([&](int32_t i) { return v_at(i) < height; });
        if (a >= b) return;
        uint8_t* out = dst.at(d.x + a, d.y + j);
        T nu = nu0 + T(a - i0) * cos_step, nv = nv0 + T(a - i0) * sin_step;
        if (by_runs) return copy_unit_run(unit, out, int32_t(nu), int32_t(nv), b - a);
        for (int32_t i = a; i < b; ++i, out += bpp, nu += cos_step, nv += sin_step) {
            const T u = scaled(nu) + cx, v = scaled(nv) + cy;
            const uint8_t* in = origin + ptrdiff_t(u) * bpp + ptrdiff_t(v) * row_step;
            if (key >= 0 && in[0] == key && (bpp == 1 || (in[1] == key && in[2] == key))) continue;
            if (bpp == 3) std::memcpy(out, in, 3);
            else out[0] = in[0];
        }
    };
    if (one_screen) {
        for (int32_t j = 0; j < h; ++j) run(j, 0, w);
        return;
    }
    // Two screens: the order does not show, and a large rectangle is split into bands of
    // rows on all cores. Each band is done in strips of 512 columns, every row of the band
    // in the order of memory before the next strip: the source patch of a strip's row is
    // mostly the one of the row before, still in the nearest caches, and the few pages it
    // spans stay in the address cache. Whole rows, or the blocks of 64 x 128 used before,
    // took two to six times as long at 10 to 60 degrees over a 12 MP screen (a whole row
    // at 45 degrees crosses 2,800 source rows, more pages than the address cache holds).
    constexpr int32_t kStripColumns = 512;
    simd::in_parts(h, int64_t(w) * h, simd::kHeavyPixel, [&](int32_t first, int32_t n) {
        for (int32_t i0 = 0; i0 < w; i0 += kStripColumns)
            rows_in_memory_order(first, n, [&](int32_t j) { run(j, i0, std::min(w, i0 + kStripColumns)); });
    });
}

}  // namespace

void rotate(const Screen& dst, Point d, int32_t w, int32_t h, const Screen& src, Point s, int32_t sw, int32_t sh,
            int32_t angle, const Rotation& r) {
    int32_t theta = (-angle) % 360;
    if (theta < 0) theta += 360;
    const int32_t sv = host::sine(theta), cv = host::cosine(theta);
    // When no product can leave 32 bits, the arithmetic runs in 32 bits (64-bit divisions are
    // library calls in the 32-bit DLL); else in 64.
    const int64_t reach = std::max<int64_t>(std::abs(int64_t(r.centre_x)), std::abs(int64_t(w) - r.centre_x)) +
                          std::max<int64_t>(std::abs(int64_t(r.centre_y)), std::abs(int64_t(h) - r.centre_y));
    const bool unit = r.scale_num == 1 && r.scale_den == 32;
    if (reach * 4096 < (int64_t(1) << 30) && (reach * 32 + 1) * std::abs(int64_t(r.scale_num)) < (int64_t(1) << 30)) {
        if (unit) rotate_with<int32_t, true>(dst, d, w, h, src, s, sw, sh, sv, cv, r);
        else rotate_with<int32_t, false>(dst, d, w, h, src, s, sw, sh, sv, cv, r);
    } else {
        rotate_with<int64_t, false>(dst, d, w, h, src, s, sw, sh, sv, cv, r);
    }
}

void flip_rows(const Screen& s, Point at, int32_t w, int32_t h) {
    // Pairs of rows change places; the pairs are split over the cores.
    const size_t n = size_t(w) * s.bpp;
    simd::in_parts(h / 2, int64_t(w) * h, simd::kLightPixel, [&](int32_t first, int32_t pairs) {
        for (int32_t k = first; k < first + pairs; ++k) {
            uint8_t* a = s.at(at.x, at.y + k);
            std::swap_ranges(a, a + n, s.at(at.x, at.y + h - 1 - k));
        }
    });
}

void flip_columns(const Screen& s, Point at, int32_t w, int32_t h) {
    // Whole pixels change places: as three-byte records, or single palette bytes.
    struct Pixel {
        uint8_t bytes[3];
    };
    simd::in_parts(h, int64_t(w) * h, simd::kLightPixel, [&](int32_t first, int32_t n) {
        rows_in_memory_order(at.y + first, n, [&](int32_t y) {
            uint8_t* row = s.at(at.x, y);
            if (s.bpp == 1) {
                std::reverse(row, row + w);
            } else {
                auto* p = reinterpret_cast<Pixel*>(row);
                std::reverse(p, p + w);
            }
        });
    });
}

void move_rows(const Screen& s, int32_t first, int32_t rows, int32_t by, bool clear) {
    const size_t n = s.stride();
    // Whole rows are one block of memory (its lowest address is its last row): one memmove,
    // which never overwrites a row before it has moved.
    if (rows < 1) return;
    std::memmove(s.at(0, first + rows - 1 + by), s.at(0, first + rows - 1), n * size_t(rows));
    // Only the block's own uncovered rows: a shift longer than the block wipes no row
    // outside it.
    if (by < 0) {
        if (clear)
            for (int32_t k = std::max(rows + by, 0); k < rows; ++k) std::memset(s.at(0, first + k), 0, n);
    } else {
        if (clear)
            for (int32_t k = 0; k < std::min(by, rows); ++k) std::memset(s.at(0, first + k), 0, n);
    }
}

void move_in_rows(const Screen& s, Point at, int32_t w, int32_t h, int32_t by, bool clear) {
    const int32_t bpp = s.bpp, shift = by < 0 ? -by : by;
    const int32_t keep = std::max(w - shift, 0), wipe = std::min(shift, w);
    rows_in_memory_order(at.y, h, [&](int32_t y) {
        uint8_t* row = s.at(at.x, y);
        if (by < 0) {
            std::memmove(row, row + size_t(shift) * bpp, size_t(keep) * bpp);
            if (clear) std::memset(row + size_t(w - wipe) * bpp, 0, size_t(wipe) * bpp);
        } else {
            std::memmove(row + size_t(shift) * bpp, row, size_t(keep) * bpp);
            if (clear) std::memset(row, 0, size_t(wipe) * bpp);
        }
    });
}

}  // namespace qv::compose

// The effects' pixel work, natively under the sanitizers: the core
// functions against the plain reference versions, on buffers with guard bytes around them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "buffer_screen.h"
#include "host/area.h"
#include "effects/blocks.h"
#include "effects/colour.h"
#include "effects/filters.h"
#include "effects_reference.h"
#include "simd/wide.h"

namespace qv::effects {
namespace {

using testing::BufferScreen;
namespace ref = qv::reference;

int rand15() { return std::rand() & 0x7FFF; }

struct Pair {
    BufferScreen lib, ref;
    explicit Pair(int32_t w, int32_t h, uint32_t seed, bool palette = false) : lib(w, h, palette), ref(w, h, palette) {
        lib.fill_pattern(seed);
        ref.fill_pattern(seed);
    }
    bool same() const { return lib.snapshot() == ref.snapshot(); }
};

// Each effect test runs twice: the SSE2 versions of the pixel loops, then (where the
// processor has it) the AVX2 ones.
class EffectsCore : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { simd::allow_wide(GetParam()); }
    void TearDown() override { simd::allow_wide(true); }
};
INSTANTIATE_TEST_SUITE_P(Simd, EffectsCore, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Wide" : "Base"; });

TEST_P(EffectsCore, EveryEffectMatchesTheReferenceInsideItsBuffer) {
    uint32_t state = 7;
    auto next = [&](int32_t lo, int32_t hi) {
        state = state * 1664525u + 1013904223u;
        return hi < lo ? lo : lo + int32_t((state >> 8) % uint32_t(hi - lo + 1));
    };
    for (int round = 0; round < 120; ++round) {
        const int32_t W = next(1, (round / 12) % 2 ? 100 : 30), H = next(1, 20);  // half past the 32-pixel paths
        Rect r{next(0, W - 1), next(0, H - 1), 0, 0};
        r.w = next(1, W - r.x);
        r.h = next(1, H - r.y);
        Pair p(W, H, uint32_t(round));
        Screen& l = p.lib.view();
        Screen& f = p.ref.view();
        const int tol[3] = {next(0, 40), next(0, 40), next(0, 40)};
        int matrix[49];
        for (int& m : matrix) m = next(-5, 5);
        switch (round % 12) {
            case 0: {
                l.color = f.color = uint32_t(next(0, 0xFFFFFF));
                l.cursor_x = f.cursor_x = r.x;
                l.cursor_y = f.cursor_y = r.y;
                l.area_width = f.area_width = r.w;
                l.area_height = f.area_height = r.h;
                change_colours(l, r, {int32_t(l.color & 255), int32_t(l.color >> 8 & 255), int32_t(l.color >> 16)}, tol,
                               {1, 2, 3}, {4, 5, 6}, true);
                ref::change_colours(f, tol[0], tol[1], tol[2], {1, 2, 3}, {4, 5, 6}, 1);
                break;
            }
            case 1: {
                int mode = next(-1, 1), level = mode ? next(1, 255) : next(1, 1000);
                tone_change(l, r, level, mode);
                f.cursor_x = r.x;
                f.cursor_y = r.y;
                f.area_width = r.w;
                f.area_height = r.h;
                ref::tone_change(f, level, mode);
                break;
            }
            case 2: {
                f.cursor_x = r.x;
                f.cursor_y = r.y;
                f.area_width = r.w;
                f.area_height = r.h;
                int hue = next(0, 359), sat = next(0, 255);
                monotone(l, r, hue, sat);
                ref::monotone(f, hue, sat);
                break;
            }
            case 3:
            case 4: {
                int amount = next(0, 100);
                std::srand(unsigned(round));
                round % 12 == 3 ? noise_colour(l, r, amount) : noise_brightness(l, r, amount);
                std::srand(unsigned(round));
                round % 12 == 3 ? ref::noise_col(f, r.x, r.y, r.w, r.h, amount, rand15)
                                : ref::noise_ld(f, r.x, r.y, r.w, r.h, amount, rand15);
                break;
            }
            case 5: {
                int channels = next(1, 7), ratio = next(1, 100);
                half_tone(l, r, channels, {10, 20, 30}, ratio);
                ref::half_tone(f, r.x, r.y, r.w, r.h, channels, {10, 20, 30}, ratio);
                break;
            }
            case 6: {
                int divisor = next(1, 9) * (next(0, 1) ? 1 : -1), radius = next(1, 3);
                ASSERT_EQ(convolve(l, r, matrix, divisor, radius), 0);
                ref::convolve(f, r.x, r.y, r.w, r.h, matrix, divisor, radius);
                break;
            }
            case 7: {
                for (int& m : matrix) m = next(0, 9);
                int radius = next(1, 3);
                ASSERT_EQ(weighted_blur(l, r, matrix, radius), 0);
                ref::nijimi(f, r.x, r.y, r.w, r.h, matrix, radius);
                break;
            }
            case 8: {
                int mode = next(0, 3);
                ASSERT_EQ(median(l, r, mode, mode == 1 ? 512 : -255), 0);
                ref::median(f, r.x, r.y, r.w, r.h, mode);
                break;
            }
            case 9:
                emboss(l, r);
                ref::emboss(f, r.x, r.y, r.w, r.h);
                break;
            case 10: {
                int cw = next(1, 4), ch = next(1, 4);
                mosaic(l, r.x, r.y, r.w / cw, r.h / ch, cw, ch);
                ref::mosaic(f, r.x, r.y, r.w, r.h, cw, ch);
                break;
            }
            default: {
                int bits = next(1, 15);
                if (bits == 8) bits = 7;
                rough(l, r, bits);
                ref::rough(f, r.x, r.y, r.w, r.h, bits);
                break;
            }
        }
        ASSERT_TRUE(p.same()) << "round " << round << " (effect " << round % 12 << ")";
        auto before = p.ref.snapshot();
        EXPECT_TRUE(p.lib.unchanged_outside(r.x, r.y, r.w, r.h, before));
    }
}

TEST_P(EffectsCore, MedianBreaksTiesOfKeysByEntryOrder) {
    // A few colours, several of them sharing a key (B + 2 R + 4 G): which of equal keys
    // is picked shows in the pixel. Widths past 16 take the row-at-a-time path.
    const uint8_t colours[][3] = {{2, 0, 0}, {0, 0, 1}, {4, 0, 0}, {0, 1, 0}, {0, 0, 2}, {2, 0, 1}, {9, 9, 9}};
    uint32_t state = 11;
    auto next = [&](int32_t lo, int32_t hi) {
        state = state * 1664525u + 1013904223u;
        return lo + int32_t((state >> 8) % uint32_t(hi - lo + 1));
    };
    for (int round = 0; round < 48; ++round) {
        const int32_t W = next(3, 70), H = next(3, 12);
        Pair p(W, H, 0);
        for (BufferScreen* b : {&p.lib, &p.ref})
            for (int32_t y = 0; y < H; ++y)
                for (int32_t x = 0; x < W; ++x) {
                    const int c = int((uint32_t(x * 7 + y * 13 + round) * 2654435761u >> 24) % (round % 3 ? 6 : 7));
                    std::memcpy(b->view().at(x, y), colours[c], 3);
                }
        Rect r{next(0, W - 3), next(0, H - 3), 0, 0};
        r.w = next(3, W - r.x);
        r.h = next(3, H - r.y);
        const int mode = round % 4;
        ASSERT_EQ(median(p.lib.view(), r, mode, mode == 1 ? 512 : -255), 0);
        ref::median(p.ref.view(), r.x, r.y, r.w, r.h, mode);
        ASSERT_TRUE(p.same()) << "round " << round << " mode " << mode << " " << W << "x" << H;
    }
}

TEST_P(EffectsCore, ColourReplacementNearItsTolerances) {
    // Pixels a few steps from the reference in each component, so that many lie just
    // inside or just outside the tolerances; both settings of the other colour.
    uint32_t state = 5;
    auto next = [&](int32_t lo, int32_t hi) {
        state = state * 1664525u + 1013904223u;
        return lo + int32_t((state >> 8) % uint32_t(hi - lo + 1));
    };
    for (int round = 0; round < 40; ++round) {
        const int32_t W = round < 2 ? 600 + round : next(1, 70), H = next(1, 6);  // past one stretch too
        Pair p(W, H, 0);
        const int32_t ref[3] = {next(0, 255), next(0, 255), next(0, 255)};  // blue, green, red
        const int32_t tol[3] = {round % 5 == 0 ? 0 : next(0, 6), next(0, 6), round % 7 == 0 ? 255 : next(0, 6)};  // red, green, blue
        for (BufferScreen* b : {&p.lib, &p.ref})
            for (int32_t y = 0; y < H; ++y)
                for (int32_t x = 0; x < W; ++x)
                    for (int c = 0; c < 3; ++c)
                        b->view().at(x, y)[c] = uint8_t(clamp(ref[c] + int32_t((uint32_t(x * 31 + y * 17 + c * 7 + round) * 2654435761u >> 28) % 15) - 7, 0, 255));
        Screen& l = p.lib.view();
        Screen& f = p.ref.view();
        l.color = f.color = uint32_t(ref[2] | ref[1] << 8 | ref[0] << 16);
        const bool others = round % 2;
        change_colours(l, {0, 0, W, H}, {ref[2], ref[1], ref[0]}, tol, {1, 2, 3}, {4, 5, 6}, others);
        ref::change_colours(f, tol[0], tol[1], tol[2], {1, 2, 3}, {4, 5, 6}, others ? 1 : 0);
        ASSERT_TRUE(p.same()) << "round " << round;
    }
}

TEST(ColourTransforms, EveryColourOnEveryPath) {
    // All 16.7 million colours once: ToneChange in each mode at levels that reach every
    // branch of the curves, NoiseLD, and Monotone in every sixth of the hue circle, each
    // copy against the reference. Without AVX2 the SSE2 copies are still checked.
    const bool avx2 = simd::wide();
    BufferScreen a(4096, 4096), b(4096, 4096);
    for (int32_t y = 0; y < 4096; ++y)
        for (int32_t x = 0; x < 4096; ++x) {
            const uint32_t c = uint32_t(y) * 4096 + uint32_t(x);
            for (BufferScreen* s : {&a, &b}) {
                uint8_t* p = s->view().at(x, y);
                p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
            }
        }
    const std::vector<uint8_t> picture = a.snapshot();
    const auto restore = [&](BufferScreen& s) {
        std::memcpy(s.view().pixels, picture.data() + BufferScreen::kGuard, s.view().size_bytes());
    };
    // `reference` on a, then `effect` on b with each copy of the pixel loops (SSE2 first).
    const auto each_copy_against = [&](auto reference, auto effect, const std::string& what) {
        reference(a.view());
        for (bool wide : {false, true}) {
            if (wide && !avx2) continue;
            simd::allow_wide(wide);
            effect(b.view());
            EXPECT_TRUE(a.snapshot() == b.snapshot()) << what << (wide ? " (AVX2)" : " (SSE2)");
            restore(b);
        }
        simd::allow_wide(true);
        restore(a);
    };
    // ToneChange and NoiseLD have one path each, compiled twice: both against the reference.
    const struct {
        int32_t mode, level;
    } cases[] = {{1, 255}, {1, 37}, {-1, 200}, {0, 250}, {5, 99}};
    for (const auto& c : cases)
        each_copy_against(
            [&](Screen& f) {
                f.cursor_x = f.cursor_y = 0;
                f.area_width = f.area_height = 4096;
                ref::tone_change(f, c.level, c.mode);
            },
            [&](const Screen& s) { tone_change(s, {0, 0, 4096, 4096}, c.level, c.mode); },
            "ToneChange mode " + std::to_string(c.mode) + " level " + std::to_string(c.level));
    // The same random numbers for both (every factor 1..200 comes up many times).
    for (int32_t amount : {20, 100})
        each_copy_against(
            [&](const Screen& f) {
                std::srand(77);
                ref::noise_ld(f, 0, 0, 4096, 4096, amount, rand15);
            },
            [&](const Screen& s) {
                std::srand(77);
                noise_brightness(s, {0, 0, 4096, 4096}, amount);
            },
            "NoiseLD " + std::to_string(amount));
    // Monotone: every sixth of the hue circle, saturation 0 (grey), 1 and 255.
    const int32_t tints[][2] = {{30, 100}, {359, 255}, {0, 0}, {90, 77}, {120, 1}, {200, 37}, {250, 128}, {300, 200}};
    for (const auto& t : tints)
        each_copy_against(
            [&](Screen& f) {
                f.cursor_x = f.cursor_y = 0;
                f.area_width = f.area_height = 4096;
                ref::monotone(f, t[0], t[1]);
            },
            [&](const Screen& s) { monotone(s, {0, 0, 4096, 4096}, t[0], t[1]); },
            "Monotone " + std::to_string(t[0]) + ", " + std::to_string(t[1]));
}

TEST_P(EffectsCore, MonotoneTintsEveryGreyAtEveryHueAndSaturation) {
    // A grey's luma is itself: a row of the 256 greys (and a tail of 31 for the pixel path)
    // tinted at every hue and saturation covers every value the vector copies' tint
    // arithmetic can meet, against the reference.
    BufferScreen lib(287, 1), ref(287, 1);
    const auto greys = [](BufferScreen& s) {
        for (int32_t x = 0; x < 287; ++x) std::memset(s.view().at(x, 0), x % 256, 3);
    };
    Screen& f = ref.view();
    f.cursor_x = f.cursor_y = 0;
    f.area_width = 287, f.area_height = 1;
    for (int32_t hue = 0; hue < 360; ++hue)
        for (int32_t sat = 0; sat < 256; ++sat) {
            greys(lib), greys(ref);
            monotone(lib.view(), {0, 0, 287, 1}, hue, sat);
            ref::monotone(f, hue, sat);
            ASSERT_TRUE(lib.snapshot() == ref.snapshot()) << "hue " << hue << " saturation " << sat;
        }
}

TEST_P(EffectsCore, EmbossOfEveryThreeBytes) {
    // Every (byte, byte one pixel on, byte below) once: the top row holds a sequence in
    // which every pair of bytes follows once (de Bruijn, 256 symbols), in each component;
    // the row below is one value, a call for each.
    std::vector<uint8_t> pairs;
    std::vector<int> a(3, 0);
    const auto lyndon = [&](auto&& self, int t, int q) -> void {
        if (t > 2) {
            if (2 % q == 0)
                for (int j = 1; j <= q; ++j) pairs.push_back(uint8_t(a[size_t(j)]));
            return;
        }
        a[size_t(t)] = a[size_t(t - q)];
        self(self, t + 1, q);
        for (int j = a[size_t(t - q)] + 1; j < 256; ++j) {
            a[size_t(t)] = j;
            self(self, t + 1, t);
        }
    };
    lyndon(lyndon, 1, 1);
    pairs.push_back(pairs.front());  // the cycle's last pair
    ASSERT_EQ(pairs.size(), 65537u);
    const int32_t w = int32_t(pairs.size());
    BufferScreen mine(w, 2), theirs(w, 2);
    for (int below = 0; below < 256; ++below) {
        for (BufferScreen* b : {&mine, &theirs}) {
            for (int32_t x = 0; x < w; ++x) std::memset(b->view().at(x, 0), pairs[size_t(x)], 3);
            std::memset(b->view().at(0, 1), below, 3 * size_t(w));
        }
        emboss(mine.view(), {0, 0, w, 2});
        ref::emboss(theirs.view(), 0, 0, w, 2);
        ASSERT_TRUE(mine.snapshot() == theirs.snapshot()) << "below " << below;
    }
}

TEST_P(EffectsCore, MosaicOfOneHugeCellKeepsItsAverage) {
    // 9 million white pixels in one cell: the sums pass 2^31 (255 x 9 million), and the
    // average must still be 255 (and the column left of the cells unchanged).
    BufferScreen b(3001, 3000);
    std::memset(b.view().pixels, 0xFF, b.view().size_bytes());
    b.view().at(0, 0)[0] = 7;
    mosaic(b.view(), 1, 0, 1, 1, 3000, 3000);
    EXPECT_EQ(b.view().at(0, 0)[0], 7);
    for (int32_t y : {0, 1499, 2999})
        for (int32_t x : {1, 1500, 3000})
            for (int c = 0; c < 3; ++c) ASSERT_EQ(b.view().at(x, y)[c], 255) << x << "," << y;
}

TEST_P(EffectsCore, DispersionMovesWholePixelsInsideItsBlocks) {
    for (bool palette : {false, true}) {
        Pair p(50, 41, 3, palette);
        std::srand(9);
        uint8_t perm[64];
        dispersion_permutation(perm);
        disperse(p.lib.view(), 1, 2, 6, 4, perm);
        std::srand(9);
        ref::disper(p.ref.view(), 1, 2, 48, 39, rand15);
        EXPECT_TRUE(p.same()) << palette;
    }
}

}  // namespace
}  // namespace qv::effects

namespace qv::effects {
namespace {

TEST(ColourModels, EveryRgbAndEveryHsvEqualTheReference) {
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                Hsv h = rgb_to_hsv({r, g, b});
                ref::HSV e = ref::rgb_to_hsv(r, g, b);
                ASSERT_TRUE(h.h == e.h && h.s == e.s && h.v == e.v) << r << " " << g << " " << b;
            }
    for (int h = 0; h < 361; ++h)
        for (int s = 0; s < 256; ++s)
            for (int v = 0; v < 256; ++v) {
                Rgb c = hsv_to_rgb({h, s, v});
                ref::RGB e = ref::hsv_to_rgb(h, s, v);
                ASSERT_TRUE(c.r == e.r && c.g == e.g && c.b == e.b) << h << " " << s << " " << v;
            }
}

}  // namespace
}  // namespace qv::effects

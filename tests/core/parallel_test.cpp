// Pixel work split over threads gives the picture one thread gives: every effect that splits,
// on a picture with edges and noise, in 2, 3 and 7 bands (uneven bands, bands of a few rows,
// a rectangle that does not start at the top), against the same work in one band.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "buffer_screen.h"
#include "compose/blend.h"
#include "compose/geometry.h"
#include "effects/blocks.h"
#include "effects/colour.h"
#include "effects/filters.h"
#include "simd/parallel.h"
#include "simd/wide.h"

namespace qv {
namespace {

using testing::BufferScreen;

struct Case {
    const char* name;
    std::function<void(const Screen& dst, const Screen& other)> run;
};

TEST(Parallel, EveryBandedEffectGivesTheOneThreadPicture) {
    const Rect r{3, 5, 57, 41};
    const int32_t matrix[49] = {1, -2, 3, 0, 1, 2, 0, 4, 5, -1, 2, 0, 1, 1, 0, 2, 7, 1, 3, 0, 2, 1, 1, 3, 9,
                                3, 1, 1, 0, 2, 1, 3, 7, 2, 0, 1, 1, 0, 2, -1, 5, 4, 0, 2, 1, 0, 3, -2, 1};
    const int32_t column[7] = {1, 2, 4, 8, 4, 2, 1}, row[7] = {4, 8, 16, 32, 16, 8, 4};
    const int from[3] = {2, 0, 1};
    uint8_t order[64];
    for (int i = 0; i < 64; ++i) order[i] = uint8_t((i * 37 + 11) % 64);
    compose::Rotation turn;
    turn.centre_x = 30, turn.centre_y = 20, turn.key = 7;
    const Case cases[] = {
        {"change_colours", [&](const Screen& s, const Screen&) {
             const int32_t tol[3] = {90, 80, 100};
             effects::change_colours(s, r, {128, 100, 90}, tol, {1, 2, 3}, {4, 5, 6}, true);
         }},
        {"tone_change", [&](const Screen& s, const Screen&) { effects::tone_change(s, r, 160, 0); }},
        {"monotone", [&](const Screen& s, const Screen&) { effects::monotone(s, r, 200, 90); }},
        {"half_tone", [&](const Screen& s, const Screen&) { effects::half_tone(s, r, 5, {9, 99, 199}, 35); }},
        {"cycle_channels", [&](const Screen& s, const Screen&) { effects::cycle_channels(s, r, from); }},
        {"rough", [&](const Screen& s, const Screen&) { effects::rough(s, r, 11); }},
        {"mosaic", [&](const Screen& s, const Screen&) { effects::mosaic(s, 2, 1, 9, 11, 5, 4); }},
        {"disperse", [&](const Screen& s, const Screen&) { effects::disperse(s, 3, 2, 7, 5, order); }},
        {"convolve", [&](const Screen& s, const Screen&) { EXPECT_EQ(effects::convolve(s, r, matrix, 7, 3), 0); }},
        {"weighted_blur", [&](const Screen& s, const Screen&) { EXPECT_EQ(effects::weighted_blur(s, r, matrix, 2), 0); }},
        {"separable_blur",
         [&](const Screen& s, const Screen&) { EXPECT_EQ(effects::separable_blur(s, r, column, row, 1, 3), 0); }},
        {"median", [&](const Screen& s, const Screen&) { EXPECT_EQ(effects::median(s, r, 0, -255), 0); }},
        {"maximum", [&](const Screen& s, const Screen&) { EXPECT_EQ(effects::median(s, r, 2, -255), 0); }},
        {"emboss", [&](const Screen& s, const Screen&) { effects::emboss(s, r); }},
        {"copy_through_key", [&](const Screen& s, const Screen& o) {
             compose::copy_through_key(s, {3, 5}, o, {1, 2}, o, {4, 0}, 50, 40, true);
         }},
        {"merge", [&](const Screen& s, const Screen& o) { compose::merge(s, {3, 5}, o, {1, 2}, 50, 40, 300, 700); }},
        {"shade", [&](const Screen& s, const Screen& o) { compose::shade(s, {3, 5}, o, {1, 2}, 50, 40, 90); }},
        {"difference", [&](const Screen& s, const Screen& o) { compose::difference(s, {3, 5}, o, {1, 2}, 50, 40, 2); }},
        {"bitwise", [&](const Screen& s, const Screen&) {
             compose::bitwise(s, {3, 5}, 50, 40, 0x5A, 5, compose::BitOp::Xor);
         }},
        {"rotate", [&](const Screen& s, const Screen& o) { compose::rotate(s, {3, 5}, 50, 40, o, {0, 0}, 64, 48, 33, turn); }},
        {"flip_rows", [&](const Screen& s, const Screen&) { compose::flip_rows(s, {3, 5}, 50, 41); }},
        {"flip_columns", [&](const Screen& s, const Screen&) { compose::flip_columns(s, {3, 5}, 50, 41); }},
    };
    for (bool wide : {false, true}) {
        simd::allow_wide(wide);
        for (const Case& c : cases) {
            std::vector<uint8_t> want;
            for (int32_t parts : {1, 2, 3, 7}) {
                simd::force_parts(parts);
                BufferScreen dst(64, 48), other(64, 48);
                dst.fill_pattern(11);
                other.fill_pattern(12);
                c.run(dst.view(), other.view());
                if (parts == 1) want = dst.snapshot();
                else EXPECT_TRUE(dst.snapshot() == want) << c.name << " in " << parts << " bands" << (wide ? " (AVX2)" : "");
            }
        }
    }
    simd::force_parts(0);
    simd::allow_wide(true);
}

TEST(Parallel, PartsFollowTheSizeAndTheSetting) {
    simd::force_parts(0);
    EXPECT_EQ(simd::parts_for(1000 * 1000, simd::kHeavyPixel, 1000), 1) << "under a megapixel: one thread";
    EXPECT_EQ(simd::parts_for(int64_t(1) << 30, simd::kHeavyPixel, 3000), simd::thread_count());
    EXPECT_EQ(simd::parts_for(int64_t(1) << 30, simd::kHeavyPixel, 2), std::min(simd::thread_count(), 2))
        << "never more parts than rows";
    simd::force_parts(5);
    EXPECT_EQ(simd::parts_for(10, simd::kLightPixel, 3), 3);
    simd::force_parts(0);
    // Every row in exactly one part, in order.
    for (int32_t rows : {1, 2, 7, 1000})
        for (int32_t parts : {1, 2, 3, 7}) {
            int32_t next = 0;
            for (int32_t i = 0; i < parts; ++i) {
                EXPECT_EQ(simd::part_start(rows, parts, i), next);
                next = simd::part_start(rows, parts, i + 1);
            }
            EXPECT_EQ(next, rows);
        }
}

}  // namespace
}  // namespace qv

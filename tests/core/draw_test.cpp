// The drawing subsystem's portable pieces: the arc's geometry, the ruled lines pixel for
// pixel, and Pixel_Rgn's run scan against a plain pixel-by-pixel reading.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "buffer_screen.h"
#include "draw/arc.h"
#include "draw/pixel_runs.h"
#include "draw/ruled_lines.h"

namespace qv::draw {
namespace {

using testing::BufferScreen;

TEST(DrawArc, EndPointsLieOnTheRadialLinesOfTheAngles) {
    ArcCall a;
    // Angle 0 is up, 90 left, 180 down, 270 right; the points sit 10 pixels outside the radii.
    ASSERT_EQ(arc_call(0, 90, 100, 80, 40, 30, 200, 160, a), 0);
    EXPECT_EQ((std::vector<int32_t>{a.left, a.top, a.right, a.bottom}), (std::vector<int32_t>{60, 50, 140, 110}));
    EXPECT_EQ(a.x_end, 100);  // the arc ends at angle 0: straight up
    EXPECT_EQ(a.y_end, 80 - 40);
    // It starts 90 degrees before, at 270: right of the centre. Half a unit is added before the
    // truncating division, so a negative sine lands one short: -49.5 gives -49.
    EXPECT_EQ(a.x_start, 100 + 49);
    EXPECT_EQ(a.y_start, 80);
    // Every angle: the end point's direction from the centre is the angle's (within the
    // rounding of the 1/4096 table), at the enlarged radii.
    for (int32_t angle = -720; angle <= 720; angle += 7) {
        ASSERT_EQ(arc_call(angle, 45, 500, 500, 300, 200, 1000, 1000, a), 0);
        const double t = (((angle % 360) + 360) % 360) * 3.14159265358979323846 / 180;
        EXPECT_NEAR(a.x_end, 500 - std::sin(t) * 310, 1.5) << angle;
        EXPECT_NEAR(a.y_end, 500 - std::cos(t) * 210, 1.5) << angle;
    }
    // -90 is 270; the start is angle - sweep, wrapped into 0..359.
    ArcCall b;
    ASSERT_EQ(arc_call(-90, 30, 50, 50, 20, 20, 100, 100, a), 0);
    ASSERT_EQ(arc_call(270, 30, 50, 50, 20, 20, 100, 100, b), 0);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    ASSERT_EQ(arc_call(10, -30, 50, 50, 20, 20, 100, 100, a), 0);
    ASSERT_EQ(arc_call(10, 330, 50, 50, 20, 20, 100, 100, b), 0);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "a negative sweep draws 360 - |s| degrees";
    // A full turn: start and end at the same point.
    ASSERT_EQ(arc_call(45, 360, 50, 50, 20, 20, 100, 100, a), 0);
    EXPECT_EQ(a.x_start, a.x_end);
    EXPECT_EQ(a.y_start, a.y_end);
    ASSERT_EQ(arc_call(45, -360, 50, 50, 20, 20, 100, 100, b), 0);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST(DrawArc, RefusesBadSweepsCentresAndRadii) {
    struct Case {
        int32_t sweep, cx, cy, rx, ry, want;
    } cases[] = {
        {0, 5, 5, 1, 1, 3},       {361, 5, 5, 1, 1, 3},     {-361, 5, 5, 1, 1, 3},  {1, -1, 5, 1, 1, 3},
        {1, 5, -1, 1, 1, 3},      {1, 101, 5, 1, 1, 3},     {1, 5, 81, 1, 1, 3},    {1, 100, 80, 0, 0, 0},
        {1, 5, 5, 4001, 1, 3},    {1, 5, 5, 1, 4001, 3},    {1, 5, 5, -1, 1, 3},    {1, 5, 5, 4000, 4000, 0},
    };
    for (const Case& c : cases) {
        ArcCall a{};
        EXPECT_EQ(arc_call(0, c.sweep, c.cx, c.cy, c.rx, c.ry, 100, 80, a), c.want)
            << c.sweep << " " << c.cx << "," << c.cy << " " << c.rx << "x" << c.ry;
    }
}

// The ruled lines by their definition: pixel (x, y) of the area is written when its row
// (horizontal) or column (vertical) is a multiple of the step from the area's first.
TEST(RuledLines, WriteExactlyTheLinesInBothKinds) {
    for (bool palette : {false, true})
        for (bool vertical : {false, true})
            for (int32_t step : {1, 2, 3, 7})
                for (int32_t width : {13, 16, 21}) {
                    BufferScreen s(width, 17, palette);
                    Screen& v = s.view();
                    v.cursor_x = 2;
                    v.cursor_y = 3;
                    v.area_width = width - 3;
                    v.area_height = 11;
                    v.color = 0x00A0B0C0;
                    auto before = s.snapshot();
                    ASSERT_EQ(rule_lines(v, step, 0x1F5, vertical), 0);
                    ASSERT_TRUE(s.unchanged_outside(2, 3, width - 3, 11, before));
                    BufferScreen ref(width, 17, palette);
                    for (int32_t y = 3; y < 14; ++y)
                        for (int32_t x = 2; x < width - 1; ++x) {
                            const bool on = vertical ? (x - 2) % step == 0 : (y - 3) % step == 0;
                            const uint8_t* p = v.at(x, y);
                            const uint8_t* old = ref.view().at(x, y);
                            if (palette) {
                                EXPECT_EQ(p[0], on ? 0xF5 : old[0]) << x << "," << y;
                            } else {
                                const uint8_t want[3] = {0xA0, 0xB0, 0xC0};
                                EXPECT_EQ(std::memcmp(p, on ? want : old, 3), 0)
                                    << x << "," << y << " step " << step << (vertical ? " v" : " h");
                            }
                        }
                }
}

TEST(RuledLines, RefuseAreasAndArgumentsOutOfRange) {
    struct Case {
        int32_t x, y, w, h, step, index;
        bool vertical;
        int32_t want;
    } cases[] = {
        {0, 0, 4, 4, 4, 0, false, 0},  {0, 0, 3, 4, 1, 0, false, 3},  {0, 0, 4, 3, 1, 0, false, 3},
        {-1, 0, 4, 4, 1, 0, false, 3}, {0, -1, 4, 4, 1, 0, false, 3}, {0, 0, 4, 4, 1, -1, false, 3},
        {0, 0, 4, 4, 0, 0, false, 3},  {0, 0, 4, 4, 5, 0, false, 3},  {0, 0, 4, 5, 5, 0, true, 3},
        {0, 0, 5, 4, 5, 0, true, 0},   {7, 0, 4, 4, 1, 0, false, 3},  {0, 7, 4, 4, 1, 0, true, 3},
        {6, 6, 4, 4, 1, 0, true, 0},
    };
    for (const Case& c : cases) {
        BufferScreen s(10, 10);
        Screen& v = s.view();
        v.cursor_x = c.x;
        v.cursor_y = c.y;
        v.area_width = c.w;
        v.area_height = c.h;
        auto before = s.snapshot();
        EXPECT_EQ(rule_lines(v, c.step, c.index, c.vertical), c.want) << c.x << "," << c.y << " " << c.w << "x" << c.h;
        if (c.want) {
            EXPECT_EQ(s.snapshot(), before);
        }
    }
}

// Collects every batch.
struct Batches final : RunSink {
    std::vector<RunRect> rects;
    std::vector<size_t> sizes;
    void flush(const RunRect* r, size_t n) override {
        rects.insert(rects.end(), r, r + n);
        sizes.push_back(n);
    }
};

// Runs by their definition, one pixel at a time.
std::vector<RunRect> plain_runs(const Screen& s, const RunArea& a, uint8_t key) {
    const uint8_t colour[3] = {uint8_t(s.color >> 16), uint8_t(s.color >> 8), uint8_t(s.color)};
    std::vector<RunRect> out;
    for (int32_t y = a.y; y < a.y + a.h; ++y) {
        int32_t start = -1;
        for (int32_t x = a.x; x <= a.x + a.w; ++x) {
            const bool opaque = x < a.x + a.w && (s.palette_mode() ? s.at(x, y)[0] != key
                                                                   : std::memcmp(s.at(x, y), colour, 3) != 0);
            if (opaque && start < 0) start = x;
            if (!opaque && start >= 0) {
                out.push_back({start, y, x, y + 1});
                start = -1;
            }
        }
    }
    return out;
}

bool same(const std::vector<RunRect>& a, const std::vector<RunRect>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(RunRect)) == 0);
}

TEST(PixelRuns, EqualThePlainReadingInBatches) {
    uint32_t state = 12345;
    const auto next = [&] { return (state = state * 1103515245u + 12345u) >> 16; };
    for (bool palette : {false, true})
        for (int density : {1, 3, 50, 97})  // percent of opaque pixels
            for (int32_t width : {1, 15, 16, 17, 61, 130}) {
                BufferScreen s(width, 9, palette);
                Screen& v = s.view();
                v.color = 0x00102030;
                const uint8_t key = 7;
                for (int32_t y = 0; y < 9; ++y)
                    for (int32_t x = 0; x < width; ++x) {
                        uint8_t* p = v.at(x, y);
                        const bool opaque = int(next() % 100) < density;
                        if (palette) {
                            p[0] = opaque ? uint8_t(next() % 2 ? 8 : 6) : key;
                        } else {
                            p[0] = 0x30, p[1] = 0x20, p[2] = 0x10;
                            if (opaque) p[next() % 3] ^= uint8_t(1 << (next() % 8));  // one bit off
                        }
                    }
                const std::array<int32_t, 4> places[] = {{0, 0, 0, 0}, {1, 2, 0, 5}, {width - 1, 8, 3, 3}, {-4, 99, 5, 0}};
                for (auto [cx, cy, w, h] : places) {
                    v.cursor_x = cx;
                    v.cursor_y = cy;
                    const RunArea a = pixel_run_area(v, w, h);
                    std::vector<RunRect> buffer(5);
                    Batches got;
                    const size_t n = scan_pixel_runs(v, a, palette ? key : 999, buffer.data(), buffer.size(), got);
                    const std::vector<RunRect> want = plain_runs(v, a, palette ? key : 0);
                    ASSERT_TRUE(same(got.rects, want)) << "palette " << palette << " density " << density << " width "
                                                       << width << " at " << cx << "," << cy;
                    EXPECT_EQ(n, want.size());
                    for (size_t i = 0; i + 1 < got.sizes.size(); ++i) EXPECT_EQ(got.sizes[i], 5u);
                }
            }
}

}  // namespace
}  // namespace qv::draw

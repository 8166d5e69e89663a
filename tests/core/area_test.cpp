// The shared rectangle rules pixel commands derive their areas from.
#include <gtest/gtest.h>

#include "host/area.h"

namespace qv {
namespace {

TEST(ClippedArea, PositionSizeAndEdges) {
    struct Case {
        int32_t cx, cy, aw, ah;  // position and copy area of a 40 x 30 screen
        Rect want;
    } cases[] = {
        {0, 0, 0, 0, {0, 0, 40, 30}},       // no copy area: the whole screen
        {5, 6, 10, 8, {5, 6, 10, 8}},
        {35, 25, 10, 8, {35, 25, 5, 5}},    // cut at the right and bottom edges
        {-1, 6, 10, 8, {0, 6, 10, 8}},      // a position outside becomes 0, each on its own
        {40, 6, 10, 8, {0, 6, 10, 8}},
        {5, 30, 10, 8, {5, 0, 10, 8}},
        {5, -7, -3, 0, {5, 0, 35, 30}},     // sizes below 1 become the screen's, then cut
        {39, 29, 1, 1, {39, 29, 1, 1}},
        {0, 0, 0x7FFFFFFF, 0x7FFFFFFF, {0, 0, 40, 30}},
    };
    for (const Case& c : cases) {
        Screen s;
        s.width = 40;
        s.height = 30;
        s.cursor_x = c.cx;
        s.cursor_y = c.cy;
        s.area_width = c.aw;
        s.area_height = c.ah;
        Rect r = clipped_area(s);
        EXPECT_EQ(r.x, c.want.x) << c.cx << "," << c.cy << " " << c.aw << "x" << c.ah;
        EXPECT_EQ(r.y, c.want.y) << c.cx << "," << c.cy << " " << c.aw << "x" << c.ah;
        EXPECT_EQ(r.w, c.want.w) << c.cx << "," << c.cy << " " << c.aw << "x" << c.ah;
        EXPECT_EQ(r.h, c.want.h) << c.cx << "," << c.cy << " " << c.aw << "x" << c.ah;
    }
}

TEST(InsideScreen, KeepsOnlyThePartInTheScreen) {
    Screen s;
    s.width = 40;
    s.height = 30;
    auto is = [&](int32_t x, int32_t y, int32_t w, int32_t h, Rect want) {
        Rect r = inside_screen(s, x, y, w, h);
        EXPECT_TRUE(r.x == want.x && r.y == want.y && r.w == want.w && r.h == want.h)
            << x << "," << y << " " << w << "x" << h << " gave " << r.x << "," << r.y << " " << r.w << "x" << r.h;
    };
    is(-5, -5, 10, 10, {0, 0, 5, 5});
    is(35, 25, 10, 10, {35, 25, 5, 5});
    EXPECT_TRUE(inside_screen(s, 50, 0, 10, 10).empty());
    is(0, 0, -3, 5, {0, 0, 0, 5});
    is(-0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, {0, 0, 0, 0});
    is(2, 3, 0x7FFFFFFF, 0x7FFFFFFF, {2, 3, 38, 27});
}

TEST(PositionRule, EachCoordinateOutsideTheScreenIsZeroAndSizesAreCut) {
    Screen s;
    s.width = 40;
    s.height = 30;
    const struct {
        int32_t x, y, w, h;
        Point at;
        int32_t want_w, want_h;
    } cases[] = {
        {5, 6, 10, 8, {5, 6}, 10, 8},
        {-1, 29, 50, 8, {0, 29}, 40, 1},
        {40, 30, 0, -4, {0, 0}, 0, -4},  // sizes are only cut, never raised
        {39, 0, 0x7FFFFFFF, 0x7FFFFFFF, {39, 0}, 1, 30},
    };
    for (const auto& c : cases) {
        const Point p = inside_or_zero(s, c.x, c.y);
        int32_t w = c.w, h = c.h;
        cut_at_edges(s, p, w, h);
        EXPECT_TRUE(p.x == c.at.x && p.y == c.at.y && w == c.want_w && h == c.want_h)
            << c.x << "," << c.y << " " << c.w << "x" << c.h << " gave " << p.x << "," << p.y << " " << w << "x" << h;
    }
    s.cursor_x = -3;
    s.cursor_y = 12;
    const Point cur = position_inside(s);
    EXPECT_TRUE(cur.x == 0 && cur.y == 12);
}

}  // namespace
}  // namespace qv

// The drawing, palette and region commands through the DLL's exports, on real screens and
// windows: the rules around each GDI call (settings, checks, geometry, what is kept), not
// the call itself.
#include <array>
#include <cstring>
#include <vector>

#include "host_fixture.h"
#include "window/metrics.h"

namespace qv::test {
namespace {

const Bgr kWhite{255, 255, 255}, kBlack{0, 0, 0};

// A white full-colour screen that draws in black.
struct Canvas {
    HostScreen s;
    Canvas(int32_t w, int32_t h) : s(w, h, false, "qv draw") {
        s.fill(kWhite);
        s.set_color(0);
    }
};

int count(const HostScreen& s, Bgr c, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    int n = 0;
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) n += s.pixel(x, y) == c;
    return n;
}

HostVar ints_of(const std::vector<int32_t>& values) {
    HostVar v = HostVar::ints(uint32_t(values.size()));
    std::memcpy(v.ints(), values.data(), values.size() * 4);
    return v;
}

class Drawing : public ::testing::Test {
protected:
    void TearDown() override {
        call("SetPenMode", 1, 0);
        call("SetBrushMode", 4);
    }
};

TEST_F(Drawing, PenAndHatchAreTheStoredOnesAndRefusalsKeepThem) {
    Canvas c(200, 60);
    HostVar line = ints_of({10, 20, 100, 20, 190, 20});
    ASSERT_EQ(call("SetPolygon", line.record(), 3, 0), 0);
    const auto drawn_on_row = [&](int32_t thick, int32_t y) {
        c.s.fill(kWhite);
        EXPECT_EQ(call("DrawPolyline", c.s.record(), thick), 0);
        return count(c.s, kBlack, 10, y, 190, y + 1);
    };
    ASSERT_EQ(call("SetPenMode", 1, 1), 0);  // thin and dashed
    const int dashed = drawn_on_row(1, 20);
    EXPECT_GT(dashed, 100);
    EXPECT_LT(dashed, 170) << "a thin dashed pen leaves gaps";
    EXPECT_EQ(call("SetPenMode", 3, 5), 3);
    EXPECT_EQ(call("SetPenMode", 0, 0), 3);
    EXPECT_EQ(call("SetPenMode", 2, -1), 3);
    EXPECT_EQ(drawn_on_row(1, 20), dashed) << "refused settings keep the pen";
    EXPECT_EQ(drawn_on_row(0, 20), 180) << "thick 0: a solid pen one pixel wide";
    EXPECT_EQ(count(c.s, kBlack, 0, 0, 200, 60), 180) << "a polyline stops before its last point";
    ASSERT_EQ(call("SetPenMode", 5, 1), 0);
    for (int32_t y = 18; y <= 22; ++y) EXPECT_GE(drawn_on_row(1, y), 178) << "a wide dashed pen draws solid, row " << y;

    // Hatches: the stored style with flags bit 1, a solid brush without.
    c.s.set_cursor(20, 5);
    EXPECT_EQ(call("SetBrushMode", 6), 3);
    EXPECT_EQ(call("SetBrushMode", -1), 3);
    const auto full_lines = [&](bool rows) {  // whole rows or columns of the box's middle part drawn
        int n = 0;
        for (int32_t i = 0; i < 20; ++i) {
            bool all = true;
            for (int32_t j = 0; j < 20; ++j) all &= c.s.pixel(rows ? 70 + j : 70 + i, rows ? 20 + i : 20 + j) == kBlack;
            n += all;
        }
        return n;
    };
    for (auto [mode, rows] : {std::pair{4, true}, {5, false}}) {
        ASSERT_EQ(call("SetBrushMode", mode), 0);
        c.s.fill(kWhite);
        ASSERT_EQ(call("FillEllipse", c.s.record(), 160, 50, 2), 0);
        EXPECT_GT(full_lines(rows), 0) << mode;
        EXPECT_EQ(full_lines(!rows), 0) << mode;
        c.s.fill(kWhite);
        ASSERT_EQ(call("FillEllipse", c.s.record(), 160, 50, 0), 0);
        EXPECT_EQ(count(c.s, kWhite, 70, 20, 90, 40), 0) << "no hatch without bit 1";
    }
}

TEST_F(Drawing, RasterOperationsByTheTable) {
    Canvas c(64, 48);
    c.s.fill_pattern(3);
    c.s.set_color(0x00F0A050);
    c.s.set_area(40, 30);
    c.s.set_cursor(4, 4);
    const auto original = c.s.bytes();
    ASSERT_EQ(call("RasterOperation", c.s.record(), 3), 0);  // xor
    ASSERT_EQ(call("FillRoundRect", c.s.record(), 8, 8, 0), 0);
    EXPECT_NE(c.s.bytes(), original);
    ASSERT_EQ(call("FillRoundRect", c.s.record(), 8, 8, 0), 0);
    EXPECT_EQ(c.s.bytes(), original) << "xor twice restores";
    ASSERT_EQ(call("RasterOperation", c.s.record(), 5), 0);  // invert
    ASSERT_EQ(call("FillRoundRect", c.s.record(), 8, 8, 0), 0);
    const Bgr inverted = c.s.pixel(20, 20);
    EXPECT_EQ(inverted.r, uint8_t(~original[c.s.view().offset(20, 20) + 2]));
    for (int32_t mode : {9, -1, 0}) {
        c.s.fill(kWhite);
        ASSERT_EQ(call("RasterOperation", c.s.record(), mode), 0);
        ASSERT_EQ(call("FillRoundRect", c.s.record(), 8, 8, 0), 0);
        EXPECT_EQ(c.s.pixel(20, 20), (Bgr{0xF0, 0xA0, 0x50})) << "mode " << mode << " copies";
    }
}

TEST_F(Drawing, ArcsRunCounterClockwiseToTheirAngle) {
    Canvas c(200, 160);
    c.s.set_cursor(100, 80);
    c.s.set_area(50, 30);
    const auto quadrants = [&] {  // drawn pixels: upper left, upper right, lower left, lower right
        return std::array{count(c.s, kBlack, 0, 0, 99, 79), count(c.s, kBlack, 102, 0, 200, 79),
                          count(c.s, kBlack, 0, 82, 99, 160), count(c.s, kBlack, 102, 82, 200, 160)};
    };
    ASSERT_EQ(call("DrawArc", c.s.record(), 90, 90, 0), 0);  // from straight up to the left
    auto q = quadrants();
    EXPECT_GT(q[0], 40);
    EXPECT_EQ(q[1] + q[2] + q[3], 0);
    EXPECT_EQ(c.s.pixel(100, 50), kBlack) << "the top of the ellipse";
    EXPECT_GT(count(c.s, kBlack, 50, 74, 52, 81), 0) << "it reaches the left end";
    const auto upper_left = c.s.bytes();
    c.s.fill(kWhite);
    ASSERT_EQ(call("DrawArc", c.s.record(), -270, 90, 0), 0);
    EXPECT_EQ(c.s.bytes(), upper_left) << "-270 is 90";
    c.s.fill(kWhite);
    ASSERT_EQ(call("DrawArc", c.s.record(), 90, -270, 0), 0);
    EXPECT_EQ(c.s.bytes(), upper_left) << "a negative sweep draws 360 - |s| degrees";
    for (int32_t sweep : {360, -360}) {
        c.s.fill(kWhite);
        ASSERT_EQ(call("DrawArc", c.s.record(), 10, sweep, 0), 0);
        q = quadrants();
        for (int i = 0; i < 4; ++i) EXPECT_GT(q[i], 40) << "the whole ellipse, sweep " << sweep;
    }
    c.s.fill(kWhite);
    const auto white = c.s.bytes();
    for (int32_t sweep : {0, 361, -361}) EXPECT_EQ(call("DrawArc", c.s.record(), 0, sweep, 0), 3);
    c.s.set_area(4001, 30);
    EXPECT_EQ(call("DrawArc", c.s.record(), 0, 90, 0), 3);
    c.s.set_area(50, 30);
    c.s.set_cursor(201, 80);
    EXPECT_EQ(call("DrawArc", c.s.record(), 0, 90, 0), 3);
    EXPECT_EQ(c.s.bytes(), white);
}

TEST_F(Drawing, PointListsAreMovedInPlaceAndReadAsTheVariableIsNow) {
    HostScreen win(80, 60, false);
    HostVar square = ints_of({0, 0, 10, 0, 10, 10, 0, 10});
    ASSERT_EQ(call("SetPolygon", square.record(), 4, 20), 0);
    EXPECT_EQ(std::vector<int32_t>(square.ints(), square.ints() + 8), (std::vector<int32_t>{3, 23, 13, 23, 13, 33, 3, 33}));
    ASSERT_EQ(call("SetPolygon", square.record(), 4, 20), 0);
    EXPECT_EQ(square.ints()[0], 6);
    EXPECT_EQ(square.ints()[1], 46) << "each call moves the points again";
    // -1 takes the caption offset (InvCapt), 0 leaves the points.
    ASSERT_EQ(call("InvCapt", win.record(), 11, 1), 0);
    ASSERT_EQ(call("SetPolygon", square.record(), 4, -1), 0);
    EXPECT_EQ(square.ints()[1], 46 + 14);
    ASSERT_EQ(call("SetPolygon", square.record(), 4, 0), 0);
    EXPECT_EQ(square.ints()[1], 60);
    ASSERT_EQ(call("InvCapt", win.record(), 0, 1), 0);
    ASSERT_EQ(call("SetPolygon", square.record(), 4, -1), 0);
    EXPECT_EQ(square.ints()[1], 60) << "-1 with caption offset 0 leaves the points";

    // Refusals keep the registered list: draw a triangle, refuse others, draw again.
    Canvas c(40, 40);
    HostVar triangle = ints_of({2, 2, 30, 2, 2, 30});
    ASSERT_EQ(call("SetPolygon", triangle.record(), 3, 0), 0);
    ASSERT_EQ(call("FillPolygon", c.s.record(), 0), 0);
    const auto with_triangle = c.s.bytes();
    HostVar five = HostVar::ints(5), text = HostVar::text(64);
    EXPECT_EQ(call("SetPolygon", five.record(), 3, 0), 3) << "3 points need 6 elements";
    EXPECT_EQ(call("SetPolygon", triangle.record(), 2, 0), 3);
    EXPECT_EQ(call("SetPolygon", text.record(), 3, 0), 6);
    EXPECT_EQ(call("FillPolygon", c.s.record(), -1), 3);
    c.s.fill(kWhite);
    ASSERT_EQ(call("FillPolygon", c.s.record(), 0), 0);
    EXPECT_EQ(c.s.bytes(), with_triangle);

    // The script makes the variable smaller, then retypes it: only whole points it still
    // holds are read, then none.
    HostVar zigzag = ints_of({1, 1, 38, 1, 1, 20, 38, 20, 1, 38});
    ASSERT_EQ(call("SetPolygon", zigzag.record(), 5, 0), 0);
    c.s.fill(kWhite);
    ASSERT_EQ(call("DrawPolyline", c.s.record(), 0), 0);
    EXPECT_EQ(c.s.pixel(20, 29), kBlack) << "the last segment";
    zigzag.record()->len[1] = 6;  // three points left
    c.s.fill(kWhite);
    ASSERT_EQ(call("DrawPolyline", c.s.record(), 0), 0);
    EXPECT_EQ(c.s.pixel(20, 29), kWhite);
    EXPECT_EQ(c.s.pixel(20, 10), kBlack);
    zigzag.record()->type = host::kString;
    c.s.fill(kWhite);
    const auto white = c.s.bytes();
    EXPECT_EQ(call("DrawPolyline", c.s.record(), 0), 0);
    EXPECT_EQ(call("FillPolygon", c.s.record(), 3), 0);
    EXPECT_EQ(c.s.bytes(), white);

    // Bezier lists: 3n - 2 points.
    HostVar curve = ints_of({2, 30, 10, 2, 28, 2, 36, 30});
    EXPECT_EQ(call("SetBezier", curve.record(), 3), 3) << "7 points do not fit 8 elements";
    EXPECT_EQ(call("SetBezier", curve.record(), 1), 3);
    EXPECT_EQ(call("SetBezier", text.record(), 2), 6);
    ASSERT_EQ(call("SetBezier", curve.record(), 2), 0);
    ASSERT_EQ(call("DrawBezierline", c.s.record(), 0), 0);
    EXPECT_EQ(c.s.pixel(2, 30), kBlack);
    EXPECT_GT(count(c.s, kBlack, 33, 25, 37, 31), 0) << "it reaches the last point";
    EXPECT_GT(count(c.s, kBlack, 10, 0, 30, 15), 10) << "the curve bends up between them";
}

TEST_F(Drawing, EllipsesAndRoundRectsCheckTheirBoxes) {
    Canvas c(50, 40);
    struct Case {
        const char* command;
        int32_t cx, cy, aw, ah, a1, a2, flags, want;
    } cases[] = {
        {"FillEllipse", 10, 10, 0, 0, 40, 20, 0, 0},  {"FillEllipse", 10, 10, 0, 0, 41, 20, 0, 3},
        {"FillEllipse", 10, 10, 0, 0, 40, 31, 0, 3},  {"FillEllipse", -1, 10, 0, 0, 4, 4, 0, 3},
        {"FillEllipse", 10, 10, 0, 0, 0, 4, 0, 3},    {"FillEllipse", 10, 10, 0, 0, 4, 4, -1, 3},
        {"FillRoundRect", 5, 5, 45, 35, 45, 35, 0, 0}, {"FillRoundRect", 5, 5, 45, 35, 46, 35, 0, 3},
        {"FillRoundRect", 5, 5, 46, 35, 4, 4, 0, 3},  {"FillRoundRect", 5, 5, 0, 35, 4, 4, 0, 3},
        {"FillRoundRect", 5, -1, 10, 10, 4, 4, 0, 3}, {"FillRoundRect", 5, 5, 10, 10, 0, 4, 0, 3},
        {"FillRoundRect", 5, 5, 10, 10, 4, 4, -2, 3},
    };
    for (const Case& k : cases) {
        c.s.fill(kWhite);
        c.s.set_cursor(k.cx, k.cy);
        c.s.set_area(k.aw, k.ah);
        EXPECT_EQ(call(k.command, c.s.record(), k.a1, k.a2, k.flags), k.want) << k.command << " " << k.a1;
        EXPECT_EQ(count(c.s, kBlack, 0, 0, 50, 40) > 0, k.want == 0) << k.command << " " << k.a1;
    }
    // The box is cut one pixel short: (10, 10) 40 x 20 covers x 10..48, y 10..28.
    c.s.fill(kWhite);
    c.s.set_cursor(10, 10);
    ASSERT_EQ(call("FillEllipse", c.s.record(), 40, 20, 0), 0);
    EXPECT_EQ(count(c.s, kBlack, 0, 0, 10, 40) + count(c.s, kBlack, 49, 0, 50, 40), 0);
    EXPECT_EQ(count(c.s, kBlack, 0, 29, 50, 40), 0);
    EXPECT_EQ(c.s.pixel(10, 19), kBlack);
    EXPECT_EQ(c.s.pixel(48, 19), kBlack);
}

TEST_F(Drawing, FloodFillsStopAtEdgesAndDiagonals) {
    // A box outline, and a diagonal line (x + y = 30) inside it that a four-way fill does not
    // cross.
    Canvas c(40, 30);
    for (int32_t i = 5; i <= 30; ++i) {
        c.s.set_pixel(i, 5, kBlack), c.s.set_pixel(i, 25, kBlack);
        if (i <= 25) c.s.set_pixel(5, i, kBlack), c.s.set_pixel(30, i, kBlack);
    }
    for (int32_t i = 0; i < 19; ++i) c.s.set_pixel(6 + i, 24 - i, kBlack);
    const Bgr red{0, 0, 255};
    c.s.set_color(0x0000FF);
    ASSERT_EQ(call("Paint", c.s.record(), 7, 22), 0);  // below the diagonal
    EXPECT_EQ(c.s.pixel(7, 22), red);
    EXPECT_EQ(c.s.pixel(28, 7), kWhite) << "the diagonal holds";
    EXPECT_EQ(c.s.pixel(2, 2), kWhite) << "the outline holds";
    EXPECT_EQ(call("Paint", c.s.record(), 40, 3), -1) << "outside the screen";
    EXPECT_EQ(call("Paint", c.s.record(), -1, 3), -1);
    // Up to a border colour: the black box keeps the blue inside.
    c.s.set_pixel(28, 5, kWhite);  // a hole in the top side, right of the diagonal
    c.s.set_color(0xFF0000);
    ASSERT_EQ(call("Paint2", c.s.record(), 28, 7, 0), 0);  // border: black
    EXPECT_EQ(c.s.pixel(28, 7), (Bgr{255, 0, 0}));
    EXPECT_EQ(c.s.pixel(2, 2), (Bgr{255, 0, 0})) << "it leaks through the hole";
    EXPECT_EQ(c.s.pixel(7, 22), red) << "but not over the diagonal";
    // The stored border colour (negative components: the screen's, blue here), then green.
    ASSERT_EQ(call("SetBorderColour", c.s.record(), -1, 0, 0), 0);
    c.s.fill(kWhite);
    for (int32_t y = 0; y < 30; ++y) c.s.set_pixel(20, y, (Bgr{255, 0, 0}));
    ASSERT_EQ(call("Paint2", c.s.record(), 5, 5, -1), 0);
    EXPECT_EQ(count(c.s, (Bgr{255, 0, 0}), 0, 0, 40, 30), 21 * 30) << "up to the blue line";
    ASSERT_EQ(call("SetBorderColour", c.s.record(), 0, 255, 0), 0);
    EXPECT_EQ(call("Paint2", c.s.record(), 30, 5, -1), 0);
    EXPECT_EQ(c.s.pixel(35, 5), (Bgr{255, 0, 0})) << "no green border: everything";
}

// Palettes: a palette screen's table through integer arrays of 0x00BBGGRR.
TEST(Palettes, RoundTripsRefusalsAndTheBuffer) {
    HostScreen p(16, 16, true), full(16, 16, false);
    HostVar pal = HostVar::ints(256), small = HostVar::ints(255), text = HostVar::text(1024);
    EXPECT_EQ(call("Set_PalBM", p.record()), 0);
    EXPECT_EQ(call("Set_PalBM", full.record()), -1);
    EXPECT_EQ(call("Get_Palette", pal.record()), -2) << "the refused screen cleared the registration";
    ASSERT_EQ(call("Set_PalBM", p.record()), 0);
    EXPECT_EQ(call("Get_Palette", text.record()), -1);
    EXPECT_EQ(call("Get_Palette", small.record()), -3);
    EXPECT_EQ(call("Set_PalMem", small.record()), -2);
    // len[1] is the element count: 128 x 2 holds 256 integers but has 128 elements.
    HostVar wide = HostVar::ints(128, 2);
    std::fill(wide.ints(), wide.ints() + 256, 77);
    EXPECT_EQ(call("Get_Palette", wide.record()), -3);
    EXPECT_EQ(wide.ints()[0], 77) << "nothing written";
    EXPECT_EQ(call("Set_PalMem", wide.record()), -2);
    EXPECT_EQ(call("Set_Palette", p.record(), 0, 0, nullptr), -2) << "the refused variable cleared it";
    EXPECT_EQ(call("Set_PalMem", text.record()), -1);
    for (int i = 0; i < 256; ++i) pal.ints()[i] = 0x7F000000 | (i << 16) | ((255 - i) << 8) | (i ^ 0x55);
    pal.ints()[9] = 0x7F0000FF;  // the top byte is no part of the colour: pure red
    ASSERT_EQ(call("Set_PalMem", pal.record()), 0);
    EXPECT_EQ(call("Set_Palette", full.record(), 0, 0, nullptr), -4);
    std::vector<uint8_t> buffer(768, 0xEE);
    p.set_redraw(true);
    p.fill({3, 3, 3});
    pump_messages(50);
    const auto shown = p.read_window(16, 16);
    ASSERT_EQ(call("Set_Palette", p.record(), 0, 0, buffer.data()), 0);
    pump_messages(50);
    EXPECT_EQ(p.read_window(16, 16), shown) << "no refresh with redraw 0";
    EXPECT_EQ((std::array{buffer[27], buffer[28], buffer[29]}), (std::array<uint8_t, 3>{255, 0, 0}));
    EXPECT_EQ(buffer[3 * 200], 200 ^ 0x55);
    HostVar back = HostVar::ints(256);
    ASSERT_EQ(call("Get_Palette", back.record()), 0);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(back.ints()[i], pal.ints()[i] & 0xFFFFFF) << i;
    pal.ints()[3] = 0x00405060;
    pal.record()->type = host::kString;
    EXPECT_EQ(call("Set_Palette", p.record(), 1, 0, nullptr), -1) << "retyped since it was registered";
    pal.record()->type = host::kInteger;
    ASSERT_EQ(call("Set_Palette", p.record(), 1, 0, nullptr), 0);  // read now, not when registered
    pump_messages(50);
    EXPECT_EQ(p.read_window(16, 16)[0], 0x40) << "refreshed with redraw 1: index 3 is blue 0x40 now";
    ASSERT_EQ(call("Get_Palette", back.record()), 0);
    EXPECT_EQ(back.ints()[3], 0x405060);
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    EXPECT_EQ(call("RealizePal", full.record(), 0, 0, buffer.data()), -1);
    ASSERT_EQ(call("RealizePal", p.record(), 0, 0, buffer.data()), 0);
    EXPECT_EQ((std::array{buffer[9], buffer[10], buffer[11]}), (std::array<uint8_t, 3>{0x60, 0x50, 0x40}));

    HostVar rgb = HostVar::ints(3), two = HostVar::ints(2);
    ASSERT_EQ(call("ColRefToRgb", rgb.record(), 0x123456), 0);
    EXPECT_EQ(std::vector<int32_t>(rgb.ints(), rgb.ints() + 3), (std::vector<int32_t>{0x56, 0x34, 0x12}));
    EXPECT_EQ(call("ColRefToRgb", two.record(), 1), -2);
    HostVar square = HostVar::ints(2, 2);
    EXPECT_EQ(call("ColRefToRgb", square.record(), 1), -2) << "2 x 2: two elements";
    EXPECT_EQ(call("ColRefToRgb", text.record(), 1), -1);
    ASSERT_EQ(call("RgbToColRef", rgb.record(), 257, 0, -1), 0);
    EXPECT_EQ(rgb.ints()[0], 0xFF0001);
    EXPECT_EQ(call("RgbToColRef", text.record(), 1, 2, 3), -1);
}

// --- Window regions -------------------------------------------------------------------

HRGN window_region(HWND hwnd) {
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(hwnd, r) == ERROR) {
        DeleteObject(r);
        return nullptr;
    }
    return r;
}

// Compares the window's region with `want` (deleted) by XOR, as GetWindowRgn coalesces.
::testing::AssertionResult has_region(HWND hwnd, HRGN want) {
    HRGN got = window_region(hwnd);
    if (!got) {
        DeleteObject(want);
        return ::testing::AssertionFailure() << "the window has no region";
    }
    HRGN x = CreateRectRgn(0, 0, 0, 0);
    const int r = CombineRgn(x, got, want, RGN_XOR);
    RECT box{};
    GetRgnBox(x, &box);
    DeleteObject(x);
    DeleteObject(got);
    DeleteObject(want);
    if (r == NULLREGION) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "differs within (" << box.left << "," << box.top << ")-(" << box.right
                                         << "," << box.bottom << ")";
}

class Regions : public ::testing::Test {
protected:
    Regions() : s(200, 120, false, "qv region") {
        SetWindowRgn(s.hwnd(), nullptr, FALSE);
        call("SetCombineMode", 0);
        call("InvCapt", s.record(), 0, 1);
        GetClientRect(s.hwnd(), &client);
    }
    HostScreen s;
    RECT client{};
    const int32_t cap = GetSystemMetrics(SM_CYCAPTION);
};

TEST_F(Regions, EllipsesByModeGroup) {
    s.set_cursor(7, 9);
    const int32_t cw = client.right, ch = client.bottom, top = cap + 3;
    struct Case {
        int32_t w, h, mode;
        RECT box;
    } cases[] = {
        {0, 0, 0, {0, 0, 200, 120}},         {100, 60, 0, {0, 0, 100, 60}},
        {100, 60, 0x10, {0, 0, 60, 60}},     {0, 0, 1, {3, top, 3 + cw, top + ch}},
        {50, 0, 0x100, {0, 0, 50, ch}},      {0, 0, 0x1000, {7, 9, 207, 129}},
        {0, 0, 0x8021, {10, 9 + top, 10 + std::min(cw, ch), 9 + top + std::min(cw, ch)}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(call("EllipRgn", s.record(), c.w, c.h, c.mode), -top);
        EXPECT_TRUE(has_region(s.hwnd(), CreateEllipticRgn(c.box.left, c.box.top, c.box.right, c.box.bottom)))
            << "mode " << c.mode << " " << c.w << "x" << c.h;
    }
}

// Positions and offsets at the ends of the integer range: the shape's far edges are worked
// out without wrapping round, so the shape stays far off and covers none of the window.
TEST_F(Regions, ExtremeValuesDoNotWrapRound) {
    const auto covers_window = [&] {
        HRGN r = window_region(s.hwnd());
        const bool in = r && PtInRegion(r, 20, 20);
        if (r) DeleteObject(r);
        return in;
    };
    s.set_cursor(INT32_MAX - 50, 9);
    call("EllipRgn", s.record(), 100, 60, 0x1000);
    EXPECT_FALSE(covers_window()) << "EllipRgn";
    SetWindowRgn(s.hwnd(), nullptr, FALSE);
    s.set_cursor(INT32_MAX - 50, 0);
    s.set_area(100, 40);
    call("RoundRectRgn", s.record(), 4, 4, 0);
    EXPECT_FALSE(covers_window()) << "RoundRectRgn, x";
    SetWindowRgn(s.hwnd(), nullptr, FALSE);
    s.set_cursor(5, 6);
    call("RoundRectRgn", s.record(), 4, 4, 0x40000000);
    EXPECT_FALSE(covers_window()) << "RoundRectRgn, offset";
}

TEST_F(Regions, RoundRectsAtEveryOffsetKind) {
    const int32_t top = cap + 3;
    s.set_cursor(5, 6);
    s.set_area(80, 40);
    struct Case {
        int32_t offset;
        RECT box;
    } cases[] = {
        {0, {5, 6, 84, 45}},
        {5, {5, 11, 84, 55}},
        {-1, {5, 6 + top, 84, 6 + 40 + 2 * top - 1}},
        {-2, {3, top, client.right + 2, client.bottom + cap + 2}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(call("RoundRectRgn", s.record(), 20, 12, c.offset), 0);
        EXPECT_TRUE(has_region(s.hwnd(), CreateRoundRectRgn(c.box.left, c.box.top, c.box.right, c.box.bottom, 20, 12)))
            << "offset " << c.offset;
    }
    // -2 ignores the position and the area even when they are invalid; others refuse them.
    s.set_cursor(-1, -1);
    s.set_area(0, 0);
    EXPECT_EQ(call("RoundRectRgn", s.record(), 20, 12, -2), 0);
    for (int32_t offset : {-3, -1, 0}) {
        EXPECT_EQ(call("RoundRectRgn", s.record(), 20, 12, offset), 3) << offset;
        EXPECT_EQ(call("CombineRoundRectRgn", s.record(), 20, 12, offset), 3) << offset;
    }
}

TEST_F(Regions, PolygonsInBothFillModesAndCombiningByMode) {
    // A five-pointed star: its middle is inside with winding, outside with alternate.
    HostVar star = ints_of({100, 10, 130, 100, 50, 40, 150, 40, 70, 100});
    const POINT* pts = reinterpret_cast<const POINT*>(star.ints());
    ASSERT_EQ(call("SetPolygon", star.record(), 5, 0), 0);
    for (int32_t winding : {0, 1}) {
        ASSERT_EQ(call("PolyRgn", s.record(), winding), 0);
        EXPECT_TRUE(has_region(s.hwnd(), CreatePolygonRgn(pts, 5, winding ? WINDING : ALTERNATE))) << winding;
    }
    // Combining: every mode against an ellipse set first; the table's failures keep the region.
    const int kOps[] = {RGN_OR, RGN_AND, RGN_XOR, RGN_DIFF};
    s.set_cursor(40, 30);
    for (int32_t mode : {-5, 0, 1, 2, 3, 9}) {
        ASSERT_EQ(call("EllipRgn", s.record(), 100, 60, 0), -(cap + 3));
        ASSERT_EQ(call("SetCombineMode", mode), 0);
        ASSERT_EQ(call("CombinePolyRgn", s.record(), 1), 0);
        HRGN want = CreateEllipticRgn(0, 0, 100, 60), star_rgn = CreatePolygonRgn(pts, 5, WINDING);
        CombineRgn(want, want, star_rgn, kOps[mode < 0 ? 0 : (mode > 3 ? 3 : mode)]);
        DeleteObject(star_rgn);
        EXPECT_TRUE(has_region(s.hwnd(), want)) << "mode " << mode;
    }
    ASSERT_EQ(call("SetCombineMode", 2), 0);
    ASSERT_EQ(call("EllipRgn", s.record(), 100, 60, 0), -(cap + 3));
    ASSERT_EQ(call("CombineEllipRgn", s.record(), 30, 20, 0), 0);  // always at the position
    HRGN want = CreateEllipticRgn(0, 0, 100, 60), part = CreateEllipticRgn(40, 30, 70, 50);
    CombineRgn(want, want, part, RGN_XOR);
    DeleteObject(part);
    EXPECT_TRUE(has_region(s.hwnd(), want));
    ASSERT_EQ(call("SetCombineMode", 1), 0);
    s.set_area(50, 40);
    ASSERT_EQ(call("RoundRectRgn", s.record(), 4, 4, 0), 0);
    const auto region_box = [&] {
        HRGN r = window_region(s.hwnd());
        RECT b{};
        if (r) GetRgnBox(r, &b), DeleteObject(r);
        return std::array{b.left, b.top, b.right, b.bottom};
    };
    const auto kept = region_box();
    s.set_cursor(150, 100);
    s.set_area(10, 10);
    EXPECT_EQ(call("CombineRoundRectRgn", s.record(), 4, 4, 0), -513) << "an empty intersection";
    EXPECT_EQ(region_box(), kept);
    SetWindowRgn(s.hwnd(), CreateRectRgn(0, 0, 0, 0), TRUE);
    EXPECT_EQ(call("CombineEllipRgn", s.record(), 10, 10, 0), -257) << "an empty window region";
    SetWindowRgn(s.hwnd(), nullptr, TRUE);
    EXPECT_EQ(call("CombineEllipRgn", s.record(), 10, 10, 0), -256) << "no window region";
    EXPECT_EQ(call("CombinePolyRgn", s.record(), 0), -256);
    HRGN none = window_region(s.hwnd());
    EXPECT_EQ(none, nullptr) << "still unshaped";
    if (none) DeleteObject(none);
    star.record()->type = host::kString;  // no points to make a polygon of
    EXPECT_EQ(call("PolyRgn", s.record(), 0), 3);
    EXPECT_EQ(call("CombinePolyRgn", s.record(), 0), 3);
}

// The region of the opaque pixels of an area, one 1 x 1 rectangle a pixel, in one block.
HRGN pixel_by_pixel(const HostScreen& s, int32_t x0, int32_t y0, int32_t w, int32_t h, int32_t dy) {
    std::vector<RECT> rects;
    const Screen v = s.view();
    for (int32_t y = y0; y < y0 + h; ++y)
        for (int32_t x = x0; x < x0 + w; ++x) {
            const uint8_t* p = v.at(x, y);
            const bool clear = v.palette_mode() ? p[0] == 9 : (p[0] == 0x30 && p[1] == 0x20 && p[2] == 0x10);
            if (!clear) rects.push_back({x + 3, y + dy, x + 4, y + dy + 1});
        }
    std::vector<uint8_t> block(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(block.data());
    data->rdh = {sizeof(RGNDATAHEADER), RDH_RECTANGLES, DWORD(rects.size()), 0, {0, 0, 0, 0}};
    if (!rects.empty()) std::memcpy(data->Buffer, rects.data(), rects.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, DWORD(block.size()), data);
}

TEST_F(Regions, PixelRegionsEqualThePixelsThemselves) {
    // One pixel at (5, 7): (8, 10) in window coordinates, wherever the area starts above it.
    s.fill({0x30, 0x20, 0x10});
    s.set_color(0x302010);  // blue 0x30, green 0x20, red 0x10: the background
    s.set_pixel(5, 7, kBlack);
    for (int32_t cy : {0, 4}) {
        s.set_cursor(0, cy);
        ASSERT_EQ(call("Pixel_Rgn", s.record(), 0, 0, 0), 0);
        EXPECT_TRUE(has_region(s.hwnd(), CreateRectRgn(8, 10, 9, 11))) << cy;
    }
    // Nothing opaque: -1, and the window keeps its region.
    s.set_pixel(5, 7, {0x30, 0x20, 0x10});
    EXPECT_EQ(call("Pixel_Rgn", s.record(), 0, 0, 0), -1);
    EXPECT_TRUE(has_region(s.hwnd(), CreateRectRgn(8, 10, 9, 11)));

    // A fine checkerboard of 10,000 runs (three batches), random pictures, the caption
    // offset, areas at the edges, and a palette screen keyed by index.
    HostScreen p(150, 90, true, "qv region 8");
    SetWindowRgn(p.hwnd(), nullptr, FALSE);
    uint32_t state = 99;
    for (int round = 0; round < 4; ++round) {
        for (int32_t y = 0; y < 120; ++y)
            for (int32_t x = 0; x < 200; ++x) {
                state = state * 1103515245u + 12345u;
                const bool opaque = round == 0 ? (x + y) % 2 == 0 : (state >> 16) % 100 < 30;
                s.set_pixel(x, y, opaque ? Bgr{0x30, 0x21, 0x10} : Bgr{0x30, 0x20, 0x10});
                const uint8_t index = uint8_t(state >> 24) == 9 ? 10 : uint8_t(state >> 24);  // any but the key
                if (x < 150 && y < 90) *p.at(x, y) = opaque ? index : 9;
            }
        const int32_t caption_offset = round * 7;
        ASSERT_EQ(call("InvCapt", s.record(), caption_offset, 1), 0);
        const std::array<int32_t, 4> areas[] = {{0, 0, 0, 0}, {190, 100, 50, 50}, {-3, 300, 17, 5}};
        for (const auto& [cx, cy, w, h] : areas) {
            s.set_cursor(cx, cy);
            ASSERT_EQ(call("Pixel_Rgn", s.record(), w, h, 0), 0);
            const int32_t x0 = cx >= 0 && cx < 200 ? cx : 0, y0 = cy >= 0 && cy < 120 ? cy : 0;
            const int32_t aw = std::min(w >= 1 ? w : 200, 200 - x0), ah = std::min(h >= 1 ? h : 120, 120 - y0);
            EXPECT_TRUE(has_region(s.hwnd(), pixel_by_pixel(s, x0, y0, aw, ah, caption_offset + 3)))
                << "round " << round << " area " << cx << "," << cy << " " << w << "x" << h;
        }
        p.set_cursor(0, 0);
        ASSERT_EQ(call("Pixel_Rgn", p.record(), 0, 0, 9), 0);
        EXPECT_TRUE(has_region(p.hwnd(), pixel_by_pixel(p, 0, 0, 150, 90, caption_offset + 3))) << round;
    }
    // An offset no window's shape could take is kept as 16384 when it is stored.
    s.set_cursor(0, 0);
    ASSERT_EQ(call("InvCapt", s.record(), 0x7FFFFFFF, 1), 0);
    ASSERT_EQ(call("Pixel_Rgn", s.record(), 0, 0, 0), 0);
    EXPECT_TRUE(has_region(s.hwnd(), pixel_by_pixel(s, 0, 0, 200, 120, 16384 + 3)));
    p.fill({9, 9, 9});
    EXPECT_EQ(call("Pixel_Rgn", p.record(), 0, 0, 9), -1);
    EXPECT_EQ(call("Pixel_Rgn", p.record(), 0, 0, 265), 0) << "a key outside 0 to 255 is 0";
}

TEST(WindowMetric, SumsAndThePlacedPosition) {
    HostScreen s(300, 200, false, "qv metric");
    const int32_t cap = GetSystemMetrics(SM_CYCAPTION);
    SetWindowPos(s.hwnd(), nullptr, 60, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump_messages(100);
    const std::pair<int32_t, int32_t> cases[] = {{0, 300}, {-7, 300}, {1, 200}, {5, GetSystemMetrics(SM_CXBORDER) + GetSystemMetrics(SM_CXFRAME)},
                                                 {6, cap + 3}, {7, cap + 6}, {10, 63}, {11, 70 + cap + 3}};
    for (auto [which, want] : cases) EXPECT_EQ(window::WindowMetric(which, *s.record()), want) << which;
    ShowWindow(s.hwnd(), SW_SHOWMINNOACTIVE);  // minimised: the placement's minimised position
    pump_messages(200);
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    ASSERT_TRUE(GetWindowPlacement(s.hwnd(), &wp));
    EXPECT_EQ(window::WindowMetric(9, *s.record()), wp.ptMinPosition.y);
    ShowWindow(s.hwnd(), SW_RESTORE);
    pump_messages(200);
}

// Every GDI-using command 70,000 times in one process: more than the ~65,000 objects a
// process may hold here, so a command that keeps one object a call would exhaust them.
// Setting a window's region costs milliseconds under Wine, so the region commands run on a
// record without a window (the region is then theirs to delete, and they report that no
// window took it) and, on a real window, in their combining path that leaves the window's
// region as it is.
TEST(DrawLeaks, SeventyThousandCallsOfEachGdiCommand) {
    HostScreen s(64, 48, false, "qv leaks"), p(16, 16, true);
    s.set_cursor(4, 4);
    s.set_area(20, 20);
    s.fill({9, 9, 9});
    s.set_color(0x00FFFFFF);
    HostVar tri = ints_of({2, 2, 30, 2, 2, 30, 30, 30}), pal = HostVar::ints(256);
    ASSERT_EQ(call("SetPolygon", tri.record(), 3, 0), 0);
    ASSERT_EQ(call("SetBezier", tri.record(), 2), 0);
    ASSERT_EQ(call("Set_PalMem", pal.record()), 0);
    ASSERT_EQ(call("SetPenMode", 3, 1), 0);
    ASSERT_EQ(call("SetBrushMode", 2), 0);
    host::BMSCR windowless = *s.record();
    windowless.hwnd = 0;
    ASSERT_EQ(call("RoundRectRgn", s.record(), 4, 4, 0), 0);
    ASSERT_EQ(call("SetCombineMode", 1), 0);
    HostScreen far_away(64, 48, false, "qv leaks 2");
    far_away.set_cursor(40, 40);
    far_away.set_area(5, 5);
    host::BMSCR apart = *far_away.record();  // its shapes miss the region of s's window
    apart.hwnd = s.record()->hwnd;
    far_away.fill_pattern(5);
    host::BMSCR picture = *far_away.record();  // opaque pixels, no window
    picture.hwnd = 0;
    struct Case {
        const char* name;
        host::BMSCR* screen;
        int32_t a, b, c, want;
    } cases[] = {
        {"Paint", s.record(), 5, 5, 0, 0},          {"Paint2", s.record(), 5, 5, 0, 0},
        {"DrawArc", s.record(), 10, 90, 1, 0},      {"DrawPolyline", s.record(), 1, 0, 0, 0},
        {"FillPolygon", s.record(), 3, 0, 0, 0},    {"DrawBezierline", s.record(), 1, 0, 0, 0},
        {"FillEllipse", s.record(), 10, 10, 3, 0},  {"FillRoundRect", s.record(), 6, 6, 3, 0},
        {"Set_Palette", p.record(), 0, 0, 0, 0},    {"RealizePal", p.record(), 0, 0, 0, 0},
        // No window takes the shape: a failure (the region is the command's to delete).
        {"EllipRgn", &windowless, 0, 0, 0, -65535},
        {"RoundRectRgn", &windowless, 4, 4, 0, -65535},  {"PolyRgn", &windowless, 1, 0, 0, -65535},
        {"Pixel_Rgn", &picture, 0, 0, 0, -65535},     {"CombineEllipRgn", &windowless, 0, 0, 0, -256},
        {"CombineEllipRgn", &apart, 0, 0, 0, -513}, {"CombineRoundRectRgn", &apart, 4, 4, 0, -513},
        {"CombinePolyRgn", &windowless, 0, 0, 0, -256},
    };
    for (const Case& c : cases) {
        int32_t result = 0;
        for (int i = 0; i < 70000 && (i == 0 || result == c.want || c.want == INT32_MIN); ++i)
            result = call(c.name, c.screen, c.a, c.b, c.c);
        if (c.want != INT32_MIN) {
            EXPECT_EQ(result, c.want) << c.name;
        }
        HPEN pen = CreatePen(PS_SOLID, 1, 0);
        EXPECT_NE(pen, nullptr) << "GDI still makes objects after " << c.name;
        DeleteObject(pen);
    }
    EXPECT_EQ(call("EllipRgn", s.record(), 0, 0, 0), -(GetSystemMetrics(SM_CYCAPTION) + 3));
    HRGN shaped = window_region(s.hwnd());
    EXPECT_NE(shaped, nullptr) << "the region commands still shape a window";
    if (shaped) DeleteObject(shaped);
    call("SetPenMode", 1, 0);
    call("SetBrushMode", 4);
    call("SetCombineMode", 0);
}

}  // namespace
}  // namespace qv::test

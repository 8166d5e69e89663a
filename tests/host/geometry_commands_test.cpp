// The geometry commands through the DLL's exports, on real screens and the real desktop.
#include "host_fixture.h"

#include <mmsystem.h>  // after <windows.h>

#include <vector>

#include "effects_reference.h"

namespace qv::test {
namespace {

class Geometry : public ::testing::Test {
protected:
    void SetUp() override {
        call("GRotPos", 0, 0, 0, 0);
        call("SetBMNo", 0);
        call("SetBMSCR", table.record(), 0, 0);
        table.fill_pattern(5);
        table.set_cursor(0, 0);
    }
    void TearDown() override {
        call("SetBMSCR", 0, 0, 0);
        call("GRotPos", 0, 0, 0, 0);
    }
    HostScreen table{16, 12, false, "table"};
};

TEST_F(Geometry, RotationIdentitiesTurnsScaleAndKey) {
    HostScreen d(16, 12, false);
    for (int32_t angle : {0, 360, -360, 4096 - 4096 % 360}) {
        d.fill({1, 2, 3});
        d.set_cursor(0, 0);
        ASSERT_EQ(call("GRot", d.record(), 16, 12, angle), 0) << angle;
        EXPECT_EQ(d.bytes(), table.bytes()) << "angle " << angle << " copies unchanged";
    }
    EXPECT_EQ(call("GRot", d.record(), 16, 12, 4097), 3);
    // A quarter turn about (2, 2): destination (i, j) takes source (j, 4 - i).
    call("GRotPos", 2, 2, 0, 0);
    d.fill({1, 2, 3});
    ASSERT_EQ(call("GRot", d.record(), 5, 5, 90), 0);
    EXPECT_EQ(d.pixel(1, 3), table.pixel(3, 3));
    EXPECT_EQ(d.pixel(0, 4), table.pixel(4, 4));
    EXPECT_EQ(d.pixel(4, 0), table.pixel(0, 0));
    // Step 512: half size, destination (i, j) from source (2i, 2j) about the origin.
    call("GRotPos", 0, 0, 512, 0);
    d.fill({1, 2, 3});
    ASSERT_EQ(call("GRot", d.record(), 16, 12, 0), 0);
    EXPECT_EQ(d.pixel(3, 2), table.pixel(6, 4));
    EXPECT_EQ(d.pixel(9, 2), (Bgr{1, 2, 3})) << "beyond the source: kept";
    // Key 256: black is transparent, (red 1, green 0, blue 0) is not.
    call("GRotPos", 0, 0, 256, 256);
    table.fill({0, 0, 0});
    table.set_pixel(1, 0, {0, 0, 1});
    d.fill({9, 9, 9});
    ASSERT_EQ(call("GRot", d.record(), 4, 1, 0), 0);
    EXPECT_EQ(d.pixel(0, 0), (Bgr{9, 9, 9}));
    EXPECT_EQ(d.pixel(1, 0), (Bgr{0, 0, 1}));

    HostScreen pal(8, 8, true);
    EXPECT_EQ(call("GRot", pal.record(), 4, 4, 0), -1);
    call("SetBMSCR", 0, 0, 0);
    auto before = d.bytes();
    EXPECT_EQ(call("GRot", d.record(), 4, 4, 0), -2);
    EXPECT_EQ(d.bytes(), before);
}

TEST_F(Geometry, RotationOnLargeScreensEqualsTheFormula) {
    // Larger than the blocks the rotation works in; angles of every quarter, scales, a key,
    // and the screen rotated onto itself (where the order of the pixels shows).
    HostScreen big(700, 90, false), d(650, 80, false);
    big.fill_pattern(7);
    for (int32_t y = 0; y < 90; y += 3) big.set_pixel(y * 7 % 700, y, {4, 4, 4});
    const struct {
        int32_t angle, cx, cy, step, key;
    } cases[] = {{30, 300, 40, 0, 0}, {-45, 0, 0, 512, 0}, {123, 640, 79, 100, 0}, {200, 10, 70, 300, 260},
                 {-300, 325, 40, 256, 0}};
    for (bool onto_itself : {false, true})
        for (const auto& c : cases) {
            HostScreen& src = onto_itself ? d : big;
            d.fill_pattern(uint32_t(c.angle + 1000));
            ASSERT_EQ(call("SetBMSCR", src.record(), 0, 0), 0);
            big.set_cursor(0, 0);
            call("GRotPos", c.cx, c.cy, c.step, c.key);
            const bool unit = c.step < 1 || c.step > 65536 || c.step == 256;
            std::vector<uint8_t> want = d.bytes();
            std::vector<uint8_t> source = src.bytes();
            Screen w = d.view(), from = src.view();
            w.pixels = want.data();
            from.pixels = onto_itself ? want.data() : source.data();
            // The source origin is the table screen's position: (5, 3) when it is d itself.
            const int32_t origin = onto_itself ? 1 : 0;
            reference::rotation(w, 5, 3, 640, 75, from, 5 * origin, 3 * origin, c.angle, c.cx, c.cy, unit ? 1 : c.step,
                                unit ? 32 : 8192, c.key >= 256 && c.key <= 511 ? c.key - 256 : -1);
            d.set_cursor(5, 3);
            ASSERT_EQ(call("GRot", d.record(), 640, 75, c.angle), 0);
            EXPECT_EQ(d.bytes(), want) << "angle " << c.angle << (onto_itself ? ", onto itself" : "");
        }
}

TEST_F(Geometry, FlipsAndScrolls) {
    HostScreen s(12, 10, false);
    s.fill_pattern(2);
    auto before = s.bytes();
    HostScreen ref(12, 10, false);
    ref.fill_pattern(2);
    s.set_cursor(1, 1);
    EXPECT_EQ(call("Flip_V", s.record(), 4, 5), 0);
    EXPECT_EQ(s.pixel(2, 3), ref.pixel(2, 3)) << "the middle row of five stays";
    EXPECT_EQ(s.pixel(2, 1), ref.pixel(2, 5));
    EXPECT_EQ(call("Flip_V", s.record(), 4, 5), 0);
    EXPECT_EQ(s.bytes(), before);
    EXPECT_EQ(call("Flip_H", s.record(), 3, 5), 3);
    EXPECT_EQ(call("Flip_H", s.record(), 5, 4), 0);
    EXPECT_EQ(s.pixel(1, 2), ref.pixel(5, 2));
    EXPECT_EQ(s.pixel(3, 2), ref.pixel(3, 2));
    EXPECT_EQ(call("Flip_H", s.record(), 12, 4), 3) << "reaches past the right edge";

    s.fill_pattern(2);
    EXPECT_EQ(call("GUscroll", s.record(), 0, 3, 1), 3);
    EXPECT_EQ(call("GUscroll", s.record(), 4, 3, 2), 0);
    EXPECT_EQ(s.pixel(7, 2), ref.pixel(7, 4));
    EXPECT_EQ(s.pixel(7, 4), ref.pixel(7, 6));
    EXPECT_EQ(s.pixel(7, 5), ref.pixel(7, 5)) << "the block's last rows stay without clearing";
    s.fill_pattern(2);
    EXPECT_EQ(call("GDscroll", s.record(), 2, 3, -2), 0);
    EXPECT_EQ(s.pixel(0, 4), ref.pixel(0, 2));
    EXPECT_EQ(s.pixel(0, 2), (Bgr{0, 0, 0})) << "the first two rows of the block cleared";
    EXPECT_EQ(s.pixel(0, 3), (Bgr{0, 0, 0}));
    EXPECT_EQ(call("GDscroll", s.record(), 8, 1, 2), 3);

    s.fill_pattern(2);
    s.set_cursor(2, 1);
    EXPECT_EQ(call("GLscroll", s.record(), 4, 2, -4), 0);
    EXPECT_EQ(s.pixel(2, 1), (Bgr{0, 0, 0})) << "a shift of the whole width clears the segment";
    EXPECT_EQ(s.pixel(5, 2), (Bgr{0, 0, 0}));
    EXPECT_EQ(s.pixel(6, 1), ref.pixel(6, 1));
    s.fill_pattern(2);
    EXPECT_EQ(call("GRscroll", s.record(), 5, 1, 2), 0);
    EXPECT_EQ(s.pixel(4, 1), ref.pixel(2, 1));
    EXPECT_EQ(s.pixel(6, 1), ref.pixel(4, 1));
    EXPECT_EQ(s.pixel(2, 1), ref.pixel(2, 1)) << "without clearing the start stays";
    EXPECT_EQ(call("GRscroll", s.record(), 5, 1, 6), 3);
    EXPECT_EQ(call("GRscroll", s.record(), 5, 1, 0), 0);
    s.set_cursor(-1, 0);
    EXPECT_EQ(call("GLscroll", s.record(), 4, 1, 1), 3) << "a negative position is refused";

    s.fill_pattern(2);
    s.set_cursor(5, 2);  // the left edge rounds down to column 4
    s.set_area(6, 5);    // 4 x (6 / 4) = 4 columns used
    EXPECT_EQ(call("GDscrollF", s.record(), 2, 1), 0);
    EXPECT_EQ(s.pixel(4, 6), ref.pixel(4, 4));
    EXPECT_EQ(s.pixel(7, 4), ref.pixel(7, 2));
    EXPECT_EQ(s.pixel(4, 2), (Bgr{0, 0, 0}));
    EXPECT_EQ(s.pixel(8, 6), ref.pixel(8, 6)) << "past the four-pixel columns";
    EXPECT_EQ(call("GDscrollF", s.record(), 6, 0), 3);
}

TEST_F(Geometry, ZoomOntoTheDesktopAndFrameTimedCopy) {
    HostScreen s(8, 8, false, "zoom");
    s.fill({10, 200, 30});
    s.set_area(0, 0);
    EXPECT_EQ(call("SGzoomSize", 32, 16), 0);
    EXPECT_EQ(call("SGzoom", s.record(), 700, 500), 0);
    HDC desktop = GetDC(nullptr);
    COLORREF c = GetPixel(desktop, 700 + 31, 500 + 15);
    ReleaseDC(nullptr, desktop);
    EXPECT_EQ(c, RGB(30, 200, 10));
    EXPECT_EQ(call("ScrRefresh"), 0);
    call("SGzoomSize", 0, 0);

    HostScreen d(16, 12, false);
    d.fill({1, 1, 1});
    d.set_cursor(2, 3);
    d.set_area(4, 4);
    EXPECT_EQ(call("SleepGcopy", d.record(), 0, 0, 0), 3);
    EXPECT_EQ(call("SleepGcopy", d.record(), 10, -1, 0), 3);
    ASSERT_EQ(call("SetNowTick"), 0);
    const DWORD t0 = timeGetTime();  // the clock the frame time base runs on
    ASSERT_EQ(call("SleepGcopy", d.record(), 30, 5, 6), 0);
    EXPECT_GE(timeGetTime() - t0, 29u);
    EXPECT_EQ(d.pixel(2, 3), table.pixel(5, 6));
    EXPECT_EQ(d.pixel(5, 6), table.pixel(8, 9));
    EXPECT_EQ(d.pixel(6, 3), (Bgr{1, 1, 1}));
    // The base moved by 30 from its old value: the next frame ends 60 ms after SetNowTick.
    ASSERT_EQ(call("SleepGcopy", d.record(), -30, 0, 0), 0);
    EXPECT_GE(timeGetTime() - t0, 59u);
    // With copy_redraw the window shows the copy at once.
    call("SetBMSCR", table.record(), 1, 0);
    d.fill({1, 1, 1});
    InvalidateRect(d.hwnd(), nullptr, TRUE);
    pump_messages(30);
    call("SetNowTick");
    ASSERT_EQ(call("SleepGcopy", d.record(), 1, 0, 0), 0);
    auto shown = d.read_window(16, 12);
    Bgr want = table.pixel(0, 0);
    EXPECT_EQ(shown[(3 * 16 + 2) * 3], want.b);
    EXPECT_EQ(shown[(3 * 16 + 2) * 3 + 2], want.r);
}

}  // namespace
}  // namespace qv::test

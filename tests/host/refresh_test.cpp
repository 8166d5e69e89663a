// RedrawScreen and InstallPalette on real windows, DIB sections and palettes. These are
// internal routines of the library, linked here directly; the commands that use them are
// tested through the exports in their own files.
#include <cstring>
#include <vector>

#include "host/refresh_win.h"
#include "host_fixture.h"

namespace qv::test {
namespace {

using host::InstallPalette;
using host::RedrawScreen;

HPALETTE hpal(host::Word w) { return reinterpret_cast<HPALETTE>(uintptr_t(w)); }

// The pixels of buffer rows as the window would show them: top-down BGR, no padding.
std::vector<uint8_t> buffer_region(const HostScreen& s, int32_t x0, int32_t y0, int32_t w, int32_t h) {
    std::vector<uint8_t> out;
    for (int32_t y = y0; y < y0 + h; ++y)
        for (int32_t x = x0; x < x0 + w; ++x) {
            Bgr p = s.pixel(x, y);
            out.insert(out.end(), {p.b, p.g, p.r});
        }
    return out;
}

class Redraw : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(s.ok());
        s.fill({0, 0, 0});
        InvalidateRect(s.hwnd(), nullptr, TRUE);
        pump_messages(50);  // the window now shows black and has nothing left to paint
    }
    HostScreen s{160, 120, false, "redraw"};
};

TEST_F(Redraw, CopiesTheViewRegionToTheWindow) {
    s.fill_pattern(7);
    s.record()->view_x = 10;
    s.record()->view_y = 20;
    s.record()->window_width = 100;
    s.record()->window_height = 60;
    RedrawScreen(*s.record());
    EXPECT_EQ(s.read_window(100, 60), buffer_region(s, 10, 20, 100, 60));
    // Outside window_width x window_height the window keeps what it showed.
    auto beyond = s.read_window(160, 120);
    EXPECT_EQ(beyond[(70 * 160 + 120) * 3], 0);
}

TEST_F(Redraw, WithTheFlagClearMakesNoWin32Call) {
    s.fill_pattern(8);
    s.set_redraw(false);
    s.record()->redraw |= 0xFFFF;  // the low half is the host's and means nothing here
    host::BMSCR copy = *s.record();
    copy.hwnd = 0xDEAD0;  // not a window: any Win32 call would set the last error
    copy.hdc = 0xDEAD4;
    SetLastError(12345);
    RedrawScreen(copy);
    EXPECT_EQ(GetLastError(), 12345u);
    RedrawScreen(*s.record());
    EXPECT_EQ(s.read_window(160, 120), std::vector<uint8_t>(160 * 120 * 3, 0));
}

TEST_F(Redraw, WindowTypeTwoDoesNotCopy) {
    s.fill_pattern(9);
    s.record()->window_type = 2;
    RedrawScreen(*s.record());
    EXPECT_EQ(s.read_window(160, 120), std::vector<uint8_t>(160 * 120 * 3, 0));
}

TEST(RedrawPalette, ShowsIndexesThroughTheScreensPalette) {
    HostScreen s(64, 32, true, "redraw palette");
    std::vector<uint8_t> colours(256 * 3);
    for (int i = 0; i < 256; ++i) {
        colours[3 * i] = uint8_t(255 - i);  // red
        colours[3 * i + 1] = uint8_t(i);    // green
        colours[3 * i + 2] = uint8_t(i / 2);  // blue
    }
    InstallPalette(*s.record(), 256, colours.data());
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 64; ++x) s.at(x, y)[0] = uint8_t(x * 4 + (y & 3));
    RedrawScreen(*s.record());
    auto shown = s.read_window(64, 32);
    for (int32_t y = 0; y < 32; y += 5)
        for (int32_t x = 0; x < 64; x += 7) {
            int i = x * 4 + (y & 3);
            const uint8_t* p = &shown[(size_t(y) * 64 + x) * 3];
            EXPECT_EQ(p[2], colours[3 * i]) << x << "," << y;
            EXPECT_EQ(p[1], colours[3 * i + 1]) << x << "," << y;
            EXPECT_EQ(p[0], colours[3 * i + 2]) << x << "," << y;
        }
    // The window's DC gets its palette back: no palette of the screen stays selected there.
    HDC dc = GetDC(s.hwnd());
    EXPECT_NE(GetCurrentObject(dc, OBJ_PAL), hpal(s.record()->hpalette));
    ReleaseDC(s.hwnd(), dc);
}

std::vector<uint8_t> ramp(int count, int seed) {
    std::vector<uint8_t> c(size_t(count) * 3);
    for (size_t i = 0; i < c.size(); ++i) c[i] = uint8_t(i * 7 + seed);
    return c;
}

TEST(InstallPalette, FillsTheColourTableAndSelectsANewLogicalPalette) {
    HostScreen s(16, 16, true, "palette");
    HPALETTE host_palette = hpal(s.record()->hpalette);
    auto colours = ramp(100, 3);
    InstallPalette(*s.record(), 100, colours.data());

    EXPECT_EQ(s.record()->palette_count, 100);
    HPALETTE installed = hpal(s.record()->hpalette);
    ASSERT_NE(installed, nullptr);
    EXPECT_NE(installed, host_palette);
    EXPECT_EQ(GetObjectType(host_palette), 0u) << "the replaced palette is deleted";
    EXPECT_EQ(GetCurrentObject(s.hdc(), OBJ_PAL), installed);

    auto* table = reinterpret_cast<RGBQUAD*>(uintptr_t(s.record()->palette));
    RGBQUAD dib_table[256];
    ASSERT_EQ(GetDIBColorTable(s.hdc(), 0, 256, dib_table), 256u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(table[i].rgbRed, colours[3 * i]) << i;
        EXPECT_EQ(table[i].rgbGreen, colours[3 * i + 1]) << i;
        EXPECT_EQ(table[i].rgbBlue, colours[3 * i + 2]) << i;
        EXPECT_EQ(table[i].rgbReserved, 0) << i;
        EXPECT_EQ(std::memcmp(&dib_table[i], &table[i], 4), 0) << i;
    }
    EXPECT_EQ(table[100].rgbRed, 100) << "entries past count are left alone";

    PALETTEENTRY entries[256];
    ASSERT_EQ(GetPaletteEntries(installed, 0, 256, entries), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(entries[i].peRed, colours[3 * i]) << i;
        EXPECT_EQ(entries[i].peGreen, colours[3 * i + 1]) << i;
        EXPECT_EQ(entries[i].peBlue, colours[3 * i + 2]) << i;
    }
}

TEST(InstallPalette, FullColourScreensGetOnlyTheLogicalPalette) {
    HostScreen s(16, 16, false, "palette full colour");
    auto* table = reinterpret_cast<RGBQUAD*>(uintptr_t(s.record()->palette));
    RGBQUAD before[256];
    std::memcpy(before, table, sizeof before);
    auto colours = ramp(256, 11);
    InstallPalette(*s.record(), 256, colours.data());
    EXPECT_EQ(std::memcmp(before, table, sizeof before), 0);
    ASSERT_NE(s.record()->hpalette, 0u);
    EXPECT_EQ(GetPaletteEntries(hpal(s.record()->hpalette), 0, 0, nullptr), 256u);
    EXPECT_EQ(s.record()->palette_count, 256);
    EXPECT_EQ(GetCurrentObject(s.hdc(), OBJ_PAL), hpal(s.record()->hpalette));
}

TEST(InstallPalette, CountOutsideZeroTo256IsClamped) {
    HostScreen s(8, 8, true, "palette clamp");
    auto colours = ramp(256, 5);
    InstallPalette(*s.record(), 300, colours.data());  // reads no colour past entry 255
    EXPECT_EQ(s.record()->palette_count, 256);
    InstallPalette(*s.record(), -4, colours.data());
    EXPECT_EQ(s.record()->palette_count, 0);
}

TEST(InstallPalette, AThousandInstallsLeakNoGdiObject) {
    HostScreen s(8, 8, true, "palette leak");
    auto colours = ramp(256, 1);
    HPALETTE previous = hpal(s.record()->hpalette);
    for (int i = 0; i < 1000; ++i) {
        colours[0] = uint8_t(i);
        InstallPalette(*s.record(), 1 + i % 256, colours.data());
        HPALETTE now = hpal(s.record()->hpalette);
        ASSERT_EQ(GetObjectType(now), DWORD(OBJ_PAL)) << i;
        // A handle value may come back for a new palette; otherwise the old one is gone.
        HPALETTE before = previous;
        previous = now;
        if (before == now) continue;
        ASSERT_EQ(GetObjectType(before), 0u) << i;
    }
    // The palette the DC had before the first install is still the one kept to go back to.
    EXPECT_EQ(hpal(s.record()->old_hpalette), GetStockObject(DEFAULT_PALETTE));
}

}  // namespace
}  // namespace qv::test

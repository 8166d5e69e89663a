// The records as the library reads them agree with real host objects: the addressing rule
// lands on the pixel GDI draws at (x, y), and the capacity rule on the storage the host gave.
#include "host/pointers.h"
#include "host_fixture.h"

namespace qv::test {
namespace {

TEST(RecordsOnRealScreens, AddressingRuleMatchesGdiInFullColour) {
    HostScreen s(101, 7, false, "records");  // 303 bytes a row, padded to 304
    Screen v = host::screen_view(*s.record());
    EXPECT_EQ(v.stride(), 304u);
    EXPECT_EQ(v.pixels, s.bits());
    for (auto [x, y] : {std::pair{0, 0}, {100, 0}, {0, 6}, {100, 6}, {37, 3}}) {
        SetPixel(s.hdc(), x, y, RGB(x, y, 200));
        GdiFlush();
        const uint8_t* p = v.at(x, y);
        EXPECT_EQ(p[0], 200) << x << "," << y;  // blue, green, red
        EXPECT_EQ(p[1], y) << x << "," << y;
        EXPECT_EQ(p[2], x) << x << "," << y;
    }
    v.at(5, 2)[0] = 9;
    v.at(5, 2)[1] = 8;
    v.at(5, 2)[2] = 7;
    EXPECT_EQ(GetPixel(s.hdc(), 5, 2), RGB(7, 8, 9));
}

TEST(RecordsOnRealScreens, AddressingRuleMatchesGdiInPaletteMode) {
    HostScreen s(13, 5, true, "records palette");  // grey ramp: index i is (i, i, i)
    Screen v = host::screen_view(*s.record());
    EXPECT_TRUE(v.palette_mode());
    EXPECT_EQ(v.stride(), 16u);
    v.at(12, 0)[0] = 77;
    v.at(0, 4)[0] = 3;
    EXPECT_EQ(GetPixel(s.hdc(), 12, 0), RGB(77, 77, 77));
    EXPECT_EQ(GetPixel(s.hdc(), 0, 4), RGB(3, 3, 3));
    EXPECT_EQ(v.palette[77 * 4], 77);
}

TEST(RecordsOnRealScreens, ViewCarriesPositionAreaAndColour) {
    HostScreen s(20, 10, false, "records fields");
    s.set_cursor(-3, 4);
    s.set_area(7, 8);
    s.set_color(0x00112233);
    Screen v = host::screen_view(*s.record());
    EXPECT_EQ(v.cursor_x, -3);
    EXPECT_EQ(v.cursor_y, 4);
    EXPECT_EQ(v.area_width, 7);
    EXPECT_EQ(v.area_height, 8);
    EXPECT_EQ(v.color, 0x00112233u);
}

TEST(RecordsOfVariables, CapacityOfEveryShape) {
    HostVar text = HostVar::text(256);
    Var t = host::var_view(*text.record());
    EXPECT_EQ(t.type, host::kString);
    EXPECT_EQ(t.capacity, 256u);
    EXPECT_EQ(t.data, text.data());

    HostVar grid = HostVar::ints(64, 3);
    Var g = host::var_view(*grid.record());
    EXPECT_EQ(g.type, host::kInteger);
    EXPECT_EQ(g.capacity, 768u);
    EXPECT_EQ(g.elements, 3u);
    EXPECT_GE(grid.storage_bytes(), g.capacity);

    HostVar dims = HostVar::text(256);
    dims.use_dims_record(10, 2);
    Var d = host::var_view(*dims.record());
    EXPECT_EQ(d.capacity, 80u);
    EXPECT_EQ(d.units, 10u);

    HostVar moved = std::move(dims);  // the record follows its storage
    Var m = host::var_view(*moved.record());
    EXPECT_EQ(m.capacity, 80u);
    EXPECT_EQ(m.data, moved.data());
}

}  // namespace
}  // namespace qv::test

// The Pi commands and PicSave through the DLL's exports, on real screens.
#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "pi_encoder.h"

namespace qv::test {
namespace {

using pi_encoder::Options;

struct Picture {
    int w, h;
    std::vector<uint8_t> indexes;
    Options options;
    std::string file;
};

Picture make_picture(int w, int h, int colours = 256, bool store_palette = true) {
    Picture p{w, h, std::vector<uint8_t>(size_t(w) * h), Options{}, {}};
    p.options.colours = colours;
    p.options.store_palette = store_palette;
    p.options.palette.resize(size_t(colours) * 3);
    for (size_t i = 0; i < p.options.palette.size(); ++i) p.options.palette[i] = uint8_t(i * 11 + 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.indexes[size_t(y) * w + x] = uint8_t((x / 3 + y * 5) % colours);
    p.file = pi_encoder::encode(p.indexes, w, h, p.options);
    return p;
}

// The colour index k has in the picture's palette, as blue, green, red.
Bgr colour_of(const Picture& p, uint8_t k) {
    const auto& pal = p.options.palette;
    return {pal[3 * k + 2], pal[3 * k + 1], pal[3 * k]};
}

class PiCommands : public ::testing::Test {
protected:
    void SetUp() override {
        call("PiTransColour", -1, 0);
        call("SetPiMem", clear_var.record(), 1);
    }
    void TearDown() override { SetUp(); }
    std::string write(const std::string& name, const std::string& bytes) {
        std::string path = dir.file(name);
        write_file(path, bytes);
        return path;
    }
    TempDir dir;
    HostVar clear_var = HostVar::ints(2);
    std::vector<uint8_t> colours = std::vector<uint8_t>(768, 0xCC);
};

TEST_F(PiCommands, LoadsIntoFullColourAtTheOriginAndRefreshes) {
    Picture p = make_picture(60, 30);
    std::string path = write("a.pi", p.file);
    HostScreen s(80, 40, false);
    s.fill({1, 2, 3});
    InvalidateRect(s.hwnd(), nullptr, TRUE);
    pump_messages(30);
    s.set_cursor(10, 5);  // ignored without bits 4-7
    ASSERT_EQ(call("PiLoad", s.record(), path.c_str(), 0, colours.data()), 0);
    for (auto [x, y] : {std::pair{0, 0}, {59, 0}, {0, 29}, {59, 29}, {31, 17}})
        EXPECT_EQ(s.pixel(x, y), colour_of(p, p.indexes[size_t(y) * 60 + x])) << x << "," << y;
    EXPECT_EQ(s.pixel(60, 0), (Bgr{1, 2, 3}));
    EXPECT_EQ(s.pixel(0, 30), (Bgr{1, 2, 3}));
    EXPECT_EQ(colours, std::vector<uint8_t>(768, 0xCC)) << "a full-colour screen leaves the palette buffer";
    auto shown = s.read_window(80, 40);
    Bgr c = colour_of(p, p.indexes[0]);
    EXPECT_EQ(shown[0], c.b) << "refreshed";
    EXPECT_EQ(shown[2], c.r);
}

TEST_F(PiCommands, ModeBitsChooseRefreshAndPosition) {
    Picture p = make_picture(100, 10);
    std::string path = write("b.pi", p.file);
    HostScreen s(50, 20, false);
    s.fill({9, 9, 9});
    InvalidateRect(s.hwnd(), nullptr, TRUE);
    pump_messages(30);
    s.set_cursor(40, 15);
    ASSERT_EQ(call("PiLoad", s.record(), path.c_str(), 0x11, colours.data()), 0);
    // At the position, clipped to ten columns and five rows; the window was not refreshed.
    EXPECT_EQ(s.pixel(40, 15), colour_of(p, p.indexes[0]));
    EXPECT_EQ(s.pixel(49, 19), colour_of(p, p.indexes[4 * 100 + 9]));
    EXPECT_EQ(s.pixel(39, 15), (Bgr{9, 9, 9}));
    EXPECT_EQ(s.pixel(40, 14), (Bgr{9, 9, 9}));
    auto shown = s.read_window(50, 20);
    EXPECT_EQ(shown[(15 * 50 + 40) * 3], 9) << "mode 1: no refresh";
    // A position outside the screen counts as 0 on that axis.
    s.fill({9, 9, 9});
    s.set_cursor(50, 3);
    ASSERT_EQ(call("PiLoad", s.record(), path.c_str(), 0x10, colours.data()), 0);
    EXPECT_EQ(s.pixel(0, 3), colour_of(p, p.indexes[0]));
    EXPECT_EQ(s.pixel(0, 2), (Bgr{9, 9, 9}));
}

TEST_F(PiCommands, WidthLimits) {
    HostScreen s(16, 4, false);
    for (int w : {2, 8193}) {
        std::string path = write("w.pi", make_picture(w, 1).file);
        s.fill({4, 4, 4});
        EXPECT_EQ(call("PiLoad", s.record(), path.c_str(), 1, colours.data()), -1) << w;
        EXPECT_EQ(s.pixel(0, 0), (Bgr{4, 4, 4})) << w;
    }
    for (int w : {3, 8192}) {
        Picture p = make_picture(w, 2);
        std::string path = write("w.pi", p.file);
        EXPECT_EQ(call("PiLoad", s.record(), path.c_str(), 1, colours.data()), 0) << w;
        EXPECT_EQ(s.pixel(1, 1), colour_of(p, p.indexes[size_t(w) + 1])) << w;
    }
}

TEST_F(PiCommands, PaletteScreensTakeIndexesAndThePalette) {
    Picture p = make_picture(20, 10, 16);
    std::string path = write("p.pi", p.file);
    HostScreen s(32, 16, true);
    HPALETTE before = reinterpret_cast<HPALETTE>(uintptr_t(s.record()->hpalette));
    ASSERT_EQ(call("PiLoad", s.record(), path.c_str(), 1, colours.data()), 0);
    EXPECT_EQ(s.at(7, 3)[0], p.indexes[3 * 20 + 7]);
    auto* table = reinterpret_cast<RGBQUAD*>(uintptr_t(s.record()->palette));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(colours[3 * i], p.options.palette[3 * i]) << i;
        EXPECT_EQ(table[i].rgbRed, p.options.palette[3 * i]) << i;
        EXPECT_EQ(table[i].rgbBlue, p.options.palette[3 * i + 2]) << i;
    }
    for (int i = 16; i < 256; ++i) {
        ASSERT_EQ(colours[3 * i], 0) << "entries 16 to 255 are black";
        ASSERT_EQ(table[i].rgbGreen, 0) << i;
    }
    EXPECT_NE(reinterpret_cast<HPALETTE>(uintptr_t(s.record()->hpalette)), before) << "a new palette is installed";
    EXPECT_EQ(s.record()->palette_count, 256);
    // The default 256-colour palette when none is stored: index 0x1C is pure red.
    Picture d = make_picture(8, 4, 256, false);
    std::string dpath = write("d.pi", d.file);
    ASSERT_EQ(call("PiLoad", s.record(), dpath.c_str(), 1, colours.data()), 0);
    EXPECT_EQ(colours[3 * 0x1C], 255);
    EXPECT_EQ(colours[3 * 0x1C + 1], 0);
    EXPECT_EQ(table[0x1C].rgbRed, 255);
}

TEST_F(PiCommands, TransparentIndexAndColourTolerance) {
    Picture p = make_picture(30, 6);
    std::string path = write("t.pi", p.file);
    HostScreen s(30, 6, false);
    s.fill({7, 7, 7});
    ASSERT_EQ(call("PiTransColour", 5, 1), 0);
    ASSERT_EQ(call("PiLoad", s.record(), path.c_str(), 1, colours.data()), 0);
    for (int i = 0; i < 180; ++i) {
        int x = i % 30, y = i / 30;
        Bgr want = p.indexes[i] == 5 ? Bgr{7, 7, 7} : colour_of(p, p.indexes[i]);
        EXPECT_EQ(s.pixel(x, y), want) << i;
    }
    // 256: the entries equal to the screen's colour.
    Bgr c6 = colour_of(p, 6);
    s.set_color(uint32_t(c6.r) | uint32_t(c6.g) << 8 | uint32_t(c6.b) << 16);
    s.fill({7, 7, 7});
    ASSERT_EQ(call("PiTransColour", 256, 1), 0);
    ASSERT_EQ(call("PiLoad", s.record(), path.c_str(), 1, colours.data()), 0);
    for (int i = 0; i < 180; ++i) {
        int x = i % 30, y = i / 30;
        Bgr want = p.indexes[i] == 6 ? Bgr{7, 7, 7} : colour_of(p, p.indexes[i]);
        ASSERT_EQ(s.pixel(x, y), want) << i;
    }
    // 384: everything within 128; 385, -5 and enable 0: nothing.
    s.set_color(0x808080);
    s.fill({7, 7, 7});
    ASSERT_EQ(call("PiTransColour", 384, 1), 0);
    ASSERT_EQ(call("PiLoad", s.record(), path.c_str(), 1, colours.data()), 0);
    EXPECT_EQ(s.pixel(0, 0), (Bgr{7, 7, 7}));
    for (auto [value, enable] : {std::pair{385, 1}, {-5, 1}, {5, 0}}) {
        s.fill({7, 7, 7});
        ASSERT_EQ(call("PiTransColour", value, enable), 0);
        ASSERT_EQ(call("PiLoad", s.record(), path.c_str(), 1, colours.data()), 0);
        for (int i = 0; i < 180; ++i) ASSERT_EQ(s.pixel(i % 30, i / 30), colour_of(p, p.indexes[i])) << value;
    }
}

TEST_F(PiCommands, MemorySourceRules) {
    Picture p = make_picture(12, 8);
    HostVar data = HostVar::text(uint32_t(p.file.size()));
    std::memcpy(data.data(), p.file.data(), p.file.size());
    HostScreen s(12, 8, false);
    EXPECT_EQ(call("PiLoadMem", s.record(), 1, 0, colours.data()), -1) << "nothing registered";
    HostVar empty = HostVar::text(0);
    empty.record()->len[1] = 0;
    EXPECT_EQ(call("SetPiMem", empty.record(), 0), 3);
    ASSERT_EQ(call("SetPiMem", data.record(), 0), 0);
    ASSERT_EQ(call("PiLoadMem", s.record(), 1, 0, colours.data()), 0);
    EXPECT_EQ(s.pixel(11, 7), colour_of(p, p.indexes[95]));
    ASSERT_EQ(call("PiLoadMem", s.record(), 1, 0, colours.data()), 0) << "the registration stays";
    HostVar size = HostVar::ints(2);
    EXPECT_EQ(call("PiInfoMem", size.record()), 0);
    EXPECT_EQ(size.ints()[0], 12);
    EXPECT_EQ(size.ints()[1], 8);
    // PiLoad forgets it, even when it fails.
    EXPECT_EQ(call("PiLoad", s.record(), dir.file("missing.pi").c_str(), 1, colours.data()), -3);
    EXPECT_EQ(call("PiLoadMem", s.record(), 1, 0, colours.data()), -1);
    EXPECT_EQ(call("PiInfoMem", size.record()), 5);
    ASSERT_EQ(call("SetPiMem", data.record(), 0), 0);
    ASSERT_EQ(call("SetPiMem", data.record(), 1), 0) << "clear";
    EXPECT_EQ(call("PiLoadMem", s.record(), 1, 0, colours.data()), -1);
}

TEST_F(PiCommands, InfoCommandsCheckTheVariable) {
    Picture p = make_picture(33, 44);
    std::string path = write("i.pi", p.file);
    HostVar size = HostVar::ints(2);
    EXPECT_EQ(call("PiInfo", size.record(), path.c_str()), 0);
    EXPECT_EQ(size.ints()[0], 33);
    EXPECT_EQ(size.ints()[1], 44);
    EXPECT_EQ(call("PiInfo", size.record(), dir.file("none.pi").c_str()), -2);
    EXPECT_EQ(size.ints()[0], -1);
    EXPECT_EQ(size.ints()[1], -1);
    std::string junk = write("junk.pi", std::string(300, 'j'));
    EXPECT_EQ(call("PiInfo", size.record(), junk.c_str()), -1);
    HostVar text = HostVar::text(8);
    EXPECT_EQ(call("PiInfo", text.record(), path.c_str()), 6);
    HostVar one = HostVar::ints(1);
    one.ints()[0] = 77;
    EXPECT_EQ(call("PiInfo", one.record(), path.c_str()), 3);
    EXPECT_EQ(one.ints()[0], 77) << "nothing written";
    EXPECT_EQ(call("PiInfoMem", text.record()), 6);
    EXPECT_EQ(call("PiInfoMem", one.record()), 3);
    EXPECT_EQ(call("PiInfoMem", size.record()), 5);
}

TEST_F(PiCommands, BadFilesNeverCrashAndLeaveTheScreenOnEarlyFailures) {
    Picture p = make_picture(40, 20);
    HostScreen s(40, 20, false);
    std::string path = dir.file("cut.pi");
    for (size_t cut = 0; cut < p.file.size(); cut += 3) {
        write_file(path, p.file.substr(0, cut));
        s.fill({5, 5, 5});
        int32_t r = call("PiLoad", s.record(), path.c_str(), 1, colours.data());
        ASSERT_TRUE(r == 0 || r == -2) << cut << " gave " << r;
        if (r != 0) {
            ASSERT_EQ(s.pixel(0, 0), (Bgr{5, 5, 5})) << cut;
        }
        ASSERT_TRUE(DeleteFileA(path.c_str())) << "left open at " << cut;
    }
    std::string text = write("x.pi", "not a picture");
    EXPECT_EQ(call("PiLoad", s.record(), text.c_str(), 1, colours.data()), -2);
    EXPECT_EQ(call("PiLoad", s.record(), dir.path().c_str(), 1, colours.data()), -3) << "a folder";
}

TEST_F(PiCommands, AboutBox) {
    BoxPresser presser("About the Pi loader", IDOK);
    EXPECT_EQ(call("PiDllAbout"), 0);
    ASSERT_TRUE(presser.wait());
    EXPECT_TRUE(presser.has_icon());
    size_t lines = 1;
    for (char c : presser.text()) lines += c == '\n';
    EXPECT_EQ(lines, 4u) << presser.text();
}

TEST_F(PiCommands, PicSaveBothForms) {
    HostScreen s(101, 9, true);
    s.fill_pattern(3);
    s.set_cursor(10, 2);
    s.set_area(50, 5);
    std::string raw = dir.file("pic.raw");
    ASSERT_EQ(call("PicSave", s.record(), raw.c_str(), 1, 1), 0);
    EXPECT_EQ(read_file(raw).size(), 750u);
    EXPECT_EQ(read_file(dir.file("pic.fal")), "F_ALL(V1.00)\r\n50 5 0 0\r\n   1.00   255   255   255   0\r\n");
    std::string bmp = dir.file("pic.bmp");
    ASSERT_EQ(call("PicSave", s.record(), bmp.c_str(), 1, 0), 0);
    EXPECT_EQ(read_file(bmp).size(), 1078u + 104 * 9);
    ASSERT_EQ(call("PicSave", s.record(), bmp.c_str(), 0, 0), 0);
    EXPECT_EQ(read_file(bmp).size(), 54u + 304 * 9);
    for (const char* f : {"pic.raw", "pic.fal", "pic.bmp"}) EXPECT_TRUE(DeleteFileA(dir.file(f).c_str())) << f;
    EXPECT_EQ(call("PicSave", s.record(), dir.file("no\\such\\x.bmp").c_str(), 0, 0), -2);
}

}  // namespace
}  // namespace qv::test

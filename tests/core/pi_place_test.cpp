// Placing decoded indexes into screens, and the picture writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "buffer_screen.h"
#include "pi/picture_save.h"
#include "pi/place.h"
#include "pnm.h"

namespace qv::pi {
namespace {

using testing::BufferScreen;
using testing::read_bytes;

std::vector<uint8_t> ramp_palette() {
    std::vector<uint8_t> p(768);
    for (int i = 0; i < 256; ++i) {
        p[3 * i] = uint8_t(i);            // red
        p[3 * i + 1] = uint8_t(255 - i);  // green
        p[3 * i + 2] = uint8_t(i / 2);    // blue
    }
    return p;
}

TEST(PlacePi, FullColourAtTheOriginOrTheCursorClipped) {
    const int32_t w = 100, h = 6;
    std::vector<uint8_t> idx(size_t(w) * h);
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = uint8_t(i * 7);
    auto pal = ramp_palette();
    BufferScreen s(40, 10);
    s.set_cursor(30, 8);
    auto before = s.snapshot();
    PlacePi(s.view(), true, idx.data(), w, h, pal.data(), -1);
    // Ten columns and two rows land; everything else stays.
    EXPECT_TRUE(s.unchanged_outside(30, 8, 10, 2, before));
    const uint8_t* p = s.view().at(39, 9);
    uint8_t k = idx[1 * w + 9];
    EXPECT_EQ(p[0], pal[3 * k + 2]);
    EXPECT_EQ(p[1], pal[3 * k + 1]);
    EXPECT_EQ(p[2], pal[3 * k]);
    // Without the cursor bit, or with a cursor outside the screen: column 0 and row 0.
    BufferScreen o(40, 10);
    o.set_cursor(40, -1);
    auto ob = o.snapshot();
    PlacePi(o.view(), true, idx.data(), w, h, pal.data(), -1);
    EXPECT_TRUE(o.unchanged_outside(0, 0, 40, 6, ob));
    EXPECT_EQ(o.view().at(0, 0)[2], pal[0]);
    EXPECT_EQ(placed_rows(o.view(), true, 6), 6);
    EXPECT_EQ(placed_rows(s.view(), true, 6), 2);
    EXPECT_EQ(placed_rows(s.view(), false, 60), 10);
}

TEST(PlacePi, PaletteScreensGetIndexes) {
    std::vector<uint8_t> idx = {9, 8, 7, 6, 5, 4};
    auto pal = ramp_palette();
    BufferScreen s(5, 2, true);
    auto before = s.snapshot();
    PlacePi(s.view(), false, idx.data(), 3, 2, pal.data(), -1);
    EXPECT_TRUE(s.unchanged_outside(0, 0, 3, 2, before));
    EXPECT_EQ(s.view().at(0, 0)[0], 9);
    EXPECT_EQ(s.view().at(2, 1)[0], 4);
}

TEST(PlacePi, TransparentIndexAndTolerance) {
    std::vector<uint8_t> idx = {5, 6, 5, 7};
    auto pal = ramp_palette();
    BufferScreen s(2, 2);
    auto before = s.snapshot();
    PlacePi(s.view(), false, idx.data(), 2, 2, pal.data(), 5);
    EXPECT_EQ(std::memcmp(s.view().at(0, 0), before.data() + BufferScreen::kGuard + s.view().offset(0, 0), 3), 0);
    EXPECT_EQ(s.view().at(1, 0)[2], 6);

    // 256: exactly the entries equal to the screen's colour (red 6, green 249, blue 3).
    BufferScreen t(2, 2);
    t.view().color = 6 | 249 << 8 | 3 << 16;
    auto tb = t.snapshot();
    PlacePi(t.view(), false, idx.data(), 2, 2, pal.data(), 256);
    EXPECT_EQ(std::memcmp(t.view().at(1, 0), tb.data() + BufferScreen::kGuard + t.view().offset(1, 0), 3), 0);
    EXPECT_EQ(t.view().at(0, 0)[2], 5) << "entry 5 differs by one: drawn";
    // 257: within one on every channel: 5, 6 and 7 are all hidden.
    BufferScreen u(2, 2);
    u.view().color = t.view().color;
    auto ub = u.snapshot();
    PlacePi(u.view(), false, idx.data(), 2, 2, pal.data(), 257);
    EXPECT_EQ(std::memcmp(u.view().at(0, 0), ub.data() + BufferScreen::kGuard + u.view().offset(0, 0), 3), 0);
    EXPECT_EQ(std::memcmp(u.view().at(1, 1), ub.data() + BufferScreen::kGuard + u.view().offset(1, 1), 3), 0)
        << "entry 7 differs by at most one on every channel";
    // 384 hides everything within 128; values outside the ranges hide nothing.
    for (int32_t off : {385, -5, 1000}) {
        BufferScreen v(2, 2);
        PlacePi(v.view(), false, idx.data(), 2, 2, pal.data(), off);
        EXPECT_EQ(v.view().at(0, 0)[2], 5) << off;
    }
}

class PictureSave : public ::testing::Test {
protected:
    void TearDown() override {
        for (const char* f : {"qv_a.raw", "qv_a.fal", "qv_a.ipr", "qv_a", "qv_b.bmp"}) std::remove(f);
    }
};

std::string header_name(const char* file, const char* extension) { return header_file_name(file, extension).text; }

TEST(PictureSaveNames, HeaderNamesFollowTheLastComponent) {
    EXPECT_EQ(header_name("a.raw", "fal"), "a.fal");
    EXPECT_EQ(header_name("a", "fal"), "a.fal");
    EXPECT_EQ(header_name("a.b.c", "ipr"), "a.b.ipr");
    EXPECT_EQ(header_name(".raw", "fal"), ".raw.fal");
    EXPECT_EQ(header_name("dir.x\\pic", "fal"), "dir.x\\pic.fal");
    EXPECT_EQ(header_name("dir.x/pic.raw", "ipr"), "dir.x/pic.ipr");
    // A double-byte character whose trail byte is a backslash is no separator.
    EXPECT_EQ(header_name("d.x\\\x95\x5C.raw", "fal"), "d.x\\\x95\x5C.fal");
    EXPECT_EQ(header_name("\x95\x5C.x", "fal"), "\x95\x5C.fal");
    EXPECT_EQ(header_name(std::string(5000, 'n').c_str(), "fal"), std::string(4096, 'n') + ".fal");
}

TEST_F(PictureSave, FalPairOfTheCopyArea) {
    BufferScreen s(80, 40);
    s.set_cursor(10, 10);
    s.view().area_width = 50;
    s.view().area_height = 20;
    ASSERT_EQ(save_picture(s.view(), "qv_a.raw", 1, 1), 0);
    std::string raw = read_bytes("qv_a.raw");
    ASSERT_EQ(raw.size(), 3000u);
    const uint8_t* p = s.view().at(10, 10);
    EXPECT_EQ(uint8_t(raw[0]), p[2]);  // red, green, blue
    EXPECT_EQ(uint8_t(raw[2]), p[0]);
    const uint8_t* q = s.view().at(59, 29);
    EXPECT_EQ(uint8_t(raw[2999]), q[0]);
    EXPECT_EQ(read_bytes("qv_a.fal"), "F_ALL(V1.00)\r\n50 20 0 0\r\n   1.00   255   255   255   0\r\n");
    ASSERT_EQ(save_picture(s.view(), "qv_a.raw", 0, 1), 0);
    EXPECT_EQ(read_bytes("qv_a.ipr"), "50  20  0  0\r\n");
    // No area (below 1): the whole screen from the cursor, cut at the edges.
    s.view().area_width = 0;
    s.view().area_height = -3;
    ASSERT_EQ(save_picture(s.view(), "qv_a", 1, 1), 0);
    EXPECT_EQ(read_bytes("qv_a").size(), size_t(70 * 30 * 3));
    EXPECT_EQ(read_bytes("qv_a.fal").substr(14, 12), "70 30 0 0\r\n ");
}

TEST_F(PictureSave, PaletteScreenFalUsesTheColourTable) {
    BufferScreen s(4, 2, true);
    std::vector<uint8_t> table(1024);
    for (int i = 0; i < 256; ++i) {
        table[4 * i] = uint8_t(i);  // blue
        table[4 * i + 1] = 7;
        table[4 * i + 2] = uint8_t(255 - i);
    }
    s.view().palette = table.data();
    s.view().at(0, 0)[0] = 3;
    ASSERT_EQ(save_picture(s.view(), "qv_a.raw", 2, 1), 0);
    std::string raw = read_bytes("qv_a.raw");
    ASSERT_EQ(raw.size(), 24u);
    EXPECT_EQ(uint8_t(raw[0]), 252);
    EXPECT_EQ(uint8_t(raw[1]), 7);
    EXPECT_EQ(uint8_t(raw[2]), 3);
}

struct Bmp {
    uint32_t size, offset, width, height, image;
    uint16_t bits;
};

Bmp bmp_of(const std::string& f) {
    auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(f[at])) | uint32_t(uint8_t(f[at + 1])) << 8 | uint32_t(uint8_t(f[at + 2])) << 16 |
               uint32_t(uint8_t(f[at + 3])) << 24;
    };
    return {u32(2), u32(10), u32(18), u32(22), u32(34), uint16_t(uint8_t(f[28]) | uint8_t(f[29]) << 8)};
}

TEST_F(PictureSave, Bitmaps) {
    BufferScreen s(101, 3, true);
    std::vector<uint8_t> table(1024);
    for (int i = 0; i < 1024; ++i) table[i] = uint8_t(i * 3);
    s.view().palette = table.data();
    ASSERT_EQ(save_picture(s.view(), "qv_b.bmp", 1, 0), 0);
    std::string f = read_bytes("qv_b.bmp");
    Bmp b = bmp_of(f);
    EXPECT_EQ(b.bits, 8);
    EXPECT_EQ(b.offset, 1078u);
    EXPECT_EQ(b.image, 104u * 3);
    EXPECT_EQ(b.size, 1078u + 312);
    EXPECT_EQ(f.size(), 1078u + 312);
    EXPECT_EQ(f.substr(54, 1024), std::string(table.begin(), table.end()));
    EXPECT_EQ(std::memcmp(f.data() + 1078, s.view().pixels, 312), 0);

    for (int32_t kind : {0, 2}) {
        ASSERT_EQ(save_picture(s.view(), "qv_b.bmp", kind, 5), 0);
        f = read_bytes("qv_b.bmp");
        b = bmp_of(f);
        EXPECT_EQ(b.bits, 24);
        EXPECT_EQ(b.offset, 54u);
        EXPECT_EQ(b.image, 304u * 3) << "rows of a 101-pixel palette screen as 24 bits: 304 bytes";
        EXPECT_EQ(f.size(), 54u + 912);
        uint8_t k = s.view().at(100, 0)[0];  // top row: the file's last row
        EXPECT_EQ(uint8_t(f[54 + 2 * 304 + 300]), table[4 * k]);
        EXPECT_EQ(uint8_t(f[54 + 2 * 304 + 302]), table[4 * k + 2]);
        EXPECT_EQ(f[54 + 303], 0) << "filler bytes are 0";
    }
    BufferScreen c(5, 2);
    ASSERT_EQ(save_picture(c.view(), "qv_b.bmp", 1, 0), 0) << "kind 1 on a full-colour screen: 24-bit";
    f = read_bytes("qv_b.bmp");
    EXPECT_EQ(bmp_of(f).bits, 24);
    EXPECT_EQ(std::memcmp(f.data() + 54, c.view().pixels, 32), 0);
}

TEST_F(PictureSave, FailuresNameTheirStep) {
    BufferScreen s(4, 4);
    EXPECT_EQ(save_picture(s.view(), "no-such-folder/x.bmp", 0, 0), -2);
    EXPECT_EQ(save_picture(s.view(), "no-such-folder/x.raw", 1, 1), -2);
    EXPECT_EQ(save_picture(s.view(), nullptr, 1, 1), -2);
#ifndef _WIN32
    // A full device: the first write that reaches it fails.
    EXPECT_EQ(save_picture(s.view(), "/dev/full", 0, 0), -3);
    EXPECT_EQ(save_picture(s.view(), "/dev/full", 1, 1), -6);
#endif
}

TEST_F(PictureSave, BitmapsReadByImageMagickPixelForPixel) {
#ifdef _WIN32
    GTEST_SKIP() << "ImageMagick runs on the native build only";
#else
    for (bool palette : {false, true})
        for (int32_t kind : {0, 1}) {
            BufferScreen s(101, 7, palette);
            std::vector<uint8_t> table(1024);
            for (int i = 0; i < 1024; ++i) table[i] = uint8_t(i * 7 + 1);
            s.view().palette = table.data();
            ASSERT_EQ(save_picture(s.view(), "qv_b.bmp", kind, 0), 0);
            std::FILE* p = popen("convert qv_b.bmp -depth 8 rgb:- 2>/dev/null", "r");
            ASSERT_NE(p, nullptr);
            std::string rgb;
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) rgb.append(buf, n);
            ASSERT_EQ(pclose(p), 0);
            ASSERT_EQ(rgb.size(), size_t(101 * 7 * 3)) << palette << kind;
            for (int32_t y = 0; y < 7; ++y)
                for (int32_t x = 0; x < 101; ++x) {
                    const uint8_t* q = s.view().at(x, y);
                    uint8_t r = palette ? table[4 * q[0] + 2] : q[2];
                    uint8_t b = palette ? table[4 * q[0]] : q[0];
                    ASSERT_EQ(uint8_t(rgb[(size_t(y) * 101 + x) * 3]), r) << x << "," << y;
                    ASSERT_EQ(uint8_t(rgb[(size_t(y) * 101 + x) * 3 + 2]), b) << x << "," << y;
                }
        }
#endif
}

}  // namespace
}  // namespace qv::pi

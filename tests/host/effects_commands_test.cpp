// The colour effects and filters through the DLL's exports, compared pixel for pixel with
// the plain reference versions on random pictures, random arguments and rectangles at every
// edge of the screen; and the results each command gives for its argument errors.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "effects_reference.h"
#include "host_fixture.h"

namespace qv::test {
namespace {

namespace ref = qv::reference;

struct Rng {
    uint32_t state;
    int32_t next(int32_t lo, int32_t hi) {  // lo..hi inclusive (lo when hi < lo)
        state = state * 1664525u + 1013904223u;
        if (hi < lo) return lo;
        return lo + int32_t((state >> 8) % uint32_t(hi - lo + 1));
    }
};

int rand15() { return std::rand(); }  // the same msvcrt generator the DLL draws from

// A buffer copy of a screen as the reference's working picture.
struct Copy {
    std::vector<uint8_t> bytes;
    Screen view;
    explicit Copy(const HostScreen& s) : bytes(s.bytes()), view(s.view()) { view.pixels = bytes.data(); }
};

// Positions and sizes that reach every edge: inside, across each edge, outside, zero.
void random_position(Rng& r, HostScreen& s) {
    const int32_t w = s.width(), h = s.height();
    switch (r.next(0, 5)) {
        case 0: s.set_cursor(0, 0); break;
        case 1: s.set_cursor(w - 1, h - 1); break;
        case 2: s.set_cursor(r.next(-3, -1), r.next(0, h - 1)); break;
        case 3: s.set_cursor(r.next(0, w - 1), r.next(h, h + 3)); break;
        default: s.set_cursor(r.next(0, w - 1), r.next(0, h - 1)); break;
    }
    s.set_area(r.next(-1, w + 2), r.next(-1, h + 2));
}

class Effects : public ::testing::Test {
protected:
    void SetUp() override {
        call("SetChangeCol", 0, 0, 0, 0);
        call("SetChangeCol", 0, 0, 0, 1);
        call("ChangeColMode", 0);
        call("SetMixColour", 0, 0, 0, 50);
        call("SetMosaicSize", 4, 4);
    }
    void TearDown() override { SetUp(); }
    // Compares the screen with the reference copy, reporting the first difference.
    static ::testing::AssertionResult same(const HostScreen& s, const Copy& c) {
        auto now = s.bytes();
        for (size_t i = 0; i < now.size(); ++i)
            if (now[i] != c.bytes[i])
                return ::testing::AssertionFailure() << "byte " << i << " is " << int(now[i]) << ", reference "
                                                     << int(c.bytes[i]);
        return ::testing::AssertionSuccess();
    }
    HostScreen s{37, 23, false, "effects"};
    Rng rng{12345};
};

TEST_F(Effects, ConversionsByHand) {
    HostVar v = HostVar::ints(3);
    auto check = [&](const char* cmd, int a, int b, int c, int x, int y, int z) {
        ASSERT_EQ(call(cmd, v.record(), a, b, c), 0) << cmd;
        EXPECT_EQ(v.ints()[0], x) << cmd << " " << a << " " << b << " " << c;
        EXPECT_EQ(v.ints()[1], y) << cmd << " " << a << " " << b << " " << c;
        EXPECT_EQ(v.ints()[2], z) << cmd << " " << a << " " << b << " " << c;
    };
    check("RGBtoHSV", 255, 0, 0, 359, 255, 255);
    check("RGBtoHSV", 0, 255, 0, 120, 255, 255);
    check("RGBtoHSV", 0, 0, 255, 240, 255, 255);
    check("RGBtoHSV", 0, 0, 0, 0, 255, 0);
    check("RGBtoHSV", 128, 128, 128, 0, 0, 128);
    check("RGBtoHSV", 300, -5, 0, 359, 255, 255);  // inputs clamped first
    check("RGBtoHSV", 200, 100, 50, 20, 191, 200);  // (100-50)*60/150 = 20; 150*255/200 = 191
    check("HSVtoRGB", 123, 0, 77, 77, 77, 77);
    check("HSVtoRGB", 400, 255, 255, 255, 0, 5);    // hue 359: t = 255*59/60 = 250, B = 255 - 250
    check("HSVtoRGB", 90, 255, 200, 100, 200, 0);   // f 30: t = 100; below 120: (V-t, V, m)
    check("RGBtoYCC", 255, 255, 255, 255, 0, 0);
    check("RGBtoYCC", 255, 0, 0, 76, -76, 179);
    check("YCCtoRGB", 255, 0, 0, 255, 255, 255);
    check("YCCtoRGB", 76, -76, 179, 255, 0, 0);
    check("YCCtoRGB", 0, -999, 999, 255, 0, 0);     // cb -255, cr 255: R 255, B 0, G 0
    // Every RGB triple of a coarse grid round-trips through the references exactly.
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 51) {
                ref::HSV h = ref::rgb_to_hsv(r, g, b);
                ASSERT_EQ(call("RGBtoHSV", v.record(), r, g, b), 0);
                ASSERT_EQ(v.ints()[0], h.h);
                ASSERT_EQ(v.ints()[1], h.s);
                ASSERT_EQ(v.ints()[2], h.v);
            }
    HostVar text = HostVar::text(16);
    EXPECT_EQ(call("HSVtoRGB", text.record(), 1, 2, 3), 6);
    HostVar two = HostVar::ints(2);
    two.ints()[0] = 99;
    EXPECT_EQ(call("RGBtoYCC", two.record(), 1, 2, 3), 3);
    EXPECT_EQ(two.ints()[0], 99);
}

TEST_F(Effects, GChangeColMatchesTheReference) {
    for (int round = 0; round < 40; ++round) {
        s.fill_pattern(uint32_t(round));
        random_position(rng, s);
        // Often a colour present in the picture, so that exact matches happen.
        Bgr p = s.pixel(rng.next(0, 36), rng.next(0, 22));
        s.set_color(round % 2 ? uint32_t(p.r | p.g << 8 | p.b << 16) : uint32_t(rng.next(0, 0xFFFFFF)));
        int mode = rng.next(0, 1);
        ref::RGB match{rng.next(0, 255), rng.next(0, 255), rng.next(0, 255)};
        ref::RGB other{rng.next(0, 255), rng.next(0, 255), rng.next(0, 255)};
        call("ChangeColMode", mode);
        call("SetChangeCol", match.r + 256, match.g, match.b, 0);  // low 8 bits count
        call("SetChangeCol", other.r, other.g, other.b, 7);
        int tol[3] = {rng.next(0, 300), rng.next(0, 60), rng.next(0, 60)};
        Copy c(s);
        ref::change_colours(c.view, tol[0] & 255, tol[1] & 255, tol[2] & 255, match, other, mode);
        ASSERT_EQ(call("GChangeCol", s.record(), tol[0], tol[1], tol[2]), 0);
        ASSERT_TRUE(same(s, c)) << "round " << round;
    }
}

TEST_F(Effects, ToneChangeMatchesTheReferenceAndChecksItsArguments) {
    for (int round = 0; round < 40; ++round) {
        s.fill_pattern(uint32_t(round + 100));
        int mode = round % 3 == 0 ? 1 : round % 3 == 1 ? -1 : 0;
        int level = mode ? rng.next(1, 255) : rng.next(1, 1000);
        int cx = rng.next(0, 36), cy = rng.next(0, 22);
        s.set_cursor(cx, cy);
        s.set_area(rng.next(0, 37 - cx), rng.next(0, 23 - cy));
        Copy c(s);
        if (level != 100 && s.record()->area_width > 0 && s.record()->area_height > 0) ref::tone_change(c.view, level, mode);
        ASSERT_EQ(call("ToneChange", s.record(), level, mode, 0), 0) << round;
        ASSERT_TRUE(same(s, c)) << "round " << round << " level " << level << " mode " << mode;
    }
    auto before = s.bytes();
    s.set_cursor(0, 0);
    s.set_area(37, 23);
    EXPECT_EQ(call("ToneChange", s.record(), 256, 1, 0), 3);
    EXPECT_EQ(call("ToneChange", s.record(), 1001, 0, 0), 3);
    EXPECT_EQ(call("ToneChange", s.record(), 0, 0, 0), 3);
    EXPECT_EQ(call("ToneChange", s.record(), 100, 1, 0), 0);
    s.set_area(38, 23);
    EXPECT_EQ(call("ToneChange", s.record(), 50, 0, 0), 3) << "no clipping";
    s.set_cursor(-1, 0);
    s.set_area(5, 5);
    EXPECT_EQ(call("ToneChange", s.record(), 50, 0, 0), 3);
    s.set_cursor(0, 0);
    s.set_area(0, 5);
    EXPECT_EQ(call("ToneChange", s.record(), 50, 0, 0), 0) << "no default to the whole screen";
    EXPECT_EQ(s.bytes(), before);
}

TEST_F(Effects, ToneChangeOnAPaletteScreenScalesAndInstallsThePalette) {
    HostScreen p(8, 8, true, "tone palette");
    std::vector<uint8_t> colours(768);
    for (int i = 0; i < 768; ++i) colours[i] = uint8_t(i % 256);
    EXPECT_EQ(call("ToneChange", p.record(), 256, 0, colours.data()), 3);
    ASSERT_EQ(call("ToneChange", p.record(), 150, 0, colours.data()), 0);
    EXPECT_EQ(colours[100], 150);
    EXPECT_EQ(colours[200], 255);
    auto* table = reinterpret_cast<RGBQUAD*>(uintptr_t(p.record()->palette));
    EXPECT_EQ(table[33].rgbRed, colours[99]);
    EXPECT_EQ(table[33].rgbBlue, colours[101]);
    ASSERT_EQ(call("ToneChange", p.record(), -50, 0, colours.data()), 0);
    EXPECT_EQ(colours[100], 0) << "negative levels give 0, never a wrapped byte";
}

TEST_F(Effects, MonotoneMatchesTheReference) {
    for (int round = 0; round < 30; ++round) {
        s.fill_pattern(uint32_t(round + 200));
        random_position(rng, s);
        int hue = rng.next(-20, 380), sat = rng.next(-20, 280);
        Copy c(s);
        ref::monotone(c.view, (hue < 0 || hue > 359) ? 0 : hue, (sat < 0 || sat > 255) ? 0 : sat);
        ASSERT_EQ(call("Monotone", s.record(), hue, sat), 0);
        ASSERT_TRUE(same(s, c)) << round;
    }
    s.fill({0, 0, 255});
    s.set_cursor(0, 0);
    s.set_area(0, 0);
    ASSERT_EQ(call("Monotone", s.record(), 0, 0), 0);
    EXPECT_EQ(s.pixel(3, 3), (Bgr{76, 76, 76}));
}

TEST_F(Effects, NoiseMatchesTheReferenceWithTheSameSeed) {
    for (int round = 0; round < 30; ++round) {
        s.fill_pattern(uint32_t(round + 300));
        s.set_cursor(rng.next(-10, 40), rng.next(-10, 25));
        int w = rng.next(0, 50), h = rng.next(0, 30), amount = rng.next(0, 100);
        bool ld = round % 2;
        Copy c(s);
        std::srand(unsigned(round));
        if (w > 0 && h > 0) {
            if (ld) ref::noise_ld(c.view, s.record()->cursor_x, s.record()->cursor_y, w, h, amount, rand15);
            else ref::noise_col(c.view, s.record()->cursor_x, s.record()->cursor_y, w, h, amount, rand15);
        }
        std::srand(unsigned(round));
        ASSERT_EQ(call(ld ? "NoiseLD" : "NoiseCol", s.record(), w, h, amount), 0);
        ASSERT_TRUE(same(s, c)) << round;
    }
    EXPECT_EQ(call("NoiseCol", s.record(), 5, 5, 101), -1);
    EXPECT_EQ(call("NoiseLD", s.record(), 5, 5, -1), -1);
}

TEST_F(Effects, NoiseOnLargeAreasDrawsTheSeededSequence) {
    // Areas of thousands of numbers (where the DLL steps the runtime's generator itself):
    // the same picture as the reference drawing through rand, and rand goes on afterwards
    // where the reference left it. Seeds with bit 31 set included.
    HostScreen big(400, 300, false, "noise");
    const unsigned seeds[] = {1, 0x80000001u, 0xFFFFFFFFu, 4242};
    for (int round = 0; round < 8; ++round) {
        big.fill_pattern(uint32_t(round + 900));
        big.set_cursor(rng.next(-50, 150), rng.next(-50, 100));  // at least 150 x 150 inside
        const int w = rng.next(200, 450), h = rng.next(200, 350), amount = rng.next(0, 100);
        const bool ld = round % 2;
        Copy c(big);
        std::srand(seeds[round % 4]);
        const int32_t x = big.record()->cursor_x, y = big.record()->cursor_y;
        if (ld) ref::noise_ld(c.view, x, y, w, h, amount, rand15);
        else ref::noise_col(c.view, x, y, w, h, amount, rand15);
        const int next = std::rand();
        std::srand(seeds[round % 4]);
        ASSERT_EQ(call(ld ? "NoiseLD" : "NoiseCol", big.record(), w, h, amount), 0);
        ASSERT_TRUE(same(big, c)) << round;
        EXPECT_EQ(std::rand(), next) << round;
    }
}

TEST_F(Effects, HalfToneMatchesTheReference) {
    for (int round = 0; round < 30; ++round) {
        s.fill_pattern(uint32_t(round + 400));
        s.set_cursor(rng.next(-5, 40), rng.next(-5, 25));
        int w = rng.next(1, 37), h = rng.next(0, 23), channels = rng.next(0, 15), ratio = rng.next(0, 100);
        ref::RGB mix{rng.next(0, 255), rng.next(0, 255), rng.next(0, 255)};
        call("SetMixColour", mix.r, mix.g, mix.b, ratio);
        Copy c(s);
        int cw = s.record()->cursor_x + w > 37 ? 37 - s.record()->cursor_x : w;
        int ch = s.record()->cursor_y + h > 23 ? 23 - s.record()->cursor_y : h;
        if ((channels & 7) && ratio && ch >= 1)
            ref::half_tone(c.view, s.record()->cursor_x, s.record()->cursor_y, cw, ch, channels, mix, ratio);
        ASSERT_EQ(call("HalfTone", s.record(), w, h, channels), 0) << round;
        ASSERT_TRUE(same(s, c)) << round;
    }
    EXPECT_EQ(call("HalfTone", s.record(), 0, 5, 7), 3);
    EXPECT_EQ(call("HalfTone", s.record(), 38, 5, 7), 3);
    EXPECT_EQ(call("HalfTone", s.record(), 5, 24, 7), 3);
    // The default ratio 50 toward black halves every component.
    call("SetMixColour", 0, 0, 0, 50);
    s.fill({200, 101, 7});
    s.set_cursor(0, 0);
    ASSERT_EQ(call("HalfTone", s.record(), 37, 23, 7), 0);
    EXPECT_EQ(s.pixel(36, 22), (Bgr{100, 50, 3}));
}

TEST_F(Effects, PaletteScreensAreRefusedByThePixelEffects) {
    HostScreen p(16, 16, true, "palette refusals");
    auto before = p.bytes();
    EXPECT_EQ(call("GChangeCol", p.record(), 0, 0, 0), -1);
    EXPECT_EQ(call("Monotone", p.record(), 0, 0), -1);
    EXPECT_EQ(call("NoiseCol", p.record(), 4, 4, 10), -1);
    EXPECT_EQ(call("NoiseLD", p.record(), 4, 4, 10), -1);
    EXPECT_EQ(call("HalfTone", p.record(), 4, 4, 7), -1);
    EXPECT_EQ(call("GMatrix", p.record(), 4, 4, 0) == -1 || call("GMatrix", p.record(), 4, 4, 0) == -255, true);
    EXPECT_EQ(call("Edge", p.record(), 4, 4), -1);
    EXPECT_EQ(call("OutLine", p.record(), 4, 4), -1);
    EXPECT_EQ(call("Median", p.record(), 4, 4, 0), -1);
    EXPECT_EQ(call("Emboss", p.record(), 4, 4), -1);
    EXPECT_EQ(call("Nijimi", p.record(), 4, 4, 0), -1);
    EXPECT_EQ(call("Rough", p.record(), 4, 4, 3), -1);
    EXPECT_EQ(p.bytes(), before);
}

// A screen of width 0 has no pixel: every effect leaves the memory around its buffer alone
// (Emboss once wrote before it) whatever its position and sizes.
TEST_F(Effects, ZeroWidthScreensAreLeftAlone) {
    std::vector<uint8_t> guard(4096, 0xAB);
    host::BMSCR rec = *s.record();
    rec.width = 0;
    rec.height = 4;
    rec.area_width = rec.area_height = 0;
    rec.pixels = host::Word(uintptr_t(guard.data() + 2048));
    const std::pair<const char*, std::array<int32_t, 3>> cases[] = {
        {"Emboss", {0, 0, 0}},  {"Emboss", {5, 3, 0}},    {"GMatrix", {4, 4, 0}}, {"Edge", {4, 4, 0}},
        {"OutLine", {4, 4, 0}}, {"Median", {4, 4, 0}},    {"Nijimi", {4, 4, 2}},  {"Rough", {4, 4, 3}},
        {"Monotone", {0, 0, 0}}, {"GChangeCol", {9, 9, 9}}, {"HalfTone", {4, 4, 7}}, {"Mosaic", {4, 4, 0}},
    };
    for (auto [name, args] : cases) {
        const int32_t got = call(name, &rec, args[0], args[1], args[2]);
        if (std::string(name) == "Emboss") {
            EXPECT_EQ(got, 0);
        }
        EXPECT_EQ(std::count(guard.begin(), guard.end(), 0xAB), 4096) << name;
    }
}

TEST_F(Effects, ConvolutionMatchesTheReference) {
    HostVar m = HostVar::ints(49);
    for (int round = 0; round < 24; ++round) {
        s.fill_pattern(uint32_t(round + 500));
        int matrix[49];
        for (int i = 0; i < 49; ++i) matrix[i] = m.ints()[i] = rng.next(-9, 9) * (rng.next(0, 2) ? 1 : 0);
        int divisor = rng.next(-20, 40);
        ASSERT_EQ(call("SetMatrix", m.record(), divisor), 0);
        int cx = rng.next(0, 36), cy = rng.next(0, 22), w = rng.next(-1, 45), h = rng.next(-1, 30), size = rng.next(0, 7);
        s.set_cursor(cx, cy);
        Copy c(s);
        static const int radius[4] = {1, 2, 3, 3};
        ref::convolve(c.view, cx, cy, std::min(w, 37 - cx), std::min(h, 23 - cy), matrix, divisor ? divisor : 1,
                      radius[size & 3]);
        ASSERT_EQ(call("GMatrix", s.record(), w, h, size), 0) << round;
        ASSERT_TRUE(same(s, c)) << round;
    }
    s.set_cursor(37, 0);
    EXPECT_EQ(call("GMatrix", s.record(), 5, 5, 0), 3);
    HostVar small = HostVar::ints(48);
    EXPECT_EQ(call("SetMatrix", small.record(), 1), -2);
    HostVar text = HostVar::text(256);
    EXPECT_EQ(call("SetMatrix", text.record(), 1), -1);
}

TEST_F(Effects, FiltersOverLargeScreensSplitIntoBandsGiveTheReferencePicture) {
    // 6 megapixels: large enough for the DLL to filter in bands on every core under Wine
    // too (each band then holds its edge rows until the others are done).
    HostScreen big(3000, 2000, false);
    big.fill_pattern(77);
    HostVar m = HostVar::ints(49);
    int matrix[49];
    for (int i = 0; i < 49; ++i) matrix[i] = m.ints()[i] = rng.next(-9, 9);
    ASSERT_EQ(call("SetMatrix", m.record(), 13), 0);
    big.set_cursor(0, 0);
    Copy c(big);
    ref::convolve(c.view, 0, 0, 3000, 2000, matrix, 13, 3);
    ASSERT_EQ(call("GMatrix", big.record(), 3000, 2000, 2), 0);
    EXPECT_TRUE(same(big, c));
    ref::median(c.view, 0, 0, 3000, 2000, 0);
    ASSERT_EQ(call("Median", big.record(), 3000, 2000, 0), 0);
    EXPECT_TRUE(same(big, c));
}

TEST_F(Effects, FiltersOnAScreenTooWideForThirtyTwoBitSizesAnswerNoMemoryOrFilter) {
    // 28.4 million pixels by 6 rows (511 MB, which a 32-bit host can hold): the bands' memory
    // is more than a 32-bit size can count, and must be refused, not wrapped to a small block.
    host::BMSCR s{};
    s.width = 28'400'000;
    s.height = 6;
    const size_t bytes = ((3 * size_t(s.width) + 3) & ~size_t(3)) * size_t(s.height);
    void* pixels = VirtualAlloc(nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    if (!pixels) GTEST_SKIP() << "no room for a 511 MB screen in this process";
    s.pixels = host::Word(uintptr_t(pixels));
    HostVar m = HostVar::ints(49);
    m.ints()[24] = 1;
    ASSERT_EQ(call("SetMatrix", m.record(), 1), 0);
    for (const char* filter : {"GMatrix", "Median", "Nijimi", "Edge"}) {
        const int32_t r = call(filter, &s, s.width, s.height, 2);
        EXPECT_TRUE(r == 0 || r == -2) << filter << " gave " << r;
    }
    VirtualFree(pixels, 0, MEM_RELEASE);
}

TEST_F(Effects, EdgeAndOutLineLoadTheirMatrices) {
    const int edge[49] = {0, 0, 0, 0,  0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -2, -1, 0, 0, 0, 0, -2, 20,
                          -2, 0, 0, 0, 0, -1, -2, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    s.fill_pattern(9);
    s.set_cursor(0, 0);
    Copy c(s);
    ref::convolve(c.view, 0, 0, 37, 23, edge, 8, 1);
    ASSERT_EQ(call("Edge", s.record(), 100, 100), 0);
    ASSERT_TRUE(same(s, c));
    ref::convolve(c.view, 0, 0, 37, 23, edge, 8, 1);
    ASSERT_EQ(call("GMatrix", s.record(), 100, 100, 4), 0) << "GMatrix repeats the sharpening; size 4 is 3x3";
    ASSERT_TRUE(same(s, c));
    s.fill({90, 90, 90});
    ASSERT_EQ(call("OutLine", s.record(), 100, 100), 0);
    EXPECT_EQ(s.pixel(10, 10), (Bgr{0, 0, 0})) << "a uniform area becomes black";
    s.fill({90, 90, 90});
    ASSERT_EQ(call("Edge", s.record(), 100, 100), 0);
    EXPECT_EQ(s.pixel(10, 10), (Bgr{90, 90, 90}));
    EXPECT_GT(s.pixel(0, 10).r, 90) << "brighter along the border";
}

TEST_F(Effects, MedianMatchesTheReference) {
    for (int round = 0; round < 24; ++round) {
        s.fill_pattern(uint32_t(round + 600));
        int mode = rng.next(0, 4), cx = rng.next(0, 36), cy = rng.next(0, 22), w = rng.next(3, 45), h = rng.next(3, 30);
        s.set_cursor(cx, cy);
        Copy c(s);
        ref::median(c.view, cx, cy, std::min(w, 37 - cx), std::min(h, 23 - cy), mode);
        ASSERT_EQ(call("Median", s.record(), w, h, mode), 0) << round;
        ASSERT_TRUE(same(s, c)) << round << " mode " << mode;
    }
    EXPECT_EQ(call("Median", s.record(), 2, 5, 0), -255);
    EXPECT_EQ(call("Median", s.record(), 5, 2, 0), -255);
    s.set_cursor(-1, 0);
    EXPECT_EQ(call("Median", s.record(), 5, 5, 0), 3);
}

TEST_F(Effects, EmbossMatchesTheReference) {
    for (int round = 0; round < 20; ++round) {
        s.fill_pattern(uint32_t(round + 700));
        s.set_cursor(rng.next(-3, 40), rng.next(-3, 25));
        int w = rng.next(-2, 45), h = rng.next(-2, 30);
        Copy c(s);
        int x0 = s.record()->cursor_x, y0 = s.record()->cursor_y;
        if (x0 < 0 || x0 >= 37) x0 = 0;
        if (y0 < 0 || y0 >= 23) y0 = 0;
        int ew = w < 1 ? 37 : w, eh = h < 1 ? 23 : h;
        ref::emboss(c.view, x0, y0, std::min(ew, 37 - x0), std::min(eh, 23 - y0));
        ASSERT_EQ(call("Emboss", s.record(), w, h), 0);
        ASSERT_TRUE(same(s, c)) << round;
    }
    s.fill({50, 60, 70});
    ASSERT_EQ(call("Emboss", s.record(), 0, 0), 0);
    EXPECT_EQ(s.pixel(5, 5), (Bgr{127, 127, 127}));
}

TEST_F(Effects, MosaicMatchesTheReferenceAndChecksItsRectangle) {
    for (int round = 0; round < 20; ++round) {
        s.fill_pattern(uint32_t(round + 800));
        int cw = rng.next(1, 6), ch = rng.next(1, 6);
        call("SetMosaicSize", cw, ch);
        int cx = rng.next(0, 30), cy = rng.next(0, 18);
        int w = rng.next(cw, 37 - cx), h = rng.next(ch, 23 - cy);
        if (w < cw || h < ch || cx + w > 37 || cy + h > 23) continue;
        s.set_cursor(cx, cy);
        Copy c(s);
        ref::mosaic(c.view, cx, cy, w, h, cw, ch);
        ASSERT_EQ(call("Mosaic", s.record(), w, h), 0) << round;
        ASSERT_TRUE(same(s, c)) << round;
    }
    call("SetMosaicSize", 4, 4);
    s.set_cursor(0, 0);
    EXPECT_EQ(call("Mosaic", s.record(), 3, 8), 3);
    EXPECT_EQ(call("Mosaic", s.record(), 38, 8), 3);
    s.set_cursor(-1, 0);
    EXPECT_EQ(call("Mosaic", s.record(), 8, 8), 3);
    s.set_cursor(0, 0);
    for (auto [cw, ch] : {std::pair{0, 4}, {4, 0}, {-2, 4}}) {
        call("SetMosaicSize", cw, ch);
        auto before = s.bytes();
        EXPECT_EQ(call("Mosaic", s.record(), 8, 8), 3) << cw << "x" << ch;
        EXPECT_EQ(s.bytes(), before);
    }
}

TEST_F(Effects, MosaicOnAPaletteScreenGoesThroughGdi) {
    HostScreen p(16, 8, true, "mosaic palette");  // grey ramp: index i is (i, i, i)
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 16; ++x) p.at(x, y)[0] = uint8_t(x * 10 + y);
    ASSERT_EQ(call("Mosaic", p.record(), 10, 8), 0);
    // Cell (0,0): indexes x*10+y for x, y in 0..3 average to 16 (grey 16): index 16.
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) ASSERT_EQ(p.at(x, y)[0], 16) << x << "," << y;
    EXPECT_EQ(p.at(4, 0)[0], 56) << "the next cell: (4..7)*10 + (0..3) averages 56";
    EXPECT_EQ(p.at(8, 0)[0], 80) << "columns 8 and 9 are an incomplete cell: unchanged";
}

TEST_F(Effects, NijimiMatchesTheReference) {
    static const int m3[49] = {0, 0, 0, 2,   0, 0, 0, 0, 0, 2, 8, 4, 0, 0, 0, 2,  8, 32, 8, 2, 0, 2, 8, 32, 255,
                               32, 8, 2, 0, 2, 8, 32, 8, 2, 0, 0, 0, 2, 8, 4, 0, 0, 0, 0, 0, 2, 0, 0, 0};
    int ones[49];
    for (int& v : ones) v = 1;
    static const int m1[49] = {4,  8,  16, 32,  16, 8,  4,  8,  16, 32, 64, 32, 16, 8,  16, 32, 64,
                               128, 64, 32, 16, 32, 64, 128, 255, 128, 64, 32, 16, 32, 64, 128, 64, 32,
                               16, 8,  16, 32, 64, 32, 16, 8,  4,  8,  16, 32, 16, 8,  4};
    for (int round = 0; round < 32; ++round) {
        s.fill_pattern(uint32_t(round + 900));
        int cx = rng.next(0, 36), cy = rng.next(0, 22), w = rng.next(0, 45), h = rng.next(0, 30);
        // Matrix 3 over 7x7, the box over 3x3 and 5x5, matrix 1 over 3x3, 5x5 and 7x7.
        static const int styles[8] = {0x23, 0x00, 0x23, 0x14, 0x01, 0x11, 0x21, 0x36};
        int style = styles[round % 8];
        int matrix = style & 7, window = (style >> 4) & 7;
        s.set_cursor(cx, cy);
        Copy c(s);
        ref::nijimi(c.view, cx, cy, std::min(w, 37 - cx), std::min(h, 23 - cy),
                    matrix == 3 ? m3 : matrix == 1 ? m1 : ones, window == 0 ? 1 : window == 1 ? 2 : 3);
        ASSERT_EQ(call("Nijimi", s.record(), w, h, style), 0) << round;
        ASSERT_TRUE(same(s, c)) << round << " style " << style;
    }
    s.fill({33, 66, 99});
    s.set_cursor(0, 0);
    ASSERT_EQ(call("Nijimi", s.record(), 37, 23, 0x21), 0);
    EXPECT_EQ(s.pixel(0, 0), (Bgr{33, 66, 99})) << "a uniform picture stays, corners too";
}

TEST_F(Effects, RoughMatchesTheReference) {
    for (int bits = 0; bits <= 17; ++bits) {
        s.fill_pattern(uint32_t(bits));
        s.set_cursor(rng.next(-5, 36), rng.next(-5, 22));
        int w = rng.next(1, 37), h = rng.next(0, 23);
        Copy c(s);
        int expected = bits < 1 || bits > 16 ? 1 : 0;
        if (expected == 0 && bits != 8 && bits != 16) {
            int cw = s.record()->cursor_x + w > 37 ? 37 - s.record()->cursor_x : w;
            int ch = s.record()->cursor_y + h > 23 ? 23 - s.record()->cursor_y : h;
            ref::rough(c.view, s.record()->cursor_x, s.record()->cursor_y, cw, ch, bits);
        }
        ASSERT_EQ(call("Rough", s.record(), w, h, bits), expected) << bits;
        ASSERT_TRUE(same(s, c)) << bits;
    }
    s.fill({255, 128, 0});
    s.set_cursor(0, 0);
    ASSERT_EQ(call("Rough", s.record(), 37, 23, 9), 0);
    EXPECT_EQ(s.pixel(0, 0), (Bgr{255, 192, 0}));
    EXPECT_EQ(call("Rough", s.record(), 0, 5, 3), 3);
    EXPECT_EQ(call("Rough", s.record(), 38, 5, 3), 3);
}

TEST_F(Effects, DisperMatchesTheReferenceWithTheSameSeed) {
    HostScreen big(70, 50, false, "disper");
    HostScreen pal(40, 40, true, "disper palette");
    for (HostScreen* t : {&big, &pal}) {
        t->fill_pattern(4);
        t->set_cursor(3, 5);
        Copy c(*t);
        std::srand(77);
        ref::disper(c.view, 3, 5, 37, 33, rand15);
        std::srand(77);
        ASSERT_EQ(call("Disper", t->record(), 37, 33), 0);
        ASSERT_TRUE(same(*t, c));
    }
    big.set_cursor(0, 0);
    EXPECT_EQ(call("Disper", big.record(), 31, 40), 3);
    big.set_cursor(40, 0);
    EXPECT_EQ(call("Disper", big.record(), 32, 32), 3);
    big.set_cursor(38, 18);
    EXPECT_EQ(call("Disper", big.record(), 32, 32), 0);
}

}  // namespace
}  // namespace qv::test

// The keyed-copy and blending commands through the DLL's exports, on real screens.
#include <vector>

#include "host_fixture.h"

namespace qv::test {
namespace {

class Compose : public ::testing::Test {
protected:
    void SetUp() override {
        call("GMergeParam", 512, 512, 0, 0);
        call("SetBMNo", 0);
        call("SetBMSCR", 0, 0, 0);  // no table screen
    }
    void TearDown() override { SetUp(); }
};

TEST_F(Compose, KeyedCopyAndBlend) {
    HostScreen dst(10, 6, false), src(10, 6, false), key(10, 6, false), pal_key(10, 6, true);
    EXPECT_EQ(call("GCopyKey", dst.record(), 2, 2), -1) << "nothing remembered yet";
    dst.fill({1, 1, 1});
    src.fill({200, 100, 50});
    key.fill({0, 9, 9});
    key.set_pixel(1, 0, {5, 0, 0});   // blue 5: not copied
    key.set_pixel(2, 0, {0, 255, 0}); // blue 0 (pure green): copied
    EXPECT_EQ(call("SetKeyScr", key.record(), 0, 0), 0);
    EXPECT_EQ(call("SetKeyScr", key.record(), 10, 0), 3);
    EXPECT_EQ(call("SetOrgScr", src.record(), 0, -1), 3);
    EXPECT_EQ(call("SetOrgScr", pal_key.record(), 0, 0), 6);
    EXPECT_EQ(call("SetOrgScr", src.record(), 0, 0), 0);
    dst.set_cursor(0, 0);
    EXPECT_EQ(call("GCopyKey", dst.record(), 4, 2), 0);
    EXPECT_EQ(dst.pixel(0, 0), (Bgr{200, 100, 50}));
    EXPECT_EQ(dst.pixel(1, 0), (Bgr{1, 1, 1}));
    EXPECT_EQ(dst.pixel(2, 0), (Bgr{200, 100, 50}));
    EXPECT_EQ(dst.pixel(4, 0), (Bgr{1, 1, 1})) << "outside the rectangle";
    EXPECT_EQ(call("GCopyKey", dst.record(), 11, 1), 3);
    dst.set_cursor(-1, 0);
    EXPECT_EQ(call("GCopyKey", dst.record(), 2, 1), 3) << "a negative position is refused";
    dst.set_cursor(0, 0);

    // Blend: a = 128 mixes ((127 src) + (128 dst)) / 255.
    key.fill({128, 0, 0});
    dst.fill({0, 0, 255});
    EXPECT_EQ(call("GCopyKey2", dst.record(), 3, 3), 0);
    EXPECT_EQ(dst.pixel(2, 2), (Bgr{uint8_t(127 * 200 / 255), uint8_t(127 * 100 / 255), uint8_t((127 * 50 + 128 * 255) / 255)}));
    // A palette key keys on index 0.
    for (int32_t x = 0; x < 10; ++x) pal_key.at(x, 0)[0] = uint8_t(x % 2);
    EXPECT_EQ(call("SetKeyScr", pal_key.record(), 0, 0), 0);
    dst.fill({1, 1, 1});
    EXPECT_EQ(call("GCopyKey", dst.record(), 4, 1), 0);
    EXPECT_EQ(dst.pixel(0, 0), (Bgr{200, 100, 50}));
    EXPECT_EQ(dst.pixel(1, 0), (Bgr{1, 1, 1}));
    HostScreen pal_dst(4, 4, true);
    EXPECT_EQ(call("GCopyKey", pal_dst.record(), 1, 1), 6);
}

TEST_F(Compose, KeyedCopyAndBlendOnWideScreensEqualAPlainLoop) {
    // Rows long enough for the vector loops; random pictures, about half the keys 0;
    // full-colour and palette keys; key, source and destination each at its own place.
    for (bool palette_key : {false, true}) {
        HostScreen dst(90, 7, false), src(90, 7, false), key(90, 7, palette_key);
        src.fill_pattern(3);
        key.fill_pattern(4);
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 90; ++x)
                if ((x * 7 + y * 3) % 5 < 2) key.at(x, y)[0] = 0;
        ASSERT_EQ(call("SetKeyScr", key.record(), 3, 1), 0);
        ASSERT_EQ(call("SetOrgScr", src.record(), 2, 2), 0);
        for (bool blend : {false, true}) {
            dst.fill_pattern(5);
            dst.set_cursor(1, 1);
            const int32_t w = 84, h = 5;
            std::vector<Bgr> want;
            for (int32_t y = 0; y < 7; ++y)
                for (int32_t x = 0; x < 90; ++x) {
                    Bgr d = dst.pixel(x, y);
                    if (x >= 1 && x < 1 + w && y >= 1 && y < 1 + h) {
                        const int a = key.at(x + 2, y)[0];
                        const Bgr s = src.pixel(x + 1, y + 1);
                        if (blend) {
                            d = {uint8_t(((255 - a) * s.b + a * d.b) / 255), uint8_t(((255 - a) * s.g + a * d.g) / 255),
                                 uint8_t(((255 - a) * s.r + a * d.r) / 255)};
                        } else if (a == 0) {
                            d = s;
                        }
                    }
                    want.push_back(d);
                }
            ASSERT_EQ(call(blend ? "GCopyKey2" : "GCopyKey", dst.record(), w, h), 0);
            for (int32_t y = 0; y < 7; ++y)
                for (int32_t x = 0; x < 90; ++x)
                    ASSERT_EQ(dst.pixel(x, y), want[size_t(y * 90 + x)])
                        << x << "," << y << (blend ? " blend" : " copy") << (palette_key ? " palette key" : "");
        }
    }
}

TEST_F(Compose, KeyedCopyWithinOneScreenGoesFromTheTop) {
    // Source and destination the same screen, one row and one pixel apart: a row copied
    // is read again for the next, so the copy cascades down as the rows go from the top.
    for (bool blend : {false, true}) {
        HostScreen s(90, 7, false), key(90, 7, false);
        s.fill_pattern(11);
        key.fill_pattern(12);
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 90; ++x)
                if ((x + y) % 3) key.at(x, y)[0] = 0;
        ASSERT_EQ(call("SetKeyScr", key.record(), 0, 0), 0);
        ASSERT_EQ(call("SetOrgScr", s.record(), 0, 0), 0);
        std::vector<uint8_t> want = s.bytes();
        Screen w = s.view();
        w.pixels = want.data();
        for (int32_t y = 0; y < 6; ++y)
            for (int32_t x = 0; x < 89; ++x) {
                const int a = key.at(x, y)[0];
                const uint8_t* from = w.at(x, y);
                uint8_t* to = w.at(x + 1, y + 1);
                for (int c = 0; c < 3; ++c)
                    to[c] = blend ? uint8_t(((255 - a) * from[c] + a * to[c]) / 255) : a == 0 ? from[c] : to[c];
            }
        s.set_cursor(1, 1);
        ASSERT_EQ(call(blend ? "GCopyKey2" : "GCopyKey", s.record(), 89, 6), 0);
        EXPECT_EQ(s.bytes(), want) << (blend ? "blend" : "copy");
    }
}

TEST_F(Compose, MergeShadeDiffWithTheTableScreen) {
    HostScreen dst(8, 8, false), table(6, 6, false);
    EXPECT_EQ(call("GMerge", dst.record(), 4, 4), -2);
    ASSERT_EQ(call("SetBMSCR", table.record(), 0, 0), 0);
    EXPECT_EQ(call("GMerge", table.record(), 4, 4), -3);
    dst.fill({100, 50, 11});
    table.fill({20, 30, 41});
    dst.set_cursor(7, 9);  // x inside, y outside: row 0
    EXPECT_EQ(call("GMerge", dst.record(), 4, 4), 0);
    EXPECT_EQ(dst.pixel(7, 0), (Bgr{60, 40, 26})) << "(source + destination) / 2";
    EXPECT_EQ(dst.pixel(6, 0), (Bgr{100, 50, 11}));
    EXPECT_EQ(dst.pixel(7, 4), (Bgr{100, 50, 11})) << "h 4: rows 0 to 3";
    call("GMergeParam", 1024, -1024, 99, 2);  // the x origin lies outside the table screen
    dst.fill({100, 50, 11});
    dst.set_cursor(0, 0);
    EXPECT_EQ(call("GMerge", dst.record(), 8, 8), 0);
    EXPECT_EQ(dst.pixel(0, 0), (Bgr{80, 20, 0})) << "destination - source, clamped";
    EXPECT_EQ(dst.pixel(5, 3), (Bgr{80, 20, 0}));
    EXPECT_EQ(dst.pixel(6, 0), (Bgr{100, 50, 11})) << "cut to the table screen's width";
    EXPECT_EQ(dst.pixel(0, 4), (Bgr{100, 50, 11})) << "origin y 2: four rows remain";
    EXPECT_EQ(call("GMerge", dst.record(), 8, 0), 0);

    // Shade: a grey 128 table changes nothing; 255 with strength 64 adds 127.
    table.fill({128, 128, 128});
    dst.fill({10, 20, 30});
    EXPECT_EQ(call("GShade", dst.record(), 8, 8, 64), 0);
    EXPECT_EQ(dst.pixel(1, 1), (Bgr{10, 20, 30}));
    table.fill({255, 0, 0});
    EXPECT_EQ(call("GShade", dst.record(), 8, 8, 64), 0);
    EXPECT_EQ(dst.pixel(1, 1), (Bgr{137, 147, 157}));
    table.fill({0, 0, 0});
    EXPECT_EQ(call("GShade", dst.record(), 8, 8, 0), 0);  // strength 2: d = -128 * 2 / 64 = -4
    EXPECT_EQ(dst.pixel(1, 1), (Bgr{133, 143, 153}));

    // Diff: factor outside 1..255 is 2.
    table.fill({100, 10, 200});
    dst.fill({50, 50, 50});
    EXPECT_EQ(call("GDiff", dst.record(), 8, 8, 300), 0);
    EXPECT_EQ(dst.pixel(0, 0), (Bgr{150, 0, 255}));
    HostScreen pal(6, 6, true);
    ASSERT_EQ(call("SetBMSCR", pal.record(), 0, 0), 0);
    EXPECT_EQ(call("GDiff", dst.record(), 8, 8, 2), -1) << "a palette table screen";
    EXPECT_EQ(call("GShade", dst.record(), 8, 8, 2), 0) << "shading keys on its indexes";
}

TEST_F(Compose, BitwiseWithAConstant) {
    HostScreen s(6, 4, false);
    s.fill_pattern(3);
    auto before = s.bytes();
    s.set_cursor(1, 1);
    s.set_area(3, 2);
    EXPECT_EQ(call("GAutoExor", s.record(), 0x5A, 7), 0);
    EXPECT_NE(s.bytes(), before);
    EXPECT_EQ(call("GAutoExor", s.record(), 0x5A, 7), 0);
    EXPECT_EQ(s.bytes(), before) << "twice restores";
    Bgr p = s.pixel(2, 1);
    EXPECT_EQ(call("GAutoAnd", s.record(), 0, 5), 0);  // blue and red to 0, green kept
    EXPECT_EQ(s.pixel(2, 1), (Bgr{0, p.g, 0}));
    EXPECT_EQ(call("GAutoOr", s.record(), 0x81, 2), 0);
    EXPECT_EQ(s.pixel(2, 1).g, uint8_t(p.g | 0x81));
    EXPECT_EQ(s.pixel(0, 0), (Bgr{before[s.view().offset(0, 0)], before[s.view().offset(0, 0) + 1],
                                  before[s.view().offset(0, 0) + 2]}));
    EXPECT_EQ(call("GAutoAnd", s.record(), 256, 7), 3);
    s.set_area(0, 2);
    EXPECT_EQ(call("GAutoAnd", s.record(), 1, 7), 3);
    s.set_area(6, 2);
    EXPECT_EQ(call("GAutoAnd", s.record(), 1, 7), 3) << "reaches past the right edge";
    s.set_cursor(-1, 0);
    s.set_area(2, 2);
    EXPECT_EQ(call("GAutoAnd", s.record(), 1, 7), 3) << "a negative position is refused";
    HostScreen pal(4, 4, true);
    pal.at(0, 0)[0] = 0xF0;
    pal.set_area(4, 4);
    EXPECT_EQ(call("GAutoAnd", pal.record(), 0x3C, 0), 0);
    EXPECT_EQ(pal.at(0, 0)[0], 0x30) << "palette indexes, channels ignored";
}

}  // namespace
}  // namespace qv::test

// The clipboard's DIB reader on blocks made here byte by byte: malformed headers refused
// before anything is read past them, and 1, 4, 8 and 24-bit pictures placed into both kinds
// of screen, at offsets and cut at the edges, against a pixel-by-pixel reading.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "buffer_screen.h"
#include "clip/dib.h"

namespace qv::clip {
namespace {

using testing::BufferScreen;

// How a DIB is laid out: the header's size (40, or 124 for a BITMAPV5HEADER), biClrUsed,
// and bytes of slack after the bits.
struct Layout {
    uint32_t header = 40, used = 0;
    size_t slack = 0;
};

size_t table_entries(uint16_t bits, uint32_t used) {
    if (bits == 32) return used;  // a table it need not have
    const size_t full = bits < 24 ? size_t(1) << bits : 0;
    return used > 0 && used < full ? used : full;
}

// A bottom-up DIB: header, its colour table (entry i: blue i, green 255 - i, red 7 i), and
// rows whose bytes are a pattern of the row and the byte's place.
std::vector<uint8_t> make_dib(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0, Layout l = {}) {
    const size_t stride = ((size_t(width) * bits + 7) / 8 + 3) & ~size_t(3);
    const size_t entries = table_entries(bits, l.used);
    std::vector<uint8_t> b(l.header + 4 * entries + stride * size_t(height) + l.slack, 0x5A);
    const int32_t fields[] = {int32_t(l.header), width, height};
    std::memcpy(b.data(), fields, 12);
    const uint16_t planes_bits[] = {1, bits};
    std::memcpy(b.data() + 12, planes_bits, 4);
    std::memcpy(b.data() + 16, &compression, 4);
    std::memcpy(b.data() + 32, &l.used, 4);
    for (size_t i = 0; i < entries; ++i) {
        b[l.header + 4 * i] = uint8_t(i);
        b[l.header + 4 * i + 1] = uint8_t(255 - i);
        b[l.header + 4 * i + 2] = uint8_t(7 * i);
    }
    for (size_t i = l.header + 4 * entries; i < b.size(); ++i) b[i] = uint8_t(i * 37 + i / stride);
    return b;
}

std::vector<uint8_t> shortened(std::vector<uint8_t> block, size_t size) {
    block.resize(size);
    block.shrink_to_fit();  // so that a read past the end is one the sanitizer sees
    return block;
}

std::vector<uint8_t> with_field(std::vector<uint8_t> block, size_t at, int32_t value) {
    std::memcpy(block.data() + at, &value, 4);
    return block;
}

TEST(DibReader, RefusesWhatItCannotReadWithoutReadingPastTheBlock) {
    constexpr DibForms kAlpha = DibForms::kWithAlpha;
    const std::vector<uint8_t> fields = with_field(with_field(with_field(make_dib(2, 2, 32, 3, {124}), 40, 0xFF0000), 44, 0xFF00), 48, 0xFF);
    struct Case {
        const char* what;
        std::vector<uint8_t> block;
        bool palette;
        DibStatus want;
        DibForms forms = DibForms::kPlain;
    } cases[] = {
        {"39 bytes", shortened(make_dib(4, 4, 8), 39), false, kShortBlock},
        {"2 bits", make_dib(4, 4, 2), false, kBadBitCount},
        {"16 bits", make_dib(4, 4, 16), false, kBadBitCount, kAlpha},
        {"32 bits", make_dib(4, 4, 32), true, kBadBitCount},
        {"24 bits for a palette screen", make_dib(4, 4, 24), true, kFullColourDib},
        {"compressed", make_dib(4, 4, 8, 1), false, kCompressed},
        {"top-down", with_field(make_dib(4, 1, 8), 8, -1), false, kTopDownOrNoWidth},
        {"top-down below 32 bits", with_field(make_dib(4, 1, 8), 8, -1), false, kTopDownOrNoWidth, kAlpha},
        {"negative width", with_field(make_dib(5, 2, 24), 4, -5), false, kTopDownOrNoWidth},
        {"a byte short", shortened(make_dib(5, 3, 24), 40 + 3 * 16 - 1), false, kShortBlock},
        {"colour table cut", shortened(make_dib(2, 0, 8), 40 + 1020), true, kShortBlock},
        {"core header", with_field(make_dib(4, 4, 8), 0, 12), false, kCoreHeader},
        {"header past the block", with_field(make_dib(4, 4, 8), 0, 0x7FFFFFFF), false, kShortBlock},
        {"V5 header cut", shortened(make_dib(4, 4, 24, 0, {124}), 124 + 47), false, kShortBlock},
        // The 32-bit forms with alpha.
        {"bit fields", fields, true, kDibOk, kAlpha},
        {"bit fields below 32 bits", make_dib(4, 4, 24, 3), false, kCompressed, kAlpha},
        {"bit fields in another order", with_field(fields, 40, 0xFF), false, kCompressed, kAlpha},
        {"bit fields after a 40-byte header, cut", make_dib(2, 0, 32, 3), false, kCompressed, kAlpha},
        {"32 bits, a byte short", shortened(make_dib(3, 2, 32, 0, {40, 2}), 40 + 8 + 24 - 1), false, kShortBlock, kAlpha},
        {"no rows", make_dib(3, 0, 32), false, kTopDownOrNoWidth, kAlpha},
        {"wider than the library decodes", with_field(make_dib(1, 1, 32), 4, 1000001), false, kDibTooLarge, kAlpha},
    };
    for (Case& c : cases) {
        Dib dib;
        EXPECT_EQ(check_dib(c.block.data(), c.block.size(), c.palette, dib, c.forms), c.want) << c.what;
    }
    // A width whose stride would wrap 32 bits claims gigabytes: refused by size.
    const std::vector<uint8_t> huge = with_field(with_field(make_dib(1, 1, 24), 4, 0x7FFFFFFF), 8, 0x7FFFFFFF);
    Dib dib;
    EXPECT_EQ(check_dib(huge.data(), huge.size(), false, dib), kShortBlock);
    // Rows either way up, past a colour table of biClrUsed entries: the top row is the first
    // stored when the height is negative, the last when not.
    for (int32_t sign : {1, -1}) {
        const std::vector<uint8_t> b = with_field(make_dib(3, 2, 32, 0, {40, 5}), 8, 2 * sign);
        ASSERT_EQ(check_dib(b.data(), b.size(), false, dib, kAlpha), kDibOk);
        EXPECT_EQ(dib.height, 2);
        EXPECT_EQ(dib.row(0), b.data() + 40 + 20 + (sign < 0 ? 0 : 12)) << sign;
    }
}

// Pixel (x, y) of the DIB by its definition: the index (or the three bytes) at its place;
// an index past the colour table's end is black.
std::vector<uint8_t> dib_pixel(const std::vector<uint8_t>& b, Layout l, int32_t x, int32_t y, bool as_index) {
    int32_t width, height;
    std::memcpy(&width, b.data() + 4, 4);
    std::memcpy(&height, b.data() + 8, 4);
    const uint16_t bits = b[14];
    const size_t stride = ((size_t(width) * bits + 7) / 8 + 3) & ~size_t(3);
    const size_t entries = table_entries(bits, l.used);
    const uint8_t* row = b.data() + l.header + 4 * entries + size_t(height - 1 - y) * stride;
    if (bits == 24) return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
    const size_t bit = size_t(x) * bits;
    const uint8_t index = uint8_t((row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1));
    if (as_index) return {index};
    if (index >= entries) return {0, 0, 0};
    const uint8_t* q = b.data() + l.header + 4 * index;
    return {q[0], q[1], q[2]};
}

// Every bit count into both kinds of screen, with the plain header, a BITMAPV5HEADER, and a
// colour table shorter than 2^bits (biClrUsed 3) in a block with slack after the bits.
TEST(DibReader, PlacesEveryBitCountIntoBothKindsOfScreen) {
    for (Layout l : {Layout{}, Layout{124}, Layout{40, 3, 64}})
        for (uint16_t bits : {1, 4, 8, 24})
            for (bool palette : {false, true})
                for (auto [x, y] : {std::pair{0, 0}, {5, 2}, {30, -1}}) {
                    if (bits == 24 && palette) continue;
                    const std::vector<uint8_t> b = make_dib(19, 9, bits, 0, l);
                    Dib dib;
                    ASSERT_EQ(check_dib(b.data(), b.size(), palette, dib), kDibOk);
                    EXPECT_EQ(size_t(dib.entries), table_entries(bits, l.used));
                    BufferScreen s(17, 8, palette);
                    const auto before = s.snapshot();
                    uint8_t colours[768] = {};
                    place_dib(dib, s.view(), inside_or_zero(s.view(), x, y));
                    if (palette) dib_colours(dib, colours);
                    const int32_t x0 = x < 17 ? x : 0, y0 = y >= 0 ? y : 0;
                    const int32_t w = std::min(19, 17 - x0), h = std::min(9, 8 - y0);
                    ASSERT_TRUE(s.unchanged_outside(x0, y0, w, h, before)) << bits << " at " << x << "," << y;
                    for (int32_t j = 0; j < h; ++j)
                        for (int32_t i = 0; i < w; ++i) {
                            const std::vector<uint8_t> want = dib_pixel(b, l, i, j, palette);
                            ASSERT_EQ(std::memcmp(s.view().at(x0 + i, y0 + j), want.data(), want.size()), 0)
                                << bits << " bits, palette " << palette << ", header " << l.header << ", table "
                                << l.used << ", pixel " << i << "," << j;
                        }
                    if (palette) {
                        EXPECT_EQ((std::vector<uint8_t>(colours, colours + 6)), (std::vector<uint8_t>{0, 255, 0, 7, 254, 1}))
                            << "red, green, blue";
                    }
                }
}

TEST(DibReader, TextLimit) {
    Var v;
    v.units = 16;
    EXPECT_EQ(text_limit(v), 63u);
    v.elements = 3;
    EXPECT_EQ(text_limit(v), 189u);
    v.elements = 1;
    EXPECT_EQ(text_limit(v), 63u);
    v.units = 0;
    EXPECT_EQ(text_limit(v), 0u) << "no storage";
}

// A block with no zero byte, shorter than the limit: all of it, terminated right after it
// (no old bytes of the variable left inside the text); longer: cut at the limit.
TEST(DibReader, TextBlocksWithoutAZeroByte) {
    const std::string block = "abcde";
    for (uint32_t units : {4u, 1u}) {
        std::vector<uint8_t> storage(4 * units, '.');
        Var v;
        v.type = 2;
        v.units = units;
        v.capacity = storage.size();
        v.data = storage.data();
        take_text(reinterpret_cast<const uint8_t*>(block.data()), block.size(), v);
        const std::string want = units == 4 ? "abcde" : "abc";
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(storage.data())), want) << units;
    }
}

}  // namespace
}  // namespace qv::clip

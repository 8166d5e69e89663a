// The Pi header reader and decoder: hand-made streams that pin each rule, and round trips
// through the test encoder in memory and file mode.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pi/decode.h"
#include "pi/header.h"
#include "pi_encoder.h"
#include "pnm.h"

namespace qv::pi {
namespace {

using pi_encoder::BitWriter;
using pi_encoder::Options;

const uint8_t* bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

struct Decoded {
    int32_t header = 0, status = 0, width = -1, height = -1;
    PiFormat format;
    std::vector<uint8_t> pixels;
};

// Reads the header and decodes, in memory mode, or in file mode through a scratch file.
Decoded decode(const std::string& file, bool from_file = false) {
    Decoded d;
    const std::string path = "qv_core_pi.pi";
    if (from_file) {
        testing::write_bytes(path, file);
        d.header = read_pi_header_file(path.c_str(), d.format, d.width, d.height);
    } else {
        d.header = parse_pi_header(bytes(file), std::min(file.size(), kBlockSize), d.format, d.width, d.height);
    }
    if (d.header == 0) {
        IndexBuffer out;
        PiShape shape{d.width, d.height, d.format.colour_count, d.format.data_offset, d.height};
        d.status = from_file ? DecodePi(path.c_str(), nullptr, 0, shape, out)
                             : DecodePi(nullptr, bytes(file), file.size(), shape, out);
        if (d.status == 0) d.pixels.assign(out.pixels(), out.pixels() + size_t(d.width) * d.height);
    }
    if (from_file) std::remove(path.c_str());
    return d;
}

// A file of the given header options and a hand-written stream.
std::string hand_made(int w, int h, int colours, const BitWriter& stream) {
    Options o;
    o.colours = colours;
    return pi_encoder::header(w, h, o) + stream.bytes();
}

TEST(PiDecode, TableRulesFor16Colours) {
    BitWriter b;
    b.put(0b011011, 6);  // first colour: table 0 is 1..15, 0; colour 5 is entry 4, code 16 - 4 = 12
    b.put(0b10, 2);      // second colour, previous 5: code 1 is the table's last entry, 5
    b.put(0b00, 2);      // position 0 (a copy: no previous code); distance 2, the two are equal
    b.put(0, 1);         // length 1: two pixels
    b.put(0b00, 2);      // position 0 again: literal pairs
    b.put(0b10, 2);      // code 1 after 5: colour 5, the table unchanged
    b.put(0b11, 2);      // code 2 after 5: colour 4; table 5 now ends 2, 3, 5, 4
    b.put(1, 1);         // another pair
    b.put(0b11, 2);      // code 2 after 4: table 4 ends ..., 2, 3, 4: colour 3
    b.put(0b10, 2);      // code 1 after 3: colour 3
    b.put(0, 1);
    Decoded d = decode(hand_made(6, 1, 16, b));
    ASSERT_EQ(d.header, 0);
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.pixels, (std::vector<uint8_t>{5, 5, 5, 4, 3, 3}));

    // The table's order after a take: code 2 after 5 now gives 5 (moved behind 4).
    BitWriter c;
    c.put(0b011011, 6);
    c.put(0b10, 2);
    c.put(0b00, 2);
    c.put(0, 1);
    c.put(0b00, 2);
    c.put(0b11, 2);  // 4, table 5: ..., 3, 5, 4
    c.put(0b10, 2);  // after 4: 4 (table 4 ends with 4)
    c.put(1, 1);
    c.put(0b11, 2);  // after 4: code 2 gives 3
    c.put(0b11, 2);  // after 3: code 2 gives 2
    c.put(0, 1);
    EXPECT_EQ(decode(hand_made(6, 1, 16, c)).pixels, (std::vector<uint8_t>{5, 5, 4, 4, 3, 2}));
}

TEST(PiDecode, LengthAndPositionCodes) {
    BitWriter b;
    b.put(0b011111, 6);  // table 0 is 1, 2, ...: colour 1 is entry 0, code 16 (9 + 7)
    b.put(0b011111, 6);  // table 1 is 2, 3, ...: colour 2 is entry 0, code 16
    b.put(0b00, 2);      // position 0, pixels before differ (2, 1): distance 4
    b.put(0b11001, 5);   // 110 then 01: k = 2, L = 4 + 1 = 5 pairs, ten pixels
    b.put(0b01, 2);      // position 1: one row up (width 4), same column
    b.put(0, 1);         // one pair
    Decoded d = decode(hand_made(4, 3, 16, b));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.pixels, (std::vector<uint8_t>{1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2}));

    // Positions 3, 4 and 2 on a 4 x 3 picture whose first row is 1 2 3 4.
    BitWriter c;
    c.put(0b011111, 6);  // 1
    c.put(0b011111, 6);  // 2
    c.put(0b00, 2);      // copy 1 pair from 4 back: 1 2
    c.put(0, 1);
    c.put(0b00, 2);      // the same code: literal pairs
    c.put(0b011111, 6);  // after 2, table 2 is 3, 4, ...: 3 is code 16
    c.put(0b011111, 6);  // after 3, table 3 is 4, 5, ...: 4 is code 16
    c.put(0, 1);         // no more pairs
    c.put(0b110, 3);     // position 3: one row up, one column right
    c.put(0, 1);         // pixels 4, 5 from 1, 2: 2 3
    c.put(0b111, 3);     // position 4: one row up, one column left
    c.put(0, 1);         // pixels 6, 7 from 1, 2: 2 3
    c.put(0b10, 2);      // position 2: two rows up
    c.put(0b100, 3);     // 10 then 0: L = 2 pairs
    Decoded e = decode(hand_made(4, 3, 16, c));
    ASSERT_EQ(e.status, 0);
    EXPECT_EQ(e.pixels, (std::vector<uint8_t>{1, 2, 3, 4, 2, 3, 2, 3, 1, 2, 3, 4}));
}

TEST(PiDecode, Code256IsTheTablesFirstEntry) {
    BitWriter b;
    b.put(0b0111111, 7);
    b.put(0b1111111, 7);  // v = 129 + 127 = 256: entry 0 of table 0, colour 1
    b.put(0b0111111, 7);
    b.put(0b1111111, 7);  // entry 0 of table 1: colour 2
    b.put(0b00, 2);
    b.put(0b100, 3);      // two pairs: the fourth pixel falls into the slack
    Decoded d = decode(hand_made(3, 1, 256, b));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.pixels, (std::vector<uint8_t>{1, 2, 1}));
}

TEST(PiDecode, EarlyEndsAndBadStarts) {
    // The stream stops after the start colours: success, the picture not reached is 0.
    BitWriter b;
    b.put(0b011011, 6);
    b.put(0b10, 2);
    Decoded d = decode(hand_made(4, 2, 16, b));
    EXPECT_EQ(d.status, 0);
    EXPECT_EQ(d.pixels, std::vector<uint8_t>(8, 0));
    // The data ends inside the second start colour: -2.
    BitWriter half;
    half.put(0b01101101, 8);  // 011 011 is colour 5, then "01" and nothing more
    std::string file = hand_made(4, 2, 16, half) + std::string(60, '\0');
    Options o16;
    o16.colours = 16;
    size_t offset = pi_encoder::header(4, 2, o16).size();
    PiFormat f;
    int32_t w, h;
    ASSERT_EQ(parse_pi_header(bytes(file), file.size(), f, w, h), 0);
    IndexBuffer out;
    EXPECT_EQ(DecodePi(nullptr, bytes(file), offset + 1, PiShape{4, 2, 16, f.data_offset, 2}, out), -2);
    EXPECT_EQ(DecodePi(nullptr, bytes(file), offset, PiShape{4, 2, 16, f.data_offset, 2}, out), -2);
    // A length whose power would reach 2^31: decoding ends, the pairs before it stay.
    BitWriter big;
    big.put(0b011011, 6);
    big.put(0b10, 2);
    big.put(0b00, 2);
    big.put(0, 1);       // 5, 5
    big.put(0b01, 2);    // a copy with 31 one bits: corrupt
    big.put(0x7FFFFFFF, 31);
    Decoded c = decode(hand_made(4, 2, 16, big));
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.pixels, (std::vector<uint8_t>{5, 5, 0, 0, 0, 0, 0, 0}));
}

std::vector<uint8_t> random_picture(int w, int h, int colours, uint32_t seed, int flatness) {
    std::vector<uint8_t> px(size_t(w) * h);
    uint32_t s = seed * 2654435761u + 1;
    uint8_t current = 0;
    for (size_t i = 0; i < px.size(); ++i) {
        s = s * 1103515245u + 12345u;
        // Runs, rows repeated from above, and noise, in proportions set by flatness.
        uint32_t r = (s >> 8) % 100;
        if (r < uint32_t(flatness)) {
            px[i] = current;
        } else if (r < uint32_t(flatness) + 10 && i >= size_t(w)) {
            px[i] = px[i - w];
        } else {
            current = uint8_t((s >> 16) % uint32_t(colours));
            px[i] = current;
        }
    }
    return px;
}

TEST(PiRoundTrip, RandomPicturesDecodeToTheirIndexes) {
    struct Size {
        int w, h;
    } sizes[] = {{3, 1}, {3, 7}, {4, 4}, {5, 5}, {17, 3}, {64, 1}, {101, 67}, {640, 2}, {8192, 1}, {8192, 3}, {33, 333}};
    uint32_t seed = 1;
    for (const Size& sz : sizes)
        for (int colours : {16, 256})
            for (int flatness : {0, 50, 95}) {
                Options o;
                o.colours = colours;
                o.seed = seed % 3 ? seed : 0;
                o.store_palette = seed % 2;
                o.prefix128 = seed % 5 == 0;
                o.dmy = seed % 7 == 0;
                o.extension = std::string(seed % 4 * 13, 'x');
                o.max_copy_pairs = seed % 6 == 0 ? 3 : 0;
                auto px = random_picture(sz.w, sz.h, colours, seed++, flatness);
                std::string file = pi_encoder::encode(px, sz.w, sz.h, o);
                for (bool from_file : {false, true}) {
                    Decoded d = decode(file, from_file);
                    ASSERT_EQ(d.header, 0) << sz.w << "x" << sz.h;
                    ASSERT_EQ(d.status, 0) << sz.w << "x" << sz.h;
                    ASSERT_EQ(d.width, sz.w);
                    ASSERT_EQ(d.height, sz.h);
                    ASSERT_EQ(d.format.colour_count, colours);
                    ASSERT_EQ(d.pixels, px) << sz.w << "x" << sz.h << " colours " << colours << " flatness "
                                            << flatness << (from_file ? " file" : " memory");
                }
            }
}

TEST(PiRoundTrip, FileModeAcrossManyBlocks) {
    auto px = random_picture(700, 500, 256, 77, 0);  // noise: far more than 64 KiB of stream
    std::string file = pi_encoder::encode(px, 700, 500, Options{});
    ASSERT_GT(file.size(), 3 * kBlockSize);
    Decoded d = decode(file, true);
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.pixels, px);
    // A file of exactly one full block, then nothing: the reader asks once more and ends.
    std::string exact = file.substr(0, kBlockSize);
    Decoded e = decode(exact, true);
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(std::vector<uint8_t>(e.pixels.begin(), e.pixels.begin() + 1000),
              std::vector<uint8_t>(px.begin(), px.begin() + 1000));
}

TEST(PiRoundTrip, CutAtEveryByteNeverFails) {
    auto px = random_picture(37, 23, 256, 5, 40);
    std::string file = pi_encoder::encode(px, 37, 23, Options{});
    for (size_t cut = 0; cut <= file.size(); ++cut) {
        std::string part = file.substr(0, cut);
        for (bool from_file : {false, true}) {
            if (from_file && cut % 17) continue;
            Decoded d = decode(part, from_file);
            ASSERT_TRUE(d.header == 0 || d.header == -1) << cut;
            if (d.header != 0) continue;
            ASSERT_TRUE(d.status == 0 || d.status == -2) << cut;
        }
    }
}

TEST(PiRoundTrip, TooLargeToHoldIsRefusedAndRowsNeededBoundTheWork) {
    BitWriter b;
    b.put(0b011011, 6);
    b.put(0b10, 2);
    std::string stream = b.bytes();
    IndexBuffer out;
    EXPECT_EQ(DecodePi(nullptr, bytes(stream), stream.size(), PiShape{8192, 65535, 16, 0, 65535}, out), -2);
    EXPECT_EQ(DecodePi(nullptr, bytes(stream), stream.size(), PiShape{8192, 65535, 16, 0, 100}, out), 0);
    // Only the rows needed are decoded: the round trip of their part.
    auto px = random_picture(50, 40, 256, 9, 30);
    std::string file = pi_encoder::encode(px, 50, 40, Options{});
    PiFormat f;
    int32_t w, h;
    ASSERT_EQ(parse_pi_header(bytes(file), file.size(), f, w, h), 0);
    ASSERT_EQ(DecodePi(nullptr, bytes(file), file.size(), PiShape{50, 40, 256, f.data_offset, 7}, out), 0);
    EXPECT_EQ(std::vector<uint8_t>(out.pixels(), out.pixels() + 350), std::vector<uint8_t>(px.begin(), px.begin() + 350));
}

TEST(PiHeader, PrefixOf128BytesNeedsAWindowOf199) {
    Options o;
    o.prefix128 = true;
    o.colours = 16;
    o.store_palette = false;
    o.comment = "";
    std::string h = pi_encoder::header(3, 1, o);
    std::string file = h + std::string(200, '\0');
    PiFormat f;
    int32_t w, hh;
    EXPECT_EQ(parse_pi_header(bytes(file), 199, f, w, hh), 0);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(parse_pi_header(bytes(file), 198, f, w, hh), -1);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(hh, -1);
    EXPECT_EQ(parse_pi_header(bytes(file), 69, f, w, hh), -1);
}

TEST(PiHeader, DmyCommentForms) {
    // With a second "Pi" the comment starts behind it.
    std::string with = std::string("PiDMY tool") + '\0' + "Pi" + "comment\x1A" + '\0' +
                       std::string("\x80\0\0\x04QVTE\0\0\0\x07\0\x02", 14) + std::string(80, 'z');
    PiFormat f;
    int32_t w, h;
    ASSERT_EQ(parse_pi_header(bytes(with), with.size(), f, w, h), 0);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(f.colour_count, 16);
    // Without one the comment starts behind the first "Pi": "DMY tool" then the 0x1A.
    std::string without = std::string("PiDMY tool\x1A") + '\0' + std::string("\x80\0\0\x08QVTE\0\0\0\x05\0\x01", 14) +
                          std::string(800, 'z');
    ASSERT_EQ(parse_pi_header(bytes(without), without.size(), f, w, h), 0);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(f.colour_count, 256);
    // DMY with no zero byte before the window's last five bytes: refused.
    std::string no_zero = "PiDMY" + std::string(80, 'q');
    EXPECT_EQ(parse_pi_header(bytes(no_zero), no_zero.size(), f, w, h), -1);
}

TEST(PiHeader, DefaultPalettesAndTheirWindowRule) {
    Options o;
    o.store_palette = false;
    o.colours = 16;
    std::string h16 = pi_encoder::header(3, 1, o);
    PiFormat f;
    int32_t w, h;
    std::string file = h16 + std::string(16 * 3 + 1, '\0');
    ASSERT_EQ(parse_pi_header(bytes(file), file.size(), f, w, h), 0);
    EXPECT_EQ(f.colour_count, 16);
    const uint8_t expected16[] = {0, 0, 0, 0, 0, 119, 119, 0, 0};
    EXPECT_EQ(std::memcmp(f.palette, expected16, 9), 0);
    EXPECT_EQ(f.palette[3 * 15], 255);
    EXPECT_EQ(f.palette[3 * 16], 0);
    EXPECT_EQ(f.palette[3 * 255 + 2], 0) << "entries 16 to 255 black";
    EXPECT_EQ(f.data_offset, h16.size());
    // The palette's place must end before the window does, stored or not.
    EXPECT_EQ(parse_pi_header(bytes(file), h16.size() + 48, f, w, h), -1);
    EXPECT_EQ(parse_pi_header(bytes(file), h16.size() + 49, f, w, h), 0);

    o.colours = 256;
    o.depth_byte = 8;
    std::string h256 = pi_encoder::header(3, 1, o) + std::string(800, '\0');
    ASSERT_EQ(parse_pi_header(bytes(h256), h256.size(), f, w, h), 0);
    EXPECT_EQ(f.colour_count, 256);
    EXPECT_EQ(f.palette[3 * 255], 255);
    EXPECT_EQ(f.palette[3 * 255 + 1], 255);
    EXPECT_EQ(f.palette[3 * 255 + 2], 255);
    EXPECT_EQ(f.palette[3 * 0x1C], 255) << "0x1C is pure red";
    EXPECT_EQ(f.palette[3 * 0x1C + 1], 0);
    EXPECT_EQ(f.palette[3 * 0x1C + 2], 0);
    o.depth_byte = 1;  // anything but 4 is 256 colours
    std::string other = pi_encoder::header(3, 1, o) + std::string(800, '\0');
    ASSERT_EQ(parse_pi_header(bytes(other), other.size(), f, w, h), 0);
    EXPECT_EQ(f.colour_count, 256);
}

TEST(PiHeader, RefusalsAndFileErrors) {
    PiFormat f;
    int32_t w = 0, h = 0;
    std::string not_pi(100, 'x');
    EXPECT_EQ(parse_pi_header(bytes(not_pi), not_pi.size(), f, w, h), -1);
    std::string no_eof = "Pi" + std::string(100, 'c');
    EXPECT_EQ(parse_pi_header(bytes(no_eof), no_eof.size(), f, w, h), -1);
    std::string no_zero = "Pi\x1A" + std::string(100, 'c');
    EXPECT_EQ(parse_pi_header(bytes(no_zero), no_zero.size(), f, w, h), -1);
    // Every cut of a header is refused, never read past.
    Options o;
    std::string full = pi_encoder::header(9, 9, o) + "stream";
    for (size_t cut = 0; cut < full.size() - 6; ++cut) {
        std::vector<uint8_t> exact(full.begin(), full.begin() + cut);
        EXPECT_EQ(parse_pi_header(exact.data(), exact.size(), f, w, h), -1) << cut;
    }
    EXPECT_EQ(read_pi_header_file("no-such.pi", f, w, h), -2);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(read_pi_header_file(".", f, w, h), -2);
    EXPECT_EQ(read_pi_header_file(nullptr, f, w, h), -2);
    IndexBuffer out;
    PiShape shape{3, 1, 16, 0, 1};
    EXPECT_EQ(DecodePi("no-such.pi", nullptr, 0, shape, out), -1);
    EXPECT_EQ(DecodePi(nullptr, nullptr, 0, shape, out), -1);
    testing::write_bytes("qv_core_empty.pi", "");
    EXPECT_EQ(DecodePi("qv_core_empty.pi", nullptr, 0, shape, out), -2);
    std::remove("qv_core_empty.pi");
}

}  // namespace
}  // namespace qv::pi

// The PNG reader: every colour type, depth and interlace against libpng's own reading
// (natively, where libpng is at hand), streams at the edges of what libpng reads, damaged
// and lying streams, the unfiltering; the writer's choice of filters. The writer's round
// trips and the placing modes are tested through the DLL's commands.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "buffer_screen.h"
#include "png_files.h"
#include "png/decode.h"
#include "png/encode.h"
#include "png/unfilter.h"

#include <libdeflate.h>

#ifdef QV_WITH_LIBPNG
#include "libpng_reading.h"
#endif

namespace qv::png {
namespace {

using testing::BufferScreen;
using Bytes = std::vector<uint8_t>;

int32_t decode(const Bytes& file, Picture& p) {
    MemorySource source(file.data(), file.size());
    return decode_png(source, p);
}

Bytes encoded(const Screen& s, Rect r, EncodeSettings settings) {
    Encoded e;
    EXPECT_TRUE(encode_png(s, r, settings, e));
    return Bytes(e.bytes.get(), e.bytes.get() + e.size);
}

#ifdef QV_WITH_LIBPNG

Bytes rgba_of(const Picture& p) {
    Bytes out(size_t(p.header.width) * p.header.height * 4);
    for (uint32_t y = 0; y < p.header.height; ++y)
        row_to_rgba(p, p.row(y), 0, p.header.width, out.data() + size_t(y) * p.header.width * 4);
    return out;
}

struct Case {
    int colour, depth;
    bool interlaced, trns;
    uint32_t width, height;
};

void write_bytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// A picture of random samples written by libpng, every filter allowed, with a gamma chunk
// that a plain read ignores.
Bytes libpng_write(const Case& c, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, write_bytes, nullptr);
    png_set_IHDR(png, info, c.width, c.height, c.depth, c.colour, c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, 0, PNG_ALL_FILTERS);
    png_set_gAMA(png, info, 0.3);
    const int entries = c.colour == PNG_COLOR_TYPE_PALETTE ? (1 << c.depth) - (c.depth > 1 ? 1 : 0) : 0;
    png_color palette[256];
    png_byte alpha[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = {png_byte(random()), png_byte(random()), png_byte(random())};
        alpha[i] = png_byte(random());
    }
    if (entries) png_set_PLTE(png, info, palette, entries);
    const int channels = c.colour == 2 ? 3 : c.colour == 4 ? 2 : c.colour == 6 ? 4 : 1;
    const size_t row_bytes = (size_t(c.width) * channels * c.depth + 7) / 8;
    std::vector<Bytes> rows(c.height, Bytes(row_bytes));
    std::vector<png_bytep> pointers;
    for (uint32_t y = 0; y < c.height; ++y) {
        // Runs of one value among the noise, so that the key is met more than once and the
        // filters differ.
        for (size_t i = 0; i < row_bytes; ++i) rows[y][i] = (y + i / 7) % 3 ? uint8_t(random()) : uint8_t(y);
        pointers.push_back(rows[y].data());
    }
    if (c.trns) {
        // The key is the last row's first pixel (its samples at their depth).
        const Bytes& last = rows.back();
        const auto sample = [&](int i) {
            if (c.depth == 16) return png_uint_16(last[2 * i] << 8 | last[2 * i + 1]);
            if (c.depth == 8) return png_uint_16(last[i]);
            return png_uint_16(last[0] >> (8 - c.depth));
        };
        png_color_16 key{};
        key.gray = sample(0);
        if (c.colour == 2) key.red = sample(0), key.green = sample(1), key.blue = sample(2);
        png_set_tRNS(png, info, alpha, entries ? entries / 2 + 1 : 0, entries ? nullptr : &key);
    }
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// libpng's reading (libpng_reading.h); empty when libpng refuses the stream.
Bytes libpng_rgba(const Bytes& file) {
    Bytes out;
    testing::libpng_reading(file.data(), file.size(), out);
    return out;
}

TEST(PngDecode, EveryColourTypeDepthAndInterlaceAsLibpngReadsIt) {
    const int depths[5][5] = {{1, 2, 4, 8, 16}, {}, {8, 16}, {1, 2, 4, 8}, {8, 16}};
    int cases = 0;
    for (int colour : {0, 2, 3, 4, 6})
        for (int depth : depths[colour == 6 ? 4 : colour])
            for (bool interlaced : {false, true})
                for (bool trns : {false, true})
                    for (auto [w, h] : {std::pair{1u, 1u}, {7u, 5u}, {33u, 17u}, {260u, 9u}}) {
                        if (!depth || (trns && (colour == 4 || colour == 6))) continue;
                        const Case c{colour, depth, interlaced, trns, w, h};
                        const Bytes file = libpng_write(c, uint32_t(++cases));
                        const Bytes want = libpng_rgba(file);
                        ASSERT_FALSE(want.empty());
                        Picture p;
                        ASSERT_EQ(decode(file, p), kDone) << colour << "/" << depth << " " << w << "x" << h;
                        EXPECT_EQ(p.has_alpha, trns || colour == 4 || colour == 6);
                        EXPECT_EQ(rgba_of(p), want)
                            << "colour " << colour << ", depth " << depth << ", interlaced " << interlaced << ", tRNS "
                            << trns << ", " << w << "x" << h;
                    }
    EXPECT_EQ(cases, 26 * 2 * 4);
}

#endif  // QV_WITH_LIBPNG

using testing::PngChunk;
using testing::png_header;
using testing::zlib_of;

// Hand-written outcomes of streams at the edges of what libpng reads (a warning there is a
// picture, an error a damaged stream), also checked against libpng where it is at hand; the
// generated streams of tools/png_vs_libpng (run by scripts/test) cover the rest, but rarely
// meet a key on a real pixel dropped by a later palette.
TEST(PngDecode, EdgeStreamsReadAsLibpngReadsThem) {
    // A 3 x 2 RGB picture, filter None: pixel (0, 0) is (1, 2, 3).
    const std::string rows("\0\1\2\3\4\5\6\7\10\11\0\12\13\14\15\16\17\20\21\22", 20), z = zlib_of(rows);
    std::string bad_adler = z;
    bad_adler.back() ^= 1;
    const PngChunk rgb = png_header(3, 2, 8, 2), idat{"IDAT", z}, end{"IEND", ""}, key{"tRNS", {0, 1, 0, 2, 0, 3}};
    // A 2-bit palette picture of two entries whose one row holds indexes 0, 1, 3.
    const PngChunk indexed = png_header(3, 1, 2, 3), two{"PLTE", std::string("\310\0\0\0\310\0", 6)};
    // want: the outcome; and for a picture, pixel (0, 0)'s alpha (the RGB ones) or pixel
    // (2, 0) (the palette one: index 3, past the palette, is opaque black).
    struct Case {
        const char* what;
        std::vector<PngChunk> chunks;
        int32_t want;
        uint8_t alpha = 255;
    } cases[] = {
        {"only an empty IDAT", {rgb, {"IDAT", ""}, end}, kBadStream},
        {"data past the picture", {rgb, {"IDAT", zlib_of(rows + rows.substr(0, 10))}, end}, kDone},
        // libpng reads the stream a row at a time: an Adler-32 in the chunk that ends the
        // last row is read with it, one in a chunk of its own only after the picture.
        {"a bad Adler-32", {rgb, {"IDAT", bad_adler}, end}, kBadStream},
        {"a bad Adler-32 in a chunk of its own",
         {rgb, {"IDAT", bad_adler.substr(0, z.size() - 4)}, {"IDAT", bad_adler.substr(z.size() - 4)}, end}, kDone},
        {"a colour key", {rgb, key, idat, end}, kDone, 0},
        {"a palette after the key drops it", {rgb, key, {"PLTE", "\11\11\11"}, idat, end}, kDone},
        {"an index past the palette", {indexed, two, {"IDAT", zlib_of(std::string("\0\x1C", 2))}, end}, kDone},
    };
    for (const Case& c : cases) {
        const std::string made = testing::png_file(c.chunks);
        const Bytes file(made.begin(), made.end());
        Picture p;
        ASSERT_EQ(decode(file, p), c.want) << c.what;
        if (c.want != kDone) continue;
        Bytes rgba(size_t(p.header.width) * p.header.height * 4);
        for (uint32_t y = 0; y < p.header.height; ++y) row_to_rgba(p, p.row(y), 0, p.header.width, &rgba[size_t(y) * p.header.width * 4]);
        if (p.header.colour == kPalette) {
            EXPECT_EQ(Bytes(rgba.begin() + 8, rgba.end()), (Bytes{0, 0, 0, 255})) << c.what;
        } else {
            EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 8), (Bytes{1, 2, 3, c.alpha, 4, 5, 6, 255})) << c.what;
        }
#ifdef QV_WITH_LIBPNG
        EXPECT_EQ(rgba, libpng_rgba(file)) << c.what;
#endif
    }
}

// Every cut of a stream and a damaged byte at every place: a clean failure or a whole picture,
// never a read or write out of bounds (the sanitizers watch). Every chunk of the stream is
// critical, so every damaged byte is refused (its chunk's CRC no longer matches, or the CRC
// itself is damaged), but for IEND's length: IEND then runs past the end, and what came
// before it is whole. Headers that promise more than their data are refused before memory
// is reserved for the promise.
TEST(PngDecode, DamagedCutAndLyingStreamsFailCleanly) {
    BufferScreen s(30, 20);
    const Bytes good = encoded(s.view(), {0, 0, 30, 20}, {6, true});
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + long(n));
        Picture p;
        const int32_t status = decode(cut, p);
        // Only IEND may be lost, wholly or partly: the pixels are whole without it.
        EXPECT_EQ(status, n >= good.size() - 12 ? kDone : kBadStream) << n;
        EXPECT_EQ(p.samples != nullptr, status == kDone);
    }
    for (size_t i = 0; i < good.size(); ++i) {
        Bytes bad = good;
        bad[i] ^= 0x41;
        Picture p;
        const int32_t status = decode(bad, p);
        const bool iend_length = i >= good.size() - 12 && i < good.size() - 8;
        EXPECT_EQ(status, iend_length ? kDone : kBadStream) << i;
        EXPECT_EQ(p.samples != nullptr, status == kDone);
    }
    // Headers over a few hundred bytes of data: 10,000 square (300 MB, more than the data
    // can inflate to), 1,000,000 square (more than is decoded) and one past libpng's side limit.
    for (auto [side, want] : {std::pair{10000u, kBadStream}, {1000000u, kTooLarge}, {1000001u, kTooLarge}}) {
        Bytes lie = good;
        for (int k = 0; k < 2; ++k)
            for (int b = 0; b < 4; ++b) lie[16 + 4 * k + b] = uint8_t(side >> (24 - 8 * b));
        const uint32_t crc = libdeflate_crc32(0, &lie[12], 17);
        for (int b = 0; b < 4; ++b) lie[29 + b] = uint8_t(crc >> (24 - 8 * b));
        Picture p;
        EXPECT_EQ(decode(lie, p), want) << side;
        EXPECT_FALSE(p.samples);
    }
}

// Every filter at every pixel size, rows of random bytes, against the filters' definitions
// (the vector copies for 3- and 4-byte pixels included, in this build's form); every other
// row is an image's first, with no row above (zeros).
TEST(PngDecode, UnfilteringMatchesTheDefinitions) {
    std::mt19937 random(3);
    for (int bpp = 1; bpp <= 8; ++bpp)
        for (uint8_t filter = 0; filter <= 4; ++filter)
            for (int trial = 0; trial < 50; ++trial) {
                const size_t n = size_t(bpp) * (1 + random() % 40), k = size_t(bpp);
                Bytes up(n), row(n);
                const bool first = trial % 2;
                for (auto& v : up) v = first ? 0 : uint8_t(random());
                for (auto& v : row) v = uint8_t(random());
                Bytes want = row;
                for (size_t i = 0; i < n; ++i) {
                    const int a = i >= k ? want[i - k] : 0, b = up[i], c = i >= k ? up[i - k] : 0;
                    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                    const int predicted[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
                    want[i] = uint8_t(want[i] + predicted[filter]);
                }
                unfilter_row(filter, row.data(), first ? nullptr : up.data(), n, bpp);
                ASSERT_EQ(row, want) << "filter " << int(filter) << ", " << bpp << "-byte pixels, " << n << " bytes"
                                     << (first ? ", first row" : "");
            }
}

// libpng's filter choice: a full-colour row takes the filter whose bytes, as signed values,
// sum smallest in size (the earlier on a tie), a palette row none. A first row rising by 3 a
// byte takes Sub (its bytes all 9 past the first pixel), the same row again Up (all zeros).
TEST(PngEncode, ChoosesFiltersAsLibpngDoes) {
    for (bool palette : {false, true}) {
        BufferScreen s(10, 2, palette);
        std::vector<uint8_t> table(1024);
        s.view().palette = table.data();
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 10; ++x) {
                uint8_t* px = s.view().at(x, y);
                if (palette) px[0] = uint8_t(10 + 3 * x);
                else px[2] = uint8_t(10 + 9 * x), px[1] = uint8_t(13 + 9 * x), px[0] = uint8_t(16 + 9 * x);
            }
        const Bytes file = encoded(s.view(), {0, 0, 10, 2}, {6, false});
        const size_t idat = palette ? 8 + 25 + 12 + 768 : 8 + 25;  // after the signature, IHDR, PLTE
        const uint32_t length = uint32_t(file[idat] << 24 | file[idat + 1] << 16 | file[idat + 2] << 8 | file[idat + 3]);
        const size_t row = palette ? 10 : 30;
        Bytes rows(2 * (row + 1));
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        ASSERT_EQ(libdeflate_zlib_decompress(d, &file[idat + 8], length, rows.data(), rows.size(), nullptr), LIBDEFLATE_SUCCESS);
        libdeflate_free_decompressor(d);
        EXPECT_EQ(rows[0], palette ? 0 : 1) << "palette " << palette;
        EXPECT_EQ(rows[row + 1], palette ? 0 : 2) << "palette " << palette;
    }
}

TEST(PngDecode, ScaleSixteenIsLibpngsRounding) {
    for (uint32_t v = 0; v < 65536; ++v) {
        const int hi = int(v >> 8), lo = int(v & 255);
        ASSERT_EQ(scale_16(v), uint8_t(hi + (((lo - hi + 128) * 65535) >> 24))) << v;
    }
}

}  // namespace
}  // namespace qv::png

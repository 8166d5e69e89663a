// The PNG reader: every colour type, depth and interlace against libpng's own reading
// (natively, where libpng is at hand), damaged and lying streams, the unfiltering. The
// writer's round trips and the placing modes are tested through the DLL's commands.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "buffer_screen.h"
#include "png/decode.h"
#include "png/encode.h"
#include "png/unfilter.h"

#include <libdeflate.h>

#ifdef QV_WITH_LIBPNG
#include <png.h>
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
    if (c.trns) {
        png_color_16 key{};
        const int max = (1 << c.depth) - 1;
        key.gray = png_uint_16(random() & max);
        key.red = png_uint_16(random() & max), key.green = png_uint_16(random() & max), key.blue = png_uint_16(random() & max);
        png_set_tRNS(png, info, alpha, entries ? entries / 2 + 1 : 0, entries ? nullptr : &key);
    }
    png_write_info(png, info);
    const int channels = c.colour == 2 ? 3 : c.colour == 4 ? 2 : c.colour == 6 ? 4 : 1;
    const size_t row_bytes = (size_t(c.width) * channels * c.depth + 7) / 8;
    std::vector<Bytes> rows(c.height, Bytes(row_bytes));
    std::vector<png_bytep> pointers;
    for (uint32_t y = 0; y < c.height; ++y) {
        // Runs of one value among the noise, so that tRNS keys are met and filters differ.
        for (size_t i = 0; i < row_bytes; ++i) rows[y][i] = (y + i / 7) % 3 ? uint8_t(random()) : uint8_t(y);
        pointers.push_back(rows[y].data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// libpng's plain read, without gamma: palette and low depths expanded, tRNS as alpha, 16
// bits scaled, grey to RGB, an opaque alpha added where there is none.
Bytes libpng_rgba(const Bytes& file) {
    struct In {
        const Bytes* file;
        size_t at;
    } in{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Bytes out;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    png_set_read_fn(png, &in, [](png_structp p, png_bytep to, png_size_t n) {
        auto* i = static_cast<In*>(png_get_io_ptr(p));
        if (i->at + n > i->file->size()) png_error(p, "short");
        std::memcpy(to, i->file->data() + i->at, n);
        i->at += n;
    });
    png_read_info(png, info);
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const uint32_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    out.resize(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y) rows.push_back(out.data() + size_t(y) * w * 4);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
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

// Every cut of a stream and a damaged byte at every place: a clean failure or a whole picture,
// never a read or write out of bounds (the sanitizers watch). Headers that promise more than
// their data are refused before memory is reserved for the promise.
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
        EXPECT_TRUE(status == kDone || status == kBadStream || status == kTooLarge) << i;
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
// (the vector copies for 3- and 4-byte pixels included, in this build's form).
TEST(PngDecode, UnfilteringMatchesTheDefinitions) {
    std::mt19937 random(3);
    for (int bpp = 1; bpp <= 8; ++bpp)
        for (uint8_t filter = 0; filter <= 4; ++filter)
            for (int trial = 0; trial < 50; ++trial) {
                const size_t n = size_t(bpp) * (1 + random() % 40), k = size_t(bpp);
                Bytes up(n), row(n);
                for (auto& v : up) v = uint8_t(random());
                for (auto& v : row) v = uint8_t(random());
                Bytes want = row;
                for (size_t i = 0; i < n; ++i) {
                    const int a = i >= k ? want[i - k] : 0, b = up[i], c = i >= k ? up[i - k] : 0;
                    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                    const int predicted[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
                    want[i] = uint8_t(want[i] + predicted[filter]);
                }
                unfilter_row(filter, row.data(), up.data(), n, bpp);
                ASSERT_EQ(row, want) << "filter " << int(filter) << ", " << bpp << "-byte pixels, " << n << " bytes";
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

// The EXIF orientation reader on blocks made here byte by byte: both byte orders, every
// value, the entry anywhere in the first directory, what does not hold together, and every
// cut of a block and of a stream (each read from an allocation of exactly its size).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "jpeg/exif.h"

namespace qv::jpeg {
namespace {

using Bytes = std::vector<uint8_t>;

struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
};

// "Exif\0\0", a TIFF header in the byte order asked for and a first directory of `entries`
// at `ifd` (8: right after the header); a short value is stored in the entry's first bytes.
Bytes exif(bool little, const std::vector<Entry>& entries, uint32_t ifd = 8) {
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * (little ? i : n - 1 - i))));
    };
    b.push_back(little ? 'I' : 'M'), b.push_back(little ? 'I' : 'M');
    put(42, 2), put(ifd, 4);
    put(uint32_t(entries.size()), 2);
    for (const Entry& e : entries) {
        put(e.tag, 2), put(e.type, 2), put(e.count, 4);
        if (e.type == 3) put(e.value, 2), put(0, 2);
        else put(e.value, 4);
    }
    put(0, 4);  // no next directory
    return b;
}

int32_t read_exact(const Bytes& b, size_t n, int32_t (*read)(const uint8_t*, size_t)) {
    const std::unique_ptr<uint8_t[]> copy(new uint8_t[n ? n : 1]);
    std::memcpy(copy.get(), b.data(), n);
    return read(copy.get(), n);
}

TEST(Exif, ReadsTheOrientationAndNothingThatDoesNotHoldTogether) {
    const Entry width{0x0100, 4, 1, 640};
    for (bool little : {true, false})
        for (uint32_t v = 0; v <= 9; ++v) {
            EXPECT_EQ(exif_orientation(exif(little, {width, {0x0112, 3, 1, v}}).data(), 44), v <= 8 ? int32_t(v) : 0)
                << little << " " << v;
            EXPECT_EQ(exif_orientation(exif(little, {{0x0112, 4, 1, v}}).data(), 32), v <= 8 ? int32_t(v) : 0);
        }
    struct Case {
        const char* what;
        Bytes block;
        int32_t want;
    } cases[] = {
        {"no orientation", exif(true, {width}), 0},
        {"as text", exif(true, {{0x0112, 2, 1, 6}}), 0},
        {"two values", exif(false, {{0x0112, 3, 2, 6}}), 0},
        {"the directory further on", exif(true, {{0x0112, 3, 1, 6}}, 8), 6},
        {"the directory past the block", exif(true, {{0x0112, 3, 1, 6}}, 4000), 0},
        {"the directory at the block's last byte", exif(true, {{0x0112, 3, 1, 6}}, 31), 0},
        {"not Exif", [] { Bytes b = exif(true, {{0x0112, 3, 1, 6}}); b[4] = 'x'; return b; }(), 0},
        {"another byte order mark", [] { Bytes b = exif(true, {{0x0112, 3, 1, 6}}); b[7] = 'M'; return b; }(), 0},
        {"not 42", [] { Bytes b = exif(false, {{0x0112, 3, 1, 6}}); b[9] = 43; return b; }(), 0},
        {"more entries than the block holds", [&] { Bytes b = exif(true, {width}); b[14] = 0xFF; b[15] = 0xFF; return b; }(), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(read_exact(c.block, c.block.size(), exif_orientation), c.want) << c.what;
    // Cut anywhere: nothing is read past the cut, and the orientation is there only once
    // its entry is whole.
    const Bytes b = exif(false, {width, {0x0112, 3, 1, 8}});
    for (size_t n = 0; n < b.size(); ++n) EXPECT_EQ(read_exact(b, n, exif_orientation), n >= 6 + 10 + 24 ? 8 : 0) << n;
}

// A stream's markers: SOI, fill bytes, a JFIF APP0, an APP1 that is not EXIF, the EXIF
// block, a table, the scan; the EXIF block after the scan is not read.
TEST(Exif, FindsTheFirstExifBlockBeforeTheScan) {
    auto segment = [](uint8_t code, const Bytes& data) {
        Bytes s = {0xFF, code, uint8_t((data.size() + 2) >> 8), uint8_t(data.size() + 2)};
        s.insert(s.end(), data.begin(), data.end());
        return s;
    };
    auto join = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    const Bytes soi = {0xFF, 0xD8}, app0 = segment(0xE0, {'J', 'F', 'I', 'F', 0}),
                xmp = segment(0xE1, {'h', 't', 't', 'p', ':'}), block = segment(0xE1, exif(true, {{0x0112, 3, 1, 6}})),
                dqt = segment(0xDB, Bytes(65, 1)), sos = segment(0xDA, Bytes(10, 0));
    const Bytes stream = join({soi, app0, {0xFF}, xmp, block, dqt, sos, {0x12, 0x34, 0xFF, 0xD9}});
    EXPECT_EQ(read_exact(stream, stream.size(), jpeg_orientation), 6);
    const Bytes late = join({soi, app0, sos, block});
    EXPECT_EQ(read_exact(late, late.size(), jpeg_orientation), 0);
    const Bytes none = join({soi, app0, dqt, sos});
    EXPECT_EQ(read_exact(none, none.size(), jpeg_orientation), 0);
    Bytes long_segment = join({soi, app0, block});
    long_segment[5] = 0xFF;  // APP0 claims more than the stream holds
    EXPECT_EQ(read_exact(long_segment, long_segment.size(), jpeg_orientation), 0);
    const size_t whole = soi.size() + app0.size() + 1 + xmp.size() + block.size();
    for (size_t n = 0; n < stream.size(); ++n)
        EXPECT_EQ(read_exact(stream, n, jpeg_orientation), n >= whole ? 6 : n < 2 ? kNotJpeg : 0) << n;
}

}  // namespace
}  // namespace qv::jpeg

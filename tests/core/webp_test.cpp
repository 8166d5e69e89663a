// The WebP reader's reading of files, under the sanitizers: a stream inside a larger file,
// cut short, lying about its size, its headers after a large chunk. (The corpus against
// dwebp goes through the DLL's commands: tests/host/webp_commands_test.cpp.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "pnm.h"
#include "webp/read.h"

namespace qv::webp {
namespace {

using testing::read_bytes;
using testing::testdata;

const uint8_t* bytes_of(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// Every pixel of the picture against dwebp's RGBA; a 3-byte picture is opaque (and BGR).
::testing::AssertionResult equals_pam(const Picture& p, const testing::Pnm& pam) {
    if (int(p.info.width) != pam.width || int(p.info.height) != pam.height)
        return ::testing::AssertionFailure() << "size " << p.info.width << " x " << p.info.height;
    for (uint32_t y = 0; y < p.info.height; ++y)
        for (uint32_t x = 0; x < p.info.width; ++x) {
            const uint8_t* got = p.row(y) + size_t(x) * p.bpp;
            const uint8_t* want = &pam.data[(size_t(y) * pam.width + x) * 4];
            const uint8_t rgba[4] = {p.bpp == 4 ? got[0] : got[2], got[1], p.bpp == 4 ? got[2] : got[0],
                                     p.bpp == 4 ? got[3] : uint8_t(255)};
            if (std::memcmp(rgba, want, 4) != 0)
                return ::testing::AssertionFailure() << "pixel " << x << ", " << y;
        }
    return ::testing::AssertionSuccess();
}

// A file holding `prefix` junk bytes, the stream, and junk after it, opened at the stream.
struct StreamFile {
    std::FILE* file = nullptr;
    uint64_t left = 0;
    StreamFile(const std::string& stream, size_t prefix) {
        file = std::tmpfile();
        const std::string all = std::string(prefix, 'j') + stream + std::string(77, 'k');
        std::fwrite(all.data(), 1, all.size(), file);
        std::fseek(file, long(prefix), SEEK_SET);
        left = all.size() - prefix;
    }
    ~StreamFile() { std::fclose(file); }
};

std::string le32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

TEST(WebpRead, FilesAreReadToTheStreamsEndAndNoFurther) {
    const std::string webp = read_bytes(testdata("webp/sprite-alpha.webp"));
    ASSERT_FALSE(webp.empty());
    {
        StreamFile f(webp, 123);
        Bytes bytes;
        ASSERT_EQ(read_stream(f.file, f.left, bytes), kDone);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data), bytes.size), webp);  // the trailing junk is not read
        std::fseek(f.file, 123, SEEK_SET);
        Info info;
        EXPECT_EQ(probe_file(f.file, f.left, info), kDone);
        EXPECT_EQ(info.width, 97u);
        EXPECT_TRUE(info.alpha);
    }
    // Cut anywhere, or claiming more than the file holds: refused, before a block of the
    // claimed size is asked for (here 4 GB, which ASan would report).
    std::string liar = webp;
    liar.replace(4, 4, le32(0xFFFFFFF0u));
    std::string tiny = webp.substr(0, 12);
    tiny.replace(4, 4, le32(2));  // a size below its own header
    for (const std::string& stream : {webp.substr(0, webp.size() - 1), webp.substr(0, 30), liar, tiny, std::string("RIFF")}) {
        StreamFile f(stream, 5);
        f.left = stream.size();  // the junk after it is not the stream's
        Bytes bytes;
        EXPECT_EQ(read_stream(f.file, f.left, bytes), kBadStream) << stream.size();
        Picture p;
        EXPECT_EQ(decode_webp(bytes_of(stream), stream.size(), true, p), kBadStream) << stream.size();
        EXPECT_FALSE(p.pixels);
    }
    // Headers after a large chunk (an ICC profile): the size query reads on past its first
    // few kilobytes, and the picture is the same.
    const std::string lossless = read_bytes(testdata("webp/sprite-lossless.webp"));
    const std::string vp8x = "VP8X" + le32(10) + std::string("\x30\0\0\0", 4) + std::string("\x60\0\0\x3C\0\0", 6);
    const std::string iccp = "ICCP" + le32(9000) + std::string(9000, 'i');
    const std::string body = lossless.substr(12);
    const std::string late = "RIFF" + le32(uint32_t(4 + vp8x.size() + iccp.size() + body.size())) + "WEBP" + vp8x + iccp + body;
    StreamFile f(late, 0);
    Info info;
    EXPECT_EQ(probe_file(f.file, f.left, info), kDone);
    EXPECT_EQ(info.width, 97u);
    Picture p;
    ASSERT_EQ(decode_webp(bytes_of(late), late.size(), true, p), kDone);
    EXPECT_TRUE(equals_pam(p, testing::read_pam(testdata("webp/sprite-lossless.pam"))));
}

}  // namespace
}  // namespace qv::webp

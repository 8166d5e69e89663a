// Decoding into a screen and probing, against djpeg's output for the same files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "buffer_screen.h"
#include "jpeg/decode.h"
#include "jpeg_files.h"
#include "pnm.h"

namespace qv::jpeg {
namespace {

using testing::BufferScreen;
using testing::Pnm;
using testing::read_bytes;
using testing::read_pnm;
using testing::testdata;
using testing::write_bytes;

const char* const kSources[] = {"tiny", "odd", "small", "wide", "tall", "vga"};
const char* const kVariants[] = {"420", "422", "444", "prog", "gray", "rst", "rgb", "q30"};

// The DCT method djpeg used for a reference, by the decode flags that select it.
const char* dct_for_flags(int flags) {
    switch (flags & 15) {
        case 2: return "fast";
        case 3: return "float";
        default: return "int";
    }
}

// A scratch file of the test's own, removed afterwards.
struct ScratchFile {
    std::string path;
    explicit ScratchFile(const std::string& name) : path("qv_core_" + name) {}
    ~ScratchFile() { std::remove(path.c_str()); }
};

TEST(JpegDecode, EveryVariantAndDctEqualsDjpegByteForByte) {
    for (const char* source : kSources)
        for (const char* variant : kVariants)
            for (int flags : {0, 1, 2, 3, 4, 15, 0x12, 0x7FFFFFF3}) {
                std::string name = std::string(source) + "-" + variant;
                Pnm ref = read_pnm(testdata(name + "." + dct_for_flags(flags) + ".pnm"));
                ASSERT_TRUE(ref.ok()) << "missing test data for " << name << "; run scripts/test";
                BufferScreen s(ref.width, ref.height);
                auto before = s.snapshot();
                JpegTarget t = SetJpegTarget(s.view());
                ASSERT_EQ(DecodeJpegFile(testdata(name + ".jpg").c_str(), flags, 0, t), kDone) << name;
                EXPECT_EQ(t.rows_written, ref.height) << name;
                EXPECT_TRUE(s.holds(ref, 0, 0, ref.width, ref.height)) << name << " flags " << flags;
                EXPECT_TRUE(s.unchanged_outside(0, 0, ref.width, ref.height, before)) << name;
            }
}

TEST(JpegDecode, PlacesAtTheCursorAndClipsAtTheEdges) {
    Pnm ref = read_pnm(testdata("vga-420.int.pnm"));
    struct Case {
        int32_t screen_w, screen_h, cursor_x, cursor_y;  // the screen and its position
        int32_t x, y, w, h;                              // where the picture must land
    } cases[] = {
        {320, 240, 0, 0, 0, 0, 320, 240},      // the top-left quarter fills the screen
        {320, 240, 300, 0, 300, 0, 20, 240},   // only 20 columns fit
        {320, 240, 320, 0, 0, 0, 320, 240},    // a position outside the screen becomes 0
        {320, 240, -5, 0, 0, 0, 320, 240},
        {320, 240, 0, 239, 0, 239, 320, 1},
        {320, 240, 0, 240, 0, 0, 320, 240},
        {320, 240, 17, -1, 17, 0, 303, 240},
        {700, 500, 5, 7, 5, 7, 640, 480},      // inside a larger screen, every side untouched
        {700, 500, 60, 20, 60, 20, 640, 480},
        {701, 483, 61, 3, 61, 3, 640, 480},    // exactly fits
        {701, 482, 62, 3, 62, 3, 639, 479},
        {1, 1, 0, 0, 0, 0, 1, 1},
    };
    for (const Case& c : cases) {
        BufferScreen s(c.screen_w, c.screen_h);
        s.set_cursor(c.cursor_x, c.cursor_y);
        auto before = s.snapshot();
        JpegTarget t = SetJpegTarget(s.view());
        ASSERT_EQ(DecodeJpegFile(testdata("vga-420.jpg").c_str(), 0, 0, t), kDone);
        std::string where = std::to_string(c.screen_w) + "x" + std::to_string(c.screen_h) + " at " +
                            std::to_string(c.cursor_x) + "," + std::to_string(c.cursor_y);
        EXPECT_EQ(t.rows_written, c.h) << where;
        EXPECT_TRUE(s.holds(ref, c.x, c.y, c.w, c.h)) << where;
        EXPECT_TRUE(s.unchanged_outside(c.x, c.y, c.w, c.h, before)) << where;
    }
}

TEST(JpegDecode, GrayscaleGivesThreeEqualBytesAndRedStaysRed) {
    BufferScreen s(33, 20);
    JpegTarget t = SetJpegTarget(s.view());
    ASSERT_EQ(DecodeJpegFile(testdata("small-gray.jpg").c_str(), 0, 0, t), kDone);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 33; ++x) {
            const uint8_t* p = s.view().at(x, y);
            ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
        }

    // A pure red picture comes out as blue 0, green 0, red 255 (or 254: JPEG may lose a step).
    ScratchFile jpg("red.jpg");
    ASSERT_TRUE(testing::write_solid_jpeg(jpg.path, 16, 16, 255, 0, 0));
    BufferScreen r(16, 16);
    JpegTarget rt = SetJpegTarget(r.view());
    ASSERT_EQ(DecodeJpegFile(jpg.path.c_str(), 0, 0, rt), kDone);
    const uint8_t* p = r.view().at(5, 5);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], 0);
    EXPECT_GE(p[2], 254);
}

TEST(JpegDecode, StreamAtAnOffsetInsideALargerFile) {
    std::string jpeg = read_bytes(testdata("wide-444.jpg"));
    ScratchFile f("embedded.bin");
    write_bytes(f.path, std::string(1234, 'x') + jpeg + std::string(500, '\xFF'));
    Pnm ref = read_pnm(testdata("wide-444.int.pnm"));
    BufferScreen s(101, 67);
    JpegTarget t = SetJpegTarget(s.view());
    ASSERT_EQ(DecodeJpegFile(f.path.c_str(), 0, 1234, t), kDone);
    EXPECT_TRUE(s.holds(ref, 0, 0, 101, 67));
    int32_t w = 0, h = 0;
    EXPECT_EQ(ProbeJpegFile(f.path.c_str(), 1234, w, h), kDone);
    EXPECT_EQ(w, 101);
    EXPECT_EQ(h, 67);
    // Not at a stream: 1233, a negative offset, the end and past it.
    for (int64_t off : {int64_t(1233), int64_t(-1), int64_t(1234 + jpeg.size() + 500), int64_t(1) << 40}) {
        BufferScreen s2(101, 67);
        auto before = s2.snapshot();
        JpegTarget t2 = SetJpegTarget(s2.view());
        EXPECT_EQ(DecodeJpegFile(f.path.c_str(), 0, off, t2), kBadStream) << off;
        EXPECT_TRUE(s2.unchanged_outside(0, 0, 0, 0, before)) << off;
        EXPECT_EQ(ProbeJpegFile(f.path.c_str(), off, w, h), kBadStream) << off;
    }
}

TEST(JpegDecode, MemoryGivesTheFilesPixelsAndScreensWithoutRoomTakeNothing) {
    for (const char* variant : kVariants) {
        const std::string path = testdata(std::string("odd-") + variant + ".jpg");
        const std::string file = read_bytes(path);
        const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
        BufferScreen a(40, 30), b(40, 30);
        a.set_cursor(5, 3);
        b.set_cursor(5, 3);
        JpegTarget ta = SetJpegTarget(a.view()), tb = SetJpegTarget(b.view());
        ASSERT_EQ(DecodeJpegFile(path.c_str(), 0, 0, ta), kDone) << variant;
        EXPECT_EQ(decode_jpeg_memory(bytes, file.size(), 0, tb), kDone) << variant;
        EXPECT_EQ(a.snapshot(), b.snapshot()) << variant;
        int32_t wf = 0, hf = 0, wm = 0, hm = 0;
        EXPECT_EQ(ProbeJpegFile(path.c_str(), 0, wf, hf), kDone);
        EXPECT_EQ(probe_jpeg_memory(bytes, file.size(), wm, hm), kDone);
        EXPECT_EQ(std::make_pair(wm, hm), std::make_pair(wf, hf)) << variant;
        JpegTarget tc = SetJpegTarget(b.view());
        EXPECT_EQ(decode_jpeg_memory(bytes, file.size() / 2, 0, tc), kBadStream) << "cut short";
        EXPECT_EQ(decode_jpeg_memory(bytes, 0, 0, tc), kBadStream) << "nothing at all";
        EXPECT_EQ(probe_jpeg_memory(bytes, 9, wm, hm), kBadStream);
    }
    // A screen without a row or a column has no room: the stream is read, nothing is written.
    const std::string path = testdata("small-420.jpg");
    for (auto [w, h] : {std::pair{0, 0}, {8, 0}, {0, 8}}) {
        BufferScreen z(w, h);
        auto before = z.snapshot();
        JpegTarget t = SetJpegTarget(z.view());
        EXPECT_EQ(DecodeJpegFile(path.c_str(), 0, 0, t), kDone) << w << " x " << h;
        EXPECT_EQ(t.rows_written, 0);
        EXPECT_EQ(z.snapshot(), before);
    }
}

TEST(JpegDecode, MissingFilesFoldersAndNonJpegData) {
    BufferScreen s(8, 8);
    auto before = s.snapshot();
    JpegTarget t = SetJpegTarget(s.view());
    int32_t w = -7, h = -7;
    EXPECT_EQ(DecodeJpegFile("no-such-file.jpg", 0, 0, t), kCannotOpen);
    EXPECT_EQ(ProbeJpegFile("no-such-file.jpg", 0, w, h), kCannotOpen);
    EXPECT_EQ(DecodeJpegFile(".", 0, 0, t), kCannotOpen);
    EXPECT_EQ(ProbeJpegFile(".", 0, w, h), kCannotOpen);
    EXPECT_EQ(DecodeJpegFile(nullptr, 0, 0, t), kCannotOpen);
    ScratchFile empty("empty.jpg"), text("text.jpg");
    write_bytes(empty.path, "");
    write_bytes(text.path, "this is not a JPEG stream at all, only text\n");
    EXPECT_EQ(DecodeJpegFile(empty.path.c_str(), 0, 0, t), kBadStream);
    EXPECT_EQ(DecodeJpegFile(text.path.c_str(), 0, 0, t), kBadStream);
    EXPECT_EQ(DecodeJpegFile(testdata("small.ppm").c_str(), 0, 0, t), kBadStream);
    EXPECT_EQ(ProbeJpegFile(text.path.c_str(), 0, w, h), kBadStream);
    EXPECT_EQ(w, -7) << "a failed probe reports no size";
    EXPECT_TRUE(s.unchanged_outside(0, 0, 0, 0, before));
}

TEST(JpegDecode, CmykIsRefusedButMeasured) {
    ScratchFile f("cmyk.jpg");
    ASSERT_TRUE(testing::write_cmyk_jpeg(f.path, 24, 16));
    BufferScreen s(24, 16);
    auto before = s.snapshot();
    JpegTarget t = SetJpegTarget(s.view());
    EXPECT_EQ(DecodeJpegFile(f.path.c_str(), 0, 0, t), kBadStream);
    EXPECT_TRUE(s.unchanged_outside(0, 0, 0, 0, before));
    int32_t w = 0, h = 0;
    EXPECT_EQ(ProbeJpegFile(f.path.c_str(), 0, w, h), kDone);
    EXPECT_EQ(w, 24);
    EXPECT_EQ(h, 16);
}

// CMYK and YCCK pictures made by libjpeg, Pillow and ImageMagick, converted as Pillow converts
// them (each taken as Adobe's inverted CMYK) when asked, refused otherwise.
TEST(JpegDecode, CmykAndYcckConvertAsPillowDoes) {
#ifdef _WIN32
    GTEST_SKIP() << "Pillow and ImageMagick run on the native build only";
#else
    const std::string photo = testdata("wide.ppm");
    ASSERT_EQ(std::system(("convert " + photo + " -colorspace CMYK -quality 95 qv_core_im.jpg").c_str()), 0);
    ASSERT_TRUE(testing::write_cmyk_jpeg("qv_core_lj.jpg", 37, 23));
    ASSERT_TRUE(testing::write_cmyk_jpeg("qv_core_ycck.jpg", 37, 23, true));
    const char* const files[] = {"qv_core_im.jpg", "qv_core_lj.jpg", "qv_core_ycck.jpg", "qv_core_pil.jpg"};
    std::FILE* python = popen("/usr/bin/python3 -c '"
                              "import sys\n"
                              "from PIL import Image\n"
                              "for line in sys.stdin:\n"
                              "    how, source, out = line.split()\n"
                              "    picture = Image.open(source)\n"
                              "    if how == \"cmyk\": picture.convert(\"CMYK\").save(out, quality=95)\n"
                              "    else: picture.convert(\"RGB\").save(out)\n'",
                              "w");
    ASSERT_NE(python, nullptr);
    std::fprintf(python, "cmyk %s qv_core_pil.jpg\n", photo.c_str());
    for (const char* f : files) std::fprintf(python, "rgb %s %s.ppm\n", f, f);
    ASSERT_EQ(pclose(python), 0);
    for (const char* f : files) {
        const Pnm ref = read_pnm(std::string(f) + ".ppm");
        std::remove((std::string(f) + ".ppm").c_str());
        ASSERT_TRUE(ref.ok()) << f;
        BufferScreen s(ref.width + 1, ref.height);
        const auto before = s.snapshot();
        s.set_cursor(1, 0);
        JpegTarget t = SetJpegTarget(s.view());
        EXPECT_EQ(DecodeJpegFile(f, 0, 0, t), kBadStream) << f;
        EXPECT_TRUE(s.unchanged_outside(0, 0, 0, 0, before)) << f;
        t = SetJpegTarget(s.view());
        ASSERT_EQ(DecodeJpegFile(f, 0, 0, t, {1, false, true}), kDone) << f;
        EXPECT_TRUE(s.holds(ref, 1, 0, ref.width, ref.height)) << f;
        EXPECT_TRUE(s.unchanged_outside(1, 0, ref.width, ref.height, before)) << f;
        std::remove(f);
    }
#endif
}

// Returns the position of the SOF0/SOF2 payload's height field.
size_t sof_height_at(const std::string& jpeg) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (uint8_t(jpeg[i]) == 0xFF && (uint8_t(jpeg[i + 1]) == 0xC0 || uint8_t(jpeg[i + 1]) == 0xC2)) return i + 5;
    return 0;
}

TEST(JpegDecode, HugeClaimedDimensionsWithTinyDataFailPromptly) {
    for (const char* name : {"small-420.jpg", "small-prog.jpg"}) {
        std::string jpeg = read_bytes(testdata(name));
        size_t at = sof_height_at(jpeg);
        ASSERT_NE(at, 0u);
        jpeg[at] = char(0xEA);  // height 60000
        jpeg[at + 1] = char(0x60);
        jpeg[at + 2] = char(0xEA);  // width 60000
        jpeg[at + 3] = char(0x60);
        ScratchFile f(std::string("huge-") + name);
        write_bytes(f.path, jpeg);
        BufferScreen s(64, 48);
        JpegTarget t = SetJpegTarget(s.view());
        EXPECT_EQ(DecodeJpegFile(f.path.c_str(), 0, 0, t), kBadStream) << name;
        EXPECT_LE(t.rows_written, 48);
    }
}

TEST(JpegDecode, CutStreamsReportTwoAndKeepTheRowsAlreadyWritten) {
    std::string jpeg = read_bytes(testdata("vga-420.jpg"));
    Pnm ref = read_pnm(testdata("vga-420.int.pnm"));
    ScratchFile f("cut.jpg");
    int cuts = 0;
    for (size_t cut = 0; cut < jpeg.size(); cut += (cut < 700 ? 1 : 997)) {
        write_bytes(f.path, jpeg.substr(0, cut));
        BufferScreen s(640, 480);
        JpegTarget t = SetJpegTarget(s.view());
        ASSERT_EQ(DecodeJpegFile(f.path.c_str(), 0, 0, t), kBadStream) << "cut at " << cut;
        int32_t w = 0, h = 0;
        int32_t probed = ProbeJpegFile(f.path.c_str(), 0, w, h);
        ASSERT_TRUE(probed == kBadStream || (probed == kDone && w == 640 && h == 480)) << cut;
        // A cut deep in the scan leaves the top rows decoded as djpeg decodes them.
        if (cut > jpeg.size() / 2) {
            EXPECT_TRUE(s.holds(ref, 0, 0, 640, 16)) << "cut at " << cut;
        }
        ++cuts;
    }
    EXPECT_GT(cuts, 700);
}

TEST(JpegDecode, CorruptBytesNeverCrash) {
    std::string jpeg = read_bytes(testdata("wide-prog.jpg"));
    ASSERT_GT(jpeg.size(), 2u) << "test data missing (run from the build folder)";
    ScratchFile f("corrupt.jpg");
    uint32_t state = 99;
    for (int round = 0; round < 300; ++round) {
        std::string bad = jpeg;
        for (int k = 0; k < 1 + round % 4; ++k) {
            state = state * 1103515245u + 12345u;
            size_t at = 2 + (state >> 8) % (bad.size() - 2);
            bad[at] = char(state >> 3);
        }
        write_bytes(f.path, bad);
        BufferScreen s(101, 67);
        JpegTarget t = SetJpegTarget(s.view());
        int32_t status = DecodeJpegFile(f.path.c_str(), round % 4, 0, t);
        ASSERT_TRUE(status == kDone || status == kBadStream) << round;
        int32_t w, h;
        status = ProbeJpegFile(f.path.c_str(), 0, w, h);
        ASSERT_TRUE(status == kDone || status == kBadStream) << round;
    }
}

TEST(JpegProbe, ReportsTheSizeOfEveryVariant) {
    for (const char* variant : kVariants) {
        int32_t w = 0, h = 0;
        ASSERT_EQ(ProbeJpegFile(testdata(std::string("tall-") + variant + ".jpg").c_str(), 0, w, h), kDone);
        EXPECT_EQ(w, 7);
        EXPECT_EQ(h, 300);
    }
}

}  // namespace
}  // namespace qv::jpeg

// The JPEG commands through the DLL's exports, as a script calls them: files, offsets and
// positions, sizes, saving with settings and comments, memory and pack-archive sources.
#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "jpeg/decode.h"
#include "jpeg_files.h"
#include "pnm.h"
#include "screen_checks.h"

namespace qv::test {
namespace {

using testing::find_marker;
using testing::markers_of;
using testing::Pnm;
using testing::read_pnm;
using testing::testdata;

const char* const kVariants[] = {"420", "422", "444", "prog", "gray", "rst", "rgb", "q30"};

// True when the file is closed: Windows refuses to delete a file that is open.
bool deletable(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

std::string bytes_of(const std::string& path) { return read_file(path); }

TEST(JpegLoad, EqualsDjpegForEveryVariantWhereverItLands) {
    struct Place {
        int32_t screen_w, screen_h, cursor_x, cursor_y, x, y;
    } places[] = {{101, 67, 0, 0, 0, 0}, {300, 200, 13, 29, 13, 29}, {60, 40, 10, 5, 10, 5},
                  {101, 67, 101, -1, 0, 0}, {1, 1, 0, 0, 0, 0}};
    for (const char* variant : kVariants)
        for (int flags : {0, 2, 3})
            for (const Place& p : places) {
                std::string name = std::string("wide-") + variant;
                const char* dct = flags == 2 ? "fast" : flags == 3 ? "float" : "int";
                Pnm ref = read_pnm(testdata(name + "." + dct + ".pnm"));
                ASSERT_TRUE(ref.ok()) << name;
                HostScreen s(p.screen_w, p.screen_h, false);
                s.fill_pattern(3);
                s.set_cursor(p.cursor_x, p.cursor_y);
                auto before = s.bytes();
                std::string file = testdata(name + ".jpg");
                ASSERT_EQ(call("JpegLoad", s.record(), file.c_str(), flags, 0), 0) << name;
                int32_t w = std::min(ref.width, p.screen_w - p.x), h = std::min(ref.height, p.screen_h - p.y);
                GdiFlush();
                EXPECT_TRUE(testing::holds(s.view(), ref, p.x, p.y, w, h)) << name << " flags " << flags;
                EXPECT_TRUE(testing::unchanged_outside(s.view(), before, p.x, p.y, w, h)) << name;
            }
}

TEST(JpegLoad, RefusalsAndFailures) {
    HostScreen palette(32, 32, true);
    auto before = palette.bytes();
    std::string good = testdata("small-420.jpg");
    EXPECT_EQ(call("JpegLoad", palette.record(), good.c_str(), 0, 0), -255);
    EXPECT_EQ(palette.bytes(), before);

    HostScreen s(40, 30, false);
    s.fill_pattern(4);
    before = s.bytes();
    TempDir dir;
    EXPECT_EQ(call("JpegLoad", s.record(), dir.file("absent.jpg").c_str(), 0, 0), -1);
    EXPECT_EQ(call("JpegLoad", s.record(), dir.path().c_str(), 0, 0), -1) << "a folder";
    EXPECT_EQ(call("JpegLoad", s.record(), good.c_str(), 0, -1), -2);
    EXPECT_EQ(call("JpegLoad", s.record(), good.c_str(), 0, 1 << 30), -2);
    std::string text = dir.file("text.jpg"), empty = dir.file("empty.jpg"), cmyk = dir.file("cmyk.jpg");
    write_file(text, "plain text");
    write_file(empty, "");
    ASSERT_TRUE(testing::write_cmyk_jpeg(cmyk, 8, 8));
    for (const std::string& f : {text, empty, cmyk}) {
        EXPECT_EQ(call("JpegLoad", s.record(), f.c_str(), 0, 0), -2) << f;
        EXPECT_TRUE(deletable(f)) << f << " was left open";
    }
    EXPECT_EQ(s.bytes(), before);
}

TEST(JpegLoad, ACutFileReportsTwoKeepsItsRowsAndIsClosed) {
    TempDir dir;
    std::string jpeg = bytes_of(testdata("vga-420.jpg"));
    std::string cut = dir.file("cut.jpg");
    Pnm ref = read_pnm(testdata("vga-420.int.pnm"));
    for (size_t at : {size_t(0), size_t(1), size_t(100), size_t(620), jpeg.size() / 3, jpeg.size() - 3}) {
        write_file(cut, jpeg.substr(0, at));
        HostScreen s(640, 480, false);
        EXPECT_EQ(call("JpegLoad", s.record(), cut.c_str(), 0, 0), -2) << at;
        if (at == jpeg.size() - 3) {
            GdiFlush();
            EXPECT_TRUE(testing::holds(s.view(), ref, 0, 0, 640, 400)) << "rows decoded before the cut stay";
        }
        EXPECT_TRUE(deletable(cut)) << at;
    }
}

TEST(JpegSize, StoresTheSizeOrZeros) {
    HostVar v = HostVar::ints(4);
    v.ints()[0] = v.ints()[1] = 99;
    std::string prog = testdata("tall-prog.jpg");
    EXPECT_EQ(call("JpegSize", v.record(), prog.c_str(), 0), 0);
    EXPECT_EQ(v.ints()[0], 7);
    EXPECT_EQ(v.ints()[1], 300);
    EXPECT_EQ(call("JpegSize", v.record(), testdata("tall.ppm").c_str(), 0), -2);
    EXPECT_EQ(v.ints()[0], 0);
    EXPECT_EQ(v.ints()[1], 0);
    v.ints()[0] = 5;
    EXPECT_EQ(call("JpegSize", v.record(), "Z:\\no\\such\\file.jpg", 0), -1);
    EXPECT_EQ(v.ints()[0], 0);

    // A one-element variable gets the width only: nothing is written past its storage.
    HostVar one = HostVar::ints(2);
    one.record()->len[1] = 1;
    one.ints()[1] = 1234;
    EXPECT_EQ(call("JpegSize", one.record(), prog.c_str(), 0), 0);
    EXPECT_EQ(one.ints()[0], 7);
    EXPECT_EQ(one.ints()[1], 1234);

    HostVar text = HostVar::text(16);
    std::memset(text.data(), 'k', 16);
    EXPECT_EQ(call("JpegSize", text.record(), prog.c_str(), 0), -255);
    EXPECT_EQ(text.data()[0], 'k') << "a variable of the wrong type is not written";
}

// Decodes a saved file with the test's own libjpeg into a fresh buffer.
std::vector<uint8_t> decode_saved(const std::string& path, int32_t w, int32_t h) {
    Screen s;
    s.width = w;
    s.height = h;
    std::vector<uint8_t> buf(s.size_bytes());
    s.pixels = buf.data();
    jpeg::JpegTarget t = jpeg::SetJpegTarget(s);
    EXPECT_EQ(jpeg::DecodeJpegFile(path.c_str(), 0, 0, t), 0);
    return buf;
}

class JpegSave : public ::testing::Test {
protected:
    void SetUp() override {
        call("JpegParam", 70, 0, 0, 0);
        call("JpegParam2", 0, 0, 0, 0);
        call("JpegComment", 0, 0, 1);
    }
    void TearDown() override { SetUp(); }
    TempDir dir;
};

TEST_F(JpegSave, WritesTheRegionWithTheSettingsAndAComment) {
    HostScreen s(640, 100, false);
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 640; ++x) s.set_pixel(x, y, {0, 0, 255});  // pure red
    s.set_cursor(100, 0);
    HostVar comment = HostVar::text(32);
    std::strcpy(comment.chars(), "abc\x1A" "after the end mark");
    ASSERT_EQ(call("JpegComment", comment.record(), 0, 0), 0);
    ASSERT_EQ(call("JpegParam", 90, 2, 3, 0), 0);  // progressive grayscale, fast DCT
    std::string out = dir.file("out.jpg");
    ASSERT_EQ(call("JpegSave", s.record(), out.c_str(), 1000, 50), 0);
    auto ms = markers_of(bytes_of(out));
    ASSERT_GE(ms.size(), 4u);
    EXPECT_EQ(ms[2].code, 0xFE);
    EXPECT_EQ(ms[2].payload, "abc");
    const auto* sof = find_marker(ms, 0xC2);
    ASSERT_NE(sof, nullptr) << "progressive";
    EXPECT_EQ(uint8_t(sof->payload[3]) << 8 | uint8_t(sof->payload[4]), 540);
    EXPECT_EQ(uint8_t(sof->payload[1]) << 8 | uint8_t(sof->payload[2]), 50);
    EXPECT_EQ(sof->payload[5], 1) << "grayscale";
    EXPECT_TRUE(deletable(out));

    // The comment was consumed; colour with 4:4:4 and a density.
    ASSERT_EQ(call("JpegParam", 95, 1, 0, 0), 0);
    ASSERT_EQ(call("JpegParam2", 1, 1, 72, 72), 0);
    s.set_cursor(0, 0);
    ASSERT_EQ(call("JpegSave", s.record(), out.c_str(), 64, 32), 0);
    ms = markers_of(bytes_of(out));
    EXPECT_EQ(find_marker(ms, 0xFE), nullptr);
    sof = find_marker(ms, 0xC0);
    ASSERT_NE(sof, nullptr);
    EXPECT_EQ(sof->payload[5], 3);
    EXPECT_EQ(uint8_t(sof->payload[7]), 0x11);
    const std::string& jfif = find_marker(ms, 0xE0)->payload;
    EXPECT_EQ(jfif[7], 1);
    EXPECT_EQ(uint8_t(jfif[9]), 72);
    auto back = decode_saved(out, 64, 32);
    EXPECT_LE(back[0], 2);
    EXPECT_LE(back[1], 2);
    EXPECT_GE(back[2], 253) << "pure red stays red";
}

TEST_F(JpegSave, SettingCommandsCheckTheirArguments) {
    HostScreen s(32, 32, false);
    EXPECT_EQ(call("JpegParam", 101, 2, 3, 0), 3);
    EXPECT_EQ(call("JpegParam", 0, 2, 3, 0), 3);
    std::string out = dir.file("q.jpg");
    ASSERT_EQ(call("JpegSave", s.record(), out.c_str(), 32, 32), 0);
    auto ms = markers_of(bytes_of(out));
    EXPECT_NE(find_marker(ms, 0xC0), nullptr) << "the refused JpegParam changed nothing: baseline";
    EXPECT_EQ(uint8_t(find_marker(ms, 0xDB)->payload[1]), 10) << "quality 70";

    // JpegParam2 with one sampling 0 keeps the default sampling but takes the density.
    EXPECT_EQ(call("JpegParam2", 1, 0, 72, 72), 0);
    ASSERT_EQ(call("JpegSave", s.record(), out.c_str(), 32, 32), 0);
    ms = markers_of(bytes_of(out));
    EXPECT_EQ(uint8_t(find_marker(ms, 0xC0)->payload[7]), 0x22);
    EXPECT_EQ(uint8_t(find_marker(ms, 0xE0)->payload[9]), 72);
    EXPECT_EQ(call("JpegParam2", 3, -1, 40000, 0), 0) << "never fails";
}

TEST_F(JpegSave, CommentRulesAndFailures) {
    HostScreen s(16, 16, false);
    HostVar comment = HostVar::text(32);
    std::strcpy(comment.chars(), "twenty characters!!!");
    EXPECT_EQ(call("JpegComment", comment.record(), 5, 0), 0);
    std::string out = dir.file("c.jpg");
    // A save that cannot create its file leaves the comment set.
    EXPECT_EQ(call("JpegSave", s.record(), dir.file("no\\such\\folder.jpg").c_str(), 16, 16), -1);
    EXPECT_EQ(call("JpegSave", s.record(), out.c_str(), 0, 16), -2);
    EXPECT_FALSE(deletable(out)) << "no file is left by a failed save";
    ASSERT_EQ(call("JpegSave", s.record(), out.c_str(), 16, 16), 0);
    EXPECT_EQ(find_marker(markers_of(bytes_of(out)), 0xFE)->payload, "twent");

    HostVar ints = HostVar::ints(8);
    EXPECT_EQ(call("JpegComment", ints.record(), 0, 0), -1);
    EXPECT_EQ(call("JpegComment", ints.record(), 0, 1), 0) << "clearing needs no string";
    // The last byte of the first dimension becomes the terminator.
    HostVar full = HostVar::text(8);
    std::memset(full.data(), 'f', 8);
    ASSERT_EQ(call("JpegComment", full.record(), 0, 0), 0);
    EXPECT_EQ(full.data()[7], 0);
    ASSERT_EQ(call("JpegSave", s.record(), out.c_str(), 16, 16), 0);
    EXPECT_EQ(find_marker(markers_of(bytes_of(out)), 0xFE)->payload, "fffffff");
    // Cleared: no marker.
    ASSERT_EQ(call("JpegComment", full.record(), 0, 0), 0);
    ASSERT_EQ(call("JpegComment", 0, 0, 1), 0);
    ASSERT_EQ(call("JpegSave", s.record(), out.c_str(), 16, 16), 0);
    EXPECT_EQ(find_marker(markers_of(bytes_of(out)), 0xFE), nullptr);

    HostScreen palette(16, 16, true);
    EXPECT_EQ(call("JpegSave", palette.record(), out.c_str(), 16, 16), -255);
}

TEST_F(JpegSave, SavedFileLoadsBackToTheSamePicture) {
    HostScreen s(101, 67, false);
    std::string wide = testdata("wide-444.jpg");
    ASSERT_EQ(call("JpegLoad", s.record(), wide.c_str(), 0, 0), 0);
    ASSERT_EQ(call("JpegParam", 100, 1, 0, 0), 0);
    ASSERT_EQ(call("JpegParam2", 1, 1, 0, 0), 0);
    std::string out = dir.file("round.jpg");
    ASSERT_EQ(call("JpegSave", s.record(), out.c_str(), 101, 67), 0);
    HostScreen t(101, 67, false);
    ASSERT_EQ(call("JpegLoad", t.record(), out.c_str(), 0, 0), 0);
    GdiFlush();
    int worst = 0;
    for (int32_t y = 0; y < 67; ++y)
        for (int32_t x = 0; x < 101; ++x)
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(s.at(x, y)[c]) - int(t.at(x, y)[c])));
    EXPECT_LE(worst, 6) << "quality 100 4:4:4 loses little";
}

}  // namespace
}  // namespace qv::test

// The memory source (decoded where it lies: no file in the temporary folder, not even when a
// folder there has the name an older build wrote its copy to) and the pack archive, through
// the DLL's exports.
#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "jpeg/decode.h"
#include "pnm.h"
#include "screen_checks.h"

namespace qv::test {
namespace {

using testing::Pnm;
using testing::read_pnm;
using testing::testdata;

std::string temp_file_path() {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "_QV_TMP_.TMP";
}

bool temp_file_exists() { return GetFileAttributesA(temp_file_path().c_str()) != INVALID_FILE_ATTRIBUTES; }

// A writable copy of a text with its terminator, as the host passes strings.
std::vector<char> writable(const std::string& s) {
    std::vector<char> v(s.begin(), s.end());
    v.push_back(0);
    return v;
}

// A string variable holding the bytes (plus `spare` bytes of room).
HostVar var_with(const std::string& bytes, uint32_t spare = 0) {
    HostVar v = HostVar::text(uint32_t(bytes.size()) + spare);
    std::memcpy(v.data(), bytes.data(), bytes.size());
    return v;
}

std::string with_comment(const std::string& jpeg, const std::string& text, uint8_t code = 0xFE) {
    size_t length = text.size() + 2;
    return jpeg.substr(0, 2) + std::string{char(0xFF), char(code), char(length >> 8), char(length)} + text +
           jpeg.substr(2);
}

class MemorySource : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(temp_file_exists()) << "left over from before"; }
    void TearDown() override {
        EXPECT_FALSE(temp_file_exists()) << "a temporary file was written";
        DeleteFileA(temp_file_path().c_str());
    }
    std::string jpeg = read_file(testdata("small-420.jpg"));
};

TEST_F(MemorySource, LoadsOnceThenReportsNoSource) {
    HostVar data = var_with(jpeg);
    Pnm ref = read_pnm(testdata("small-420.int.pnm"));
    HostScreen s(40, 30, false);
    s.set_cursor(3, 4);
    EXPECT_EQ(call("SetJpegMem", data.record(), 0), 0);
    EXPECT_EQ(call("JpegLoadMem", s.record(), 0), 0);
    GdiFlush();
    EXPECT_TRUE(testing::holds(s.view(), ref, 3, 4, 33, 20));
    EXPECT_EQ(call("JpegLoadMem", s.record(), 0), -1) << "the source is used up";
    HostVar size = HostVar::ints(2);
    EXPECT_EQ(call("JpegSizeMem", size.record()), -1);
}

TEST_F(MemorySource, NeedsNoTemporaryFileAndGivesTheFilesPixels) {
    // A folder with the temporary file's old name: a copy through that file could not be
    // made, and another process's copy there could have been decoded instead.
    struct Folder {
        Folder() { created = CreateDirectoryA(temp_file_path().c_str(), nullptr); }
        ~Folder() { RemoveDirectoryA(temp_file_path().c_str()); }
        bool created;
    } in_the_way;
    ASSERT_TRUE(in_the_way.created);
    TempDir dir;
    const std::string path = dir.file("photo.jpg");
    ASSERT_TRUE(write_file(path, jpeg));
    HostScreen from_file(40, 30, false), from_memory(40, 30, false);
    from_file.set_cursor(2, 5);
    from_memory.set_cursor(2, 5);
    HostVar data = var_with(jpeg);
    EXPECT_EQ(call("JpegLoad", from_file.record(), path.c_str(), 0, 0), 0);
    EXPECT_EQ(call("SetJpegMem", data.record(), 0), 0);
    EXPECT_EQ(call("JpegLoadMem", from_memory.record(), 0), 0);
    GdiFlush();
    EXPECT_EQ(from_memory.bytes(), from_file.bytes());
    HostVar size = HostVar::ints(2);
    EXPECT_EQ(call("SetJpegMem", data.record(), 0), 0);
    EXPECT_EQ(call("JpegSizeMem", size.record()), 0);
    EXPECT_EQ(size.ints()[0], 33);
    // The source read for its comment into its own storage: the text is whole.
    HostVar both = var_with(with_comment(jpeg, "hello\nworld"));
    EXPECT_EQ(call("SetJpegMem", both.record(), 0), 0);
    EXPECT_EQ(call("GetJpegCommentMem", both.record(), 0), 0);
    EXPECT_EQ(std::string(both.chars(), 12), "hello\r\nworld");
}

TEST_F(MemorySource, ByteCountRule) {
    // The variable holds the stream and garbage after it: counts below 9 and at or above the
    // first dimension's size take the whole first dimension.
    HostVar data = var_with(jpeg + std::string(64, 'g'));
    HostVar size = HostVar::ints(2);
    for (int32_t count : {0, 8, int32_t(jpeg.size() + 64), 1 << 30, -5}) {
        EXPECT_EQ(call("SetJpegMem", data.record(), count), 0);
        EXPECT_EQ(call("JpegSizeMem", size.record()), 0) << count;
        EXPECT_EQ(size.ints()[0], 33) << count;
    }
    // Nine bytes: only the start of the header, so the probe fails.
    EXPECT_EQ(call("SetJpegMem", data.record(), 9), 0);
    EXPECT_EQ(call("JpegSizeMem", size.record()), -2);
    EXPECT_EQ(size.ints()[0], 0);
    EXPECT_EQ(size.ints()[1], 0);
    // Exactly the stream's length.
    EXPECT_EQ(call("SetJpegMem", data.record(), int32_t(jpeg.size())), 0);
    EXPECT_EQ(call("JpegSizeMem", size.record()), 0);
    EXPECT_EQ(size.ints()[1], 20);
}

TEST_F(MemorySource, TheDataIsReadWhenTheCommandRunsNotWhenSet) {
    HostVar data = var_with(std::string(jpeg.size(), 'x'));
    EXPECT_EQ(call("SetJpegMem", data.record(), int32_t(jpeg.size())), 0);
    std::memcpy(data.data(), jpeg.data(), jpeg.size());
    HostVar size = HostVar::ints(2);
    EXPECT_EQ(call("JpegSizeMem", size.record()), 0);
    EXPECT_EQ(size.ints()[0], 33);
}

TEST_F(MemorySource, FailuresRemoveTheFileToo) {
    HostVar junk = var_with("definitely not a jpeg stream, just text");
    HostScreen s(16, 16, false);
    auto before = s.bytes();
    EXPECT_EQ(call("SetJpegMem", junk.record(), 0), 0);
    EXPECT_EQ(call("JpegLoadMem", s.record(), 0), -2);
    EXPECT_EQ(s.bytes(), before);
    HostVar cut = var_with(jpeg.substr(0, jpeg.size() / 2));
    EXPECT_EQ(call("SetJpegMem", cut.record(), 0), 0);
    EXPECT_EQ(call("JpegLoadMem", s.record(), 0), -2);
}

TEST_F(MemorySource, ArgumentChecksComeFirstAndKeepTheSource) {
    HostVar data = var_with(jpeg);
    EXPECT_EQ(call("SetJpegMem", data.record(), 0), 0);
    HostScreen palette(16, 16, true);
    EXPECT_EQ(call("JpegLoadMem", palette.record(), 0), -255);
    HostVar text = HostVar::text(8);
    EXPECT_EQ(call("JpegSizeMem", text.record()), -255);
    HostVar ints = HostVar::ints(8);
    EXPECT_EQ(call("GetJpegCommentMem", ints.record(), 0), 3);
    HostVar size = HostVar::ints(2);
    EXPECT_EQ(call("JpegSizeMem", size.record()), 0) << "the refused calls left the source set";
}

TEST_F(MemorySource, CommentsWithLineFeedsAndCaps) {
    HostVar data = var_with(with_comment(jpeg, "hello\nworld"));
    HostVar text = HostVar::text(64);
    std::memset(text.data(), 0, 64);
    EXPECT_EQ(call("SetJpegMem", data.record(), 0), 0);
    EXPECT_EQ(call("GetJpegCommentMem", text.record(), 0), 0);
    EXPECT_STREQ(text.chars(), "hello\r\nworld");

    HostVar app = var_with(with_comment(jpeg, "application text", 0xEC));
    HostVar small = HostVar::text(8);
    EXPECT_EQ(call("SetJpegMem", app.record(), 0), 0);
    EXPECT_EQ(call("GetJpegCommentMem", small.record(), 1), 0);
    EXPECT_STREQ(small.chars(), "applica");
}

// An EXIF block (big-endian) whose one entry is the orientation 6: turn 90 degrees clockwise.
const std::string kTurnedExif("Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 32);

// The camera's orientation from a file at an offset and from a variable's bytes (the archive:
// in the next test, which opens the process's one archive).
TEST(JpegOrient, ReadsTheOrientationFromAFileAndAVariable) {
    TempDir dir;
    const std::string plain = read_file(testdata("small-420.jpg")), turned = with_comment(plain, kTurnedExif, 0xE1);
    const std::string path = dir.file("o.bin");
    write_file(path, std::string(100, 'z') + turned);
    HostVar o = HostVar::ints(1), text = HostVar::text(8), bytes = var_with(turned);
    const struct {
        const char* what;
        int32_t result, orientation;
        int32_t (*query)(HostVar&, HostVar&, const std::string&);
    } cases[] = {
        {"at the offset", 0, 6, [](HostVar& v, HostVar&, const std::string& p) { return call("JpegOrient", v.record(), p.c_str(), 100); }},
        {"no JPEG at 0", -2, 0, [](HostVar& v, HostVar&, const std::string& p) { return call("JpegOrient", v.record(), p.c_str(), 0); }},
        {"a negative offset", -2, 0, [](HostVar& v, HostVar&, const std::string& p) { return call("JpegOrient", v.record(), p.c_str(), -1); }},
        {"no such file", -1, 0, [](HostVar& v, HostVar&, const std::string& p) { return call("JpegOrient", v.record(), (p + "x").c_str(), 0); }},
        {"no EXIF", 0, 0, [](HostVar& v, HostVar&, const std::string&) { return call("JpegOrient", v.record(), testdata("small-420.jpg").c_str(), 0); }},
        {"the variable", 0, 6, [](HostVar& v, HostVar& b, const std::string&) { return call("JpegOrientMem", v.record(), b.record(), 0); }},
        {"its first 30 bytes", 0, 0, [](HostVar& v, HostVar& b, const std::string&) { return call("JpegOrientMem", v.record(), b.record(), 30); }},
    };
    for (const auto& c : cases) {
        o.ints()[0] = -9;
        EXPECT_EQ(c.query(o, bytes, path), c.result) << c.what;
        EXPECT_EQ(o.ints()[0], c.orientation) << c.what;
    }
    EXPECT_EQ(call("JpegOrient", text.record(), path.c_str(), 100), -255);
    EXPECT_EQ(call("JpegOrientMem", text.record(), bytes.record(), 0), -255);
}

// JpegLoadParam's scale and orientation reach the file and memory commands (the archive's in
// the test below), and stay until changed; a scale it does not know changes nothing.
TEST(JpegLoadParam, ReachesTheLoadAndSizeCommandsUntilChanged) {
    TempDir dir;
    const std::string turned = with_comment(read_file(testdata("wide-420.jpg")), kTurnedExif, 0xE1);
    const std::string path = dir.file("t.jpg");
    write_file(path, turned);
    HostVar size = HostVar::ints(2), bytes = var_with(turned);
    const auto* data = reinterpret_cast<const uint8_t*>(turned.data());
    const struct {
        int32_t scale, flags, w, h;  // 101 x 67 at 1/scale, turned a quarter when bit 0 is set
    } cases[] = {{4, 1, 17, 26}, {8, 0, 13, 9}, {1, 0, 101, 67}};
    for (const auto& c : cases) {
        ASSERT_EQ(call("JpegLoadParam", c.scale, c.flags), 0);
        EXPECT_EQ(call("JpegLoadParam", 3, 0), 3) << "refused, and the setting stays";
        EXPECT_EQ(call("JpegSize", size.record(), path.c_str(), 0), 0);
        EXPECT_EQ(size.ints()[0], c.w);
        EXPECT_EQ(size.ints()[1], c.h);
        call("SetJpegMem", bytes.record(), 0);
        EXPECT_EQ(call("JpegSizeMem", size.record()), 0);
        EXPECT_EQ(size.ints()[0], c.w);
        EXPECT_EQ(size.ints()[1], c.h);
        HostScreen from_file(c.w, c.h, false), from_memory(c.w, c.h, false), want(c.w, c.h, false);
        EXPECT_EQ(call("JpegLoad", from_file.record(), path.c_str(), 0, 0), 0);
        call("SetJpegMem", bytes.record(), 0);
        EXPECT_EQ(call("JpegLoadMem", from_memory.record(), 0), 0);
        jpeg::JpegTarget t = jpeg::SetJpegTarget(want.view());
        ASSERT_EQ(jpeg::decode_jpeg_memory(data, turned.size(), 0, t, {c.scale, (c.flags & 1) != 0, false}), 0);
        EXPECT_EQ(from_file.bytes(), want.bytes()) << c.scale;
        EXPECT_EQ(from_memory.bytes(), want.bytes()) << c.scale;
    }
}

// The archive is process-wide and stays open once opened, so one test covers its life.
TEST(PackArchive, CommandsFindEntriesInTheFirstArchiveOpened) {
    TempDir dir;
    std::string jpeg = read_file(testdata("small-420.jpg"));
    std::string prog = read_file(testdata("tall-prog.jpg"));
    std::string host_exe = dir.file("game.exe");
    write_file(host_exe, std::string(4096, 'M') +
                             archive_of({{"start.ax", "xx"}, {"photo.jpg", with_comment(jpeg, "in the pack")},
                                         {"tall.jpg", prog}, {"turned.jpg", with_comment(jpeg, kTurnedExif, 0xE1)}}));
    std::string spec = host_exe + ",4096";
    Pnm ref = read_pnm(testdata("small-420.int.pnm"));

    HostScreen palette(8, 8, true);
    std::vector<char> s0 = writable(spec);
    EXPECT_EQ(call("JpegLoadDpm", palette.record(), "photo.jpg", 0, s0.data()), -255);
    EXPECT_NE(s0[host_exe.size()], 0) << "the palette check comes before the archive is opened";

    // Wrong magic first: stays closed and answers -1; a later call opens the right one.
    std::string bad = dir.file("bad.dpm");
    write_file(bad, "DPMZ" + archive_of({{"photo.jpg", jpeg}}).substr(4));
    HostScreen s(40, 30, false);
    auto before = s.bytes();
    EXPECT_EQ(call("JpegLoadDpm", s.record(), "photo.jpg", 0, writable(bad + ",0").data()), -1);
    EXPECT_EQ(s.bytes(), before);

    std::vector<char> s1 = writable(spec);
    EXPECT_EQ(call("JpegLoadDpm", s.record(), "PHOTO.JPG", 0, s1.data()), 0);
    EXPECT_EQ(s1[host_exe.size()], 0) << "the comma is overwritten";
    GdiFlush();
    EXPECT_TRUE(testing::holds(s.view(), ref, 0, 0, 33, 20));

    // Every later call uses this archive, whatever it names.
    std::string other = dir.file("other.dpm,0");
    HostVar size = HostVar::ints(2);
    EXPECT_EQ(call("JpegSizeDpm", size.record(), "Tall.jpg", 0, other.c_str()), 0);
    EXPECT_EQ(size.ints()[0], 7);
    EXPECT_EQ(size.ints()[1], 300);
    EXPECT_EQ(call("JpegSizeDpm", size.record(), "missing.jpg", 0, other.c_str()), -1);
    EXPECT_EQ(size.ints()[0], 0) << "zeroed before the lookup";
    HostVar text = HostVar::text(32);
    EXPECT_EQ(call("GetJpegCommentDpm", text.record(), "photo.jpg", 0, other.c_str()), 0);
    EXPECT_STREQ(text.chars(), "in the pack");
    EXPECT_EQ(call("GetJpegCommentDpm", size.record(), "photo.jpg", 0, other.c_str()), 3);
    EXPECT_EQ(call("JpegSizeDpm", text.record(), "photo.jpg", 0, other.c_str()), -255);
    EXPECT_EQ(call("JpegLoadDpm", s.record(), std::string(80, 'p').c_str(), 0, other.c_str()), -1);
    EXPECT_EQ(call("JpegOrientDpm", size.record(), "turned.jpg", 0, other.c_str()), 0);
    EXPECT_EQ(size.ints()[0], 6);
    EXPECT_EQ(call("JpegOrientDpm", size.record(), "missing.jpg", 0, other.c_str()), -1);
    EXPECT_EQ(size.ints()[0], 0);
    // JpegLoadParam reaches the archive's entries too: 33 x 20 at half size is 17 x 10, turned.
    ASSERT_EQ(call("JpegLoadParam", 2, 1), 0);
    EXPECT_EQ(call("JpegSizeDpm", size.record(), "turned.jpg", 0, other.c_str()), 0);
    EXPECT_EQ(size.ints()[0], 10);
    EXPECT_EQ(size.ints()[1], 17);
    HostScreen small(10, 17, false), want(10, 17, false);
    EXPECT_EQ(call("JpegLoadDpm", small.record(), "turned.jpg", 0, other.c_str()), 0);
    call("JpegLoadParam", 1, 0);
    const std::string turned = with_comment(jpeg, kTurnedExif, 0xE1);
    jpeg::JpegTarget t = jpeg::SetJpegTarget(want.view());
    ASSERT_EQ(jpeg::decode_jpeg_memory(reinterpret_cast<const uint8_t*>(turned.data()), turned.size(), 0, t, {2, true, false}), 0);
    EXPECT_EQ(small.bytes(), want.bytes());
    EXPECT_TRUE(DeleteFileA(host_exe.c_str())) << "the archive file is closed after each call";
}

TEST(GetJpegComment, ReadsAtAnOffsetAndChecksTheType) {
    TempDir dir;
    std::string jpeg = read_file(testdata("small-420.jpg"));
    std::string path = dir.file("c.bin");
    write_file(path, std::string(100, 'z') + with_comment(jpeg, "line\nnext"));
    HostVar text = HostVar::text(32);
    EXPECT_EQ(call("GetJpegComment", text.record(), path.c_str(), 0, 100), 0);
    EXPECT_STREQ(text.chars(), "line\r\nnext");
    EXPECT_EQ(call("GetJpegComment", text.record(), path.c_str(), 0, 99), -2);
    EXPECT_EQ(call("GetJpegComment", text.record(), dir.file("none.jpg").c_str(), 0, 0), -1);
    HostVar ints = HostVar::ints(4);
    EXPECT_EQ(call("GetJpegComment", ints.record(), path.c_str(), 0, 100), 3);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

}  // namespace
}  // namespace qv::test

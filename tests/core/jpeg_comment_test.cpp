// Reading COM and APP12 text back, with its line-feed expansion, its cap and terminator.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "jpeg/comment.h"
#include "pnm.h"

namespace qv::jpeg {
namespace {

using testing::read_bytes;
using testing::testdata;
using testing::write_bytes;

std::string marker(uint8_t code, const std::string& data) {
    size_t length = data.size() + 2;
    return std::string{char(0xFF), char(code), char(length >> 8), char(length & 0xFF)} + data;
}

// A real JPEG with the given markers right after its SOI.
std::string jpeg_with(const std::string& markers) {
    std::string jpeg = read_bytes(testdata("small-420.jpg"));
    return jpeg.substr(0, 2) + markers + jpeg.substr(2);
}

class Comment : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path.c_str()); }
    // Reads into a buffer of `cap` bytes surrounded by guards; returns the status.
    int32_t read(const std::string& file, int32_t kind, uint32_t cap, int64_t offset = 0) {
        write_bytes(path, file);
        storage.assign(cap + 16, '#');
        return ReadJpegComment(reinterpret_cast<uint8_t*>(&storage[8]), cap, path.c_str(), kind, offset);
    }
    std::string text() const { return std::string(storage.data() + 8); }
    bool guards_intact(uint32_t cap) const {
        return storage.substr(0, 8) == "########" && storage.substr(8 + cap) == "########";
    }
    std::string path = "qv_core_comment.jpg";
    std::string storage;
};

TEST_F(Comment, LineFeedsBecomeCrLfAndMarkersFollowOneAnother) {
    std::string file = jpeg_with(marker(0xFE, "hello\nworld") + marker(0xEC, "app12 text") + marker(0xFE, "!"));
    ASSERT_EQ(read(file, 0, 64), 0);
    EXPECT_EQ(std::string(storage.data() + 8, 13), "hello\r\nworld!");
    EXPECT_EQ(storage[8 + 13], '#') << "no terminator is written after the text";
    EXPECT_EQ(storage[8 + 63], '\0') << "the only terminator is at cap - 1";
    EXPECT_TRUE(guards_intact(64));

    ASSERT_EQ(read(file, 1, 64), 0);
    EXPECT_EQ(std::string(storage.data() + 8, 10), "app12 text");
    ASSERT_EQ(read(file, 12345, 64), 0) << "any nonzero kind reads APP12";
    EXPECT_EQ(std::string(storage.data() + 8, 10), "app12 text");
}

TEST_F(Comment, ShortCommentLeavesTheOldTextAfterIt) {
    std::string file = jpeg_with(marker(0xFE, "abc"));
    write_bytes(path, file);
    storage.assign(40, 'x');
    std::memcpy(&storage[8], "a longer old text", 17);
    ASSERT_EQ(ReadJpegComment(reinterpret_cast<uint8_t*>(&storage[8]), 24, path.c_str(), 0, 0), 0);
    EXPECT_EQ(std::string(storage.data() + 8, 17), "abconger old text");
}

TEST_F(Comment, LongTextIsCutToCapMinusOneBytes) {
    std::string file = jpeg_with(marker(0xFE, std::string(100, 'z')) + marker(0xFE, "after"));
    ASSERT_EQ(read(file, 0, 16), 0);
    EXPECT_EQ(text(), std::string(15, 'z'));
    EXPECT_TRUE(guards_intact(16));
}

TEST_F(Comment, ALineFeedThatNoLongerFitsWholeIsLeftOut) {
    // Eight bytes of room: "abcdef" takes six, CR LF would take the last two and one more.
    for (const char* body : {"abcdefg\nh", "abcdef\ngh", "\n\n\n\n\n"}) {
        ASSERT_EQ(read(jpeg_with(marker(0xFE, body)), 0, 8), 0) << body;
        EXPECT_TRUE(guards_intact(8)) << body;
        EXPECT_EQ(storage[8 + 7], '\0') << body;
    }
    ASSERT_EQ(read(jpeg_with(marker(0xFE, "abcdefg\nh")), 0, 8), 0);
    EXPECT_EQ(text(), "abcdefg");  // one byte left: the LF is not written, the text ends
    ASSERT_EQ(read(jpeg_with(marker(0xFE, "abcdef\ngh")), 0, 8), 0);
    EXPECT_EQ(text(), "abcdef\r");  // CR LF fitted; the terminator then takes the LF's place
    ASSERT_EQ(read(jpeg_with(marker(0xFE, "abcde\ngh")), 0, 8), 0);
    EXPECT_EQ(text(), "abcde\r\n");
}

TEST_F(Comment, NoRoomWritesNothing) {
    ASSERT_EQ(read(jpeg_with(marker(0xFE, "text")), 0, 0), 0);
    EXPECT_TRUE(guards_intact(0));
    ASSERT_EQ(read(jpeg_with(marker(0xFE, "text")), 0, 1), 0);
    EXPECT_EQ(storage[8], '\0');
    EXPECT_TRUE(guards_intact(1));
}

TEST_F(Comment, MarkerBytesLeftOverAreSkippedNotTakenAsMarkers) {
    // The comment's tail holds an end-of-image marker's bytes; reading must go on past it.
    std::string body = std::string(10, 'q') + "\xFF\xD9\xFF\xD8 tail";
    ASSERT_EQ(read(jpeg_with(marker(0xFE, body)), 0, 6), 0);
    EXPECT_EQ(text(), "qqqqq");
}

TEST_F(Comment, EmptyAndMissingMarkers) {
    ASSERT_EQ(read(jpeg_with(marker(0xFE, "")), 0, 8), 0);
    EXPECT_EQ(storage.substr(8, 7), "#######");
    ASSERT_EQ(read(read_bytes(testdata("small-420.jpg")), 0, 8), 0);
    EXPECT_EQ(storage[8 + 7], '\0');
}

TEST_F(Comment, OffsetsAndBadFiles) {
    std::string file = std::string(300, 'p') + jpeg_with(marker(0xFE, "inside"));
    ASSERT_EQ(read(file, 0, 16, 300), 0);
    EXPECT_EQ(text().substr(0, 7), "inside#");
    ASSERT_EQ(read(jpeg_with(marker(0xFE, "start")), 0, 16, -40), 0) << "a negative offset reads from the start";
    EXPECT_EQ(text().substr(0, 6), "start#");
    EXPECT_EQ(read(file, 0, 16, 299), -2);
    EXPECT_EQ(read(file, 0, 16, int64_t(1) << 40), -2);
    EXPECT_EQ(read("not a jpeg", 0, 16), -2);
    EXPECT_EQ(read("", 0, 16), -2);
    EXPECT_TRUE(guards_intact(16));
    uint8_t buf[4] = {1, 2, 3, 4};
    EXPECT_EQ(ReadJpegComment(buf, 4, "no-such-file.jpg", 0, 0), -1);
    EXPECT_EQ(ReadJpegComment(buf, 4, ".", 0, 0), -1);
    EXPECT_EQ(buf[3], 4) << "a failed read writes no terminator";
}

TEST_F(Comment, CutFilesNeverCrash) {
    std::string file = jpeg_with(marker(0xFE, "line one\nline two") + marker(0xEC, "x"));
    for (size_t cut = 0; cut < 200; ++cut) {
        int32_t status = read(file.substr(0, cut), 0, 12);
        ASSERT_TRUE(status == 0 || status == -2) << cut;
        ASSERT_TRUE(guards_intact(12)) << cut;
    }
}

}  // namespace
}  // namespace qv::jpeg

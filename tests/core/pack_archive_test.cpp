// The pack archive: header, directory lookups in any case, embedded archives, refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/pack_archive.h"
#include "pnm.h"

namespace qv::archive {
namespace {

using testing::write_bytes;

std::string le32(uint32_t v) {
    return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

struct Entry {
    std::string name;
    std::string data;
};

// A DPMX archive: header, directory, then the data area.
std::string archive_of(const std::vector<Entry>& entries, uint32_t claimed_count = 0,
                       const char* magic = "DPMX") {
    uint32_t data_offset = 16 + 32 * uint32_t(entries.size());
    std::string head = std::string(magic, 4) + le32(data_offset) +
                       le32(claimed_count ? claimed_count : uint32_t(entries.size())) + le32(0);
    std::string dir, data;
    for (const Entry& e : entries) {
        std::string name = e.name;
        name.resize(24, '\0');
        dir += name + le32(uint32_t(data.size())) + le32(uint32_t(e.data.size()));
        data += e.data;
    }
    return head + dir + data;
}

class Archive : public ::testing::Test {
protected:
    void TearDown() override {
        std::remove(path.c_str());
        std::remove(other.c_str());
    }
    // The locator text, writable as the host's string is.
    char* spec_of(const std::string& text) {
        spec.assign(text.begin(), text.end());
        spec.push_back(0);
        return spec.data();
    }
    std::string path = "qv_core_archive.dpm";
    std::string other = "qv_core_other.dpm";
    std::vector<char> spec;
    PackArchive a;
};

TEST_F(Archive, FindsEntriesInAnyCase) {
    write_bytes(path, archive_of({{"start.ax", "AX"}, {"photo.jpg", "JPEGDATA"}, {"b.txt", "x"}}));
    OpenPackArchive(a, spec_of(path + ",0"));
    ASSERT_TRUE(a.open);
    EXPECT_EQ(a.entries, 3u);
    int64_t base = 16 + 3 * 32;
    EXPECT_EQ(FindPackEntry(a, "start.ax"), base);
    EXPECT_EQ(FindPackEntry(a, "photo.jpg"), base + 2);
    EXPECT_EQ(FindPackEntry(a, "PHOTO.JPG"), base + 2);
    EXPECT_EQ(FindPackEntry(a, "Photo.Jpg"), base + 2);
    EXPECT_EQ(FindPackEntry(a, "b.txt"), base + 10);
    EXPECT_EQ(FindPackEntry(a, "photo"), -1);
    EXPECT_EQ(FindPackEntry(a, "photo.jpgx"), -1);
    EXPECT_EQ(FindPackEntry(a, ""), -1);
    EXPECT_EQ(FindPackEntry(a, nullptr), -1);
}

TEST_F(Archive, EmbeddedAtAnOffsetCountsFromThere) {
    std::string prefix(7777, 'E');
    write_bytes(path, prefix + archive_of({{"a.jpg", "aaaa"}, {"z.jpg", "zz"}}) + "trailer");
    OpenPackArchive(a, spec_of(path + ", +7777"));
    ASSERT_TRUE(a.open);
    EXPECT_EQ(a.start, 7777);
    EXPECT_EQ(FindPackEntry(a, "z.jpg"), 7777 + 16 + 64 + 4);
    EXPECT_EQ(spec[path.size()], '\0') << "the comma is overwritten";
}

TEST_F(Archive, TheFirstArchiveOpenedStaysInUse) {
    write_bytes(path, archive_of({{"one.jpg", "1"}}));
    write_bytes(other, archive_of({{"two.jpg", "2"}}));
    OpenPackArchive(a, spec_of(path + ",0"));
    OpenPackArchive(a, spec_of(other + ",0"));
    EXPECT_EQ(std::string(a.path), path);
    EXPECT_NE(FindPackEntry(a, "one.jpg"), -1);
    EXPECT_EQ(FindPackEntry(a, "two.jpg"), -1);
    EXPECT_NE(spec[other.size()], '\0') << "an open archive does not even read the locator";
}

TEST_F(Archive, RefusalsLeaveItClosedAndALaterCallRetries) {
    write_bytes(path, archive_of({{"one.jpg", "1"}}, 0, "DPMY"));
    OpenPackArchive(a, spec_of(path));
    EXPECT_FALSE(a.open);
    EXPECT_EQ(FindPackEntry(a, "one.jpg"), -1);
    OpenPackArchive(a, spec_of("no-such-archive.dpm,0"));
    EXPECT_FALSE(a.open);
    write_bytes(other, archive_of({{"one.jpg", "1"}}));
    OpenPackArchive(a, spec_of(other + ",-5"));
    EXPECT_FALSE(a.open);
    EXPECT_EQ(a.start, 0);
    OpenPackArchive(a, spec_of(other + ",99999"));  // past the end: no header to read
    EXPECT_FALSE(a.open);
    OpenPackArchive(a, spec_of(std::string(600, 'p') + ",0"));  // a path over 511 bytes
    EXPECT_FALSE(a.open);
    write_bytes(other, "DPM");  // shorter than a header
    OpenPackArchive(a, spec_of(other));
    EXPECT_FALSE(a.open);
    OpenPackArchive(a, nullptr);
    EXPECT_FALSE(a.open);
    write_bytes(other, archive_of({{"one.jpg", "1"}}));
    OpenPackArchive(a, spec_of(other));  // no comma: offset 0
    EXPECT_TRUE(a.open);
    EXPECT_NE(FindPackEntry(a, "one.jpg"), -1);
}

TEST_F(Archive, EntryCountsLargerThanTheFileEndAtItsEnd) {
    write_bytes(path, archive_of({{"one.jpg", "1"}, {"two.jpg", "2"}}, 0xFFFFFFFFu));
    OpenPackArchive(a, spec_of(path));
    ASSERT_TRUE(a.open);
    EXPECT_NE(FindPackEntry(a, "two.jpg"), -1);
    EXPECT_EQ(FindPackEntry(a, "three.jpg"), -1);
}

TEST_F(Archive, NamesThatCannotFitAreNotFound) {
    std::string full24(24, 'n');  // a directory name with no room for its terminator
    write_bytes(path, archive_of({{full24, "x"}, {std::string(23, 'm'), "y"}}));
    OpenPackArchive(a, spec_of(path));
    ASSERT_TRUE(a.open);
    EXPECT_EQ(FindPackEntry(a, full24.c_str()), -1);
    EXPECT_NE(FindPackEntry(a, std::string(23, 'M').c_str()), -1);
    EXPECT_EQ(FindPackEntry(a, std::string(64, 'm').c_str()), -1);
    EXPECT_EQ(FindPackEntry(a, std::string(5000, 'm').c_str()), -1);
}

}  // namespace
}  // namespace qv::archive

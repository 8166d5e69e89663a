// Reading the pack archive's header and directory (see pack_archive.h).
#include "archive/pack_archive.h"

#include <cstdio>
#include <cstring>

#include "host/file.h"

namespace qv::archive {

namespace {

constexpr size_t kHeaderBytes = 16;
constexpr size_t kEntryBytes = 32;
constexpr size_t kEntryNameBytes = 24;

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The decimal offset after the comma: leading blanks and a sign allowed, 0 without digits.
int64_t parse_offset(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    int64_t value = 0;
    while (*text >= '0' && *text <= '9') {
        value = value * 10 + (*text++ - '0');
        if (value > INT64_C(0xFFFFFFFFFF)) break;  // far past any file; no overflow
    }
    return negative ? -value : value;
}

// Whether `file` is open at a byte offset of the archive's file.
bool open_archive_at(const char* path, int64_t offset, host::File& file) {
    uint64_t size;
    return host::open_at(path, offset, file, size) == host::OpenResult::kOpen;
}

}  // namespace

void OpenPackArchive(PackArchive& archive, char* locator) {
    if (archive.open && archive.entries != 0) return;
    archive.open = false;
    archive.data_base = 0;
    if (!locator) return;
    int64_t offset = 0;
    if (char* comma = std::strchr(locator, ',')) {
        *comma = 0;
        offset = parse_offset(comma + 1);
    }
    if (offset < 0) {
        archive.start = 0;
        return;
    }
    size_t length = std::strlen(locator);
    if (length > size_t(kMaxArchivePath)) return;
    std::memcpy(archive.path, locator, length + 1);
    archive.start = offset;

    uint8_t header[kHeaderBytes];
    host::File file;
    if (!open_archive_at(archive.path, offset, file) || std::fread(header, 1, kHeaderBytes, file.get()) != kHeaderBytes) return;
    archive.data_base = archive.start + le32(header + 4);
    archive.entries = le32(header + 8);
    if (std::memcmp(header, "DPMX", 4) == 0) archive.open = true;
}

int64_t FindPackEntry(const PackArchive& archive, const char* name) {
    if (!archive.open || !name) return -1;
    size_t length = std::strlen(name);
    // Directory names hold at most 23 bytes and their terminator; longer names cannot match.
    if (length > size_t(kMaxEntryName) || length >= kEntryNameBytes) return -1;
    char lowered[kEntryNameBytes] = {};
    for (size_t i = 0; i < length; ++i) {
        char c = name[i];
        lowered[i] = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    }
    host::File file;
    if (!open_archive_at(archive.path, archive.start + int64_t(kHeaderBytes), file)) return -1;
    uint8_t entry[kEntryBytes];
    for (uint32_t i = 0; i < archive.entries; ++i) {
        // An entry count larger than the file ends at the end of the file.
        if (std::fread(entry, 1, kEntryBytes, file.get()) != kEntryBytes) return -1;
        if (std::memcmp(entry, lowered, length + 1) == 0) return archive.data_base + le32(entry + 24);
    }
    return -1;
}

}  // namespace qv::archive

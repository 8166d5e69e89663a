// The host's pack archive ("DPMX"), read only, which every picture bridge reads entries from:
// opened once from an archive locator ("path,offset") and then kept for the life of the
// process; entries are looked up by name.
#pragma once

#include <cstdint>

namespace qv::archive {

constexpr int kMaxArchivePath = 511;
constexpr int kMaxEntryName = 63;

struct PackArchive {
    char path[kMaxArchivePath + 1] = {};
    int64_t start = 0;      // where the archive begins inside its file
    int64_t data_base = 0;  // start + the header's data-area offset
    uint32_t entries = 0;
    bool open = false;
};

// Opens the archive named by `locator` unless one with entries is open already. Writes a zero
// byte over the locator's first comma. A missing file, a negative offset, a header
// without the magic, or a path longer than kMaxArchivePath bytes leaves it closed.
void OpenPackArchive(PackArchive& archive, char* locator);

// The absolute file offset of the named entry's data (names compare in lower case), or -1
// when the archive is closed, the entry is missing, or the name is longer than
// kMaxEntryName bytes.
int64_t FindPackEntry(const PackArchive& archive, const char* name);

}  // namespace qv::archive

// The one pack archive of the process, which the archive commands of every picture bridge
// read their entries from.
#pragma once

#include <cstdint>

namespace qv::archive {

// Opens the archive `locator` names ("path,offset") unless one with entries is open already
// (the host packs one). The locator is the script's own text: its first comma is overwritten
// with a zero byte, as scripts expect.
void open(char* locator);

// Where entry `name` of the open archive lies: the archive's file and the byte offset in it,
// -1 when no archive is open or it has no such entry.
struct Entry {
    const char* path;
    int64_t offset;
};
Entry find(const char* name);

}  // namespace qv::archive

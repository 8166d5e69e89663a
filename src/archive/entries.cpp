// The process's pack archive (see entries.h).
#include "archive/entries.h"

#include "archive/pack_archive.h"

namespace qv::archive {

namespace {

PackArchive the_archive;

}  // namespace

void open(char* locator) { OpenPackArchive(the_archive, locator); }

Entry find(const char* name) { return {the_archive.path, FindPackEntry(the_archive, name)}; }

}  // namespace qv::archive

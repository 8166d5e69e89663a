// open_at (see file.h).
#include "host/file.h"

#include <sys/stat.h>

#include <climits>

namespace qv::host {

OpenResult open_at(const char* path, int64_t offset, File& file, uint64_t& size) {
    // Some C libraries open a folder for reading; it is no file to read.
    struct stat st;
    if (!path || stat(path, &st) != 0 || S_ISDIR(st.st_mode)) return OpenResult::kCannotOpen;
    size = uint64_t(st.st_size);
    file.reset(std::fopen(path, "rb"));
    if (!file) return OpenResult::kCannotOpen;
    if (offset < 0 || offset > LONG_MAX || std::fseek(file.get(), long(offset), SEEK_SET) != 0) {
        file.close();
        return OpenResult::kCannotSeek;
    }
    return OpenResult::kOpen;
}

}  // namespace qv::host

// Opening and writing the picture bridges' files (see file.h).
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

int32_t open_stream(const char* path, int64_t offset, File& file, uint64_t& left) {
    uint64_t size = 0;
    const OpenResult opened = open_at(path, offset, file, size);
    if (opened == OpenResult::kCannotOpen) return 1;
    if (opened == OpenResult::kCannotSeek || uint64_t(offset) > size) {
        file.close();
        return 2;
    }
    left = size - uint64_t(offset);
    return 0;
}

int32_t write_file(const char* path, const uint8_t* data, size_t size) {
    std::FILE* file = path ? std::fopen(path, "wb") : nullptr;
    if (!file) return 1;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) == 0 && written) return 0;
    std::remove(path);
    return 2;
}

}  // namespace qv::host

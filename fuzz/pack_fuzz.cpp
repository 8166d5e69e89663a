// libFuzzer target: the pack archive's header and directory reader. The input is
//   [offset byte] [entry name, up to a zero byte] [the archive file's bytes]
// The file is written to a temporary file and opened with the locator "file,offset" (offset
// -128..127 from the first byte, so a negative one is tried too); then the name is looked up.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "jpeg/pack_archive.h"

namespace {

const std::string& archive_file() {
    static const std::string path = [] {
        char name[] = "/tmp/qv_fuzz_pack_XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) std::abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int offset = int8_t(data[0]);
    const uint8_t* rest = data + 1;
    const size_t left = size - 1;
    const void* zero = std::memchr(rest, 0, left);
    const size_t name_length = zero ? size_t(static_cast<const uint8_t*>(zero) - rest) : left;
    const std::string name(reinterpret_cast<const char*>(rest), name_length);
    const size_t file_start = zero ? name_length + 1 : left;

    std::FILE* f = std::fopen(archive_file().c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(rest + file_start, 1, left - file_start, f);
    std::fclose(f);

    std::string locator = archive_file() + "," + std::to_string(offset);
    qv::jpeg::PackArchive archive;
    qv::jpeg::OpenPackArchive(archive, locator.data());
    qv::jpeg::FindPackEntry(archive, name.c_str());
    return 0;
}

// libFuzzer target: the pack archive's header and directory reader. The input is
//   [offset byte] [entry name, up to a zero byte] [the archive file's bytes]
// The file's bytes go to an in-memory file (memfd), opened by the reader through its /proc
// path with the locator "path,offset" (offset -128..127 from the first byte, so a negative
// one is tried too); then the name is looked up.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "archive/pack_archive.h"

namespace {

int archive_fd() {
    static const int fd = memfd_create("qv_fuzz_pack", 0);
    if (fd < 0) std::abort();
    return fd;
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

    const int fd = archive_fd();
    const size_t bytes = left - file_start;
    if (ftruncate(fd, 0) != 0 || (bytes && pwrite(fd, rest + file_start, bytes, 0) != ssize_t(bytes))) std::abort();

    std::string locator = "/proc/self/fd/" + std::to_string(fd) + "," + std::to_string(offset);
    qv::archive::PackArchive archive;
    qv::archive::OpenPackArchive(archive, locator.data());
    qv::archive::FindPackEntry(archive, name.c_str());
    return 0;
}

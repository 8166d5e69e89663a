// The input of a decode, a probe or a comment read: a file opened at a byte offset (and
// closed on every path), or bytes in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

namespace qv::jpeg {

// A stdio file, closed when the holder goes.
class File {
public:
    File() = default;
    explicit File(std::FILE* f) : f_(f) {}
    ~File() { close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    void reset(std::FILE* f) {
        close();
        f_ = f;
    }
    std::FILE* get() const { return f_; }
    explicit operator bool() const { return f_ != nullptr; }
    // Returns false when the data could not be flushed.
    bool close() {
        bool ok = !f_ || std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

private:
    std::FILE* f_ = nullptr;
};

enum class OpenResult { kOpen, kCannotOpen, kCannotSeek };

// Opens `path` for binary reading and seeks to `offset`. A negative offset, or one that
// the C library cannot seek to, is kCannotSeek (and the file is closed again).
OpenResult open_at(const char* path, int64_t offset, File& file);

// An open file, or else `size` bytes at `bytes`.
struct Input {
    std::FILE* file = nullptr;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

// Gives libjpeg its source manager for the input. Call it after the jump target is set:
// libjpeg refuses an empty memory input with a fatal error.
void attach_input(j_decompress_ptr cinfo, const Input& in);

}  // namespace qv::jpeg

// Opening a file for libjpeg at a byte offset, and closing it on every path.
#pragma once

#include <cstdint>
#include <cstdio>

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

}  // namespace qv::jpeg

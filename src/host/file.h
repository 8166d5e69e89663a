// A file to read from a byte offset, as the picture bridges and the pack archive open theirs,
// held so that it is closed on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace qv::host {

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

// Opens `path` for binary reading (a folder is no file) and seeks to `offset`; `size` is the
// file's size. A negative offset, or one that the C library cannot seek to, is kCannotSeek
// (and the file is closed again); one past the file's end is for the caller to judge.
OpenResult open_at(const char* path, int64_t offset, File& file, uint64_t& size);

// The PNG and WebP bridges' way in: the stream at `offset` of a file, to the file's end, whose
// bytes `left` gives. Answers in the numbers both bridges give their scripts: 0 open, 1 the
// file cannot be opened, 2 the offset cannot be reached (past the end, or not seekable).
int32_t open_stream(const char* path, int64_t offset, File& file, uint64_t& left);

// The picture savers' way out: writes the bytes as file `path`. 0 written, 1 the file cannot
// be created, 2 it cannot be written in full (and is deleted).
int32_t write_file(const char* path, const uint8_t* data, size_t size);

}  // namespace qv::host

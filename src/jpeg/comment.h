// Reading a JPEG file's comment (COM) or APP12 text into a script's string storage.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::jpeg {

// Reads every marker of the kind (0: COM, else APP12) before the first scan into `data`,
// one after another, each line feed written as CR LF, at most `cap` bytes in all; then
// writes the terminator at data[cap - 1]. Returns 0, -1 (file not openable) or -2 (not a
// JPEG stream). A negative offset reads from the start of the file.
int32_t ReadJpegComment(uint8_t* data, uint32_t cap, const char* path, int32_t kind, int64_t offset);

// The same from `size` bytes in memory; -2 when they are no JPEG stream.
int32_t read_jpeg_comment_memory(uint8_t* data, uint32_t cap, const uint8_t* bytes, size_t size, int32_t kind);

}  // namespace qv::jpeg

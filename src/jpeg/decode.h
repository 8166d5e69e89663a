// Decoding a JPEG stream into a full-colour screen at its current position, and probing a
// stream's size: from a file at any byte offset (files and archive entries) or from bytes in
// memory (a script's variable).
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/area.h"
#include "host/views.h"

namespace qv::jpeg {

// Where decoded rows go: the origin pixel of the first row, and the room right of and below
// it. The screen is bottom-up, so row i lies i strides before the first; a screen without
// room has no first row (null).
struct JpegTarget {
    uint8_t* first_row = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    size_t stride = 0;
    int32_t rows_written = 0;
};

// Status of a decode or probe; the commands return its negation.
enum Status : int32_t {
    kDone = 0,
    kCannotOpen = 1,  // also: a file that cannot be created
    kBadStream = 2,   // failed seek, libjpeg fatal error, data that ended too soon, a file not written
    kNoMemory = 0x7FFFFFFE,  // no room for a picture to be turned or converted
};

// How a picture is loaded (JpegLoadParam); the defaults load it as stored.
struct LoadOptions {
    int32_t scale = 1;    // 1, 2, 4 or 8: decoded at 1/scale of its size by libjpeg's DCT scaling
    bool orient = false;  // turned and mirrored as its EXIF orientation says
    bool cmyk = false;    // CMYK and YCCK pictures converted to colours instead of refused
};

JpegTarget SetJpegTarget(const Screen& screen);

// flags bits 0-3: 1 JDCT_ISLOW, 2 JDCT_IFAST, 3 JDCT_FLOAT, else libjpeg's default.
// A picture the options turn or convert is decoded whole, then placed: with a damaged stream
// that libjpeg gives up on, the screen is left as it was.
int32_t DecodeJpegFile(const char* path, int32_t flags, int64_t offset, JpegTarget& target,
                       const LoadOptions& options = {});

// The size the decode with these options gives (scaled, and sides swapped when it is turned
// a quarter).
int32_t ProbeJpegFile(const char* path, int64_t offset, int32_t& width, int32_t& height,
                      const LoadOptions& options = {});

// The same from bytes in memory: nothing is read outside [bytes, bytes + size).
int32_t decode_jpeg_memory(const uint8_t* bytes, size_t size, int32_t flags, JpegTarget& target,
                           const LoadOptions& options = {});
int32_t probe_jpeg_memory(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height,
                          const LoadOptions& options = {});

}  // namespace qv::jpeg

// The orientation a camera writes into a JPEG's EXIF block (APP1 "Exif", a TIFF structure),
// 1 to 8 as the EXIF standard numbers them (1 as stored; 6 to be turned 90° clockwise to
// stand upright). Portable: the bytes come from any file and are read only inside the bounds
// they are given.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::jpeg {

// Whether an APP1 segment's data (the bytes after its length field) is an EXIF block: it
// starts with "Exif\0\0".
bool is_exif_block(const uint8_t* segment, size_t size);

// The orientation in an APP1 segment's data (the bytes after its length field): 1 to 8, or
// 0 when it is no EXIF block, has no orientation in its first directory, or the block is
// damaged (an offset, count or type that does not hold together).
int32_t exif_orientation(const uint8_t* segment, size_t size);

// Where a stream's markers are read from: read fills n bytes, skip passes n; both false when
// the stream ends first.
class MarkerReader {
public:
    virtual ~MarkerReader() = default;
    virtual bool read(uint8_t* to, size_t n) = 0;
    virtual bool skip(size_t n) = 0;
};

constexpr int32_t kNotJpeg = -1;

// The orientation of a JPEG stream: that of its first EXIF block before the scan, 0 when it
// has none or the markers before it are damaged; kNotJpeg when the stream does not start
// with a JPEG's first marker.
int32_t jpeg_orientation(MarkerReader& in);
int32_t jpeg_orientation(const uint8_t* stream, size_t size);

}  // namespace qv::jpeg

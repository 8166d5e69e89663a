// EXIF orientation (see exif.h). Every offset in the block is checked against its size before
// it is read; an offset is never followed twice (only the first directory is read).
#include "jpeg/exif.h"

#include <cstring>

namespace qv::jpeg {

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShort = 3, kLong = 4;
constexpr size_t kExifHeader = 6;  // "Exif\0\0", then the TIFF structure
constexpr size_t kEntryBytes = 12;

// The TIFF structure in either byte order.
class Tiff {
public:
    Tiff(const uint8_t* bytes, size_t size) : b_(bytes), size_(size) {}
    bool read_order() {
        if (size_ < 8) return false;
        if (b_[0] == 'I' && b_[1] == 'I') little_ = true;
        else if (b_[0] == 'M' && b_[1] == 'M') little_ = false;
        else return false;
        return u16(2) == 42;
    }
    bool holds(uint64_t at, uint64_t n) const { return at <= size_ && n <= size_ - at; }
    uint16_t u16(size_t at) const { return little_ ? uint16_t(b_[at] | b_[at + 1] << 8) : uint16_t(b_[at] << 8 | b_[at + 1]); }
    uint32_t u32(size_t at) const {
        return little_ ? uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16 : uint32_t(u16(at)) << 16 | u16(at + 2);
    }

private:
    const uint8_t* b_;
    size_t size_;
    bool little_ = true;
};

}  // namespace

bool is_exif_block(const uint8_t* segment, size_t size) {
    return size >= kExifHeader && std::memcmp(segment, "Exif\0\0", kExifHeader) == 0;
}

int32_t exif_orientation(const uint8_t* segment, size_t size) {
    if (!is_exif_block(segment, size)) return 0;
    Tiff t(segment + kExifHeader, size - kExifHeader);
    if (!t.read_order()) return 0;
    const uint64_t ifd = t.u32(4);
    if (!t.holds(ifd, 2)) return 0;
    const uint16_t entries = t.u16(size_t(ifd));
    for (uint32_t i = 0; i < entries; ++i) {
        const uint64_t at = ifd + 2 + uint64_t(i) * kEntryBytes;
        if (!t.holds(at, kEntryBytes)) return 0;
        if (t.u16(size_t(at)) != kOrientationTag) continue;
        const uint16_t type = t.u16(size_t(at) + 2);
        if (t.u32(size_t(at) + 4) != 1 || (type != kShort && type != kLong)) return 0;
        // A value of one short or long lies in the entry itself, at its start.
        const uint32_t value = type == kShort ? t.u16(size_t(at) + 8) : t.u32(size_t(at) + 8);
        return value >= 1 && value <= 8 ? int32_t(value) : 0;
    }
    return 0;
}

int32_t jpeg_orientation(MarkerReader& in) {
    uint8_t b[4];
    if (!in.read(b, 2) || b[0] != 0xFF || b[1] != 0xD8) return kNotJpeg;
    if (!in.read(b, 1)) return 0;
    for (;;) {
        // A marker: fill bytes 0xFF, then its code.
        if (b[0] != 0xFF) return 0;
        do {
            if (!in.read(b, 1)) return 0;
        } while (b[0] == 0xFF);
        const uint8_t code = b[0];
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {  // no length
            if (!in.read(b, 1)) return 0;
            continue;
        }
        if (code == 0xDA || code == 0xD9) return 0;  // the scan or the end: no EXIF before
        if (!in.read(b, 2)) return 0;
        const size_t length = size_t(b[0]) << 8 | b[1];
        if (length < 2) return 0;
        if (code == 0xE1 && length - 2 >= kExifHeader) {
            uint8_t segment[65533];
            if (!in.read(segment, length - 2)) return 0;
            if (is_exif_block(segment, length - 2)) return exif_orientation(segment, length - 2);
        } else if (!in.skip(length - 2)) {
            return 0;
        }
        if (!in.read(b, 1)) return 0;
    }
}

int32_t jpeg_orientation(const uint8_t* stream, size_t size) {
    class Bytes : public MarkerReader {
    public:
        Bytes(const uint8_t* b, size_t n) : b_(b), left_(n) {}
        bool read(uint8_t* to, size_t n) override {
            if (n > left_) return false;
            std::memcpy(to, b_, n);
            return skip(n);
        }
        bool skip(size_t n) override {
            if (n > left_) return false;
            b_ += n, left_ -= n;
            return true;
        }

    private:
        const uint8_t* b_;
        size_t left_;
    } in(stream, size);
    return jpeg_orientation(in);
}

}  // namespace qv::jpeg

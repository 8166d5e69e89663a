// The PNG reader (see decode.h).
//
// The image data is gathered from its IDAT chunks and inflated in one piece (inflate.h), into
// a buffer of the size the header promises. Before that buffer is reserved, the promised size
// is checked against the compressed bytes actually read: deflate expands a byte into 1032 at
// most, so a header that promises more than its data can hold is found out first.
//
// Errors follow libpng's reading: what it refuses is a damaged stream, what it only warns
// about is read past (the chunk handlers below say which is which). A chunk's data is kept
// only for the three chunks the picture needs, so that no chunk, however long, costs memory.
#include "png/decode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <libdeflate.h>

#include "png/format.h"
#include "png/inflate.h"
#include "png/unfilter.h"

namespace qv::png {

bool MemorySource::read(uint8_t* to, size_t n) {
    if (n > size_t(end_ - at_)) return false;
    std::memcpy(to, at_, n);
    at_ += n;
    return true;
}

bool FileSource::read(uint8_t* to, size_t n) {
    if (n > left_ || std::fread(to, 1, n, file_) != n) return false;
    left_ -= n;
    return true;
}

namespace {

// A fuzzer's changes would almost never keep a chunk's CRC right, and would never get past it
// to the code behind: its build leaves CRCs unchecked.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kCheckCrc = false;
#else
constexpr bool kCheckCrc = true;
#endif

constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr uint32_t kMaxNumber = 0x7FFFFFFF;  // the largest length or side a PNG can give

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

constexpr uint32_t tag(const char (&s)[5]) { return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 | uint8_t(s[3]); }

bool letter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A growing array of plain values: the gathered image data, its chunks' lengths.
template <class T>
class Growing {
public:
    Growing() = default;
    ~Growing() { std::free(data_); }
    Growing(const Growing&) = delete;
    Growing& operator=(const Growing&) = delete;
    const T* data() const { return data_; }
    size_t size() const { return size_; }
    // Room for n (> 0) more values at the end; null when memory is refused.
    T* extend(size_t n) {
        if (size_ + n > capacity_) {
            const size_t want = std::max(size_ + n, capacity_ + capacity_ / 2);
            if (want > SIZE_MAX / sizeof(T)) return nullptr;
            void* p = std::realloc(data_, want * sizeof(T));
            if (!p) return nullptr;
            data_ = static_cast<T*>(p);
            capacity_ = want;
        }
        size_ += n;
        return data_ + size_ - n;
    }

private:
    T* data_ = nullptr;
    size_t size_ = 0, capacity_ = 0;
};

bool valid_header(const Header& h) {
    if (h.width == 0 || h.height == 0) return false;
    switch (h.colour) {
        case kGrey: return h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8 || h.depth == 16;
        case kPalette: return h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8;
        case kRgb: case kGreyAlpha: case kRgba: return h.depth == 8 || h.depth == 16;
        default: return false;
    }
}

int channels(uint8_t colour) {
    switch (colour) {
        case kRgb: return 3;
        case kGreyAlpha: return 2;
        case kRgba: return 4;
        default: return 1;
    }
}

uint64_t bytes_for(uint64_t pixels, int bits_per_pixel) { return (pixels * uint64_t(bits_per_pixel) + 7) / 8; }

// The ancillary chunks libpng has handlers of its own for: before the header each of them is
// an error there, while an ancillary chunk it does not know is read past wherever it stands.
bool known_ancillary(uint32_t type) {
    switch (type) {
        case tag("bKGD"): case tag("cHRM"): case tag("eXIf"): case tag("gAMA"): case tag("hIST"): case tag("oFFs"):
        case tag("pCAL"): case tag("sCAL"): case tag("pHYs"): case tag("sBIT"): case tag("sRGB"): case tag("iCCP"):
        case tag("sPLT"): case tag("tEXt"): case tag("tIME"): case tag("tRNS"): case tag("zTXt"): case tag("iTXt"):
            return true;
        default: return false;
    }
}

// The chunk reader: everything up to IEND, checked, with the image data gathered.
class Reader {
public:
    Reader(Source& source, Picture& picture) : source_(source), p_(picture) {}

    // Reads until the first IDAT (probe) or to IEND.
    int32_t run(bool stop_at_image_data) {
        uint8_t signature[8];
        if (!source_.read(signature, 8) || std::memcmp(signature, kSignature, 8) != 0) return kBadStream;
        for (;;) {
            uint8_t head[8];
            // A stream cut short after image data: what was read may hold the whole
            // picture, and the inflate says whether it does (a download that lost its end).
            const int32_t cut = seen_image_data_ && !stop_at_image_data ? kDone : kBadStream;
            if (!source_.read(head, 8)) return cut;
            const uint32_t length = be32(head), type = be32(head + 4);
            if (length > kMaxNumber || !letter(head[4]) || !letter(head[5]) || !letter(head[6]) || !letter(head[7]))
                return kBadStream;
            if (refused_unread(type, head[4] & 0x20)) return kBadStream;
            if (uint64_t(length) + 4 > source_.remaining()) return cut;
            if (type == tag("IDAT")) {
                if (stop_at_image_data) return kDone;
                // The image data is the first run of IDAT chunks; a later one is read past,
                // as libpng does once the picture is complete.
                if (!image_data_ended_) {
                    if (int32_t s = read_image_data(head + 4, length)) return s;
                    seen_image_data_ = true;
                    continue;
                }
            } else if (seen_image_data_) {
                image_data_ended_ = true;
            }
            if (int32_t s = read_chunk(head + 4, type, length)) return s;
            if (type == tag("IEND")) return kDone;
        }
    }

    // The gathered IDAT run, with each chunk's length.
    ImageData image_data() const {
        return {data_.data(), data_.size(), lengths_.data(), lengths_.size()};
    }

private:
    // Reads a chunk's data (into body_ when `keep`, else only through the CRC, a piece at a
    // time) and its CRC; false when the source ends.
    bool read_body(const uint8_t* type, uint32_t length, bool keep, bool& crc_ok) {
        uint32_t crc = libdeflate_crc32(0, type, 4);
        uint8_t piece[4096];
        for (uint32_t done = 0; done < length;) {
            uint8_t* to = keep ? body_ : piece;
            const uint32_t n = keep ? length : std::min<uint32_t>(length - done, sizeof piece);
            if (!source_.read(to, n)) return false;
            crc = libdeflate_crc32(crc, to, n);
            done += n;
        }
        uint8_t stored[4];
        if (!source_.read(stored, 4)) return false;
        crc_ok = !kCheckCrc || crc == be32(stored);
        return true;
    }

    // What libpng refuses from a chunk's type alone, before it reads the chunk (even one cut
    // short): a chunk it knows before the header, image data before the header or a palette
    // picture's palette, a second header or palette, an end before the image data.
    bool refused_unread(uint32_t type, bool ancillary) const {
        if (!have_header_ && type != tag("IHDR") && (!ancillary || known_ancillary(type))) return true;
        switch (type) {
            case tag("IDAT"): return p_.header.colour == kPalette && !seen_palette_;
            case tag("IHDR"): return have_header_;
            case tag("PLTE"): return seen_palette_;
            case tag("IEND"): return !seen_image_data_;
            default: return false;
        }
    }

    int32_t read_chunk(const uint8_t* type_bytes, uint32_t type, uint32_t length) {
        const bool critical = !(type_bytes[0] & 0x20);
        if (type == tag("IHDR") && length != 13) return kBadStream;
        const bool keep = (type == tag("IHDR") || type == tag("PLTE") || type == tag("tRNS")) && length <= sizeof body_;
        bool crc_ok = false;
        if (!read_body(type_bytes, length, keep, crc_ok)) return kBadStream;
        if (!crc_ok) return critical ? kBadStream : kDone;  // an ancillary chunk is dropped
        switch (type) {
            case tag("IHDR"): return read_header();
            case tag("PLTE"): return read_palette(length);
            case tag("tRNS"):
                if (keep) read_transparency(length);
                return kDone;
            case tag("IEND"): case tag("IDAT"): return kDone;
            default: return critical ? kBadStream : kDone;  // an unknown critical chunk cannot be read past
        }
    }

    int32_t read_header() {
        const uint8_t* d = body_;
        Header& h = p_.header;
        h.width = be32(d);
        h.height = be32(d + 4);
        h.depth = d[8];
        h.colour = d[9];
        // A side of 2^31 or more is no PNG number at all.
        if (h.width > kMaxNumber || h.height > kMaxNumber) return kBadStream;
        if (!valid_header(h) || d[10] != 0 || d[11] != 0 || d[12] > 1) return kBadStream;
        h.interlaced = d[12] == 1;
        have_header_ = true;
        p_.has_alpha = h.colour == kGreyAlpha || h.colour == kRgba;
        for (auto& e : p_.palette) e[3] = 255;
        if (h.width > kMaxSide || h.height > kMaxSide) return kTooLarge;
        if (bytes_for(h.width, h.depth * channels(h.colour)) * h.height > kMaxSampleBytes) return kTooLarge;
        return kDone;
    }

    // After the image data a first palette is read past, and a grey picture's is ignored (but
    // counts: a second one is refused). An empty palette is refused in any colour picture; one
    // of a length that is no whole number of entries or above 256 entries is refused in a
    // palette picture, read past in another; entries past what the depth can index are
    // dropped. A colour picture's palette (a suggestion) drops a colour key read before it.
    int32_t read_palette(uint32_t length) {
        if (seen_image_data_) return kDone;
        seen_palette_ = true;
        const Header& h = p_.header;
        if (h.colour == kGrey || h.colour == kGreyAlpha) return kDone;
        if (length > sizeof body_ || length % 3) return h.colour == kPalette ? kBadStream : kDone;
        if (length == 0) return kBadStream;
        if (h.colour != kPalette) {
            p_.keyed = p_.has_alpha = false;
            return kDone;
        }
        const uint32_t entries = std::min<uint32_t>(length / 3, 1u << h.depth);
        for (uint32_t i = 0; i < entries; ++i) std::memcpy(p_.palette[i], body_ + 3 * i, 3);
        p_.palette_entries = int32_t(entries);
        return kDone;
    }

    // A tRNS is read past after the image data, after another one, with the wrong length for
    // its picture, before the palette or longer than it, and in a picture with an alpha channel.
    void read_transparency(uint32_t length) {
        if (seen_image_data_ || seen_transparency_) return;
        const uint8_t* d = body_;
        // libpng compares a key below 16 bits with its sample's bits alone.
        const uint16_t mask = uint16_t((1u << p_.header.depth) - 1);
        switch (p_.header.colour) {
            case kPalette:
                if (p_.palette_entries == 0 || length == 0 || length > uint32_t(p_.palette_entries)) return;
                for (uint32_t i = 0; i < length; ++i) p_.palette[i][3] = d[i];
                break;
            case kGrey:
                if (length != 2) return;
                p_.key[0] = be16(d) & mask;
                p_.keyed = true;
                break;
            case kRgb:
                if (length != 6) return;
                for (int i = 0; i < 3; ++i) p_.key[i] = be16(d + 2 * i) & mask;
                p_.keyed = true;
                break;
            default: return;
        }
        seen_transparency_ = p_.has_alpha = true;
    }

    // An empty chunk adds nothing, and its CRC covers its type alone.
    int32_t read_image_data(const uint8_t* type_bytes, uint32_t length) {
        uint32_t* length_at = lengths_.extend(1);
        if (!length_at) return kNoMemory;
        *length_at = length;
        uint32_t crc = libdeflate_crc32(0, type_bytes, 4);
        if (length) {
            uint8_t* to = data_.extend(length);
            if (!to) return kNoMemory;
            if (!source_.read(to, length)) return kBadStream;
            crc = libdeflate_crc32(crc, to, length);
        }
        uint8_t crc_bytes[4];
        if (!source_.read(crc_bytes, 4)) return kBadStream;
        return !kCheckCrc || crc == be32(crc_bytes) ? kDone : kBadStream;
    }

    Source& source_;
    Picture& p_;
    Growing<uint8_t> data_;
    Growing<uint32_t> lengths_;
    uint8_t body_[768];  // the longest valid PLTE
    bool have_header_ = false, seen_palette_ = false, seen_transparency_ = false;
    bool seen_image_data_ = false, image_data_ended_ = false;
};

// Unfilters the rows of one (sub-)image in place; false on a filter byte above 4.
bool unfilter_rows(uint8_t* data, uint32_t rows, size_t row_bytes, int pixel_bytes) {
    const uint8_t* previous = nullptr;
    for (uint32_t y = 0; y < rows; ++y) {
        uint8_t* row = data + size_t(y) * (row_bytes + 1);
        if (row[0] > 4) return false;
        unfilter_row(row[0], row + 1, previous, row_bytes, pixel_bytes);
        previous = row + 1;
    }
    return true;
}

// Copies one pass's pixels, at any depth, to their places in the full rows.
void spread_pass(const Picture& p, int pass, const uint8_t* data, uint32_t pass_width, uint32_t pass_height,
                 size_t pass_row_bytes, int bits) {
    for (uint32_t r = 0; r < pass_height; ++r) {
        const uint8_t* from = data + size_t(r) * (pass_row_bytes + 1) + 1;
        uint8_t* to = p.samples.get() + size_t(kPassY[pass] + r * kPassDy[pass]) * p.stride;
        if (bits >= 8) {
            const int n = bits / 8;
            for (uint32_t c = 0; c < pass_width; ++c)
                std::memcpy(to + size_t(kPassX[pass] + c * kPassDx[pass]) * n, from + size_t(c) * n, size_t(n));
        } else {
            const uint32_t mask = (1u << bits) - 1;
            for (uint32_t c = 0; c < pass_width; ++c) {
                const uint32_t in_bit = c * bits, x = kPassX[pass] + c * kPassDx[pass], out_bit = x * bits;
                const uint32_t v = (from[in_bit / 8] >> (8 - bits - in_bit % 8)) & mask;
                to[out_bit / 8] = uint8_t(to[out_bit / 8] | v << (8 - bits - out_bit % 8));
            }
        }
    }
}

}  // namespace

int32_t probe_png(Source& source, Header& header) {
    Picture p;
    Reader reader(source, p);
    const int32_t s = reader.run(true);
    if (s == kDone || s == kTooLarge) header = p.header;  // a picture too large is still sized
    return s;
}

int32_t decode_png(Source& source, Picture& p) {
    Reader reader(source, p);
    if (int32_t s = reader.run(false)) return s;
    const Header& h = p.header;
    const int bits = h.depth * channels(h.colour);
    const int pixel_bytes = std::max(1, bits / 8);
    p.row_bytes = size_t(bytes_for(h.width, bits));

    // The filtered rows: every (pass) row has a filter byte before its samples.
    RowRun runs[7];
    int run_count = 0;
    uint64_t filtered = 0;
    for (int pass = 0; pass < (h.interlaced ? 7 : 1); ++pass) {
        const uint32_t w = h.interlaced ? pass_extent(h.width, kPassX[pass], kPassDx[pass]) : h.width;
        const uint32_t r = h.interlaced ? pass_extent(h.height, kPassY[pass], kPassDy[pass]) : h.height;
        if (!w || !r) continue;
        runs[run_count++] = {r, size_t(bytes_for(w, bits) + 1)};
        filtered += uint64_t(r) * (bytes_for(w, bits) + 1);
    }
    const uint64_t unfiltered = uint64_t(p.row_bytes) * h.height;  // within kMaxSampleBytes: the reader checked
    const ImageData z = reader.image_data();
    if (filtered > uint64_t(z.size) * kMaxDeflateRatio + 64) return kBadStream;  // cannot inflate that far

    host::Buffer<uint8_t> inflated = host::allocate<uint8_t>(filtered);
    if (!inflated) return kNoMemory;
    switch (inflate_image_data(z, runs, run_count, inflated.get(), size_t(filtered))) {
        case Inflated::kWhole: break;
        case Inflated::kDamaged: return kBadStream;
        case Inflated::kNoMemory: return kNoMemory;
    }

    if (!h.interlaced) {
        if (!unfilter_rows(inflated.get(), h.height, p.row_bytes, pixel_bytes)) return kBadStream;
        // The rows stay where they were inflated, each after its filter byte.
        p.samples = std::move(inflated);
        p.first = 1;
        p.stride = p.row_bytes + 1;
        return kDone;
    }

    p.samples = host::allocate<uint8_t>(unfiltered);
    if (!p.samples) return kNoMemory;
    p.stride = p.row_bytes;
    std::memset(p.samples.get(), 0, size_t(unfiltered));
    uint8_t* at = inflated.get();
    for (int pass = 0; pass < 7; ++pass) {
        const uint32_t w = pass_extent(h.width, kPassX[pass], kPassDx[pass]);
        const uint32_t rows = pass_extent(h.height, kPassY[pass], kPassDy[pass]);
        if (!w || !rows) continue;
        const size_t pass_row_bytes = size_t(bytes_for(w, bits));
        if (!unfilter_rows(at, rows, pass_row_bytes, pixel_bytes)) {
            p.samples.reset();
            return kBadStream;
        }
        spread_pass(p, pass, at, w, rows, pass_row_bytes, bits);
        at += size_t(rows) * (pass_row_bytes + 1);
    }
    return kDone;
}

void row_to_rgba(const Picture& p, const uint8_t* row, uint32_t x0, uint32_t n, uint8_t* out) {
    const Header& h = p.header;
    const int depth = h.depth;
    if (h.colour == kPalette || (h.colour == kGrey && depth < 8)) {
        const uint32_t mask = (1u << depth) - 1, scale = depth == 8 ? 1 : 255 / mask;
        for (uint32_t i = 0; i < n; ++i, out += 4) {
            const uint32_t bit = (x0 + i) * depth;
            const uint32_t v = depth == 8 ? row[x0 + i] : (row[bit / 8] >> (8 - depth - bit % 8)) & mask;
            if (h.colour == kPalette) {
                std::memcpy(out, p.palette[v], 4);
            } else {
                out[0] = out[1] = out[2] = uint8_t(v * scale);
                out[3] = p.keyed && v == p.key[0] ? 0 : 255;
            }
        }
        return;
    }
    const int ch = channels(h.colour);
    if (depth == 8) {
        const uint8_t* s = row + size_t(x0) * ch;
        switch (h.colour) {
            case kGrey:
                for (uint32_t i = 0; i < n; ++i, out += 4, ++s) {
                    out[0] = out[1] = out[2] = s[0];
                    out[3] = p.keyed && s[0] == p.key[0] ? 0 : 255;
                }
                return;
            case kGreyAlpha:
                for (uint32_t i = 0; i < n; ++i, out += 4, s += 2) {
                    out[0] = out[1] = out[2] = s[0];
                    out[3] = s[1];
                }
                return;
            case kRgb:
                for (uint32_t i = 0; i < n; ++i, out += 4, s += 3) {
                    out[0] = s[0], out[1] = s[1], out[2] = s[2];
                    out[3] = p.keyed && s[0] == p.key[0] && s[1] == p.key[1] && s[2] == p.key[2] ? 0 : 255;
                }
                return;
            default: std::memcpy(out, s, size_t(n) * 4); return;
        }
    }
    // 16 bits: the key is compared at full depth, then every sample is rounded.
    const uint8_t* s = row + size_t(x0) * ch * 2;
    for (uint32_t i = 0; i < n; ++i, out += 4, s += 2 * ch) {
        uint32_t v[4];
        for (int c = 0; c < ch; ++c) v[c] = be16(s + 2 * c);
        switch (h.colour) {
            case kGrey:
                out[0] = out[1] = out[2] = scale_16(v[0]);
                out[3] = p.keyed && v[0] == p.key[0] ? 0 : 255;
                break;
            case kGreyAlpha:
                out[0] = out[1] = out[2] = scale_16(v[0]);
                out[3] = scale_16(v[1]);
                break;
            case kRgb:
                for (int c = 0; c < 3; ++c) out[c] = scale_16(v[c]);
                out[3] = p.keyed && v[0] == p.key[0] && v[1] == p.key[1] && v[2] == p.key[2] ? 0 : 255;
                break;
            default:
                for (int c = 0; c < 4; ++c) out[c] = scale_16(v[c]);
                break;
        }
    }
}

void row_to_indexes(const Picture& p, const uint8_t* row, uint32_t x0, uint32_t n, uint8_t* out) {
    const int depth = p.header.depth;
    if (depth == 8) {
        std::memcpy(out, row + x0, n);
        return;
    }
    const uint32_t mask = (1u << depth) - 1;
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t bit = (x0 + i) * depth;
        out[i] = uint8_t((row[bit / 8] >> (8 - depth - bit % 8)) & mask);
    }
}

}  // namespace qv::png

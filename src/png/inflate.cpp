// inflate_image_data (see inflate.h).
#include "png/inflate.h"

#include <algorithm>

#include <libdeflate.h>
#include <zlib.h>

namespace qv::png {

namespace {

// libdeflate reads the stream as libpng does when it inflates, in one call, to exactly the
// picture's size with a valid Adler-32, and the stream declares deflate's widest window
// (32 KB): zlib then never finds a distance too far back either.
bool inflate_whole(const ImageData& data, uint8_t* out, size_t filtered) {
    if (data.size < 2 || (data.bytes[0] >> 4) != 7) return false;
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    if (!d) return false;
    size_t written = 0;
    const libdeflate_result r = libdeflate_zlib_decompress(d, data.bytes, data.size, out, filtered, &written);
    libdeflate_free_decompressor(d);
    return r == LIBDEFLATE_SUCCESS && written == filtered;
}

// The IDAT run in the pieces libpng reads it in: each chunk at most 8192 bytes at a time,
// empty chunks skipped.
class Pieces {
public:
    explicit Pieces(const ImageData& data) : data_(data) {}
    // The next piece into the stream's input; false when the run has no more.
    bool next(z_stream& z) {
        while (left_in_chunk_ == 0) {
            if (chunk_ == data_.chunks) return false;
            left_in_chunk_ = data_.chunk_lengths[chunk_++];
        }
        const uint32_t n = std::min<uint32_t>(left_in_chunk_, 8192);
        z.next_in = const_cast<Bytef*>(data_.bytes + at_);
        z.avail_in = n;
        at_ += n;
        left_in_chunk_ -= n;
        return true;
    }

private:
    const ImageData& data_;
    size_t chunk_ = 0, at_ = 0;
    uint32_t left_in_chunk_ = 0;
};

class Stream {
public:
    Stream() { ready_ = inflateInit2(&z_, 0) == Z_OK; }  // 0: the window the stream declares
    ~Stream() {
        if (ready_) inflateEnd(&z_);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    bool ready() const { return ready_; }
    z_stream& z() { return z_; }

private:
    z_stream z_{};
    bool ready_ = false;
};

Inflated inflate_as_libpng(const ImageData& data, const RowRun* runs, int run_count, uint8_t* out) {
    Stream stream;
    if (!stream.ready()) return Inflated::kNoMemory;
    z_stream& z = stream.z();
    Pieces pieces(data);
    bool ended = false;
    for (int run = 0; run < run_count; ++run)
        for (uint32_t row = 0; row < runs[run].count; ++row) {
            if (ended) return Inflated::kDamaged;  // the stream ended before the picture
            z.next_out = out;
            size_t left = runs[run].bytes;
            out += left;
            do {
                if (z.avail_in == 0 && !pieces.next(z)) return Inflated::kDamaged;
                z.avail_out = uInt(left);
                const int r = inflate(&z, Z_NO_FLUSH);
                left = z.avail_out;
                if (r == Z_MEM_ERROR) return Inflated::kNoMemory;
                if (r == Z_STREAM_END) {
                    ended = true;
                    break;
                }
                if (r != Z_OK) return Inflated::kDamaged;
            } while (left > 0);
            if (left > 0) return Inflated::kDamaged;
        }
    // Past the last row the stream is read on to its end into scratch, for as long as it
    // gives bytes; only running out of chunks on the way is damage.
    Bytef scratch[1024];
    for (size_t extra = 0; !ended;) {
        if (z.avail_in == 0 && !pieces.next(z)) return Inflated::kDamaged;
        z.next_out = scratch;
        z.avail_out = sizeof scratch;
        const int r = inflate(&z, Z_NO_FLUSH);
        extra += sizeof scratch - z.avail_out;
        if (r != Z_OK || extra == 0) break;
    }
    return Inflated::kWhole;
}

}  // namespace

Inflated inflate_image_data(const ImageData& data, const RowRun* runs, int run_count, uint8_t* out, size_t filtered) {
    if (inflate_whole(data, out, filtered)) return Inflated::kWhole;
    return inflate_as_libpng(data, runs, run_count, out);
}

}  // namespace qv::png

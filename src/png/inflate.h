// A PNG's image data inflated into its filtered rows, exactly as far as libpng reads it.
//
// Most streams are read by libdeflate in one call, several times faster than zlib. A stream
// that call does not read to exactly the picture's size (data past the picture, a damaged
// or missing Adler-32, a stream cut short, a window narrower than deflate's widest) is read
// again the way libpng reads it: zlib, with the window the stream declares, fed a chunk and
// at most 8192 bytes at a time and asked for one (pass) row per call, then read on past the
// last row to the stream's end. What zlib refuses before the last row is complete is a
// damaged stream; what it finds after (libpng's "Too much image data", "Extra compressed
// data", a bad Adler-32) is read past; and, as in libpng, running out of image data chunks
// while the stream goes on is damage even after the last row.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::png {

// The gathered IDAT run: its bytes, and each chunk's length (empty chunks included).
struct ImageData {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    const uint32_t* chunk_lengths = nullptr;
    size_t chunks = 0;
};

// The filtered rows: `count` rows of `bytes` each (filter byte included), for each pass.
struct RowRun {
    uint32_t count = 0;
    size_t bytes = 0;
};

enum class Inflated { kWhole, kDamaged, kNoMemory };

// Inflates into `out`, which holds the rows of `runs` (`filtered` bytes in all).
Inflated inflate_image_data(const ImageData& data, const RowRun* runs, int run_count, uint8_t* out, size_t filtered);

}  // namespace qv::png

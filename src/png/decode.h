// Reading a PNG stream: its chunks checked as they are read (signature, order, lengths,
// CRCs), its image data inflated in one piece and unfiltered, interlaced pictures put back
// in row order. What comes out is the file's own samples, row by row, and a way to turn a
// row into 8-bit red, green, blue and alpha (or palette indexes and alpha). No gamma or
// colour-space conversion: gAMA, cHRM, sRGB and iCCP are read past.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "host/memory.h"
#include "png/status.h"

namespace qv::png {

// The limits of what is decoded: libpng's default side limit, and unfiltered data a 32-bit
// process can hold beside the screen it goes into. Both are found from the header alone, so
// the size query and the loaders refuse the same pictures.
constexpr uint32_t kMaxSide = 1000000;
constexpr uint64_t kMaxSampleBytes = uint64_t(1) << 29;

// Where the stream's bytes come from. A stream is read chunk by chunk and only as far as its
// IEND, so a picture inside a larger file (an archive) reads no more than itself.
class Source {
public:
    virtual ~Source() = default;
    virtual bool read(uint8_t* to, size_t n) = 0;
    // Bytes that can still be read: a chunk claiming more is cut short, found before any
    // memory is reserved for it.
    virtual uint64_t remaining() const = 0;
};

class MemorySource final : public Source {
public:
    MemorySource(const uint8_t* bytes, size_t size) : at_(bytes), end_(bytes + size) {}
    bool read(uint8_t* to, size_t n) override;
    uint64_t remaining() const override { return uint64_t(end_ - at_); }

private:
    const uint8_t* at_;
    const uint8_t* end_;
};

class FileSource final : public Source {
public:
    // `left`: the bytes from where the file stands to its end, where reading starts.
    FileSource(std::FILE* file, uint64_t left) : file_(file), left_(left) {}
    bool read(uint8_t* to, size_t n) override;
    uint64_t remaining() const override { return left_; }

private:
    std::FILE* file_;
    uint64_t left_;
};

enum ColourType : uint8_t { kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6 };

struct Header {
    uint32_t width = 0, height = 0;
    uint8_t depth = 0, colour = 0;
    bool interlaced = false;
};

struct Picture {
    Header header;
    // Palette entries as red, green, blue, alpha (tRNS), padded to 256 with opaque black, as
    // libpng pads them: an index past the table is black.
    uint8_t palette[256][4] = {};
    int32_t palette_entries = 0;
    // A tRNS colour key of a grey or RGB picture, compared with the samples at their own depth.
    bool keyed = false;
    uint16_t key[3] = {};
    // Whether any pixel can be less than opaque: an alpha channel or a tRNS chunk.
    bool has_alpha = false;
    // The samples, unfiltered, in row order: row y's row_bytes start at first + y * stride.
    host::Buffer<uint8_t> samples;
    size_t row_bytes = 0, first = 0, stride = 0;

    const uint8_t* row(uint32_t y) const { return samples.get() + first + size_t(y) * stride; }
};

// Reads the chunks up to the first IDAT and checks the header: the size of the picture (given
// with kTooLarge too). Reserves no memory.
int32_t probe_png(Source& source, Header& header);

// Reads and decodes the whole stream. On failure the picture holds no samples.
int32_t decode_png(Source& source, Picture& picture);

// Row conversion to 8 bits a sample: columns [x0, x0 + n) of a row. 16-bit samples are
// rounded to the nearest 8-bit value, lower depths widened by repeating their bits; grey
// becomes three equal channels; a pixel's alpha comes from its alpha channel or tRNS, else 255.
void row_to_rgba(const Picture& picture, const uint8_t* row, uint32_t x0, uint32_t n, uint8_t* rgba);

// A palette picture's indexes, one byte each: columns [x0, x0 + n).
void row_to_indexes(const Picture& picture, const uint8_t* row, uint32_t x0, uint32_t n, uint8_t* indexes);

// libpng's png_set_scale_16: the nearest 8-bit value of a 16-bit sample.
constexpr uint8_t scale_16(uint32_t v) { return uint8_t((v * 255u + 32895u) >> 16); }

}  // namespace qv::png

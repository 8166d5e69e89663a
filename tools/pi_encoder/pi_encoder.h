// A Pi encoder, for the tests, the benchmark and the demo only (the library reads Pi, it
// does not write it). It writes every construct of the format: all colour-code lengths,
// all position codes, literal runs and copies of any length, stored or default palettes,
// the 128-byte prefix, the "DMY" comment form and extension areas. Its output decodes to
// exactly the indexes it was given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::pi_encoder {

struct Options {
    int colours = 256;                 // 16 or 256
    bool store_palette = true;         // false: mode bit 7 set, the default palette is used
    std::vector<uint8_t> palette;      // 3 x colours bytes (red, green, blue); default: a ramp
    bool prefix128 = false;            // 128 bytes before "Pi"
    bool dmy = false;                  // "Pi" "DMY" text 0x00 "Pi" before the comment
    std::string comment = "Quorvel test picture";
    std::string second_text = "";      // after the 0x1A, up to the 0x00
    std::string extension;             // the extension area's bytes
    uint32_t seed = 0;                 // nonzero: choose literal runs and shorter copies at random
    uint32_t max_copy_pairs = 0;       // nonzero: no copy longer than this
    int depth_byte = -1;               // -1: 4 for 16 colours, 8 for 256
};

// The whole file for a width x height picture of indexes (each below `colours`), padded
// with zero bytes when the header reader's window rules need a longer file.
std::string encode(const std::vector<uint8_t>& indexes, int width, int height, const Options& options);

// Only the header (everything before the compressed stream), for hand-made streams.
std::string header(int width, int height, const Options& options);

// Bits written most significant first, for hand-made streams.
class BitWriter {
public:
    void put(uint32_t value, int bits);
    std::string bytes() const;  // padded with 0 bits to a whole byte

private:
    std::string out_;
    uint32_t acc_ = 0;
    int count_ = 0;
};

}  // namespace qv::pi_encoder

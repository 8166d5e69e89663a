// PNG files built chunk by chunk for the tests: any chunk in any order, a CRC that can be
// made wrong, image data deflated at any level.
#pragma once

#include <libdeflate.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qv::testing {

struct PngChunk {
    std::string type, data;
    bool bad_crc = false;
};

inline void put_be32(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s += char(v >> (8 * i));
}

inline std::string png_file(const std::vector<PngChunk>& chunks) {
    std::string f = "\x89PNG\r\n\x1a\n";
    for (const PngChunk& c : chunks) {
        put_be32(f, uint32_t(c.data.size()));
        const std::string body = c.type + c.data;
        f += body;
        put_be32(f, libdeflate_crc32(0, body.data(), body.size()) ^ (c.bad_crc ? 1 : 0));
    }
    return f;
}

inline PngChunk png_header(uint32_t width, uint32_t height, int depth, int colour) {
    PngChunk c{"IHDR", {}};
    put_be32(c.data, width);
    put_be32(c.data, height);
    c.data += {char(depth), char(colour), 0, 0, 0};
    return c;
}

inline std::string zlib_of(const std::string& raw, int level = 6) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    std::string z(libdeflate_zlib_compress_bound(c, raw.size()), '\0');
    z.resize(libdeflate_zlib_compress(c, raw.data(), raw.size(), z.data(), z.size()));
    libdeflate_free_compressor(c);
    return z;
}

}  // namespace qv::testing

// Looking inside JPEG files for the tests: the markers in order with their bytes, and a
// CMYK file made with libjpeg itself (Debian's cjpeg cannot write one).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::testing {

struct Marker {
    uint8_t code;          // 0xD8 SOI, 0xE0 APP0, 0xFE COM, 0xDB DQT, 0xC0/0xC2 SOF, 0xDA SOS ...
    std::string payload;   // the bytes after the length field
};

// The markers up to and including the first SOS (the scan data is not walked).
inline std::vector<Marker> markers_of(const std::string& file) {
    std::vector<Marker> out;
    size_t i = 0;
    while (i + 1 < file.size() && uint8_t(file[i]) == 0xFF) {
        uint8_t code = uint8_t(file[i + 1]);
        i += 2;
        if (code == 0xD8) {
            out.push_back({code, {}});
            continue;
        }
        if (i + 2 > file.size()) break;
        size_t length = size_t(uint8_t(file[i])) << 8 | uint8_t(file[i + 1]);
        if (length < 2 || i + length > file.size()) break;
        out.push_back({code, file.substr(i + 2, length - 2)});
        i += length;
        if (code == 0xDA) break;
    }
    return out;
}

inline const Marker* find_marker(const std::vector<Marker>& ms, uint8_t code) {
    for (const Marker& m : ms)
        if (m.code == code) return &m;
    return nullptr;
}

// Writes a JPEG of one colour, quality 100, 4:4:4.
bool write_solid_jpeg(const std::string& path, int width, int height, int r, int g, int b);

// Writes a small CMYK JPEG (4 components, Adobe marker) of the given size, stored as YCCK
// when asked.
bool write_cmyk_jpeg(const std::string& path, int width, int height, bool ycck = false);

}  // namespace qv::testing

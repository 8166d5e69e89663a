// Reading the PPM and PGM files that djpeg writes and the RGBA PAM files dwebp writes, for
// comparing decodes with their output.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qv::testing {

struct Pnm {
    int width = 0, height = 0, channels = 0;  // 3 for PPM, 1 for PGM
    std::vector<uint8_t> data;                // top-down, no padding
    bool ok() const { return channels != 0; }
    // Red, green, blue of pixel (x, y); a gray sample gives three equal values.
    void rgb(int x, int y, uint8_t out[3]) const {
        const uint8_t* p = &data[(size_t(y) * width + x) * channels];
        out[0] = p[0];
        out[1] = channels == 3 ? p[1] : p[0];
        out[2] = channels == 3 ? p[2] : p[0];
    }
};

inline Pnm read_pnm(const std::string& path) {
    Pnm img;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return img;
    char magic[3] = {};
    int w = 0, h = 0, maxval = 0;
    if (std::fscanf(f, "%2s %d %d %d", magic, &w, &h, &maxval) == 4 && std::fgetc(f) != EOF &&
        maxval == 255 && w > 0 && h > 0) {
        int channels = std::string(magic) == "P6" ? 3 : std::string(magic) == "P5" ? 1 : 0;
        img.data.resize(size_t(w) * h * channels);
        if (channels && std::fread(img.data.data(), 1, img.data.size(), f) == img.data.size()) {
            img.width = w;
            img.height = h;
            img.channels = channels;
        }
    }
    std::fclose(f);
    return img;
}

// dwebp's -pam output (P7, DEPTH 4, RGB_ALPHA): channels 4, red, green, blue, alpha.
inline Pnm read_pam(const std::string& path) {
    Pnm img;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return img;
    int w = 0, h = 0, depth = 0, maxval = 0;
    char tuple[32] = {};
    if (std::fscanf(f, "P7 WIDTH %d HEIGHT %d DEPTH %d MAXVAL %d TUPLTYPE %31s ENDHDR", &w, &h, &depth, &maxval, tuple) == 5 &&
        std::fgetc(f) == '\n' && depth == 4 && maxval == 255 && w > 0 && h > 0) {
        img.data.resize(size_t(w) * h * 4);
        if (std::fread(img.data.data(), 1, img.data.size(), f) == img.data.size()) {
            img.width = w;
            img.height = h;
            img.channels = 4;
        }
    }
    std::fclose(f);
    return img;
}

inline std::string read_bytes(const std::string& path) {
    std::string out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

inline bool write_bytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The test files: made by tests/data/make_jpegs.py into build/testdata, which is "../testdata"
// from the folder the test programs run in.
inline std::string testdata(const std::string& name) { return "../testdata/" + name; }

}  // namespace qv::testing

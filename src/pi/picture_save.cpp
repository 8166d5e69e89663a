// The picture writer (see picture_save.h). Files are written unbuffered, so that each
// part's write is checked where it happens and a failure names its step.
#include "host/memory.h"
#include "pi/picture_save.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "host/area.h"
#include "text/sjis.h"

namespace qv::pi {

namespace {

constexpr size_t kMaxName = 4096;

// A file written without buffering, closed on every path.
class OutFile {
public:
    explicit OutFile(const char* path) : f_(path ? std::fopen(path, "wb") : nullptr) {
        if (f_) std::setvbuf(f_, nullptr, _IONBF, 0);
    }
    ~OutFile() { close(); }
    explicit operator bool() const { return f_ != nullptr; }
    bool write(const void* data, size_t n) { return n == 0 || std::fwrite(data, 1, n, f_) == n; }
    bool close() {
        bool ok = !f_ || std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

private:
    std::FILE* f_;
};

void put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

// Red, green, blue of pixel (x, y): a palette pixel through the screen's colour table.
void rgb_at(const Screen& s, int32_t x, int32_t y, uint8_t* out) {
    const uint8_t* p = s.at(x, y);
    if (s.palette_mode()) {
        const uint8_t* q = s.palette + 4 * p[0];  // RGBQUAD: blue, green, red, reserved
        out[0] = q[2];
        out[1] = q[1];
        out[2] = q[0];
    } else {
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
    }
}

int32_t save_fal(const Screen& s, const char* file_name, int32_t kind) {
    const Rect area = clipped_area(s);
    const int32_t x0 = area.x, y0 = area.y, w = area.w, h = area.h;

    // The pixels' memory comes first: a refusal leaves no file behind.
    const HeaderName header_name = header_file_name(file_name, kind == 1 ? "fal" : "ipr");
    const uint64_t bytes = uint64_t(w) * uint64_t(h) * 3;
    host::Buffer<uint8_t> buf = host::allocate<uint8_t>(bytes ? bytes : 1);
    if (!buf) return -6;
    OutFile pixels(file_name);
    if (!pixels) return -2;
    uint8_t* out = buf.get();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x, out += 3) rgb_at(s, x0 + x, y0 + y, out);
    bool written = pixels.write(buf.get(), bytes);
    if (!pixels.close() || !written) return -6;

    OutFile header(header_name.text);
    if (!header) return -7;
    char text[128];
    int n = kind == 1 ? std::snprintf(text, sizeof text, "F_ALL(V1.00)\r\n%d %d 0 0\r\n   1.00   255   255   255   0\r\n", w, h)
                      : std::snprintf(text, sizeof text, "%d  %d  0  0\r\n", w, h);
    written = header.write(text, size_t(n));
    if (!header.close() || !written) return -8;
    return 0;
}

int32_t save_bitmap(const Screen& s, const char* file_name, int32_t kind) {
    const bool eight_bit = s.palette_mode() && kind == 1;
    const uint64_t row = eight_bit ? ((uint64_t(s.width) + 3) & ~uint64_t(3)) : ((3 * uint64_t(s.width) + 3) & ~uint64_t(3));
    const uint32_t offset = eight_bit ? 1078 : 54;
    // A palette screen saved in 24 bits takes three times its buffer: a file the format's
    // 32-bit sizes cannot describe is not written.
    if (row * uint64_t(s.height) > UINT32_MAX - offset) return -6;
    const size_t data_size = size_t(row * uint64_t(s.height));

    uint8_t file_header[14] = {'B', 'M'};
    put32(file_header + 2, uint32_t(data_size) + offset);
    put32(file_header + 10, offset);
    uint8_t info[40] = {};
    put32(info, 40);
    put32(info + 4, uint32_t(s.width));
    put32(info + 8, uint32_t(s.height));
    put16(info + 12, 1);
    put16(info + 14, eight_bit ? 8 : 24);
    put32(info + 20, uint32_t(data_size));
    put32(info + 24, 3780);
    put32(info + 28, 3780);

    OutFile f(file_name);
    if (!f) return -2;
    if (!f.write(file_header, sizeof file_header)) return -3;
    if (!f.write(info, sizeof info)) return -4;
    if (eight_bit && !f.write(s.palette, 1024)) return -5;
    if (eight_bit || !s.palette_mode()) {
        // The buffer as it is: the same bottom-up rows the file wants.
        if (!f.write(s.pixels, data_size)) return -6;
    } else {
        // A palette screen as 24 bits: each index becomes its colour, rows padded with 0.
        host::Buffer<uint8_t> buf = host::allocate<uint8_t>(data_size ? data_size : 1);
        if (!buf) return -6;
        std::memset(buf.get(), 0, data_size);
        for (int32_t y = 0; y < s.height; ++y) {
            uint8_t* out = buf.get() + size_t(s.height - 1 - y) * size_t(row);
            for (int32_t x = 0; x < s.width; ++x, out += 3) {
                uint8_t rgb[3];
                rgb_at(s, x, y, rgb);
                out[0] = rgb[2];
                out[1] = rgb[1];
                out[2] = rgb[0];
            }
        }
        if (!f.write(buf.get(), data_size)) return -6;
    }
    return f.close() ? 0 : -6;
}

}  // namespace

HeaderName header_file_name(const char* file_name, const char* extension) {
    HeaderName out;
    const size_t n = strnlen(file_name, kMaxName);
    std::memcpy(out.text, file_name, n);
    // The last dot of the last path component (Shift-JIS aware: a trail byte may be '\\').
    size_t dot = n;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t c = uint8_t(file_name[i]);
        if (text::is_lead_byte(c)) {
            ++i;
        } else if (c == '\\' || c == '/') {
            dot = n;
        } else if (c == '.' && i >= 1) {
            dot = i;
        }
    }
    size_t at = dot == n ? n : dot;  // the dot kept, or one appended
    out.text[at++] = '.';
    for (size_t i = 0; i < 3 && extension[i]; ++i) out.text[at++] = extension[i];
    out.text[at] = 0;
    return out;
}

int32_t save_picture(const Screen& screen, const char* file_name, int32_t kind, int32_t format) {
    if (!file_name) return -2;
    if (format == 1) return save_fal(screen, file_name, kind);
    return save_bitmap(screen, file_name, kind);
}

}  // namespace qv::pi

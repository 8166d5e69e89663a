// encode_png (see encode.h). Rows are filtered as libpng filters by default: a palette
// picture not at all, a full-colour one with whichever of the five filters gives the
// smallest sum of absolute differences for that row. The filtered rows are then deflated in
// one call (libdeflate: faster than zlib at the same level, and no larger) and cut into IDAT
// chunks.
#include "png/encode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <libdeflate.h>

#include "png/format.h"


namespace qv::png {

namespace {

constexpr size_t kChunkData = size_t(1) << 18;

struct Pass {
    int x0, y0, dx, dy;
    uint32_t width, height;
};

// The samples of one row of a pass: red, green, blue (or an index) for each pixel.
void gather(const Screen& s, Rect r, const Pass& p, uint32_t row, uint8_t* out) {
    const int32_t y = r.y + p.y0 + int32_t(row) * p.dy;
    const uint8_t* src = s.at(r.x + p.x0, y);
    if (s.palette_mode()) {
        for (uint32_t c = 0; c < p.width; ++c) out[c] = src[size_t(c) * p.dx];
        return;
    }
    for (uint32_t c = 0; c < p.width; ++c, out += 3) {
        const uint8_t* px = src + size_t(c) * p.dx * 3;
        out[0] = px[2], out[1] = px[1], out[2] = px[0];
    }
}

// The row filtered with filter f into to: each byte less its prediction from the byte a pixel
// to the left (a), above (b) and above-left (c), all 0 outside the picture.
void apply(uint8_t f, const uint8_t* row, const uint8_t* up, size_t n, size_t bpp, uint8_t* to) {
    switch (f) {
        case 0: std::memcpy(to, row, n); break;
        case 1:
            for (size_t i = 0; i < n; ++i) to[i] = uint8_t(row[i] - (i >= bpp ? row[i - bpp] : 0));
            break;
        case 2:
            for (size_t i = 0; i < n; ++i) to[i] = uint8_t(row[i] - up[i]);
            break;
        case 3:
            for (size_t i = 0; i < n; ++i) to[i] = uint8_t(row[i] - ((i >= bpp ? row[i - bpp] : 0) + up[i]) / 2);
            break;
        default:
            for (size_t i = 0; i < bpp && i < n; ++i) to[i] = uint8_t(row[i] - up[i]);
            for (size_t i = bpp; i < n; ++i) to[i] = uint8_t(row[i] - paeth(row[i - bpp], up[i], up[i - bpp]));
            break;
    }
}

// The sum of the filtered bytes taken as signed values, libpng's measure of a filter's cost.
uint64_t cost(const uint8_t* v, size_t n) {
    uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += v[i] < 128 ? v[i] : 256 - v[i];
    return sum;
}

// Filters a row of n bytes into out, after its filter byte: a palette picture's with None, a
// full-colour one's with whichever filter costs least. `up` is the row above (zeros for the
// first row of a pass).
void filter_row(const uint8_t* row, const uint8_t* up, size_t n, int bpp, bool adaptive, uint8_t* out, uint8_t* trial) {
    out[0] = 0;
    std::memcpy(out + 1, row, n);
    if (!adaptive) return;
    uint64_t best = cost(row, n);
    for (uint8_t f = 1; f <= 4; ++f) {
        apply(f, row, up, n, size_t(bpp), trial);
        const uint64_t c = cost(trial, n);
        if (c < best) {
            best = c;
            out[0] = f;
            std::memcpy(out + 1, trial, n);
        }
    }
}

void put32(uint8_t*& at, uint32_t v) {
    at[0] = uint8_t(v >> 24), at[1] = uint8_t(v >> 16), at[2] = uint8_t(v >> 8), at[3] = uint8_t(v);
    at += 4;
}

// Writes a chunk at `at` and moves past it.
void chunk(uint8_t*& at, const char* type, const uint8_t* data, size_t n) {
    put32(at, uint32_t(n));
    std::memcpy(at, type, 4);
    if (n) std::memcpy(at + 4, data, n);
    const uint32_t crc = libdeflate_crc32(0, at, n + 4);
    at += n + 4;
    put32(at, crc);
}

}  // namespace

bool encode_png(const Screen& s, Rect r, const EncodeSettings& settings, Encoded& out) {
    const bool palette = s.palette_mode();
    const int bpp = palette ? 1 : 3;
    Pass passes[7];
    int count = 0;
    if (settings.interlaced) {
        for (int i = 0; i < 7; ++i) {
            Pass p{kPassX[i], kPassY[i], kPassDx[i], kPassDy[i], pass_extent(uint32_t(r.w), kPassX[i], kPassDx[i]),
                   pass_extent(uint32_t(r.h), kPassY[i], kPassDy[i])};
            if (p.width && p.height) passes[count++] = p;
        }
    } else {
        passes[count++] = {0, 0, 1, 1, uint32_t(r.w), uint32_t(r.h)};
    }
    uint64_t filtered_size = 0;
    for (int i = 0; i < count; ++i) filtered_size += uint64_t(passes[i].height) * (uint64_t(passes[i].width) * bpp + 1);

    const size_t row_bytes = size_t(r.w) * bpp;
    host::Buffer<uint8_t> filtered = host::allocate<uint8_t>(filtered_size);
    host::Buffer<uint8_t> rows = host::allocate<uint8_t>(uint64_t(row_bytes) * 4);
    if (!filtered || !rows) return false;
    uint8_t *current = rows.get(), *previous = current + row_bytes, *trial = previous + row_bytes;
    uint8_t* zeros = trial + row_bytes;
    std::memset(zeros, 0, row_bytes);
    uint8_t* at = filtered.get();
    for (int i = 0; i < count; ++i) {
        const Pass& p = passes[i];
        const size_t n = size_t(p.width) * bpp;
        for (uint32_t row = 0; row < p.height; ++row) {
            gather(s, r, p, row, current);
            filter_row(current, row ? previous : zeros, n, bpp, !palette, at, trial);
            at += n + 1;
            std::swap(current, previous);
        }
    }

    libdeflate_compressor* c = libdeflate_alloc_compressor(std::clamp(settings.level, 0, 9));
    if (!c) return false;
    const size_t bound = libdeflate_zlib_compress_bound(c, size_t(filtered_size));
    host::Buffer<uint8_t> z = host::allocate<uint8_t>(bound);
    const size_t z_size = z ? libdeflate_zlib_compress(c, filtered.get(), size_t(filtered_size), z.get(), bound) : 0;
    libdeflate_free_compressor(c);
    if (!z_size) return false;
    filtered.reset();

    const size_t chunks = (z_size + kChunkData - 1) / kChunkData;
    out.bytes = host::allocate<uint8_t>(uint64_t(8) + 25 + (palette ? 12 + 768 : 0) + z_size + 12 * chunks + 12);
    if (!out.bytes) return false;
    uint8_t* o = out.bytes.get();
    std::memcpy(o, kSignature, 8);
    o += 8;
    uint8_t ihdr[13];
    uint8_t* h = ihdr;
    put32(h, uint32_t(r.w));
    put32(h, uint32_t(r.h));
    ihdr[8] = 8, ihdr[9] = palette ? 3 : 2, ihdr[10] = 0, ihdr[11] = 0, ihdr[12] = settings.interlaced ? 1 : 0;
    chunk(o, "IHDR", ihdr, 13);
    if (palette) {
        uint8_t plte[768];
        for (int i = 0; i < 256; ++i)
            plte[3 * i] = s.palette[4 * i + 2], plte[3 * i + 1] = s.palette[4 * i + 1], plte[3 * i + 2] = s.palette[4 * i];
        chunk(o, "PLTE", plte, 768);
    }
    for (size_t done = 0; done < z_size; done += kChunkData)
        chunk(o, "IDAT", z.get() + done, std::min(kChunkData, z_size - done));
    chunk(o, "IEND", nullptr, 0);
    out.size = size_t(o - out.bytes.get());
    return true;
}

}  // namespace qv::png

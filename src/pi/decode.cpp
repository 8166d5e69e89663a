// The Pi decoder (see decode.h). The stream is a sequence of position codes: a copy of
// pairs of pixels from a fixed distance back (two or four pixels, one or two rows up, or
// one row up and a column aside), or, when a code repeats the previous one, a run of
// literal pairs whose colours are coded by move-to-front tables, one per previous colour.
#include "pi/decode.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "pi/header.h"

namespace qv::pi {

namespace {

constexpr size_t kSlack = 32768;
// The largest index buffer a decode will ask for. A 32-bit host has about 2 GiB of
// address space in all, its screens included; more than this could not be had reliably.
constexpr uint64_t kMaxBuffer = uint64_t(1) << 28;

// Bits of the data, most significant first: from the memory source in place, or from the
// file in blocks read into one buffer.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size, size_t start) : data_(data), size_(size), pos_(start) {}
    BitReader(std::FILE* file, uint8_t* block, size_t got, size_t start)
        : data_(block), size_(got), pos_(start), file_(file), block_(block), full_(got == kBlockSize) {}

    // n bits (n <= 24) as a number; 0 and at_end() once the data has run out.
    uint32_t bits(int n) {
        while (count_ < n) {
            int b = next_byte();
            if (b < 0) {
                end_ = true;
                return 0;
            }
            acc_ = (acc_ << 8) | uint32_t(b);
            count_ += 8;
        }
        count_ -= n;
        return uint32_t(acc_ >> count_) & ((1u << n) - 1);
    }
    uint32_t bit() { return bits(1); }
    bool at_end() const { return end_; }

private:
    int next_byte() {
        if (pos_ < size_) return data_[pos_++];
        if (!file_ || !full_) return -1;
        // The block was full: the file may go on.
        size_t got = std::fread(block_, 1, kBlockSize, file_);
        if (got == 0) {
            full_ = false;
            return -1;
        }
        full_ = got == kBlockSize;
        size_ = got;
        pos_ = 0;
        return data_[pos_++];
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_;
    std::FILE* file_ = nullptr;
    uint8_t* block_ = nullptr;
    bool full_ = false;
    uint64_t acc_ = 0;
    int count_ = 0;
    bool end_ = false;
};

// The colour code: a value 1..N, or 0 at the end of the data.
uint32_t colour_code(BitReader& r, int32_t colours) {
    uint32_t v;
    if (r.bit()) {
        v = 1 + r.bit();                      // 1x
    } else if (!r.bit()) {
        v = 3 + r.bit();                      // 00x
    } else if (!r.bit()) {
        v = 5 + r.bits(2);                    // 010xx
    } else if (colours == 16 || !r.bit()) {
        v = 9 + r.bits(3);                    // 011xxx (16), 0110xxx (256)
    } else if (!r.bit()) {
        v = 17 + r.bits(4);
    } else if (!r.bit()) {
        v = 33 + r.bits(5);
    } else if (!r.bit()) {
        v = 65 + r.bits(6);
    } else {
        v = 129 + r.bits(7);
    }
    return r.at_end() ? 0 : v;
}

// One move-to-front table for every previous colour.
class ColourTables {
public:
    explicit ColourTables(int32_t colours) : n_(colours) {
        for (int32_t c = 0; c < n_; ++c)
            for (int32_t j = 0; j < n_; ++j) t_[c * n_ + j] = uint8_t((c + 1 + j) % n_);
    }
    // The colour coded v after previous colour c; moves it to the table's end. -1 when
    // the code is out of range (a corrupt stream).
    int take(uint8_t c, uint32_t v) {
        if (v < 1 || v > uint32_t(n_)) return -1;
        uint8_t* t = t_ + c * n_;
        uint8_t k = t[n_ - v];
        std::memmove(t + n_ - v, t + n_ - v + 1, v - 1);
        t[n_ - 1] = k;
        return k;
    }

private:
    int32_t n_;
    uint8_t t_[256 * 256];
};

int colour(BitReader& r, ColourTables& tables, int32_t colours, uint8_t previous) {
    uint32_t v = colour_code(r, colours);
    return v ? tables.take(previous, v) : -1;
}

// The position code: 00 0, 01 1, 10 2, 110 3, 111 4; -1 at the end of the data.
int position_code(BitReader& r) {
    uint32_t two = r.bits(2);
    int code = two == 3 ? 3 + int(r.bit()) : int(two);
    return r.at_end() ? -1 : code;
}

// The length of a copy in pairs; 0 at the end of the data or when it overflows.
uint32_t run_length(BitReader& r) {
    if (!r.bit()) return r.at_end() ? 0 : 1;
    int k = 1;
    while (r.bit()) {
        if (++k >= 31) return 0;  // 2^31 or more pairs: corrupt
    }
    uint32_t extra = k > 16 ? (r.bits(k - 16) << 16) | r.bits(16) : r.bits(k);
    return r.at_end() ? 0 : (uint32_t(1) << k) + extra;
}

int32_t decode_stream(BitReader& r, const PiShape& s, IndexBuffer& out) {
    const int32_t n = s.colour_count == 16 ? 16 : 256;
    auto tables = std::unique_ptr<ColourTables>(new (std::nothrow) ColourTables(n));
    const int32_t rows = s.rows_needed < s.height ? s.rows_needed : s.height;
    const uint64_t total = uint64_t(s.width) * uint64_t(rows > 0 ? rows : 0);
    const uint64_t prefix = 4 * uint64_t(s.width);
    if (!tables || prefix + total + kSlack > kMaxBuffer) return -2;
    out.bytes.reset(new (std::nothrow) uint8_t[size_t(prefix + total + kSlack)]);
    if (!out.bytes) return -2;
    out.prefix = size_t(prefix);

    int first = colour(r, *tables, n, 0);
    int second = first < 0 ? -1 : colour(r, *tables, n, uint8_t(first));
    if (first < 0 || second < 0) {
        out.bytes.reset();
        return -2;
    }
    uint8_t* base = out.bytes.get();
    for (size_t i = 0; i < out.prefix; i += 2) {
        base[i] = uint8_t(first);
        base[i + 1] = uint8_t(second);
    }
    uint8_t* px = base + out.prefix;
    const size_t end = size_t(total);
    const size_t w = size_t(s.width);
    size_t pos = 0;
    int previous_code = -1;
    while (pos < end) {
        int code = position_code(r);
        if (code < 0) break;
        if (code == previous_code) {
            previous_code = -1;
            bool more = true;
            while (more && pos < end) {
                int a = colour(r, *tables, n, px[pos - 1]);
                if (a < 0) goto done;
                px[pos] = uint8_t(a);
                int b = colour(r, *tables, n, uint8_t(a));
                if (b < 0) {
                    ++pos;
                    goto done;
                }
                px[pos + 1] = uint8_t(b);
                pos += 2;
                more = r.bit() && !r.at_end();
            }
            continue;
        }
        previous_code = code;
        uint32_t pairs = run_length(r);
        if (pairs == 0) break;
        size_t distance;
        switch (code) {
            case 0: distance = px[pos - 1] == px[pos - 2] ? 2 : 4; break;
            case 1: distance = w; break;
            case 2: distance = 2 * w; break;
            case 3: distance = w - 1; break;
            default: distance = w + 1; break;
        }
        // Pixel by pixel, so that a copy may repeat what it has just written; a run stops
        // at the first pair that reaches the end.
        uint64_t wanted = uint64_t(pos) + 2 * uint64_t(pairs);
        size_t stop = wanted > uint64_t(end) + 1 ? end + ((end - pos) & 1) : size_t(wanted);
        const uint8_t* from = px + pos - distance;
        for (size_t i = pos; i < stop; ++i) px[i] = from[i - pos];
        pos = stop;
    }
done:
    if (pos < end) std::memset(px + pos, 0, end - pos);  // what the stream never reached
    return 0;
}

}  // namespace

int32_t DecodePi(const char* path, const uint8_t* memory, size_t memory_size, const PiShape& shape,
                 IndexBuffer& out) {
    out.bytes.reset();
    if (!path) {
        if (!memory) return -1;
        BitReader r(memory, memory_size, shape.data_offset);
        return decode_stream(r, shape, out);
    }
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return -1;
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kBlockSize + 4]);
    size_t got = block ? std::fread(block.get(), 1, kBlockSize, f) : 0;
    int32_t status = -2;
    if (got > 0) {
        BitReader r(f, block.get(), got, shape.data_offset);
        status = decode_stream(r, shape, out);
    }
    std::fclose(f);
    return status;
}

}  // namespace qv::pi

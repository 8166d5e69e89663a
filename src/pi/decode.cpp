// The Pi decoder (see decode.h). The stream is a sequence of position codes: a copy of
// pairs of pixels from a fixed distance back (two or four pixels, one or two rows up, or
// one row up and a column aside), or, when a code repeats the previous one, a run of
// literal pairs whose colours are coded by move-to-front tables, one per previous colour.
#include "host/memory.h"
#include "pi/decode.h"

#include <cstdio>
#include <cstring>

#include "pi/header.h"

namespace qv::pi {

namespace {

constexpr size_t kSlack = 32768;
// The largest index buffer a decode will ask for. A 32-bit host has about 2 GiB of
// address space in all, its screens included; more than this could not be had reliably.
constexpr uint64_t kMaxBuffer = uint64_t(1) << 28;

// Bits of the data, most significant first: from the memory source in place, or from the
// file in blocks read into one buffer. Up to 64 bits wait in an accumulator, so that codes
// are decoded by looking ahead and consuming only their own length.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size, size_t start) : data_(data), size_(size), pos_(start) {}
    BitReader(std::FILE* file, uint8_t* block, size_t got, size_t start)
        : data_(block), size_(got), pos_(start), file_(file), block_(block), full_(got == kBlockSize) {}

    // The next n bits (1 <= n <= 32) without consuming them; past the data they read as 0.
    uint32_t peek(int n) {
        if (count_ < n) refill();
        return uint32_t(acc_ >> (64 - n));
    }
    // Consumes n bits; asking for more than the data holds is its end.
    void skip(int n) {
        if (n > count_) {
            end_ = true;
            acc_ = 0;
            count_ = 0;
            return;
        }
        acc_ = n == 64 ? 0 : acc_ << n;
        count_ -= n;
    }
    uint32_t bits(int n) {
        uint32_t v = peek(n);
        skip(n);
        return end_ ? 0 : v;
    }
    uint32_t bit() { return bits(1); }
    bool at_end() const { return end_; }

private:
    void refill() {
        while (count_ <= 56) {
            int b = next_byte();
            if (b < 0) return;
            acc_ |= uint64_t(b) << (56 - count_);
            count_ += 8;
        }
    }
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
    uint64_t acc_ = 0;  // the waiting bits, at the top
    int count_ = 0;
    bool end_ = false;
};

// The colour codes as a lookup table over the next `lookahead` bits: every prefix names one
// code, its value 1..N and its length.
//   1x 1-2 | 00x 3-4 | 010xx 5-8 | 16 colours: 011xxx 9-16 |
//   256 colours: 0110xxx 9-16, 01110xxxx 17-32, 011110x5 33-64, 0111110x6 65-128, 0111111x7 129-256
struct CodeTable {
    struct Entry {
        uint16_t value;
        uint8_t length;
    };
    int lookahead;
    Entry entries[1 << 14];

    explicit CodeTable(int colours) : lookahead(colours == 16 ? 6 : 14), entries() {
        struct Group {
            uint32_t prefix;
            int prefix_bits, extra_bits, first;
        };
        static const Group g16[] = {{1, 1, 1, 1}, {0, 2, 1, 3}, {2, 3, 2, 5}, {3, 3, 3, 9}};
        static const Group g256[] = {{1, 1, 1, 1},  {0, 2, 1, 3},  {2, 3, 2, 5},  {6, 4, 3, 9},
                                     {14, 5, 4, 17}, {30, 6, 5, 33}, {62, 7, 6, 65}, {63, 7, 7, 129}};
        const Group* groups = colours == 16 ? g16 : g256;
        const int count = colours == 16 ? 4 : 8;
        for (int i = 0; i < count; ++i) {
            const Group& g = groups[i];
            const int length = g.prefix_bits + g.extra_bits;
            for (uint32_t x = 0; x < (1u << g.extra_bits); ++x) {
                uint32_t code = (g.prefix << g.extra_bits) | x;
                uint32_t from = code << (lookahead - length), n = 1u << (lookahead - length);
                for (uint32_t j = 0; j < n; ++j) entries[from + j] = {uint16_t(g.first + x), uint8_t(length)};
            }
        }
    }
};

// Built when the library is loaded, not on first use: a function's own static would be
// guarded by the runtime, whose lock may need memory that a command cannot report missing.
const CodeTable sixteen_colours(16), all_colours(256);

const CodeTable& code_table(int32_t colours) { return colours == 16 ? sixteen_colours : all_colours; }

// The colour code: a value 1..N, or 0 at the end of the data.
uint32_t colour_code(BitReader& r, const CodeTable& t) {
    CodeTable::Entry e = t.entries[r.peek(t.lookahead)];
    r.skip(e.length);
    return r.at_end() ? 0 : e.value;
}

// One move-to-front table for every previous colour.
class ColourTables {
public:
    void reset(int32_t colours) {
        n_ = colours;
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

int colour(BitReader& r, const CodeTable& codes, ColourTables& tables, uint8_t previous) {
    uint32_t v = colour_code(r, codes);
    return v ? tables.take(previous, v) : -1;
}

// The position code: 00 0, 01 1, 10 2, 110 3, 111 4; -1 at the end of the data.
int position_code(BitReader& r) {
    static const uint8_t code[8] = {0, 0, 1, 1, 2, 2, 3, 4};
    uint32_t three = r.peek(3);
    r.skip(three >= 6 ? 3 : 2);
    return r.at_end() ? -1 : code[three];
}

// The length of a copy in pairs; 0 at the end of the data or when it overflows.
uint32_t run_length(BitReader& r) {
    uint32_t ahead = r.peek(32);
    int ones = ahead == 0xFFFFFFFFu ? 32 : __builtin_clz(~ahead);
    if (ones == 0) {
        r.skip(1);
        return r.at_end() ? 0 : 1;
    }
    if (ones >= 31) return 0;  // 2^31 or more pairs: corrupt
    r.skip(ones + 1);
    uint32_t extra = r.bits(ones);
    return r.at_end() ? 0 : (uint32_t(1) << ones) + extra;
}

int32_t decode_stream(BitReader& r, const PiShape& s, IndexBuffer& out) {
    const int32_t n = s.colour_count == 16 ? 16 : 256;
    const CodeTable& codes = code_table(n);
    host::Buffer<ColourTables> tables = host::allocate<ColourTables>(1);
    const int32_t rows = s.rows_needed < s.height ? s.rows_needed : s.height;
    const uint64_t total = uint64_t(s.width) * uint64_t(rows > 0 ? rows : 0);
    const uint64_t prefix = 4 * uint64_t(s.width);
    if (!tables || prefix + total + kSlack > kMaxBuffer) return -2;
    tables[0].reset(n);
    out.bytes = host::allocate<uint8_t>(size_t(prefix + total + kSlack));
    if (!out.bytes) return -2;
    out.prefix = size_t(prefix);

    int first = colour(r, codes, tables[0], 0);
    int second = first < 0 ? -1 : colour(r, codes, tables[0], uint8_t(first));
    if (first < 0 || second < 0) {
        out.bytes.reset();
        return -2;
    }
    uint8_t* base = out.bytes.get();
    for (size_t i = 0; i < out.prefix; i += 2) {
        base[i] = uint8_t(first);
        base[i + 1] = uint8_t(second);
    }
    // Positions count from the start of the buffer, prefix included, so that every look back
    // (at most 2 rows and 1 pixel) stays a plain index into it.
    uint8_t* px = base;
    const size_t end = out.prefix + size_t(total);
    const size_t w = size_t(s.width);
    size_t pos = out.prefix;
    int previous_code = -1;
    while (pos < end) {
        int code = position_code(r);
        if (code < 0) break;
        if (code == previous_code) {
            previous_code = -1;
            bool more = true;
            while (more && pos < end) {
                int a = colour(r, codes, tables[0], px[pos - 1]);
                if (a < 0) goto done;
                px[pos] = uint8_t(a);
                int b = colour(r, codes, tables[0], uint8_t(a));
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
        const uint8_t* from = px + (pos - distance);
        if (distance >= stop - pos) {
            std::memcpy(px + pos, from, stop - pos);
        } else {
            for (size_t i = pos; i < stop; ++i) px[i] = from[i - pos];
        }
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
    host::Buffer<uint8_t> block = host::allocate<uint8_t>(kBlockSize + 4);
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

// Pixel_Rgn's scan (see pixel_runs.h). A row is read in two passes, both without a branch
// that depends on the picture:
// 1. Sixteen pixels at a time are classified (one mask bit a byte that equals the key's
//    byte at its place; a pixel is transparent when all of its bytes are) and the places
//    where opaque and transparent meet are appended to the row's list of edges, four at a
//    time from a table of the sixteen nibbles.
// 2. The edges, in pairs, are the rectangles: where a run starts and where it ends.
// A branch on every run end would mispredict on most of them in a photo-like picture, and
// that cost twice as much as reading the pixels.
#include "draw/pixel_runs.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <emmintrin.h>

#include "host/memory.h"

namespace qv::draw {

namespace {

constexpr int kBlock = 16;  // pixels classified at once

// Collects the rectangles of one scan and hands them on in batches.
class Collector {
public:
    Collector(RunRect* buffer, size_t capacity, RunSink& sink) : buffer_(buffer), capacity_(capacity), sink_(sink) {}
    // The runs of row y: from edges[k] up to edges[k + 1] for every even k below n.
    // A rectangle is the pair of edges interleaved with y and y + 1.
    void add_row(const int32_t* edges, size_t n, int32_t y) {
        const __m128i rows = _mm_setr_epi32(y, y + 1, y, y + 1);
        for (size_t k = 0; k < n;) {
            if (count_ == capacity_) {
                sink_.flush(buffer_, count_);
                count_ = 0;
            }
            const size_t take = std::min((n - k) / 2, capacity_ - count_);
            auto* out = reinterpret_cast<__m128i*>(buffer_ + count_);
            for (size_t j = 0; j < take; ++j, k += 2) {
                const __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(edges + k));
                _mm_storeu_si128(out + j, _mm_unpacklo_epi32(pair, rows));
            }
            count_ += take;
        }
        total_ += n / 2;
    }
    size_t finish() {
        if (count_) sink_.flush(buffer_, count_);
        count_ = 0;
        return total_;
    }

private:
    RunRect* buffer_;
    size_t capacity_;
    RunSink& sink_;
    size_t count_ = 0;
    size_t total_ = 0;
};

// The key repeated so that bytes[i] is the byte that belongs at byte i of a block.
template <int BPP>
struct Key {
    uint8_t bytes[kBlock * BPP];
    explicit Key(const uint8_t* pixel) {
        for (int i = 0; i < kBlock * BPP; ++i) bytes[i] = pixel[i % BPP];
    }
};

// Three bytes a pixel: the equal-byte bits of four pixels (12 bits) to their four
// transparent bits.
const std::array<uint8_t, 4096> kFourPixels = [] {
    std::array<uint8_t, 4096> t{};
    for (int m = 0; m < 4096; ++m)
        for (int i = 0; i < 4; ++i) t[m] |= uint8_t((((m >> (3 * i)) & 7) == 7) << i);
    return t;
}();

// For each byte of edge bits: their places, first ones first, and how many there are.
struct EdgeByte {
    alignas(16) int32_t places[8];
    int32_t count;
};
const std::array<EdgeByte, 256> kEdgeBytes = [] {
    std::array<EdgeByte, 256> t{};
    for (int b = 0; b < 256; ++b)
        for (int i = 0; i < 8; ++i)
            if (b >> i & 1) t[b].places[t[b].count++] = i;
    return t;
}();

// Bit i set when pixel i of the block is opaque.
template <int BPP>
[[gnu::always_inline]] inline uint32_t opaque_bits(const uint8_t* p, const Key<BPP>& key) {
    uint32_t m[BPP];
    for (int v = 0; v < BPP; ++v) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * v));
        const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(key.bytes + 16 * v));
        m[v] = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(a, k)));
    }
    if constexpr (BPP == 1) {
        return ~m[0] & 0xFFFF;
    } else {
        const uint32_t t = kFourPixels[m[0] & 0xFFF] | kFourPixels[(m[0] >> 12) | (m[1] & 0xFF) << 4] << 4 |
                           kFourPixels[(m[1] >> 8) | (m[2] & 0xF) << 8] << 8 | kFourPixels[m[2] >> 4] << 12;
        return ~t & 0xFFFF;
    }
}

// Appends the x of every edge of the 16 bits to `out` (which has room for 16 more after n):
// all eight places of a byte are stored, and n advances by as many as there are.
[[gnu::always_inline]] inline void append_edges(uint32_t edges, int32_t x, int32_t* out, size_t& n) {
    for (int half = 0; half < 2; ++half, x += 8, edges >>= 8) {
        const EdgeByte& e = kEdgeBytes[edges & 255];
        const __m128i at = _mm_set1_epi32(x);
        const auto* places = reinterpret_cast<const __m128i*>(e.places);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_add_epi32(_mm_load_si128(places), at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n + 4), _mm_add_epi32(_mm_load_si128(places + 1), at));
        n += size_t(e.count);
    }
}

template <int BPP>
void scan_row(const uint8_t* row, int32_t x0, int32_t w, int32_t y, const Key<BPP>& key, int32_t* edges,
              Collector& out) {
    size_t n = 0;
    uint32_t before = 0;  // whether the pixel left of the block is opaque (bit 0)
    int32_t i = 0;
    for (; i + kBlock <= w; i += kBlock) {
        const uint32_t opaque = opaque_bits<BPP>(row + size_t(i) * BPP, key);
        append_edges(opaque ^ (opaque << 1 | before), x0 + i, edges, n);
        before = opaque >> 15;
    }
    for (; i < w; ++i) {
        const uint32_t opaque = std::memcmp(row + size_t(i) * BPP, key.bytes, BPP) != 0;
        edges[n] = x0 + i;
        n += opaque ^ before;
        before = opaque;
    }
    if (n & 1) edges[n++] = x0 + w;  // a run that reaches the area's right edge
    out.add_row(edges, n, y);
}

template <int BPP>
bool scan_rows(const Screen& s, const RunArea& a, const uint8_t* key_pixel, Collector& out) {
    const Key<BPP> key(key_pixel);
    // Every pixel an edge, and the room a store may take.
    const host::Buffer<int32_t> edges = host::allocate<int32_t>(size_t(a.w) + kBlock + 1);
    if (!edges) return false;
    for (int32_t y = a.y; y < a.y + a.h; ++y) scan_row<BPP>(s.at(a.x, y), a.x, a.w, y, key, edges.get(), out);
    return true;
}

}  // namespace

RunArea pixel_run_area(const Screen& s, int32_t w, int32_t h) {
    return clipped_area(s, w, h);
}

size_t scan_pixel_runs(const Screen& s, const RunArea& a, int32_t key, RunRect* buffer, size_t capacity,
                       RunSink& sink) {
    Collector out(buffer, capacity, sink);
    if (a.w < 1 || a.h < 1) return 0;
    bool scanned;
    if (s.palette_mode()) {
        const uint8_t index = uint8_t(key >= 0 && key <= 255 ? key : 0);
        scanned = scan_rows<1>(s, a, &index, out);
    } else {
        const uint8_t colour[3] = {uint8_t(s.color >> 16), uint8_t(s.color >> 8), uint8_t(s.color)};
        scanned = scan_rows<3>(s, a, colour, out);
    }
    return scanned ? out.finish() : kNoRoom;
}

}  // namespace qv::draw

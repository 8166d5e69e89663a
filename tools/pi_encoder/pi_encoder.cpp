// The test Pi encoder (see pi_encoder.h). It runs the decoder's model alongside: the
// same move-to-front colour tables and the same index buffer with its prefix of start
// colours, and at each pair takes the longest copy allowed, or a literal run.
#include "pi_encoder.h"

#include <algorithm>
#include <cstddef>

namespace qv::pi_encoder {

void BitWriter::put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
        acc_ = (acc_ << 1) | ((value >> i) & 1);
        if (++count_ == 8) {
            out_ += char(acc_);
            acc_ = 0;
            count_ = 0;
        }
    }
}

std::string BitWriter::bytes() const {
    std::string out = out_;
    if (count_) out += char(acc_ << (8 - count_));
    return out;
}

namespace {

void put_be16(std::string& s, uint32_t v) {
    s += char(v >> 8);
    s += char(v);
}

void put_colour_code(BitWriter& b, uint32_t v, int colours) {
    if (v <= 2) return b.put(0b10 | (v - 1), 2);
    if (v <= 4) return b.put(v - 3, 3);                       // 00x
    if (v <= 8) return b.put((0b010 << 2) | (v - 5), 5);     // 010xx
    if (colours == 16) return b.put((0b011 << 3) | (v - 9), 6);
    if (v <= 16) return b.put((0b0110 << 3) | (v - 9), 7);
    if (v <= 32) return b.put((0b01110 << 4) | (v - 17), 9);
    if (v <= 64) return b.put((0b011110 << 5) | (v - 33), 11);
    if (v <= 128) return b.put((0b0111110 << 6) | (v - 65), 13);
    b.put(0b0111111, 7);
    b.put(v - 129, 7);
}

void put_position_code(BitWriter& b, int code) {
    static const uint32_t bits[5] = {0b00, 0b01, 0b10, 0b110, 0b111};
    b.put(bits[code], code < 3 ? 2 : 3);
}

void put_length(BitWriter& b, uint32_t pairs) {
    if (pairs == 1) return b.put(0, 1);
    int k = 0;
    while ((uint64_t(2) << k) <= pairs) ++k;  // 2^k <= pairs < 2^(k+1)
    for (int i = 0; i < k; ++i) b.put(1, 1);
    b.put(0, 1);
    b.put(pairs - (uint32_t(1) << k), k);
}

class Tables {
public:
    explicit Tables(int n) : n_(n), t_(size_t(n) * n) {
        for (int c = 0; c < n; ++c)
            for (int j = 0; j < n; ++j) t_[size_t(c) * n + j] = uint8_t((c + 1 + j) % n);
    }
    // The code of colour k after previous colour c, and the table's update.
    uint32_t code(uint8_t c, uint8_t k) {
        uint8_t* t = &t_[size_t(c) * n_];
        int idx = int(std::find(t, t + n_, k) - t);
        std::rotate(t + idx, t + idx + 1, t + n_);
        return uint32_t(n_ - idx);
    }

private:
    int n_;
    std::vector<uint8_t> t_;
};

struct Random {
    uint32_t state;
    uint32_t next() { return state = state * 1103515245u + 12345u, state >> 8; }
};

}  // namespace

std::string header(int width, int height, const Options& o) {
    std::string s;
    if (o.prefix128) {
        for (int i = 0; i < 128; ++i) s += char('A' + i % 26);
    }
    s += "Pi";
    if (o.dmy) s += std::string("DMY other tool's text") + '\0' + "Pi";
    s += o.comment;
    s += '\x1A';
    s += o.second_text;
    s += '\0';
    s += char(o.store_palette ? 0x00 : 0x80);  // mode
    s += std::string(2, '\0');
    s += char(o.depth_byte >= 0 ? o.depth_byte : (o.colours == 16 ? 4 : 8));
    s += "QVTE";  // four bytes the reader skips
    put_be16(s, uint32_t(o.extension.size()));
    s += o.extension;
    put_be16(s, uint32_t(width));
    put_be16(s, uint32_t(height));
    if (o.store_palette) {
        std::vector<uint8_t> pal = o.palette;
        if (pal.size() != size_t(3 * o.colours)) {
            pal.resize(size_t(3 * o.colours));
            for (size_t i = 0; i < pal.size(); ++i) pal[i] = uint8_t(i * 5 + 17);
        }
        s.append(pal.begin(), pal.end());
    }
    return s;
}

std::string encode(const std::vector<uint8_t>& p, int width, int height, const Options& o) {
    const int n = o.colours;
    const size_t total = size_t(width) * size_t(height);
    const size_t prefix = 4 * size_t(width);
    BitWriter b;
    Tables tables(n);
    Random rnd{o.seed};

    // The decoder's buffer: prefix of start colours, then the picture as decoded so far.
    std::vector<uint8_t> buf(prefix + total + 2);
    const uint8_t first = total ? p[0] : 0, second = total > 1 ? p[1] : first;
    put_colour_code(b, tables.code(0, first), n);
    put_colour_code(b, tables.code(first, second), n);
    for (size_t i = 0; i < prefix; i += 2) {
        buf[i] = first;
        buf[i + 1] = second;
    }
    uint8_t* px = buf.data() + prefix;

    // Pairs that a copy with `code` from `pos` reproduces exactly.
    auto copy_pairs = [&](int code, size_t pos) -> uint32_t {
        size_t d;
        switch (code) {
            case 0: d = px[pos - 1] == px[pos - 2] ? 2 : 4; break;
            case 1: d = size_t(width); break;
            case 2: d = 2 * size_t(width); break;
            case 3: d = size_t(width) - 1; break;
            default: d = size_t(width) + 1; break;
        }
        if (d == 0) return 0;
        uint32_t pairs = 0;
        for (size_t i = pos; i < total; i += 2) {
            // The source may be a pixel this very copy writes: it equals the picture there.
            auto src = [&](size_t at) {
                ptrdiff_t from = ptrdiff_t(at) - ptrdiff_t(d);  // negative: the prefix
                return from < ptrdiff_t(pos) ? px[from] : p[size_t(from)];
            };
            if (src(i) != p[i] || (i + 1 < total && src(i + 1) != p[i + 1])) break;
            ++pairs;
            if (o.max_copy_pairs && pairs == o.max_copy_pairs) break;
        }
        return pairs;
    };
    auto best_copy = [&](size_t pos, int excluded, int& code) -> uint32_t {
        uint32_t best = 0;
        for (int c = 0; c < 5; ++c) {
            if (c == excluded) continue;
            uint32_t l = copy_pairs(c, pos);
            if (l > best) {
                best = l;
                code = c;
            }
        }
        return best;
    };

    size_t pos = 0;
    int previous = -1;
    while (pos < total) {
        int code = 0;
        uint32_t pairs = best_copy(pos, previous, code);
        bool literal = pairs == 0 || (o.seed && previous >= 0 && rnd.next() % 4 == 0);
        if (!literal) {
            if (o.seed && pairs > 1 && rnd.next() % 3 == 0) pairs = 1 + rnd.next() % pairs;
            put_position_code(b, code);
            put_length(b, pairs);
            previous = code;
            for (uint32_t i = 0; i < 2 * pairs && pos < total; ++i, ++pos) px[pos] = p[pos];
            if (pos > total) pos = total;
            continue;
        }
        // A literal run: the previous code again, then pairs of colours, each followed by
        // a bit saying whether another pair comes. It goes on until the next pair can be
        // copied (after a literal run the next code must be a copy).
        put_position_code(b, previous);
        previous = -1;
        for (;;) {
            uint8_t a = p[pos], c = pos + 1 < total ? p[pos + 1] : a;
            put_colour_code(b, tables.code(px[pos - 1], a), n);
            put_colour_code(b, tables.code(a, c), n);
            px[pos] = a;
            px[pos + 1] = c;
            pos += 2;
            if (pos >= total) break;
            int ignored = 0;
            bool more = best_copy(pos, -1, ignored) == 0 || (o.seed && rnd.next() % 3 == 0);
            b.put(more ? 1 : 0, 1);
            if (!more) break;
        }
    }
    std::string file = header(width, height, o) + b.bytes();
    // The reader wants its window to reach past where a palette would end, stored or not,
    // and to hold 70 bytes (199 with the prefix): short files get zero bytes at their end,
    // after the stream, where they are never read as pixels.
    size_t wanted = std::max<size_t>({size_t(o.prefix128 ? 199 : 70), header(width, height, o).size() +
                                                                     (o.store_palette ? 0 : 3 * size_t(n)) + 1});
    if (file.size() < wanted) file.resize(wanted, '\0');
    return file;
}

}  // namespace qv::pi_encoder

// The PNG reader against libpng on streams made to sit at the edges of what libpng reads:
// pictures of every colour type, depth and interlace, with their image data cut into chunks
// (empty ones among them), deflated at every level, with data past the picture, a bad or
// missing Adler-32, another window size or bytes after the stream; then chunks inserted
// (known, unknown, critical, repeated, before the header), dropped, repeated, damaged and
// given bad CRCs, and files cut short. Each stream must come out of both the same: a picture
// with the same pixels, or a failure, libpng reading the whole stream (libpng_reading.h).
//
// One difference is the reader's on purpose: a stream cut short after its image data is a
// picture (libpng's png_read_end fails on it); those are counted apart.
//   qv_png_vs_libpng [streams] [seed]      exit 1 when any stream differs otherwise
//   qv_png_vs_libpng FILE...                 the same for files
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "png/decode.h"
#include "libpng_reading.h"
#include "png/format.h"
#include "png_files.h"

namespace {

using namespace qv::png;
using qv::testing::PngChunk;
using Bytes = std::string;

const uint8_t* bytes(const Bytes& file) { return reinterpret_cast<const uint8_t*>(file.data()); }

bool ours_rgba(const Bytes& file, std::vector<uint8_t>& out) {
    MemorySource source(bytes(file), file.size());
    Picture p;
    if (decode_png(source, p) != kDone) return false;
    out.assign(size_t(p.header.width) * p.header.height * 4, 0);
    for (uint32_t y = 0; y < p.header.height; ++y) row_to_rgba(p, p.row(y), 0, p.header.width, &out[size_t(y) * p.header.width * 4]);
    return true;
}

struct Maker {
    std::mt19937 random;
    std::string what;  // the stream's making, for the report

    uint32_t below(uint32_t n) { return uint32_t(random() % n); }

    // Random filtered rows (a valid filter byte each) for the picture's passes.
    Bytes filtered_rows(uint32_t w, uint32_t h, int bits, bool interlaced) {
        Bytes raw;
        for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
            const uint32_t pw = interlaced ? pass_extent(w, kPassX[pass], kPassDx[pass]) : w;
            const uint32_t ph = interlaced ? pass_extent(h, kPassY[pass], kPassDy[pass]) : h;
            if (!pw || !ph) continue;
            for (uint32_t r = 0; r < ph; ++r) {
                raw += char(below(5));
                for (size_t i = 0; i < (size_t(pw) * bits + 7) / 8; ++i) raw += char(below(4) ? random() : 0);
            }
        }
        return raw;
    }

    // The image data: the rows deflated, perhaps with more or fewer bytes, a damaged
    // Adler-32, another window size or bytes after the stream.
    Bytes image_data(Bytes raw) {
        switch (below(8)) {
            case 0: raw.append(1 + below(70000), char(below(3))), what += "data past the picture; "; break;
            case 1: raw.resize(raw.size() - 1 - below(uint32_t(std::min<size_t>(raw.size() - 1, 5)))), what += "data short; "; break;
            default: break;
        }
        Bytes z = qv::testing::zlib_of(raw, int(below(10)));
        switch (below(6)) {
            case 0: z.back() ^= 1, what += "bad Adler-32; "; break;
            case 1: {
                const int window = int(below(8));  // honest or not: libpng reads the window the stream declares
                const uint32_t header = uint32_t(window << 12 | 0x800);
                z[0] = char(header >> 8), z[1] = char(header + 31 - header % 31);
                what += "window " + std::to_string(256 << window) + "; ";
                break;
            }
            case 2: z.resize(z.size() - below(6)), what += "stream cut; "; break;
            case 3: z.append(5, char(random())), what += "bytes after the stream; "; break;
            default: break;
        }
        return z;
    }

    Bytes stream() {
        static const int kDepths[7][5] = {{1, 2, 4, 8, 16}, {}, {8, 16}, {1, 2, 4, 8}, {8, 16}, {}, {8, 16}};
        static const int kDepthCount[7] = {5, 0, 2, 4, 2, 0, 2};
        int colour;
        do colour = int(below(7));
        while (!kDepthCount[colour]);
        const int depth = kDepths[colour][below(uint32_t(kDepthCount[colour]))];
        const uint32_t side = below(5) ? 12 : 300, w = 1 + below(side), h = 1 + below(side);
        const bool interlaced = below(2);
        const int channels = colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 1;
        what = "colour " + std::to_string(colour) + ", depth " + std::to_string(depth) + ", " + std::to_string(w) + " x " +
               std::to_string(h) + (interlaced ? ", Adam7; " : "; ");
        std::vector<PngChunk> chunks = {qv::testing::png_header(w, h, depth, colour)};
        chunks[0].data.back() = char(interlaced);
        uint32_t entries = 0;
        if (colour == 3 || (colour == 2 && below(4) == 0)) {
            entries = std::min<uint32_t>(256, 1 + below(colour == 3 ? (1u << depth) + 2 : 256));
            PngChunk plte{"PLTE", Bytes(3 * entries, '\0')};
            for (char& c : plte.data) c = char(random());
            chunks.push_back(plte);
        }
        if (below(3) == 0 && colour != 4 && colour != 6) {
            PngChunk trns{"tRNS", ""};
            if (colour == 3) {
                trns.data.resize(1 + below(entries));
            } else {
                for (int c = 0; c < (colour == 2 ? 3 : 1); ++c) {
                    const uint32_t v = below(3) ? uint32_t(random()) & ((1u << depth) - 1) : uint32_t(random());
                    trns.data += {char(v >> 8), char(v)};
                }
            }
            chunks.push_back(trns);
        }
        const Bytes z = image_data(filtered_rows(w, h, depth * channels, interlaced));
        for (size_t at = 0, pieces = 1 + below(3); pieces; --pieces) {
            const size_t n = pieces == 1 ? z.size() - at : below(uint32_t(z.size() - at + 1));
            chunks.push_back({"IDAT", z.substr(at, n)});
            at += n;
        }
        chunks.push_back({"IEND", ""});
        for (uint32_t change = below(3); change; --change) alter(chunks);
        Bytes file = qv::testing::png_file(chunks);
        if (below(10) == 0) file.resize(below(uint32_t(file.size()))), what += "file cut; ";
        return file;
    }

    void alter(std::vector<PngChunk>& chunks) {
        static const char* kTypes[] = {"gAMA", "tEXt", "prVt", "zzZz", "PLTE", "tRNS", "IEND",
                                       "IHDR", "IDAT", "ABCD", "sRGB", "iCCP", "bKGD", "hIST"};
        const size_t at = below(uint32_t(chunks.size() + 1)), which = below(uint32_t(chunks.size()));
        switch (below(6)) {
            case 0: {
                PngChunk c{kTypes[below(14)], Bytes(below(8) == 0 ? 800 : below(20), '\0'), below(4) == 0};
                for (char& b : c.data) b = char(random());
                if (c.type == "PLTE") c.data.resize(3 * below(5));
                what += "a " + c.type + (c.bad_crc ? " with a bad CRC" : "") + " at " + std::to_string(at) + "; ";
                chunks.insert(chunks.begin() + long(at), c);
                break;
            }
            case 1: what += chunks[which].type + " " + std::to_string(which) + " dropped; ", chunks.erase(chunks.begin() + long(which)); break;
            case 2: what += chunks[which].type + " repeated; ", chunks.insert(chunks.begin() + long(at), chunks[which]); break;
            case 3: what += chunks[which].type + " with a bad CRC; ", chunks[which].bad_crc = true; break;
            case 4: what += "an empty IDAT at " + std::to_string(at) + "; ", chunks.insert(chunks.begin() + long(at), {"IDAT", ""}); break;
            default:
                if (chunks[which].data.empty()) break;
                chunks[which].data[below(uint32_t(chunks[which].data.size()))] ^= char(1 + below(255));
                what += chunks[which].type + " damaged; ";
                break;
        }
    }
};

}  // namespace

enum class Outcome { kSame, kCutAfterData, kDifferent };

// The stream read by both: the same picture or failure, a picture here that libpng refuses
// for want of bytes after its image data, or different.
Outcome compare(const Bytes& file) {
    std::vector<uint8_t> ours, theirs;
    bool cut = false;
    const bool ok = ours_rgba(file, ours), libpng_ok = qv::testing::libpng_reading(bytes(file), file.size(), theirs, &cut);
    if (ok == libpng_ok && (!ok || ours == theirs)) return Outcome::kSame;
    return ok && cut ? Outcome::kCutAfterData : Outcome::kDifferent;
}

// Files given by name instead: each compared the same way.
int compare_files(int count, char** paths) {
    int counts[3] = {};
    for (int i = 0; i < count; ++i) {
        Bytes file;
        if (std::FILE* f = std::fopen(paths[i], "rb")) {
            char buffer[65536];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) file.append(buffer, n);
            std::fclose(f);
        }
        const Outcome o = compare(file);
        ++counts[int(o)];
        if (o == Outcome::kDifferent) std::printf("differs: %s\n", paths[i]);
    }
    std::printf("%d files: %d read as libpng reads them; %d cut short after their image data; %d otherwise different\n", count,
                counts[0], counts[1], counts[2]);
    return counts[2] ? 1 : 0;
}

int main(int argc, char** argv) {
    if (argc > 1 && !std::isdigit(static_cast<unsigned char>(argv[1][0]))) return compare_files(argc - 1, argv + 1);
    const int count = argc > 1 ? std::atoi(argv[1]) : 20000;
    Maker maker{std::mt19937(argc > 2 ? uint32_t(std::atoi(argv[2])) : 1u), ""};
    int counts[3] = {};
    for (int i = 0; i < count; ++i) {
        const Bytes file = maker.stream();
        const Outcome o = compare(file);
        ++counts[int(o)];
        if (o == Outcome::kDifferent && counts[2] <= 20) std::printf("differs: %s\n", maker.what.c_str());
    }
    std::printf("%d streams: %d read as libpng reads them; %d cut short after their image data (pictures here, "
                "failures in libpng); %d otherwise different\n",
                count, counts[0], counts[1], counts[2]);
    return counts[2] ? 1 : 0;
}

// Reading WebP streams with libwebp: the headers, and the whole picture (the first frame of
// an animation), rows from the top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "host/memory.h"
#include "webp/status.h"

namespace qv::webp {

// A picture of more pixels than this is refused before anything is allocated for it: 512 MB
// at four bytes a pixel, the PNG bridge's ceiling. WebP's largest, 16383 x 16383, is above it.
constexpr uint64_t kMaxPixels = uint64_t(1) << 27;

struct Info {
    uint32_t width = 0, height = 0;
    bool alpha = false;     // the stream says it has transparency
    bool animated = false;  // an animation: its first frame is the picture
};

// A stream's bytes: a span of the caller's, or a block of its own read from a file.
struct Bytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
    host::Buffer<uint8_t> owned;
};

// Reads the stream that starts where `file` stands, `left` bytes from its end. A RIFF
// container is read to the length its header gives (checked against `left` before anything
// is allocated: a stream cut short is kBadStream); a bare VP8 or VP8L bitstream, whose
// length no header gives, to the file's end, once its first bytes read as one. kDone,
// kBadStream or kNoMemory.
int32_t read_stream(std::FILE* file, uint64_t left, Bytes& out);

// The stream's size and kind: kDone, kTooLarge (the info is still filled in) or kBadStream.
int32_t probe_webp(const uint8_t* data, size_t size, Info& info);

// Like probe_webp, reading from a file no more than the headers need (a few kilobytes,
// unless chunks come before them): for the size queries.
int32_t probe_file(std::FILE* file, uint64_t left, Info& info);

struct Picture {
    Info info;
    uint32_t bpp = 3;  // 3: blue, green, red (the screen's order); 4: red, green, blue, alpha (not premultiplied)
    size_t stride = 0;
    host::Buffer<uint8_t> pixels;
    const uint8_t* row(uint32_t y) const { return pixels.get() + size_t(y) * stride; }
};

// Decodes the picture as libwebp's own decoder gives it (fancy upsampling of lossy colours,
// no dithering): 4 bytes a pixel when `alpha` is asked for and the picture has any (an
// animation's frame always: parts of its canvas may be uncovered), else 3. An animation's
// first frame is drawn on a transparent canvas of the animation's size, as a viewer first
// shows it. kDone, kBadStream, kTooLarge or kNoMemory; on failure `out` holds nothing.
int32_t decode_webp(const uint8_t* data, size_t size, bool alpha, Picture& out);

}  // namespace qv::webp

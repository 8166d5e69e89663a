// Reading WebP streams (see read.h). libwebp parses everything: the RIFF chunks, VP8X, ALPH,
// ANIM and the bitstreams, each bounded by the bytes it is given; this file only decides how
// many bytes to give it and where its output goes.
#include "webp/read.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>

namespace qv::webp {

namespace {

int32_t status_of(VP8StatusCode code) {
    if (code == VP8_STATUS_OK) return kDone;
    return code == VP8_STATUS_OUT_OF_MEMORY ? kNoMemory : kBadStream;
}

VP8StatusCode read_features(const uint8_t* data, size_t size, Info& info) {
    WebPBitstreamFeatures f;
    const VP8StatusCode code = WebPGetFeatures(data, size, &f);
    if (code != VP8_STATUS_OK) return code;
    info.width = uint32_t(f.width);
    info.height = uint32_t(f.height);
    info.alpha = f.has_alpha != 0;
    info.animated = f.has_animation != 0;
    return code;
}

int32_t size_status(const Info& info) {
    return uint64_t(info.width) * info.height > kMaxPixels ? kTooLarge : kDone;
}

// Decodes a still picture, or an animation frame's bytes, into 4-byte (red, green, blue,
// alpha) or 3-byte (blue, green, red: the screen's order) pixels at `to`.
int32_t decode_into(const uint8_t* data, size_t size, uint8_t* to, uint32_t bpp, size_t stride, size_t room) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return kBadStream;
    config.options.use_threads = 1;  // lossy: filtering beside parsing; same output
    config.output.colorspace = bpp == 4 ? MODE_RGBA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = to;
    config.output.u.RGBA.stride = int(stride);
    config.output.u.RGBA.size = room;
    const VP8StatusCode code = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    return status_of(code);
}

// An animation's first frame as a viewer first shows it: a key frame drawn at its offset on
// a canvas cleared to transparent black, without blending (libwebp's animation decoder does
// the same; done here so that the canvas is this library's memory and a refused allocation
// reads as one).
int32_t decode_first_frame(const uint8_t* data, size_t size, Picture& out) {
    const WebPData whole = {data, size};
    WebPDemuxer* demux = WebPDemux(&whole);
    if (!demux) return kBadStream;
    WebPIterator frame;
    int32_t status = kBadStream;
    if (WebPDemuxGetFrame(demux, 1, &frame)) {
        const uint32_t w = out.info.width, h = out.info.height;
        const bool inside = frame.x_offset >= 0 && frame.y_offset >= 0 && uint32_t(frame.x_offset) < w &&
                            uint32_t(frame.y_offset) < h;
        out.bpp = 4;
        out.stride = size_t(w) * 4;
        out.pixels = host::allocate<uint8_t>(uint64_t(out.stride) * h);
        if (!out.pixels) {
            status = kNoMemory;
        } else if (inside) {
            std::memset(out.pixels.get(), 0, out.stride * h);
            const size_t at = size_t(frame.y_offset) * out.stride + size_t(frame.x_offset) * 4;
            status = decode_into(frame.fragment.bytes, frame.fragment.size, out.pixels.get() + at, 4, out.stride,
                                 out.stride * h - at);
        }
        WebPDemuxReleaseIterator(&frame);
    }
    WebPDemuxDelete(demux);
    return status;
}

}  // namespace

int32_t read_stream(std::FILE* file, uint64_t left, Bytes& out) {
    uint8_t head[12];
    const size_t got = std::fread(head, 1, size_t(std::min<uint64_t>(sizeof head, left)), file);
    uint64_t total = left;
    if (got == sizeof head && std::memcmp(head, "RIFF", 4) == 0) {
        total = 8 + (uint64_t(head[4]) | uint64_t(head[5]) << 8 | uint64_t(head[6]) << 16 | uint64_t(head[7]) << 24);
        if (total > left || total < sizeof head) return kBadStream;  // cut short, or a size below its own header
    } else if (!WebPGetInfo(head, got, nullptr, nullptr)) {
        return kBadStream;  // not a bare bitstream either: the rest is never read
    }
    out.owned = host::allocate<uint8_t>(total);
    if (!out.owned) return kNoMemory;
    std::memcpy(out.owned.get(), head, got);
    if (std::fread(out.owned.get() + got, 1, size_t(total - got), file) != total - got) return kBadStream;
    out.data = out.owned.get();
    out.size = size_t(total);
    return kDone;
}

int32_t probe_webp(const uint8_t* data, size_t size, Info& info) {
    if (int32_t status = status_of(read_features(data, size, info))) return status;
    return size_status(info);
}

int32_t probe_file(std::FILE* file, uint64_t left, Info& info) {
    uint8_t head[4096];
    const size_t got = std::fread(head, 1, size_t(std::min<uint64_t>(sizeof head, left)), file);
    const VP8StatusCode code = read_features(head, got, info);
    if (code != VP8_STATUS_NOT_ENOUGH_DATA || got == left) return code == VP8_STATUS_OK ? size_status(info) : status_of(code);
    // Chunks before the headers (an ICC profile, say): the stream as the loaders read it.
    if (std::fseek(file, -long(got), SEEK_CUR) != 0) return kBadStream;
    Bytes bytes;
    if (int32_t status = read_stream(file, left, bytes)) return status;
    return probe_webp(bytes.data, bytes.size, info);
}

int32_t decode_webp(const uint8_t* data, size_t size, bool alpha, Picture& out) {
    Picture p;
    if (int32_t status = probe_webp(data, size, p.info)) return status;
    int32_t status;
    if (p.info.animated) {
        status = decode_first_frame(data, size, p);
    } else {
        p.bpp = alpha && p.info.alpha ? 4 : 3;
        p.stride = size_t(p.info.width) * p.bpp;
        p.pixels = host::allocate<uint8_t>(uint64_t(p.stride) * p.info.height);
        if (!p.pixels) return kNoMemory;
        status = decode_into(data, size, p.pixels.get(), p.bpp, p.stride, p.stride * p.info.height);
    }
    if (status == kDone) out = std::move(p);
    return status;
}

}  // namespace qv::webp

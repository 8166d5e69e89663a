// encode_webp (see write.h). libwebp reads the screen's rows where they lie (bottom-up, so
// from the area's top row with a negative stride); a palette screen's indexes are turned
// into colours first.
#include "webp/write.h"

#include <webp/decode.h>
#include <webp/encode.h>

#include "host/memory.h"
#include "webp/status.h"

namespace qv::webp {

Encoded::~Encoded() { WebPFree(data_); }

namespace {

int32_t status_of(WebPEncodingError error) {
    switch (error) {
        case VP8_ENC_ERROR_OUT_OF_MEMORY:
        case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY: return kNoMemory;
        case VP8_ENC_ERROR_BAD_DIMENSION: return kTooLarge;
        default: return kBadStream;
    }
}

// The area's colours, rows from the top, 3 bytes a pixel.
host::Buffer<uint8_t> colours_of(const Screen& s, const Rect& a) {
    host::Buffer<uint8_t> bgr = host::allocate<uint8_t>(uint64_t(a.w) * a.h * 3);
    if (!bgr) return bgr;
    uint8_t* to = bgr.get();
    for (int32_t y = 0; y < a.h; ++y) {
        const uint8_t* index = s.at(a.x, a.y + y);
        for (int32_t i = 0; i < a.w; ++i, to += 3) {
            const uint8_t* quad = s.palette + 4 * index[i];
            to[0] = quad[0], to[1] = quad[1], to[2] = quad[2];
        }
    }
    return bgr;
}

// Whether libwebp reads the stream back without error. Its lossless writer (1.2) grows its
// buffer once more to flush the last bits, and when that allocation is refused it drops them
// and still reports success: the file would be cut short by a byte or two. Decoding it, at a
// size of 1 x 1 (every row is still read, nothing large is allocated), finds that.
bool reads_back(const uint8_t* data, size_t size) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return false;
    config.options.use_scaling = 1;
    config.options.scaled_width = config.options.scaled_height = 1;
    config.output.colorspace = MODE_BGR;
    const bool read = WebPDecode(data, size, &config) == VP8_STATUS_OK;
    WebPFreeDecBuffer(&config.output);
    return read;
}

// Keeps the picture's and the writer's memory until the call ends, whatever path it takes.
struct Work {
    WebPPicture picture;
    WebPMemoryWriter writer;
    Work() {
        WebPPictureInit(&picture);
        WebPMemoryWriterInit(&writer);
    }
    ~Work() {
        WebPPictureFree(&picture);
        WebPMemoryWriterClear(&writer);
    }
};

}  // namespace

int32_t encode_webp(const Screen& s, const Rect& a, const EncodeSettings& settings, Encoded& out) {
    if (a.w > kMaxSide || a.h > kMaxSide) return kTooLarge;
    WebPConfig config;
    if (!WebPConfigInit(&config)) return kBadStream;
    config.quality = float(settings.quality);
    config.lossless = settings.lossless;
    config.method = settings.effort;
    config.thread_level = 1;  // libwebp's own threads where its encoder has them
    if (!WebPValidateConfig(&config)) return kBadStream;

    Work work;
    WebPPicture& pic = work.picture;
    pic.width = a.w;
    pic.height = a.h;
    pic.use_argb = settings.lossless;  // lossless keeps the colours exactly; lossy goes to YUV at once
    host::Buffer<uint8_t> colours;
    const uint8_t* top = s.at(a.x, a.y);
    int stride = -int(s.stride());
    if (s.palette_mode()) {
        colours = colours_of(s, a);
        if (!colours) return kNoMemory;
        top = colours.get();
        stride = a.w * 3;
    }
    if (!WebPPictureImportBGR(&pic, top, stride)) return kNoMemory;
    colours.reset();
    pic.writer = WebPMemoryWrite;
    pic.custom_ptr = &work.writer;
    if (!WebPEncode(&config, &pic)) return status_of(pic.error_code);
    if (settings.lossless && !reads_back(work.writer.mem, work.writer.size)) return kNoMemory;
    out.data_ = work.writer.mem;
    out.size_ = work.writer.size;
    WebPMemoryWriterInit(&work.writer);  // the stream is out's now
    return kDone;
}

}  // namespace qv::webp

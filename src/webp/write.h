// Writing a screen's area as a WebP stream with libwebp's encoder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/area.h"
#include "host/views.h"

namespace qv::webp {

// WebpParam's settings; the defaults are those a script gets until it sets them.
struct EncodeSettings {
    int32_t quality = 80;   // 0 to 100: lossy, the picture's; lossless, how hard to look
    bool lossless = false;
    int32_t effort = 4;     // 0 (fastest) to 6 (smallest): libwebp's method
};

// The encoded stream, in libwebp's memory.
class Encoded {
public:
    Encoded() = default;
    ~Encoded();
    Encoded(const Encoded&) = delete;
    Encoded& operator=(const Encoded&) = delete;
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    friend int32_t encode_webp(const Screen&, const Rect&, const EncodeSettings&, Encoded&);
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// WebP's largest side.
constexpr int32_t kMaxSide = 16383;

// Encodes the area (inside the screen; a palette screen's pixels as their colours): kDone,
// kTooLarge for a side above kMaxSide, kNoMemory, or kBadStream should libwebp refuse for
// another reason.
int32_t encode_webp(const Screen& screen, const Rect& area, const EncodeSettings& settings, Encoded& out);

}  // namespace qv::webp

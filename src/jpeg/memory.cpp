// The memory-source commands: a script's variable holding a JPEG file's bytes, set with
// SetJpegMem and consumed by the next memory command. The bytes are decoded where they lie,
// through libjpeg's memory source: no file is written, so two processes using these
// commands at once never see each other's data.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "command_decls.h"
#include "host/memory.h"
#include "host/results.h"
#include "host/pointers.h"
#include "jpeg/comment.h"
#include "jpeg/decode.h"
#include "jpeg/settings.h"

namespace qv::jpeg {

namespace {

constexpr int32_t kNoSource = -1;

struct Bytes {
    const uint8_t* data;
    size_t size;
};

// Takes the memory source (one-shot: it is cleared). The variable's storage is read now, not
// when the source was set, and never past what its record gives today, should the script
// have made it smaller in between.
bool take_source(Bytes& out) {
    host::PVAL* var = settings.memory_source;
    if (!var) return false;
    out = {host::ptr<const uint8_t>(var->data), std::min(settings.memory_bytes, host::first_dimension_room32(*var))};
    settings.memory_source = nullptr;
    settings.memory_bytes = 0;
    return true;
}

}  // namespace

int32_t SetJpegMem(host::PVAL* var, int32_t count, int32_t, int32_t) {
    uint32_t size = host::first_dimension_room32(*var);
    settings.memory_source = var;
    settings.memory_bytes = (count >= 9 && uint32_t(count) < size) ? uint32_t(count) : size;
    return 0;
}

int32_t JpegLoadMem(host::BMSCR* screen, int32_t flags, int32_t, int32_t) {
    if (screen->palette_mode) return host::kWrongKind;
    Bytes in;
    if (!take_source(in)) return kNoSource;
    JpegTarget target = SetJpegTarget(host::screen_view(*screen));
    return host::status(decode_jpeg_memory(in.data, in.size, flags, target, settings.load));
}

int32_t JpegSizeMem(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kInteger) return host::kWrongKind;
    Bytes in;
    if (!take_source(in)) return kNoSource;
    // The size goes into the variable only after the probe: it may be the source itself.
    int32_t w = 0, h = 0;
    int32_t status = probe_jpeg_memory(in.data, in.size, w, h, settings.load);
    host::store_size(var, status == kDone ? w : 0, status == kDone ? h : 0);
    return host::status(status);
}

int32_t GetJpegCommentMem(host::PVAL* var, int32_t kind, int32_t, int32_t) {
    if (var->type != host::kString) return host::kErrRange;
    Bytes in;
    if (!take_source(in)) return kNoSource;
    // Reading a comment into the very storage it is read from would overwrite bytes not yet
    // read (a line feed grows into two bytes): such a source is read from a copy.
    uint8_t* text = host::ptr<uint8_t>(var->data);
    uint32_t cap = host::first_dimension_room32(*var);
    const uintptr_t t = reinterpret_cast<uintptr_t>(text), d = reinterpret_cast<uintptr_t>(in.data);
    host::Buffer<uint8_t> copy;
    if (t < d + in.size && d < t + cap) {
        copy = host::allocate<uint8_t>(in.size);
        if (!copy) return -2;
        std::memcpy(copy.get(), in.data, in.size);
        in.data = copy.get();
    }
    return read_jpeg_comment_memory(text, cap, in.data, in.size, kind);
}

}  // namespace qv::jpeg

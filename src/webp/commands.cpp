// The WebP commands that take files, variables and archive entries, and the encoder's
// settings: thin adapters that check their arguments in the PNG commands' order and call
// the bridge.
#include "archive/entries.h"
#include "command_decls.h"
#include "host/file.h"
#include "host/pointers.h"
#include "host/results.h"
#include "png/modes.h"
#include "webp/place.h"
#include "webp/read.h"
#include "webp/settings.h"

namespace qv::webp {

namespace {

static_assert(host::status(kNoMemory) == host::kOutOfMemory);
// host::open_stream and host::write_file answer in this bridge's numbers.
static_assert(kCannotOpen == 1 && kBadStream == 2);

bool valid_mode(int32_t mode) { return mode >= png::kComposite && mode <= png::kAlphaGrey; }

// The bytes a variable holds, by the memory loaders' byte-count rule.
const uint8_t* variable_bytes(const host::PVAL& var, int32_t count, size_t& size) {
    size = host::counted_bytes(var, count);
    return host::ptr<const uint8_t>(var.data);
}

// Decodes the whole stream, then places it at the screen's position in `mode`. Everything
// that can fail comes before the first pixel changes.
int32_t load_into(host::BMSCR& record, const uint8_t* data, size_t size, int32_t mode) {
    Info info;
    if (int32_t status = probe_webp(data, size, info)) return host::status(status);
    if (record.palette_mode) return host::kWrongKind;  // a WebP picture has colours, never indexes
    Picture picture;
    if (int32_t status = decode_webp(data, size, mode != png::kCopy, picture)) return host::status(status);
    const Screen screen = host::screen_view(record);
    if (screen.width <= 0 || screen.height <= 0 || !screen.pixels) return 0;  // no room: nothing lands
    const Point at = position_inside(screen);
    place_webp(picture, screen, at.x, at.y, mode);
    return 0;
}

int32_t load_file(host::BMSCR* screen, const char* path, int32_t mode, int64_t offset) {
    if (!valid_mode(mode)) return host::kErrRange;
    host::File file;
    uint64_t left = 0;
    if (int32_t status = host::open_stream(path, offset, file, left)) return host::status(status);
    Bytes bytes;
    if (int32_t status = read_stream(file.get(), left, bytes)) return host::status(status);
    file.close();
    return load_into(*screen, bytes.data, bytes.size, mode);
}

// data[0], data[1]: the size; data[2], when the variable has room for it: 1 with alpha.
void store_info(host::PVAL* var, const Info& info) {
    host::store_size(var, int32_t(info.width), int32_t(info.height));
    const Var v = host::var_view(*var);
    if (v.capacity >= 12) v.ints()[2] = info.alpha ? 1 : 0;
}

int32_t answer_size(host::PVAL* var, int32_t status, const Info& info) {
    if (status == kDone || status == kTooLarge) store_info(var, info);
    return host::status(status);
}

int32_t size_file(host::PVAL* var, const char* path, int64_t offset) {
    store_info(var, Info{});
    host::File file;
    uint64_t left = 0;
    if (int32_t status = host::open_stream(path, offset, file, left)) return host::status(status);
    Info info;
    return answer_size(var, probe_file(file.get(), left, info), info);
}

}  // namespace

int32_t WebpLoad(host::BMSCR* screen, const char* path, int32_t mode, int32_t offset) {
    return load_file(screen, path, mode, offset);
}

int32_t WebpSize(host::PVAL* var, const char* path, int32_t offset, int32_t) {
    if (var->type != host::kInteger) return host::kWrongKind;
    return size_file(var, path, offset);
}

int32_t WebpLoadMem(host::BMSCR* screen, host::PVAL* bytes, int32_t mode, int32_t count) {
    if (!valid_mode(mode)) return host::kErrRange;
    size_t size = 0;
    const uint8_t* data = variable_bytes(*bytes, count, size);
    return load_into(*screen, data, size, mode);
}

int32_t WebpSizeMem(host::PVAL* var, host::PVAL* bytes, int32_t count, int32_t) {
    if (var->type != host::kInteger) return host::kWrongKind;
    store_info(var, Info{});
    size_t size = 0;
    const uint8_t* data = variable_bytes(*bytes, count, size);
    Info info;
    return answer_size(var, probe_webp(data, size, info), info);
}

int32_t WebpLoadDpm(host::BMSCR* screen, const char* name, int32_t mode, char* locator) {
    if (!valid_mode(mode)) return host::kErrRange;
    archive::open(locator);
    const archive::Entry entry = archive::find(name);
    if (entry.offset < 0) return host::status(kCannotOpen);
    return load_file(screen, entry.path, mode, entry.offset);
}

int32_t WebpSizeDpm(host::PVAL* var, const char* name, int32_t, char* locator) {
    if (var->type != host::kInteger) return host::kWrongKind;
    store_info(var, Info{});
    archive::open(locator);
    const archive::Entry entry = archive::find(name);
    if (entry.offset < 0) return host::status(kCannotOpen);
    return size_file(var, entry.path, entry.offset);
}

int32_t WebpSave(host::BMSCR* record, const char* path, int32_t width, int32_t height) {
    const Screen screen = host::screen_view(*record);
    const Point o = position_inside(screen);
    cut_at_edges(screen, o, width, height);
    if (width <= 0 || height <= 0 || !screen.pixels) return host::status(kBadStream);
    Encoded webp;
    if (int32_t status = encode_webp(screen, {o.x, o.y, width, height}, settings.encoder, webp))
        return host::status(status);
    return host::status(host::write_file(path, webp.data(), webp.size()));
}

int32_t WebpParam(int32_t quality, int32_t flags, int32_t effort, int32_t) {
    if (quality < 0 || quality > 100 || effort < 0 || effort > 6) return host::kErrRange;
    settings.encoder = {quality, (flags & 1) != 0, effort};
    return 0;
}

}  // namespace qv::webp

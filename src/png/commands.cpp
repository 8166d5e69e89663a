// The PNG commands that take files, variables and archive entries, and the encoder's
// settings: thin adapters that check their arguments in order and call the bridge.
#include <algorithm>

#include "archive/entries.h"
#include "command_decls.h"
#include "host/file.h"
#include "host/pointers.h"
#include "host/refresh_win.h"
#include "host/results.h"
#include "png/encode.h"
#include "png/load_win.h"
#include "png/place.h"
#include "png/settings.h"

namespace qv::png {

namespace {

static_assert(host::status(kNoMemory) == host::kOutOfMemory);
// host::open_stream and host::write_file answer in this bridge's numbers.
static_assert(kCannotOpen == 1 && kBadStream == 2);

bool valid_mode(int32_t mode) { return mode >= kComposite && mode <= kAlphaGrey; }

// The bytes a variable holds, by the byte-count rule.
MemorySource variable_bytes(const host::PVAL& var, int32_t count) {
    return MemorySource(host::ptr<const uint8_t>(var.data), host::counted_bytes(var, count));
}

int32_t load_file(host::BMSCR* screen, const char* path, int32_t mode, int64_t offset) {
    if (!valid_mode(mode)) return host::kErrRange;
    host::File file;
    uint64_t left = 0;
    if (int32_t status = host::open_stream(path, offset, file, left)) return host::status(status);
    FileSource source(file.get(), left);
    return load_into(*screen, source, position_inside(host::screen_view(*screen)), mode);
}

int32_t size_of(host::PVAL* var, Source& source) {
    host::store_size(var, 0, 0);
    Header h;
    const int32_t status = probe_png(source, h);
    if (status == kDone || status == kTooLarge) host::store_size(var, int32_t(h.width), int32_t(h.height));
    return host::status(status);
}

int32_t size_file(host::PVAL* var, const char* path, int64_t offset) {
    if (var->type != host::kInteger) return host::kWrongKind;
    host::store_size(var, 0, 0);
    host::File file;
    uint64_t left = 0;
    if (int32_t status = host::open_stream(path, offset, file, left)) return host::status(status);
    FileSource source(file.get(), left);
    return size_of(var, source);
}

}  // namespace

int32_t load_into(host::BMSCR& record, Source& source, Point at, int32_t mode) {
    const Screen screen = host::screen_view(record);
    Picture picture;
    if (int32_t status = decode_png(source, picture)) return host::status(status);
    if (!fits(picture, screen, mode)) return host::kWrongKind;
    if (screen.width <= 0 || screen.height <= 0 || !screen.pixels) return 0;  // no room: nothing lands
    host::Buffer<uint8_t> row = row_buffer(picture, screen, at.x);
    if (!row) return host::kOutOfMemory;
    if (screen.palette_mode()) {
        uint8_t colours[768];
        for (int i = 0; i < 256; ++i) std::copy_n(picture.palette[i], 3, colours + 3 * i);
        if (!host::InstallPalette(record, 256, colours)) return host::status(kNoPalette);
    }
    place_png(picture, host::screen_view(record), at.x, at.y, mode, row.get());
    return 0;
}

int32_t PngLoad(host::BMSCR* screen, const char* path, int32_t mode, int32_t offset) {
    return load_file(screen, path, mode, offset);
}

int32_t PngSize(host::PVAL* var, const char* path, int32_t offset, int32_t) { return size_file(var, path, offset); }

int32_t PngLoadMem(host::BMSCR* screen, host::PVAL* bytes, int32_t mode, int32_t count) {
    if (!valid_mode(mode)) return host::kErrRange;
    MemorySource source = variable_bytes(*bytes, count);
    return load_into(*screen, source, position_inside(host::screen_view(*screen)), mode);
}

int32_t PngSizeMem(host::PVAL* var, host::PVAL* bytes, int32_t count, int32_t) {
    if (var->type != host::kInteger) return host::kWrongKind;
    MemorySource source = variable_bytes(*bytes, count);
    return size_of(var, source);
}

int32_t PngLoadDpm(host::BMSCR* screen, const char* name, int32_t mode, char* locator) {
    if (!valid_mode(mode)) return host::kErrRange;
    archive::open(locator);
    const archive::Entry entry = archive::find(name);
    if (entry.offset < 0) return host::status(kCannotOpen);
    return load_file(screen, entry.path, mode, entry.offset);
}

int32_t PngSizeDpm(host::PVAL* var, const char* name, int32_t, char* locator) {
    if (var->type != host::kInteger) return host::kWrongKind;
    host::store_size(var, 0, 0);
    archive::open(locator);
    const archive::Entry entry = archive::find(name);
    if (entry.offset < 0) return host::status(kCannotOpen);
    return size_file(var, entry.path, entry.offset);
}

int32_t PngSave(host::BMSCR* record, const char* path, int32_t width, int32_t height) {
    const Screen screen = host::screen_view(*record);
    const Point o = position_inside(screen);
    cut_at_edges(screen, o, width, height);
    if (width <= 0 || height <= 0 || !screen.pixels) return host::status(kBadStream);
    Encoded png;
    if (!encode_png(screen, {o.x, o.y, width, height}, settings.encoder, png)) return host::kOutOfMemory;
    return host::status(host::write_file(path, png.bytes.get(), png.size));
}

int32_t PngParam(int32_t level, int32_t flags, int32_t, int32_t) {
    if (level < 0 || level > 9) return host::kErrRange;
    settings.encoder.level = level;
    settings.encoder.interlaced = (flags & 1) != 0;
    return 0;
}

}  // namespace qv::png

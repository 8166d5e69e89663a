// The PNG commands that take files, variables and archive entries, and the encoder's
// settings: thin adapters that check their arguments in order and call the bridge.
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "archive/entries.h"
#include "command_decls.h"
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

bool valid_mode(int32_t mode) { return mode >= kComposite && mode <= kAlphaGrey; }

// A file opened at a byte offset, closed on every path.
class OpenFile {
public:
    OpenFile(const char* path, int64_t offset) {
        struct stat st;
        // Some C libraries open a folder for reading; it is no picture.
        if (!path || stat(path, &st) != 0 || S_ISDIR(st.st_mode)) return;
        file_ = std::fopen(path, "rb");
        if (!file_) return;
        if (offset < 0 || offset > LONG_MAX || offset > int64_t(st.st_size) || std::fseek(file_, long(offset), SEEK_SET) != 0)
            return;
        left_ = uint64_t(st.st_size) - uint64_t(offset);
        seeked_ = true;
    }
    ~OpenFile() {
        if (file_) std::fclose(file_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    bool open() const { return file_ != nullptr; }
    bool seeked() const { return seeked_; }
    FileSource source() const { return FileSource(file_, left_); }

private:
    std::FILE* file_ = nullptr;
    uint64_t left_ = 0;
    bool seeked_ = false;
};

// The bytes a variable holds: `count` of them, or its whole first dimension when the count
// is 0 or more than that.
MemorySource variable_bytes(const host::PVAL& var, int32_t count) {
    const uint32_t room = host::first_dimension_room32(var);
    const uint32_t n = count > 0 && uint32_t(count) < room ? uint32_t(count) : room;
    return MemorySource(host::ptr<const uint8_t>(var.data), n);
}

int32_t load_file(host::BMSCR* screen, const char* path, int32_t mode, int64_t offset) {
    if (!valid_mode(mode)) return host::kErrRange;
    OpenFile file(path, offset);
    if (!file.open()) return host::status(kCannotOpen);
    if (!file.seeked()) return host::status(kBadStream);
    FileSource source = file.source();
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
    OpenFile file(path, offset);
    if (!file.open()) return host::status(kCannotOpen);
    if (!file.seeked()) return host::status(kBadStream);
    FileSource source = file.source();
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
    std::FILE* file = path ? std::fopen(path, "wb") : nullptr;
    if (!file) return host::status(kCannotOpen);
    const bool written = std::fwrite(png.bytes.get(), 1, png.size, file) == png.size;
    if (std::fclose(file) == 0 && written) return 0;
    std::remove(path);
    return host::status(kBadStream);
}

int32_t PngParam(int32_t level, int32_t flags, int32_t, int32_t) {
    if (level < 0 || level > 9) return host::kErrRange;
    settings.encoder.level = level;
    settings.encoder.interlaced = (flags & 1) != 0;
    return 0;
}

}  // namespace qv::png

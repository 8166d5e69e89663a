// The JPEG commands that take files and archive entries: thin adapters that check their
// arguments in order, build views of the host's records and call the bridge.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "command_decls.h"
#include "host/pointers.h"
#include "host/results.h"
#include "archive/entries.h"
#include "jpeg/comment.h"
#include "jpeg/decode.h"
#include "jpeg/encode.h"
#include "jpeg/exif.h"
#include "jpeg/file.h"
#include "jpeg/settings.h"

namespace qv::jpeg {

namespace {

// Sets data[0] and data[1] to 0, probes the stream, and on success stores its size there.
int32_t size_query(host::PVAL* var, const char* path, int64_t offset) {
    host::store_size(var, 0, 0);
    int32_t w = 0, h = 0;
    int32_t status = ProbeJpegFile(path, offset, w, h, settings.load);
    if (status == kDone) host::store_size(var, w, h);
    return host::status(status);
}

// A file's markers, read from where it is open.
class FileMarkers : public MarkerReader {
public:
    explicit FileMarkers(std::FILE* f) : f_(f) {}
    bool read(uint8_t* to, size_t n) override { return std::fread(to, 1, n, f_) == n; }
    bool skip(size_t n) override { return std::fseek(f_, long(n), SEEK_CUR) == 0; }

private:
    std::FILE* f_;
};

// Stores an orientation (kNotJpeg as 0) in data[0], as far as the variable reaches, and
// answers the query's status.
int32_t store_orientation(host::PVAL* var, int32_t orientation) {
    const Var v = host::var_view(*var);
    if (v.capacity >= 4) v.ints()[0] = orientation == kNotJpeg ? 0 : orientation;
    return orientation == kNotJpeg ? host::status(kBadStream) : 0;
}

int32_t orientation_query(host::PVAL* var, const char* path, int64_t offset) {
    File file;
    uint64_t size;
    switch (host::open_at(path, offset, file, size)) {
        case OpenResult::kCannotOpen: store_orientation(var, 0); return host::status(kCannotOpen);
        case OpenResult::kCannotSeek: return store_orientation(var, kNotJpeg);
        case OpenResult::kOpen: break;
    }
    FileMarkers markers(file.get());
    return store_orientation(var, jpeg_orientation(markers));
}

int32_t comment_query(host::PVAL* var, const char* path, int32_t kind, int64_t offset) {
    return ReadJpegComment(host::ptr<uint8_t>(var->data), host::first_dimension_room32(*var), path,
                           kind, offset);
}

}  // namespace

int32_t JpegLoad(host::BMSCR* screen, const char* path, int32_t flags, int32_t offset) {
    if (screen->palette_mode) return host::kWrongKind;
    JpegTarget target = SetJpegTarget(host::screen_view(*screen));
    return host::status(DecodeJpegFile(path, flags, offset, target, settings.load));
}

int32_t JpegSize(host::PVAL* var, const char* path, int32_t offset, int32_t) {
    if (var->type != host::kInteger) return host::kWrongKind;
    return size_query(var, path, offset);
}

int32_t JpegSave(host::BMSCR* screen, const char* path, int32_t width, int32_t height) {
    if (screen->palette_mode) return host::kWrongKind;
    // The pending comment's bytes as its variable holds them now, never past its storage; a
    // variable that is no longer a string one gives no comment.
    EncoderSettings& e = settings.encoder;
    const host::PVAL* var = settings.comment.var;
    e.comment = var ? host::ptr<const uint8_t>(var->data) : nullptr;
    e.comment_length = var && var->type == host::kString
                           ? std::min(settings.comment.length, host::first_dimension_room32(*var))
                           : 0;
    const int32_t status = encode_region(host::screen_view(*screen), path, width, height, e);
    if (!e.comment) settings.comment = {};  // written: the comment was for this save alone
    e.comment = nullptr;
    e.comment_length = 0;
    return host::status(status);
}

int32_t JpegComment(host::PVAL* var, int32_t max_length, int32_t clear, int32_t) {
    if (clear) {
        settings.comment = {};
        return 0;
    }
    if (var->type != host::kString) return -1;
    uint8_t* data = host::ptr<uint8_t>(var->data);
    uint32_t size = host::first_dimension_room32(*var);
    if (size == 0) {
        // No storage to read a text from: the comment is empty.
        settings.comment = {var, 0};
        return 0;
    }
    data[size - 1] = 0;
    uint32_t length = 0;
    while (length < size && data[length] != 0 && data[length] != 0x1A) ++length;
    if (max_length > 0 && length > uint32_t(max_length)) length = uint32_t(max_length);
    constexpr uint32_t kMaxComment = 65531;  // a marker's length field holds 65533 at most
    if (length > kMaxComment) {
        length = kMaxComment;
        data[kMaxComment] = 0;
    }
    settings.comment = {var, length};
    return 0;
}

int32_t JpegOrient(host::PVAL* var, const char* path, int32_t offset, int32_t) {
    if (var->type != host::kInteger) return host::kWrongKind;
    return orientation_query(var, path, offset);
}

int32_t JpegOrientMem(host::PVAL* var, host::PVAL* bytes, int32_t count, int32_t) {
    if (var->type != host::kInteger) return host::kWrongKind;
    // Read before anything is stored: the variable may be the bytes themselves.
    return store_orientation(var, jpeg_orientation(host::ptr<const uint8_t>(bytes->data), host::counted_bytes(*bytes, count)));
}

int32_t JpegOrientDpm(host::PVAL* var, const char* name, int32_t, char* locator) {
    if (var->type != host::kInteger) return host::kWrongKind;
    archive::open(locator);
    const archive::Entry entry = archive::find(name);
    if (entry.offset < 0) {
        store_orientation(var, 0);
        return -1;
    }
    return orientation_query(var, entry.path, entry.offset);
}

int32_t GetJpegComment(host::PVAL* var, const char* path, int32_t kind, int32_t offset) {
    if (var->type != host::kString) return host::kErrRange;
    return comment_query(var, path, kind, offset);
}

int32_t JpegLoadDpm(host::BMSCR* screen, const char* name, int32_t flags, char* locator) {
    if (screen->palette_mode) return host::kWrongKind;
    archive::open(locator);
    JpegTarget target = SetJpegTarget(host::screen_view(*screen));
    const archive::Entry entry = archive::find(name);
    if (entry.offset < 0) return -1;
    return host::status(DecodeJpegFile(entry.path, flags, entry.offset, target, settings.load));
}

int32_t JpegSizeDpm(host::PVAL* var, const char* name, int32_t, char* locator) {
    if (var->type != host::kInteger) return host::kWrongKind;
    archive::open(locator);
    host::store_size(var, 0, 0);
    const archive::Entry entry = archive::find(name);
    if (entry.offset < 0) return -1;
    return size_query(var, entry.path, entry.offset);
}

int32_t GetJpegCommentDpm(host::PVAL* var, const char* name, int32_t kind, char* locator) {
    archive::open(locator);
    if (var->type != host::kString) return host::kErrRange;
    const archive::Entry entry = archive::find(name);
    if (entry.offset < 0) return -1;
    return comment_query(var, entry.path, kind, entry.offset);
}

}  // namespace qv::jpeg

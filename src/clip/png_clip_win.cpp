// The picture clipboard commands of current programs: a screen put as "PNG" beside a DIB,
// and a picture taken as "PNG", as a 32-bit bitmap with its alpha, or as any bitmap
// GetClipDib reads.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "clip/clipboard_win.h"
#include "clip/dib.h"
#include "command_decls.h"
#include "host/pointers.h"
#include "host/refresh_win.h"
#include "host/results.h"
#include "png/dib32.h"
#include "png/encode.h"
#include "png/load_win.h"
#include "png/place.h"
#include "png/settings.h"

namespace qv::clip {

namespace {

constexpr int32_t kCannotRead = -1;       // the clipboard cannot be opened or its block locked
constexpr int32_t kNoPicture = -6;        // no "PNG", CF_DIBV5 or CF_DIB block (or an empty one)
constexpr int32_t kBitmapNotRead = -7;    // a bitmap of a form GetClipDib does not read either
constexpr int32_t kNoPixels = -3;         // Png2Clip: a screen without pixels

UINT png_format() { return RegisterClipboardFormatA("PNG"); }

// The result for a block that is there but cannot be read (0 when it can, or is not there).
int32_t unreadable(const CopiedBlock& block) {
    if (block.status() == CopiedBlock::kNoCopy) return host::kOutOfMemory;
    return block.status() == -1 || block.status() == -4 ? kCannotRead : 0;
}

// A bitmap from `block` (a checked one in `dib`, or `status` for why not): one of 32 bits is
// placed as a decoded PNG is; any other as GetClipDib places it (the mode is for alpha,
// which it has none of).
int32_t place_bitmap(host::BMSCR& record, const Dib& dib, DibStatus status, Point at, int32_t mode) {
    if (status == kDibTooLarge) return host::status(png::kTooLarge);
    if (status == kFullColourDib) return host::kWrongKind;
    if (status) return kBitmapNotRead;
    const Screen s = host::screen_view(record);
    if (dib.bits == 32) {
        png::Picture picture;
        if (png::picture_from_dib32(dib, picture)) return host::kOutOfMemory;
        if (!png::fits(picture, s, mode)) return host::kWrongKind;
        host::Buffer<uint8_t> row = png::row_buffer(picture, s, at.x);
        if (!row) return host::kOutOfMemory;
        png::place_png(picture, s, at.x, at.y, mode, row.get());
        return 0;
    }
    if (mode == png::kAlphaGrey) {
        if (s.palette_mode()) return host::kWrongKind;
        // Every pixel of a bitmap without alpha is opaque: its mask is white.
        for (int32_t y = at.y; y < s.height && y - at.y < dib.height; ++y)
            std::memset(s.at(at.x, y), 255, size_t(std::min(dib.width, s.width - at.x)) * 3);
        return 0;
    }
    return take_dib(record, dib, at, nullptr) ? 0 : host::status(png::kNoPalette);
}

}  // namespace

int32_t GetClipPng(host::BMSCR* screen, int32_t x, int32_t y, int32_t mode) {
    if (mode < png::kComposite || mode > png::kAlphaGrey) return host::kErrRange;
    const Screen s = host::screen_view(*screen);
    const Point at = inside_or_zero(s, x, y);
    GdiFlush();
    // Each block is copied and the clipboard closed before the picture is read.
    {
        const CopiedBlock block(png_format());
        if (int32_t r = unreadable(block)) return r;
        if (block.status() == 0) {
            png::MemorySource source(block.data(), block.size());
            return png::load_into(*screen, source, at, mode);
        }
    }
    // A CF_DIBV5 of other than 32 bits is left for the CF_DIB (the system makes each of the
    // other); one whose header cannot be read is not.
    for (UINT format : {UINT(CF_DIBV5), UINT(CF_DIB)}) {
        const CopiedBlock block(format);
        if (int32_t r = unreadable(block)) return r;
        if (block.status() != 0) continue;
        Dib dib;
        const DibStatus status = check_dib(block.data(), block.size(), s.palette_mode(), dib, DibForms::kWithAlpha);
        if (format == CF_DIBV5 && dib.bits != 32 && dib.bits != 0) continue;
        return place_bitmap(*screen, dib, status, at, mode);
    }
    return kNoPicture;
}

int32_t Png2Clip(host::BMSCR* screen, int32_t, int32_t, int32_t) {
    const Screen s = host::screen_view(*screen);
    if (s.width <= 0 || s.height <= 0 || !s.pixels) return kNoPixels;
    png::Encoded encoded;
    GdiFlush();
    if (!png::encode_png(s, {0, 0, s.width, s.height}, png::settings.encoder, encoded)) return -1;
    Block png(encoded.size), dib(screen_dib_size(s));
    {
        Locked to_png(png.get()), to_dib(dib.get());
        if (!to_png.data() || !to_dib.data()) return -1;
        std::memcpy(to_png.data(), encoded.bytes.get(), encoded.size);
        write_screen_dib(*screen, s, to_dib.data());
    }
    return publish({{png_format(), png}, {CF_DIB, dib}});
}

}  // namespace qv::clip

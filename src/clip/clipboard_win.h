// The clipboard as the commands hold it: opened without an owner and closed, each block
// locked and unlocked, and a new block freed unless the clipboard took it, on every path.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>

#include "clip/dib.h"
#include "host/memory.h"
#include "host/records.h"
#include "host/views.h"

namespace qv::clip {

class OpenClipboardHolder {
public:
    OpenClipboardHolder() : open_(OpenClipboard(nullptr) != 0) {}
    ~OpenClipboardHolder() {
        if (open_) CloseClipboard();
    }
    OpenClipboardHolder(const OpenClipboardHolder&) = delete;
    OpenClipboardHolder& operator=(const OpenClipboardHolder&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_;
};

class Locked {
public:
    explicit Locked(HGLOBAL block) : block_(block), data_(block ? static_cast<uint8_t*>(GlobalLock(block)) : nullptr) {}
    ~Locked() {
        if (data_) GlobalUnlock(block_);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    uint8_t* data() const { return data_; }

private:
    HGLOBAL block_;
    uint8_t* data_;
};

// The clipboard opened and its block of one format locked, as the reading commands take it.
// Status: 0; -1 the clipboard cannot be opened; -2 no such block; -3 an empty block; -4 the
// block cannot be locked. It is unlocked, then the clipboard closed, on every path.
class ReadBlock {
public:
    explicit ReadBlock(UINT format) : status_(fetch(format)) {}
    int32_t status() const { return status_; }
    const uint8_t* data() const { return locked_->data(); }
    size_t size() const { return size_; }

private:
    int32_t fetch(UINT format) {
        if (!open_) return -1;
        HGLOBAL h = GetClipboardData(format);
        if (!h) return -2;
        size_ = GlobalSize(h);
        if (size_ == 0) return -3;
        locked_.emplace(h);
        return locked_->data() ? 0 : -4;
    }
    OpenClipboardHolder open_;  // first: closed after the block is unlocked
    std::optional<Locked> locked_;
    size_t size_ = 0;
    int32_t status_;
};

// The block of one format copied out of the clipboard, which is closed again before the copy
// is read: a picture is decoded without keeping other programs from the clipboard meanwhile.
// Status as ReadBlock's, or kNoCopy when memory for the copy is refused.
class CopiedBlock {
public:
    static constexpr int32_t kNoCopy = -5;
    explicit CopiedBlock(UINT format) {
        const ReadBlock block(format);
        status_ = block.status();
        if (status_) return;
        bytes_ = host::allocate<uint8_t>(block.size());
        if (!bytes_) {
            status_ = kNoCopy;
            return;
        }
        std::memcpy(bytes_.get(), block.data(), block.size());
        size_ = block.size();
    }
    int32_t status() const { return status_; }
    const uint8_t* data() const { return bytes_.get(); }
    size_t size() const { return size_; }

private:
    host::Buffer<uint8_t> bytes_;
    size_t size_ = 0;
    int32_t status_;
};

// A movable block that belongs to the command until the clipboard takes it.
class Block {
public:
    explicit Block(size_t size) : h_(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size)) {}
    ~Block() {
        if (h_) GlobalFree(h_);
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    HGLOBAL get() const { return h_; }
    void handed_on() { h_ = nullptr; }

private:
    HGLOBAL h_;
};

// One form of a picture or text for the clipboard: its format and its filled block.
struct Form {
    UINT format;
    Block& block;
};

// Publishes every form, the clipboard emptied first, or none: -2 when the clipboard cannot
// be opened, emptied or set, which leaves it empty (never one form without another). A block
// the clipboard did not take is freed by its holder.
inline int32_t publish(std::initializer_list<Form> forms) {
    OpenClipboardHolder open;
    if (!open || !EmptyClipboard()) return -2;
    for (const Form& f : forms) {
        if (!f.format || !SetClipboardData(f.format, f.block.get())) {
            EmptyClipboard();
            return -2;
        }
        f.block.handed_on();
    }
    return 0;
}

// Takes a checked DIB of 1 to 24 bits into the screen at `at` (inside it). A palette screen's
// palette is installed first (its colours copied into `palette` too, when given): false when
// the system refuses it, the screen left as it was.
bool take_dib(host::BMSCR& screen, const Dib& dib, Point at, char* palette);

// A screen as a packed DIB (header, the palette screen's colour table, the pixels as GDI last
// drew them, 4 bytes of zeros): its size, and the bytes written at `to`.
size_t screen_dib_size(const Screen& s);
void write_screen_dib(const host::BMSCR& screen, const Screen& s, uint8_t* to);

}  // namespace qv::clip

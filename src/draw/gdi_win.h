// Small holders that give GDI objects back on every path out of a command: an object
// deleted when its holder goes (unless handed on), and an object selected into a device
// context for as long as its holder lives.
#pragma once

#include <windows.h>

namespace qv::draw {

template <class H>
class GdiObject {
public:
    explicit GdiObject(H h = nullptr) noexcept : h_(h) {}
    ~GdiObject() {
        if (h_) DeleteObject(h_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    H get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    // Hands the object on (to SetWindowRgn, which owns it from then on).
    H release() noexcept {
        H h = h_;
        h_ = nullptr;
        return h;
    }

private:
    H h_;
};

using Region = GdiObject<HRGN>;

class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~Selected() {
        if (old_) SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace qv::draw

// The rotation against the formula pixel by pixel: every angle class, both pixel sizes, with
// and without a key, rows with and without padding, and extents that reach the source's last
// byte, which a page that cannot be read follows (the sanitizer would not see a read past it
// by the AVX2 gathers); in the SSE2 and AVX2 copies.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <vector>

#include "compose/geometry.h"
#include "effects_reference.h"
#include "host/sine_table.h"
#include "simd/wide.h"

namespace qv {
namespace {

Screen screen_of(int32_t w, int32_t h, int32_t bpp) {
    Screen s;
    s.width = w;
    s.height = h;
    s.bpp = bpp;
    return s;
}

void fill(uint8_t* p, size_t n, uint32_t seed) {
    for (size_t i = 0; i < n; ++i) p[i] = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
}

// A screen whose bytes end where a page that cannot be read begins.
struct BeforeGuardPage {
    static constexpr size_t kPage = 4096;
    Screen view;
    size_t mapped;
    uint8_t* base;
    BeforeGuardPage(int32_t w, int32_t h, int32_t bpp) : view(screen_of(w, h, bpp)) {
        mapped = (view.size_bytes() + kPage - 1) / kPage * kPage + kPage;
#ifdef _WIN32
        base = static_cast<uint8_t*>(VirtualAlloc(nullptr, mapped, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD was;
        VirtualProtect(base + mapped - kPage, kPage, PAGE_NOACCESS, &was);
#else
        base = static_cast<uint8_t*>(mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base + mapped - kPage, kPage, PROT_NONE);
#endif
        view.pixels = base + mapped - kPage - view.size_bytes();
    }
#ifdef _WIN32
    ~BeforeGuardPage() { VirtualFree(base, 0, MEM_RELEASE); }
#else
    ~BeforeGuardPage() { munmap(base, mapped); }
#endif
};

TEST(Rotation, EqualsTheFormula) {
    host::sine_table();
    const struct {
        int32_t w, h, sx, sy;  // screen size; the source extent starts at (sx, sy)
    } shapes[] = {{64, 48, 0, 0}, {61, 47, 0, 0}, {64, 48, 5, 3}};
    for (const bool wide : {false, true})
        for (const int32_t bpp : {3, 1})
            for (const auto& sh : shapes)
                for (const int32_t key : {-1, 77})
                    for (const int32_t shift : {-3, 3})
                        for (const int32_t angle :
                             {-30, 0, 7, 30, 45, 60, 90, 123, 180, 200, 233, 270, 300, 359, 405}) {
                            simd::allow_wide(wide);
                            BeforeGuardPage src(sh.w, sh.h, bpp);
                            fill(src.view.pixels, src.view.size_bytes(), uint32_t(angle + 500));
                            // Keyed pixels along diagonals, so the key is met inside the runs.
                            for (int32_t y = 0; y < sh.h; ++y)
                                for (int32_t x = y % 5; x < sh.w; x += 5)
                                    std::fill_n(src.view.at(x, y), bpp, uint8_t(77));
                            Screen lib = screen_of(sh.w, sh.h, bpp), ref = lib;
                            std::vector<uint8_t> lib_bytes(lib.size_bytes()), ref_bytes(lib.size_bytes());
                            fill(lib_bytes.data(), lib_bytes.size(), 9);
                            ref_bytes = lib_bytes;
                            lib.pixels = lib_bytes.data();
                            ref.pixels = ref_bytes.data();
                            compose::Rotation r;
                            r.centre_x = sh.w / 2 + shift;  // past the middle, the far corner is read
                            r.centre_y = sh.h / 2 - shift;
                            r.key = key;
                            compose::rotate(lib, {0, 0}, sh.w, sh.h, src.view, {sh.sx, sh.sy}, sh.w - sh.sx,
                                            sh.h - sh.sy, angle, r);
                            reference::rotation(ref, 0, 0, sh.w, sh.h, src.view, sh.sx, sh.sy, angle, r.centre_x,
                                                r.centre_y, 1, 32, key);
                            ASSERT_EQ(lib_bytes, ref_bytes)
                                << "angle " << angle << " bpp " << bpp << " key " << key << " wide " << wide
                                << " screen " << sh.w << "x" << sh.h << " from " << sh.sx << " centre shift " << shift;
                        }
    simd::allow_wide(true);
}

}  // namespace
}  // namespace qv

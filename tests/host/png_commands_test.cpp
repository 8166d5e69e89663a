// The PNG commands through the DLL's exports: every source against what PngSave wrote, the
// transparency modes, the refusals with the screen left as it was, and the clipboard from
// this process and from a program on the X side.
#include <libdeflate.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "png_files.h"

namespace qv::test {
namespace {

using Bytes = std::string;

using testing::png_file;
using testing::put_be32;

// A small PNG of the given form: `rows` holds each row's samples (filter None is added).
Bytes make_png(uint32_t w, uint32_t h, int depth, int colour, const std::vector<Bytes>& rows, const Bytes& plte = {},
               const Bytes& trns = {}) {
    Bytes raw;
    for (const Bytes& r : rows) raw += '\0' + r;
    std::vector<testing::PngChunk> chunks = {testing::png_header(w, h, depth, colour)};
    if (!plte.empty()) chunks.push_back({"PLTE", plte});
    if (!trns.empty()) chunks.push_back({"tRNS", trns});
    chunks.push_back({"IDAT", testing::zlib_of(raw)});
    chunks.push_back({"IEND", ""});
    return png_file(chunks);
}

HostVar var_with(const Bytes& bytes) {
    HostVar v = HostVar::text(uint32_t(bytes.size()) + 8);
    std::memcpy(v.data(), bytes.data(), bytes.size());
    return v;
}

// The bytes of `s` outside the w x h area at (x, y) are those of `before`.
bool untouched_outside(const HostScreen& s, const std::vector<uint8_t>& before, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int n = s.palette_mode() ? 1 : 3;
    for (int32_t row = 0; row < s.height(); ++row)
        for (int32_t col = 0; col < s.width(); ++col) {
            if (col >= x && col < x + w && row >= y && row < y + h) continue;
            const size_t at = size_t(s.at(col, row) - s.bits());
            if (std::memcmp(s.at(col, row), &before[at], size_t(n))) return false;
        }
    return true;
}

bool same_area(const HostScreen& a, const HostScreen& b, int32_t ax, int32_t ay, int32_t bx, int32_t by, int32_t w, int32_t h) {
    const int n = a.palette_mode() ? 1 : 3;
    for (int32_t y = 0; y < h; ++y)
        if (std::memcmp(a.at(ax, ay + y), b.at(bx, by + y), size_t(w) * n)) return false;
    return true;
}

// PngSave's picture read back by each loader, at the loaded screen's position and cut at its
// edges: full colour and palette (which takes the saved colours), interlaced or not.
TEST(PngCommands, EveryLoaderGivesBackWhatPngSaveWrote) {
    reload_library();  // the pack archive is process-wide: this test's is opened in a fresh library
    TempDir dir;
    const std::string saved = dir.file("saved.png"), prefixed = dir.file("prefixed.bin"), archive = dir.file("pics.dpm");
    for (bool palette : {false, true})
        for (int32_t flags : {0, 1}) {
            HostScreen from(50, 40, palette);
            from.fill_pattern(uint32_t(7 + flags));
            from.set_cursor(5, 4);
            ASSERT_EQ(call("PngParam", flags ? 9 : 0, flags), 0);  // stored and strongest
            ASSERT_EQ(call("PngSave", from.record(), saved.c_str(), 40, 1000), 0);  // cut to 40 x 36
            const Bytes png = read_file(saved);
            ASSERT_TRUE(write_file(prefixed, Bytes(123, 'x') + png));
            ASSERT_TRUE(write_file(archive, archive_of({{"a.png", png}})));
            HostVar bytes = var_with(png + "trailing bytes");
            const std::string locator = archive + ",0";
            for (int source = 0; source < 4; ++source) {
                HostScreen to(30, 30, palette);
                to.fill_pattern(99);
                to.set_cursor(10, 3);
                const std::vector<uint8_t> before = to.bytes();
                std::vector<char> loc(locator.begin(), locator.end());
                loc.push_back(0);
                int32_t r = 0;
                switch (source) {
                    case 0: r = call("PngLoad", to.record(), saved.c_str(), 1, 0); break;
                    case 1: r = call("PngLoad", to.record(), prefixed.c_str(), 1, 123); break;
                    case 2: r = call("PngLoadMem", to.record(), bytes.record(), 1, int32_t(png.size())); break;
                    default: r = call("PngLoadDpm", to.record(), "A.PNG", 1, loc.data()); break;
                }
                ASSERT_EQ(r, 0) << "source " << source;
                GdiFlush();
                EXPECT_TRUE(same_area(to, from, 10, 3, 5, 4, 20, 27)) << "palette " << palette << " source " << source;
                EXPECT_TRUE(untouched_outside(to, before, 10, 3, 20, 27));
                if (palette) {
                    EXPECT_EQ(0, std::memcmp(to.view().palette, from.view().palette, 1024));
                }
            }
            // Each size query on a variable that holds something else before it.
            std::vector<char> loc(locator.begin(), locator.end());
            loc.push_back(0);
            for (int query = 0; query < 3; ++query) {
                HostVar size = HostVar::ints(2);
                size.ints()[0] = size.ints()[1] = -9;
                const int32_t r = query == 0   ? call("PngSize", size.record(), prefixed.c_str(), 123)
                                  : query == 1 ? call("PngSizeMem", size.record(), bytes.record(), 0)
                                               : call("PngSizeDpm", size.record(), "a.png", 0, loc.data());
                EXPECT_EQ(r, 0) << "query " << query;
                EXPECT_EQ(size.ints()[0], 40) << "query " << query;
                EXPECT_EQ(size.ints()[1], 36) << "query " << query;
            }
        }
    ASSERT_EQ(call("PngParam", 6, 0), 0);
    reload_library();
}

// One RGBA row with alphas 0, 1, 64, 127, 128, 255 (red 250, green 3, the blues below) over
// a screen of blue 90, green 200, red 10, in each mode (alpha 1 over blue 90 with blue 217
// lands where rounding half down and half up part); a palette picture with tRNS into a
// palette screen, whose colours past the picture's become black; and what a palette screen
// refuses.
TEST(PngCommands, TransparencyModes) {
    const uint8_t alphas[6] = {0, 1, 64, 127, 128, 255}, blues[6] = {0, 217, 80, 120, 160, 200};
    // Mode 0 by hand: (a x picture + (255 - a) x screen + 127) / 255 in each channel.
    const Bgr composite[6] = {{90, 200, 10}, {90, 199, 11}, {87, 151, 70}, {105, 102, 130}, {125, 101, 130}, {200, 3, 250}};
    Bytes row;
    for (int i = 0; i < 6; ++i) row += {char(250), char(3), char(blues[i]), char(alphas[i])};
    HostVar rgba = var_with(make_png(6, 1, 8, 6, {row}));
    for (int32_t mode = 0; mode <= 3; ++mode) {
        HostScreen s(8, 2, false);
        s.fill({90, 200, 10});
        s.set_cursor(2, 1);
        ASSERT_EQ(call("PngLoadMem", s.record(), rgba.record(), mode, 0), 0);
        GdiFlush();
        for (int i = 0; i < 6; ++i) {
            const uint32_t a = alphas[i];
            const Bgr got = s.pixel(2 + i, 1);
            Bgr want{blues[i], 3, 250};
            if (mode == 0) want = composite[i];
            if (mode == 2 && a < 128) want = {90, 200, 10};
            if (mode == 3) want = {uint8_t(a), uint8_t(a), uint8_t(a)};
            EXPECT_EQ(got, want) << "mode " << mode << ", alpha " << a;
        }
        EXPECT_EQ(s.pixel(1, 1), (Bgr{90, 200, 10}));
    }
    // Palette entries 0-3 with alphas 0, 80, 160, 240: indexes 0, 1, 2, 3.
    HostVar indexed = var_with(make_png(4, 1, 2, 3, {Bytes(1, char(0x1B))}, Bytes(12, char(100)), Bytes{0, 80, char(160), char(240)}));
    for (int32_t mode : {0, 1, 2}) {
        HostScreen s(4, 1, true);
        std::memset(s.at(0, 0), 9, 4);
        RGBQUAD table[256];
        for (RGBQUAD& q : table) q = {77, 77, 77, 0};
        SetDIBColorTable(s.hdc(), 0, 256, table);
        std::memcpy(s.view().palette, table, sizeof table);
        ASSERT_EQ(call("PngLoadMem", s.record(), indexed.record(), mode, 0), 0);
        const uint8_t* got = s.at(0, 0);
        const Bytes want = mode == 1 ? Bytes{0, 1, 2, 3} : Bytes{9, 9, 2, 3};
        EXPECT_EQ(Bytes(got, got + 4), want) << mode;
        ASSERT_EQ(GetDIBColorTable(s.hdc(), 0, 256, table), 256u);
        EXPECT_EQ(table[3].rgbRed, 100);  // the picture's colours installed
        for (int i = 4; i < 256; ++i)
            ASSERT_TRUE(!table[i].rgbRed && !table[i].rgbGreen && !table[i].rgbBlue) << "entry " << i << ", mode " << mode;
    }
    HostScreen p(4, 1, true);
    const std::vector<uint8_t> before = p.bytes();
    EXPECT_EQ(call("PngLoadMem", p.record(), indexed.record(), 3, 0), -255);
    EXPECT_EQ(call("PngLoadMem", p.record(), rgba.record(), 1, 0), -255);
    EXPECT_EQ(p.bytes(), before);
}

// Each refusal gives its listed result and leaves the screen (and the size) as it was.
TEST(PngCommands, RefusalsLeaveTheScreenAsItWas) {
    TempDir dir;
    const Bytes good = make_png(3, 2, 8, 2, {Bytes(9, 'a'), Bytes(9, 'b')});
    Bytes bad_crc = good, huge = good, wide = good, samples = good, lying = good, cut = good.substr(0, good.size() - 20);
    bad_crc[good.size() - 13] ^= 1;  // the IDAT's CRC, before IEND's 12 bytes
    auto set_header = [](Bytes& png, uint32_t w, uint32_t h, char colour = 2) {
        Bytes ihdr;
        put_be32(ihdr, w);
        put_be32(ihdr, h);
        png.replace(16, 8, ihdr);
        png[25] = colour;
        Bytes crc;
        put_be32(crc, libdeflate_crc32(0, png.data() + 12, 17));
        png.replace(29, 4, crc);
    };
    set_header(huge, 1000001, 1);
    set_header(wide, 0x80000000u, 2);
    set_header(samples, 100000, 10000, 6);
    set_header(lying, 10000, 10000);
    struct Case {
        const char* what;
        Bytes file;
        int32_t mode, offset, want, width;
    } cases[] = {
        {"a good picture", good, 1, 0, 0, 3},
        {"an offset past the end", good, 1, 1000, -2, 0},
        {"a negative offset", good, 1, -1, -2, 0},
        {"a bad CRC in IDAT", bad_crc, 1, 0, -2, 3},
        {"image data cut short", cut, 1, 0, -2, 3},
        {"a side above 1000000", huge, 1, 0, -3, 1000001},
        {"a side of 2^31", wide, 1, 0, -2, 0},
        {"100000 x 10000 RGBA, 4 GB of samples", samples, 1, 0, -3, 100000},
        {"a header promising more than its data holds", lying, 1, 0, -2, 10000},
        {"not a PNG", "GIF89a and so on", 1, 0, -2, 0},
        {"mode 4", good, 4, 0, 3, 3},
        {"mode -1", good, -1, 0, 3, 3},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("case.png");
        ASSERT_TRUE(write_file(path, c.file));
        HostScreen s(6, 6, false);
        s.fill_pattern(3);
        const std::vector<uint8_t> before = s.bytes();
        EXPECT_EQ(call("PngLoad", s.record(), path.c_str(), c.mode, c.offset), c.want) << c.what;
        HostVar bytes = var_with(c.file);
        if (c.offset == 0) {
            EXPECT_EQ(call("PngLoadMem", s.record(), bytes.record(), c.mode, int32_t(c.file.size())), c.want) << c.what;
        }
        if (c.want != 0) {
            EXPECT_EQ(s.bytes(), before) << c.what;
        }
        if (c.mode != 1) continue;
        // The size query answers too large exactly when the loaders do, with the size.
        HostVar size = HostVar::ints(2);
        const int32_t probe = call("PngSize", size.record(), path.c_str(), c.offset);
        EXPECT_EQ(probe == -3, c.want == -3) << c.what;
        EXPECT_EQ(size.ints()[0], probe == 0 || probe == -3 ? c.width : 0) << c.what;
    }
    HostScreen s(6, 6, false);
    HostVar size = HostVar::ints(2), text = HostVar::text(16);
    EXPECT_EQ(call("PngLoad", s.record(), dir.file("missing.png").c_str(), 0, 0), -1);
    EXPECT_EQ(call("PngSize", size.record(), dir.file("missing.png").c_str(), 0), -1);
    EXPECT_EQ(call("PngSize", text.record(), dir.file("case.png").c_str(), 0), -255);
    EXPECT_EQ(call("PngParam", 10, 0), 3);
    EXPECT_EQ(call("PngParam", -1, 0), 3);
    EXPECT_EQ(call("PngSave", s.record(), dir.file("none.png").c_str(), 0, 5), -2);
    EXPECT_EQ(GetFileAttributesA(dir.file("none.png").c_str()), INVALID_FILE_ATTRIBUTES) << "no file for an empty area";
    EXPECT_EQ(call("PngSave", s.record(), dir.file("no folder\\x.png").c_str(), 6, 6), -1);
}

void clear_clipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

void put_on_clipboard(UINT format, const Bytes& bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    ASSERT_NE(SetClipboardData(format, h), nullptr);
    CloseClipboard();
}

// Png2Clip puts "PNG" and a DIB (its content: clip_commands_test); GetClipPng takes "PNG", a
// 32-bit bitmap with its alpha, a 24-bit one, and a picture a program on the X side offers as
// image/png.
TEST(PngClipboard, PutsBothFormsAndTakesEveryForm) {
    const UINT png_format = RegisterClipboardFormatA("PNG");
    HostScreen from(20, 10, false);
    from.fill_pattern(5);
    ASSERT_EQ(call("Png2Clip", from.record()), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    const bool both = GetClipboardData(png_format) && GetClipboardData(CF_DIB);
    CloseClipboard();
    EXPECT_TRUE(both);
    HostScreen to(30, 12, false);
    to.fill({1, 2, 3});
    ASSERT_EQ(call("GetClipPng", to.record(), 5, 2, 1), 0);
    GdiFlush();
    EXPECT_TRUE(same_area(to, from, 5, 2, 0, 0, 20, 10));

    // 32-bit bitmaps of 2 x 2, one set of stored rows: top-down (a negative height) in a
    // CF_DIBV5 with bit fields, bottom-up in a plain CF_DIB, and bottom-up with every alpha
    // 0, which is no alpha (opaque). Mode 0: alpha 0 leaves the screen, 255 covers it.
    const Bytes stored = {10, 20, 30, 0, 40, 50, 60, char(255), 70, 80, 90, char(255), 100, 110, 120, 0};
    Bytes v5(124, '\0'), plain(40, '\0');
    auto le_at = [](Bytes& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
    le_at(v5, 0, 124), le_at(v5, 4, 2), le_at(v5, 8, uint32_t(-2)), le_at(v5, 12, 1 | 32 << 16), le_at(v5, 16, 3);
    le_at(v5, 40, 0xFF0000), le_at(v5, 44, 0xFF00), le_at(v5, 48, 0xFF), le_at(v5, 52, 0xFF000000u);
    le_at(plain, 0, 40), le_at(plain, 4, 2), le_at(plain, 8, 2), le_at(plain, 12, 1 | 32 << 16);
    Bytes no_alpha = stored;
    no_alpha[7] = no_alpha[11] = 0;
    const Bgr screen{1, 2, 3}, p00{10, 20, 30}, p01{40, 50, 60}, p10{70, 80, 90}, p11{100, 110, 120};
    struct Form {
        UINT format;
        Bytes block;
        Bgr top_left, top_right, bottom_left, bottom_right;
    } forms[] = {
        {CF_DIBV5, v5 + stored, screen, p01, p10, screen},
        {CF_DIB, plain + stored, p10, screen, screen, p01},
        {CF_DIB, plain + no_alpha, p10, p11, p00, p01},
    };
    for (const Form& f : forms) {
        put_on_clipboard(f.format, f.block);
        to.fill(screen);
        ASSERT_EQ(call("GetClipPng", to.record(), 0, 0, 0), 0);
        EXPECT_EQ(to.pixel(0, 0), f.top_left) << "form " << &f - forms;
        EXPECT_EQ(to.pixel(1, 0), f.top_right) << "form " << &f - forms;
        EXPECT_EQ(to.pixel(0, 1), f.bottom_left) << "form " << &f - forms;
        EXPECT_EQ(to.pixel(1, 1), f.bottom_right) << "form " << &f - forms;
    }

    // Masks in another order, and a block shorter than its bits: forms not read.
    le_at(v5, 40, 0xFF);
    put_on_clipboard(CF_DIBV5, v5 + Bytes(16, '\0'));
    EXPECT_EQ(call("GetClipPng", to.record(), 0, 0, 0), -7);
    le_at(v5, 40, 0xFF0000);
    put_on_clipboard(CF_DIBV5, v5 + Bytes(15, '\0'));
    EXPECT_EQ(call("GetClipPng", to.record(), 0, 0, 0), -7);

    // A 24-bit CF_DIB, 1 x 1, through GetClipDib's reading; mode 3 gives it an opaque mask.
    Bytes dib(40, '\0');
    const uint32_t head[4] = {40, 1, 1, 1 | 24 << 16};
    std::memcpy(dib.data(), head, 16);
    put_on_clipboard(CF_DIB, dib + Bytes{7, 8, 9, 0});
    ASSERT_EQ(call("GetClipPng", to.record(), 0, 0, 1), 0);
    EXPECT_EQ(to.pixel(0, 0), (Bgr{7, 8, 9}));
    ASSERT_EQ(call("GetClipPng", to.record(), 0, 0, 3), 0);
    EXPECT_EQ(to.pixel(0, 0), (Bgr{255, 255, 255}));

    clear_clipboard();
    EXPECT_EQ(call("GetClipPng", to.record(), 0, 0, 0), -6);
    EXPECT_EQ(call("GetClipPng", to.record(), 0, 0, 4), 3);

    // From the X side: xclip offers the picture as image/png until another owner takes it.
    const std::string exe = exe_folder();
    ASSERT_EQ(exe.rfind("Z:\\", 0), 0u) << "the tests run from Wine's Z: drive";
    std::string unix_path = exe.substr(2) + "png-from-x.png";
    for (char& c : unix_path) c = c == '\\' ? '/' : c;
    ASSERT_TRUE(write_file(exe + "png-from-x.png", make_png(2, 1, 8, 2, {Bytes{char(200), 100, 50, 1, 2, 3}})));
    run_process("start.exe /unix /usr/bin/xclip -selection clipboard -t image/png -i " + unix_path, 10000);
    int32_t r = -6;
    for (int tries = 0; tries < 100 && r == -6; ++tries, Sleep(50)) r = call("GetClipPng", to.record(), 0, 0, 1);
    EXPECT_EQ(r, 0) << "the picture xclip offers";
    EXPECT_EQ(to.pixel(0, 0), (Bgr{50, 100, 200}));
    EXPECT_EQ(to.pixel(1, 0), (Bgr{3, 2, 1}));
    clear_clipboard();  // xclip ends when it loses the selection
    DeleteFileA((exe + "png-from-x.png").c_str());
}

// Another thread opening and closing the clipboard while phase is 1, as another program
// would; it counts how often it could.
struct ClipboardProber {
    volatile LONG phase = 0;
    volatile LONG opened = 0;
};

DWORD WINAPI probe_clipboard(void* arg) {
    auto* p = static_cast<ClipboardProber*>(arg);
    // Opened for a window of its own, as another program opens it: Wine lets any thread
    // that opens it without a window take over a clipboard opened without one.
    HWND own = CreateWindowA("STATIC", "qv prober", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    while (p->phase == 0) Sleep(0);
    while (p->phase == 1) {
        if (OpenClipboard(own)) {
            CloseClipboard();
            InterlockedIncrement(&p->opened);
        }
        Sleep(1);
    }
    DestroyWindow(own);
    return 0;
}

// GetClipPng copies the picture and closes the clipboard before it decodes: other programs can
// open it meanwhile. (Held through the decode, at most the moments before the command opens it
// and after it closes it would be open to them.) When the other thread holds the clipboard
// just as the command opens it, the command says so and is tried again.
TEST(PngClipboard, OtherProgramsHaveTheClipboardWhileThePictureIsRead) {
    HostScreen big(3000, 2000, false), to(3000, 2000, false);
    big.fill_pattern(9);
    ASSERT_EQ(call("Png2Clip", big.record()), 0);
    LONG opened = 0;
    int32_t r = -1;
    for (int attempt = 0; attempt < 5 && r == -1; ++attempt) {
        ClipboardProber prober;
        HANDLE thread = CreateThread(nullptr, 0, probe_clipboard, &prober, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        prober.phase = 1;
        r = call("GetClipPng", to.record(), 0, 0, 1);
        prober.phase = 2;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        opened = prober.opened;
    }
    ASSERT_EQ(r, 0);
    EXPECT_GE(opened, 5) << "times another thread opened the clipboard while the picture was read";
    GdiFlush();
    EXPECT_TRUE(same_area(to, big, 0, 0, 0, 0, 3000, 2000));
    clear_clipboard();
}

}  // namespace
}  // namespace qv::test

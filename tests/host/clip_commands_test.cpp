// The clipboard and dropped-files commands through the DLL's exports: the real clipboard
// (emptied first in every test), real DIB blocks read back by the test's own reading, and
// real DROPFILES blocks posted to the window as the shell posts them.
#include <shlobj.h>  // before shellapi.h, for DROPFILES in mingw
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"

namespace qv::test {
namespace {

void clear_clipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

void put_on_clipboard(UINT format, const void* bytes, size_t size) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(h), bytes, size);
    GlobalUnlock(h);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    ASSERT_NE(SetClipboardData(format, h), nullptr);
    CloseClipboard();
}

std::vector<uint8_t> from_clipboard(UINT format) {
    std::vector<uint8_t> out;
    if (!OpenClipboard(nullptr)) return out;
    if (HGLOBAL h = GetClipboardData(format)) {
        const auto* p = static_cast<const uint8_t*>(GlobalLock(h));
        out.assign(p, p + GlobalSize(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
}

class Clipboard : public ::testing::Test {
protected:
    void SetUp() override { clear_clipboard(); }
    void TearDown() override { clear_clipboard(); }
};

TEST_F(Clipboard, TextRoundTripsWithinTheTextLimit) {
    HostVar ints = HostVar::ints(4), text = HostVar::text(64);
    EXPECT_EQ(call("GetClipTxt", ints.record()), -65535);
    EXPECT_EQ(call("Txt2Clip", ints.record()), -65535);
    EXPECT_EQ(call("GetClipTxt", text.record()), -2) << "no text";
    std::strcpy(text.chars(), "abcdef");
    ASSERT_EQ(call("Txt2Clip", text.record(), 3), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(from_clipboard(CF_TEXT).data())), "abc");
    // Reading: at most the text limit, a zero at the limit; what lies beyond stays.
    const std::string long_text(100, 'x');
    put_on_clipboard(CF_TEXT, long_text.c_str(), long_text.size() + 1);
    struct Case {
        HostVar var;
        size_t limit;
    } cases[] = {{HostVar::text(16), 15}, {HostVar::text(8, 3), 21}, {HostVar::text(400), 100}};
    cases[2].var.use_dims_record(5, 2);  // the dims record's sizes: (20 - 1) x 2
    cases[2].limit = 38;
    for (Case& c : cases) {
        std::memset(c.var.data(), '.', c.var.storage_bytes());
        ASSERT_EQ(call("GetClipTxt", c.var.record()), 0);
        const std::string got(c.var.chars(), c.var.storage_bytes());
        EXPECT_EQ(got.substr(0, c.limit), std::string(c.limit, 'x')) << c.limit;
        EXPECT_EQ(got[c.limit], '\0') << c.limit;
        if (c.limit + 1 < got.size()) {
            EXPECT_EQ(got[c.limit + 1], '.') << c.limit;
        }
    }
    // Text another program put there.
    TempDir dir;
    ASSERT_TRUE(write_file(dir.file("put.qv"), "var t str 32\nset t \"from another process\"\nTxt2Clip t\nexpect 0\n"));
    ASSERT_EQ(run_process("\"" + exe_folder() + "qvrun.exe\" \"" + dir.file("put.qv") + "\"").exit_code, 0);
    ASSERT_EQ(call("GetClipTxt", text.record()), 0);
    EXPECT_STREQ(text.chars(), "from another process");
}

// Png2Clip's DIB is Dib2Clip's. The block's last 4 bytes are zeros: the heap is first given a
// freed block of 0xEE of its size, which it is likely to hand out again.
TEST_F(Clipboard, ScreensGoOutAsTheirOwnHeaderTableAndBits) {
    for (bool palette : {false, true})
        for (const char* command : {"Dib2Clip", "Png2Clip"}) {
            HostScreen s(13, 7, palette);
            s.fill_pattern(4);
            const size_t table = palette ? 1024 : 0, size = 40 + table + s.size_bytes() + 4;
            HGLOBAL dirty = GlobalAlloc(GMEM_MOVEABLE, size);
            std::memset(GlobalLock(dirty), 0xEE, size);
            GlobalUnlock(dirty);
            GlobalFree(dirty);
            ASSERT_EQ(call(command, s.record()), 0) << command;
            const std::vector<uint8_t> block = from_clipboard(CF_DIB);
            ASSERT_GE(block.size(), size);
            EXPECT_EQ(std::vector<uint8_t>(block.begin() + long(size) - 4, block.begin() + long(size)), std::vector<uint8_t>(4, 0))
                << command << ": the last 4 bytes";
            EXPECT_EQ(std::memcmp(block.data(), reinterpret_cast<const void*>(uintptr_t(s.record()->bitmap_info)), 40), 0);
            if (palette) {
                EXPECT_EQ(std::memcmp(block.data() + 40, s.view().palette, 1024), 0);
            }
            EXPECT_EQ(std::vector<uint8_t>(block.begin() + 40 + table, block.begin() + 40 + table + s.size_bytes()), s.bytes());
        }
}

// A DIB of `bits` with 2^bits colours, or `used` when fewer (entry i: red i, green 2 i,
// blue 3 i), and rows of index 1 (or, 24-bit, blue 10 green 20 red 30); a header of `header`
// bytes (124: a BITMAPV5HEADER) and `slack` bytes after the bits.
std::vector<uint8_t> small_dib(int32_t w, int32_t h, uint16_t bits, uint32_t header = 40, uint32_t used = 0, size_t slack = 0) {
    const size_t stride = ((size_t(w) * bits + 7) / 8 + 3) & ~size_t(3);
    const size_t table = bits == 24 ? 0 : 4 * (used ? used : 1u << bits);
    std::vector<uint8_t> b(header + table + stride * size_t(h) + slack, 0x77);
    std::fill(b.begin(), b.begin() + header + table + stride * size_t(h), 0);
    const int32_t head[] = {int32_t(header), w, h};
    std::memcpy(b.data(), head, 12);
    std::memcpy(b.data() + 32, &used, 4);
    b[12] = 1;
    b[14] = uint8_t(bits);
    for (size_t i = 0; i < table / 4; ++i) {
        uint8_t* q = b.data() + header + 4 * i;
        q[0] = uint8_t(3 * i), q[1] = uint8_t(2 * i), q[2] = uint8_t(i);
    }
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* row = b.data() + header + table + size_t(y) * stride;
            if (bits == 24) row[3 * x] = 10, row[3 * x + 1] = 20, row[3 * x + 2] = 30;
            else row[size_t(x) * bits / 8] |= uint8_t(1 << (8 - bits - size_t(x) * bits % 8));
        }
    return b;
}

TEST_F(Clipboard, DibsComeInAtThePositionWithTheirPalette) {
    HostScreen full(20, 10, false), pal(20, 10, true);
    std::vector<uint8_t> buffer(768, 0xEE);
    put_on_clipboard(CF_DIB, small_dib(30, 4, 4).data(), small_dib(30, 4, 4).size());
    ASSERT_EQ(call("GetClipDib", pal.record(), 5, 99, buffer.data()), 0);  // y outside: 0
    EXPECT_EQ(*pal.at(5, 0), 1);
    EXPECT_EQ(*pal.at(19, 3), 1);
    EXPECT_NE(*pal.at(4, 0), 1);
    EXPECT_EQ(pal.record()->palette_count, 16) << "2^4 entries installed";
    EXPECT_EQ((std::vector<uint8_t>(buffer.begin() + 3, buffer.begin() + 6)), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(buffer[48], 0xEE) << "16 triplets written";
    ASSERT_EQ(call("GetClipDib", full.record(), 2, 3, nullptr), 0);
    EXPECT_EQ(full.pixel(2, 3), (Bgr{3, 2, 1}));
    // Other programs' DIBs: a BITMAPV5HEADER (the table and bits start after its 124 bytes),
    // and a table of biClrUsed 2 entries in a block with slack after the bits.
    const std::vector<uint8_t> v5 = small_dib(6, 2, 24, 124), v5_pal = small_dib(6, 2, 8, 124);
    put_on_clipboard(CF_DIB, v5.data(), v5.size());
    ASSERT_EQ(call("GetClipDib", full.record(), 0, 0, nullptr), 0);
    EXPECT_EQ(full.pixel(5, 1), (Bgr{10, 20, 30}));
    put_on_clipboard(CF_DIB, v5_pal.data(), v5_pal.size());
    ASSERT_EQ(call("GetClipDib", full.record(), 0, 0, nullptr), 0);
    EXPECT_EQ(full.pixel(5, 1), (Bgr{3, 2, 1}));
    const std::vector<uint8_t> two = small_dib(6, 2, 8, 40, 2, 64);
    put_on_clipboard(CF_DIB, two.data(), two.size());
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    ASSERT_EQ(call("GetClipDib", pal.record(), 0, 0, buffer.data()), 0);
    EXPECT_EQ(pal.record()->palette_count, 2) << "biClrUsed entries installed";
    EXPECT_EQ((std::vector<uint8_t>(buffer.begin() + 3, buffer.begin() + 7)), (std::vector<uint8_t>{1, 2, 3, 0xEE}));
    EXPECT_EQ(*pal.at(5, 1), 1);
    ASSERT_EQ(call("GetClipDib", full.record(), 0, 0, nullptr), 0);
    EXPECT_EQ(full.pixel(5, 1), (Bgr{3, 2, 1}));
    // Refused, and the screens untouched.
    const auto before = pal.bytes();
    put_on_clipboard(CF_DIB, small_dib(3, 3, 24).data(), small_dib(3, 3, 24).size());
    EXPECT_EQ(call("GetClipDib", pal.record(), 0, 0, buffer.data()), -512);
    std::vector<uint8_t> odd = small_dib(3, 3, 8);
    odd[14] = 16;
    put_on_clipboard(CF_DIB, odd.data(), odd.size());
    EXPECT_EQ(call("GetClipDib", pal.record(), 0, 0, buffer.data()), -256);
    odd = small_dib(3, 3, 8);
    put_on_clipboard(CF_DIB, odd.data(), odd.size() - 12);
    EXPECT_EQ(call("GetClipDib", pal.record(), 0, 0, buffer.data()), -259);
    odd[0] = 12;  // an old core header
    put_on_clipboard(CF_DIB, odd.data(), odd.size());
    EXPECT_EQ(call("GetClipDib", pal.record(), 0, 0, buffer.data()), -260);
    EXPECT_EQ(pal.bytes(), before);
    clear_clipboard();
    EXPECT_EQ(call("GetClipDib", pal.record(), 0, 0, buffer.data()), -2);
}

TEST_F(Clipboard, InfoForADibTextAndNothing) {
    HostVar info = HostVar::ints(5), text = HostVar::text(8);
    std::fill(info.ints(), info.ints() + 5, 77);
    EXPECT_EQ(call("GetClipInfo", text.record()), -65535);
    ASSERT_EQ(call("GetClipInfo", info.record()), 0);
    EXPECT_EQ(std::vector<int32_t>(info.ints(), info.ints() + 5), (std::vector<int32_t>{0, 0, 0, 0, 77}));
    put_on_clipboard(CF_TEXT, "hello", 6);
    ASSERT_EQ(call("GetClipInfo", info.record()), 0);
    EXPECT_EQ(info.ints()[0], 1);
    EXPECT_GE(info.ints()[1], 6);
    EXPECT_EQ(info.ints()[4], 77) << "text leaves element 4";
    const std::vector<uint8_t> dib = small_dib(9, 5, 8);
    put_on_clipboard(CF_DIB, dib.data(), dib.size());
    ASSERT_EQ(call("GetClipInfo", info.record()), 0);
    EXPECT_EQ(info.ints()[0], 2);
    EXPECT_GE(info.ints()[1], int32_t(dib.size()));
    EXPECT_EQ((std::vector<int32_t>(info.ints() + 2, info.ints() + 5)), (std::vector<int32_t>{8, 9, 5}));
}

// A DROPFILES block of ANSI names, as the shell makes it, posted to the window.
void drop(HWND hwnd, const std::vector<std::string>& names, POINT at, bool non_client) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const auto& n : names) size += n.size() + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* d = static_cast<DROPFILES*>(GlobalLock(h));
    d->pFiles = sizeof(DROPFILES);
    d->pt = at;
    d->fNC = non_client;
    d->fWide = FALSE;
    char* p = reinterpret_cast<char*>(d + 1);
    for (const auto& n : names) p = std::strcpy(p, n.c_str()) + n.size() + 1;
    GlobalUnlock(h);
    PostMessageA(hwnd, WM_DROPFILES, WPARAM(h), 0);
    pump_messages(50);
}

TEST(DroppedFiles, AcceptQueryFinishAndDecline) {
    HostScreen s(200, 150, false, "qv drops");
    const LONG own = GetWindowLongA(s.hwnd(), GWL_WNDPROC);
    call("DDDecline");
    EXPECT_EQ(call("DDAccept", s.record(), 0), -16) << "nothing accepted yet";
    EXPECT_EQ(call("DDFileNo"), int32_t(0x80000001));
    EXPECT_EQ(call("DDFinish"), -1);
    ASSERT_EQ(call("DDAccept", s.record(), 1), 0);
    EXPECT_NE(GetWindowLongA(s.hwnd(), GWL_WNDPROC), own);
    const std::string names[] = {"C:\\a.txt", "C:\\\x95\x5c\x8e\xa6\\photo.jpg", "C:\\third file.bin"};
    drop(s.hwnd(), {"C:\\replaced.txt"}, {1, 1}, false);
    drop(s.hwnd(), {names[0], names[1], names[2]}, {5, 6}, false);
    EXPECT_EQ(call("DDFileNo"), -3) << "the second drop replaced the first";
    HostVar name = HostVar::ints(16), point = HostVar::text(8);
    ASSERT_EQ(call("DDQueryFile", name.record(), 1, 0), -int32_t(names[1].size()));
    EXPECT_EQ(name.record()->type, host::kString);
    EXPECT_EQ(std::string(name.chars()), names[1]);
    EXPECT_EQ(call("DDQueryPoint", point.record()), -1);
    EXPECT_EQ(point.record()->type, host::kInteger);
    EXPECT_EQ((std::vector<int32_t>{point.ints()[0], point.ints()[1]}), (std::vector<int32_t>{5, 6}));
    HostVar tiny = HostVar::text(8);
    EXPECT_EQ(call("DDQueryFile", tiny.record(), 2, 0), -7) << "cut to fit";
    EXPECT_EQ(call("DDQueryFile", name.record(), 7, 0), 0) << "no such file";
    ASSERT_EQ(call("DDQueryFile", name.record(), 2, 1), -int32_t(names[2].size()));
    EXPECT_EQ(call("DDFileNo"), int32_t(0x80000001)) << "finished";
    drop(s.hwnd(), {names[0]}, {500, 6}, true);
    EXPECT_EQ(call("DDQueryPoint", point.record()), 0) << "outside the client area";
    ASSERT_EQ(call("DDFinish"), 0);
    ASSERT_EQ(call("DDDecline"), 0);
    EXPECT_EQ(GetWindowLongA(s.hwnd(), GWL_WNDPROC), own) << "the window's own procedure";
    EXPECT_EQ(call("DDDecline"), -1);
    ASSERT_EQ(call("DDAccept", s.record(), 1), 0);
    drop(s.hwnd(), {names[0]}, {1, 1}, false);
    ASSERT_EQ(call("DDAccept", s.record(), 0), 0);  // finishes the pending drop too
    EXPECT_EQ(GetWindowLongA(s.hwnd(), GWL_WNDPROC), own);
    EXPECT_EQ(call("DDFileNo"), int32_t(0x80000001));

    // A screen without a window takes nothing on; a subclassed window that is destroyed
    // leaves nothing behind: the next window is subclassed afresh and gets its drops.
    host::BMSCR windowless = *s.record();
    windowless.hwnd = 0;
    EXPECT_EQ(call("DDAccept", &windowless, 1), -1);
    {
        HostScreen gone(120, 90, false, "qv drops gone");
        ASSERT_EQ(call("DDAccept", gone.record(), 1), 0);
    }
    EXPECT_EQ(call("DDDecline"), -1) << "nothing subclassed any more";
    ASSERT_EQ(call("DDAccept", s.record(), 1), 0);
    EXPECT_NE(GetWindowLongA(s.hwnd(), GWL_WNDPROC), own);
    drop(s.hwnd(), {names[0]}, {1, 1}, false);
    EXPECT_EQ(call("DDFileNo"), -1);
    ASSERT_EQ(call("DDFinish"), 0);
    // Values that are no drop, as any process can post them: a small number, a pointer to
    // memory that is no global block, a block too small for its header, one whose list of
    // names has no end. None becomes pending, and nothing reads them.
    char local[64] = {};
    HGLOBAL small_block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
    HGLOBAL endless = GlobalAlloc(GMEM_MOVEABLE, sizeof(DROPFILES) + 4);
    auto* header = static_cast<DROPFILES*>(GlobalLock(endless));
    *header = {sizeof(DROPFILES), {0, 0}, FALSE, FALSE};
    std::memset(header + 1, 'x', 4);
    GlobalUnlock(endless);
    for (WPARAM forged : {WPARAM(0x1234), WPARAM(local), WPARAM(small_block), WPARAM(endless)}) {
        PostMessageA(s.hwnd(), WM_DROPFILES, forged, 0);
        pump_messages(20);
        EXPECT_EQ(call("DDFileNo"), int32_t(0x80000001)) << forged;
    }
    GlobalFree(small_block);
    GlobalFree(endless);
    ASSERT_EQ(call("DDDecline"), 0);
    EXPECT_EQ(GetWindowLongA(s.hwnd(), GWL_WNDPROC), own);
}

}  // namespace
}  // namespace qv::test

// The shipped DLL under refused resources. A child process loads quorvel.dll, writes its own
// functions into the DLL's import address table for every import that can fail for want of
// resources (the C runtime's allocations, which the static C++ runtime uses too; global
// memory; threads; the GDI creators; the clipboard; menus; COM; files; timers; the
// registry), and plays one scenario of commands. A clean run counts the failable calls and
// must reach every import the scenario is meant to; then the scenario runs again once for
// each call with that call alone refused, and must report that refusal. Each run must end (no
// crash, hang or escaped exception), give only results the results table lists (the call
// wrapper checks), hold nothing once the library is unloaded (heap blocks, GDI objects,
// menus, thread handles, timers and periods, global memory, files, registry keys, DCs: the
// same as the clean run, which is nothing), and leave the command that met the refusal either
// untouched or complete: its screens, variables, files, clipboard, window region, palette
// and menus as before it, or as the clean run left them.
//
// By default a sample of each scenario's calls is refused, every import among them;
// QV_FAILURE_POINTS=all (scripts/test --all-failures) runs the test that refuses each call.
#include <windows.h>
#include <mmsystem.h>
#include <objbase.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "import_hooks_win.h"
#include "pi_encoder.h"
#include "script.h"

namespace qv::test {
namespace {

Injector& g = injector();

// ---- The scenarios ------------------------------------------------------------------------

// A hash of the bytes, eight at a time (the screens are megabytes and every step hashes them).
uint64_t fnv(uint64_t h, const uint8_t* p, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 1099511628211ull;
        h ^= h >> 29;
    }
    for (; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

uint64_t fnv(uint64_t h, const std::string& bytes) {
    return fnv(h, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// The bytes of a clipboard block that its format describes (the block may be larger).
size_t described_size(UINT format, const uint8_t* p, size_t size) {
    if (format == CF_TEXT) return strnlen(reinterpret_cast<const char*>(p), size);
    if (format != CF_DIB || size < sizeof(BITMAPINFOHEADER)) return 0;
    BITMAPINFOHEADER h;
    std::memcpy(&h, p, sizeof h);
    const size_t colours = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : size_t(1) << h.biBitCount) : 0;
    const size_t stride = ((size_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    return std::min<size_t>(size, h.biSize + 4 * colours + stride * size_t(std::abs(h.biHeight)));
}

// The screens, variables and folder a scenario works on, and what each step gave.
struct Env {
    HostScreen big{2000, 1000, false, "qv fail big"}, small{320, 200, false, "qv fail"}, pal{128, 96, true, "qv fail 8"},
        scratch{64, 48, false, "qv fail scratch"};
    HostVar ints = HostVar::ints(300), text = HostVar::text(512), items = HostVar::text(16, 4), keys = HostVar::ints(64),
            values = HostVar::ints(64), scratch_var = HostVar::ints(64);
    TempDir dir, scratch_dir;
    std::vector<uint8_t> buffer = std::vector<uint8_t>(1024);
    // The state in three parts, as some commands document what a failure may leave in one
    // of them: the files in the folder, the clipboard, and everything else.
    enum Part { kFiles, kClipboard, kOthers, kParts };
    struct Step {
        std::string name;
        int32_t result;
        uint64_t before[kParts], after[kParts];  // the state around the call
        bool clipboard_empty_after;
        int64_t calls_before;
    };
    std::vector<Step> steps;

    // What the commands change: the screens' and variables' bytes, the files in the folder,
    // the clipboard, the small screen's window region, the palette screen's colour table and
    // logical palette, and the menus the library holds with their items. (The library's own
    // settings cannot be seen from outside.)
    void state(uint64_t (&parts)[kParts]) {
        parts[kFiles] = files();
        parts[kClipboard] = clipboard();
        parts[kOthers] = others();
    }

    uint64_t files() const {
        uint64_t h = 1469598103934665603ull;
        WIN32_FIND_DATAA fd;
        HANDLE found = FindFirstFileA((dir.path() + "*").c_str(), &fd);
        if (found != INVALID_HANDLE_VALUE) {
            do {
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                h = fnv(fnv(h, fd.cFileName), read_file(dir.file(fd.cFileName)));
            } while (FindNextFileA(found, &fd));
            FindClose(found);
        }
        return h;
    }

    uint64_t others() {
        uint64_t h = 1469598103934665603ull;
        for (const HostScreen* s : {&big, &small, &pal}) h = fnv(h, s->bits(), s->size_bytes());
        for (HostVar* v : {&ints, &text, &keys, &values}) h = fnv(h, v->data(), v->storage_bytes());
        h = fnv(h, buffer.data(), buffer.size());
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        if (GetWindowRgn(small.hwnd(), region) != ERROR) {
            std::vector<uint8_t> data(GetRegionData(region, 0, nullptr));
            if (!data.empty() && GetRegionData(region, DWORD(data.size()), reinterpret_cast<RGNDATA*>(data.data())))
                h = fnv(h, data.data() + sizeof(RGNDATAHEADER), data.size() - sizeof(RGNDATAHEADER));
        }
        DeleteObject(region);
        RGBQUAD table[256];
        h = fnv(h, reinterpret_cast<const uint8_t*>(table), 4 * GetDIBColorTable(pal.hdc(), 0, 256, table));
        PALETTEENTRY entries[256];
        if (pal.record()->hpalette)
            h = fnv(h, reinterpret_cast<const uint8_t*>(entries),
                    4 * GetPaletteEntries(reinterpret_cast<HPALETTE>(uintptr_t(pal.record()->hpalette)), 0, 256, entries));
        for (void* menu : g.menus) {
            const int items = GetMenuItemCount(static_cast<HMENU>(menu));
            h = fnv(h, reinterpret_cast<const uint8_t*>(&items), sizeof items);
        }
        return h;
    }

    static bool clipboard_empty() { return CountClipboardFormats() == 0; }

    static uint64_t clipboard() {
        uint64_t h = 1469598103934665603ull;
        if (OpenClipboard(nullptr)) {
            for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) {
                h = fnv(h, reinterpret_cast<const uint8_t*>(&f), sizeof f);
                if (f != CF_TEXT && f != CF_DIB) continue;
                const HANDLE block = GetClipboardData(f);
                if (const auto* p = static_cast<const uint8_t*>(block ? GlobalLock(block) : nullptr)) {
                    h = fnv(h, p, described_size(f, p, GlobalSize(block)));
                    GlobalUnlock(block);
                }
            }
            CloseClipboard();
        }
        return h;
    }
    template <class A = int32_t, class B = int32_t, class C = int32_t, class D = int32_t>
    void step(const char* name, A a = 0, B b = 0, C c = 0, D d = 0) {
        Step s{name, 0, {}, {}, false, g.calls};
        state(s.before);
        s.result = call(name, a, b, c, d);
        state(s.after);
        s.clipboard_empty_after = clipboard_empty();
        steps.push_back(s);
    }
};

void filters(Env& e) {
    e.big.fill_pattern(3);
    for (int i = 0; i < 49; ++i) e.ints.ints()[i] = i % 7 == 3 ? 2 : 1;
    e.step("SetMatrix", e.ints.record(), 9);
    e.step("GMatrix", e.big.record(), 2000, 1000, 2);
    e.step("Median", e.big.record(), 2000, 1000, 0);
    e.step("Nijimi", e.big.record(), 2000, 1000, 0x31);
    e.step("Nijimi", e.big.record(), 2000, 1000, 0x12);
    e.step("Emboss", e.big.record(), 0, 0);
    e.step("Edge", e.big.record(), 2000, 1000);
}

void colours(Env& e) {
    e.big.fill_pattern(4);
    e.big.set_area(2000, 1000);
    srand(7);
    e.step("Monotone", e.big.record(), 40, 90);
    e.step("ToneChange", e.big.record(), 130, 0, e.buffer.data());
    e.step("HalfTone", e.big.record(), 2000, 1000, 7);
    e.step("NoiseCol", e.big.record(), 2000, 1000, 30);
    e.step("Cycle", e.big.record(), 2, 0, 1);
    e.step("SetMosaicSize", 7, 5);
    e.step("Mosaic", e.big.record(), 2000, 1000);
    e.step("Rough", e.big.record(), 2000, 1000, 3);
    e.step("Disper", e.big.record(), 2000, 1000);
    e.step("ToneChange", e.pal.record(), 50, 0, e.buffer.data());
}

void compose(Env& e) {
    e.big.fill_pattern(5);
    e.small.fill_pattern(6);
    e.step("SetBMSCR", e.small.record(), 0, 1);
    e.step("SetBMNo", 1);
    e.step("GMergeParam", 512, 512, 0, 0);
    e.step("GMerge", e.big.record(), 320, 200);
    e.step("GShade", e.big.record(), 320, 200, 50);
    e.step("GDiff", e.big.record(), 320, 200, 2);
    e.step("GRotPos", 160, 100, 256, 0);
    e.step("GRot", e.big.record(), 2000, 1000, 30);
    e.step("Flip_V", e.big.record(), 2000, 1000);
    e.step("Flip_H", e.big.record(), 2000, 1000);
    e.step("SetBMSCR", 0, 0, 1);
}

void drawing(Env& e) {
    e.small.fill({200, 200, 200});
    e.small.set_color(0x00204080);
    e.small.set_cursor(40, 30);
    e.small.set_area(120, 80);
    const int32_t points[] = {10, 10, 100, 20, 60, 90, 20, 70};
    std::memcpy(e.keys.ints(), points, sizeof points);
    e.step("SetPenMode", 3, 1);
    e.step("SetBrushMode", 2);
    e.step("DrawArc", e.small.record(), 30, 200, 1);
    e.step("SetPolygon", e.keys.record(), 4, 0);
    e.step("DrawPolyline", e.small.record(), 1);
    e.step("FillPolygon", e.small.record(), 3);
    e.step("SetBezier", e.keys.record(), 2);
    e.step("DrawBezierline", e.small.record(), 1);
    e.step("FillEllipse", e.small.record(), 50, 40, 3);
    e.step("FillRoundRect", e.small.record(), 9, 9, 3);
    e.step("Paint", e.small.record(), 5, 5);
    e.step("AutoLine_H", e.small.record(), 7, 0);
    e.step("AutoLine_V", e.small.record(), 5, 0);
    e.step("SetPenMode", 1, 0);
}

void palettes_and_regions(Env& e) {
    e.step("Set_PalBM", e.pal.record());
    e.step("Get_Palette", e.values.record());
    HostVar table = HostVar::ints(256);
    for (int i = 0; i < 256; ++i) table.ints()[i] = i * 0x010203;
    e.step("Set_PalMem", table.record());
    e.step("Set_Palette", e.pal.record(), 0, 0, e.buffer.data());
    e.step("RealizePal", e.pal.record(), 0, 0, e.buffer.data());
    e.small.set_cursor(10, 10);
    e.small.set_area(200, 120);
    e.step("EllipRgn", e.small.record(), 200, 150, 0);
    e.step("SetCombineMode", 2);
    e.step("CombineEllipRgn", e.small.record(), 60, 40, 0);
    e.step("RoundRectRgn", e.small.record(), 20, 20, 0);
    e.step("CombineRoundRectRgn", e.small.record(), 8, 8, 5);
    e.step("SetPolygon", e.keys.record(), 4, 0);
    e.step("PolyRgn", e.small.record(), 1);
    e.small.fill_pattern(8);
    e.small.set_color(0);
    e.step("Pixel_Rgn", e.small.record(), 200, 150, 0);
    e.step("SetCombineMode", 0);
}

void pictures(Env& e) {
    std::vector<uint8_t> indexes(96 * 64);
    for (size_t i = 0; i < indexes.size(); ++i) indexes[i] = uint8_t((i * 7 + i / 96) % 256);
    const std::string pi = pi_encoder::encode(indexes, 96, 64, {});
    write_file(e.dir.file("p.pi"), pi);
    const std::string pi_path = e.dir.file("p.pi"), fal = e.dir.file("p.raw"), bmp = e.dir.file("p.bmp");
    e.step("PiLoad", e.small.record(), pi_path.c_str(), 1, 0);
    e.step("PiLoad", e.pal.record(), pi_path.c_str(), 1, e.buffer.data());
    std::memcpy(e.text.data(), pi.data(), std::min<size_t>(pi.size(), 512));
    e.step("PiInfo", e.ints.record(), pi_path.c_str());
    e.small.set_cursor(0, 0);
    e.small.set_area(64, 48);
    e.step("PicSave", e.small.record(), fal.c_str(), 1, 1);
    e.step("PicSave", e.small.record(), bmp.c_str(), 0, 0);
    e.step("PicSave", e.pal.record(), bmp.c_str(), 1, 0);
    const std::string jpg = e.dir.file("p.jpg");
    std::strcpy(e.text.chars(), "a comment\nof two lines");
    e.step("JpegComment", e.text.record(), 0, 0);
    e.step("JpegSave", e.small.record(), jpg.c_str(), 320, 200);
    e.step("JpegLoad", e.big.record(), jpg.c_str(), 0, 0);
    e.step("JpegSize", e.ints.record(), jpg.c_str(), 0);
    e.step("GetJpegComment", e.text.record(), jpg.c_str(), 0, 0);
    const std::string bytes = read_file(jpg);
    HostVar mem = HostVar::text(uint32_t(bytes.size() + 4));
    std::memcpy(mem.data(), bytes.data(), bytes.size());
    e.step("SetJpegMem", mem.record(), int32_t(bytes.size()));
    e.step("JpegLoadMem", e.big.record(), 0);
    e.step("SetJpegMem", mem.record(), int32_t(bytes.size()));
    e.step("GetJpegCommentMem", mem.record(), 0);
    const std::string png = e.dir.file("p.png"), indexed = e.dir.file("i.png");
    e.step("PngParam", 6, 1);
    e.step("PngSave", e.small.record(), png.c_str(), 320, 200);
    e.step("PngParam", 6, 0);
    e.step("PngSave", e.pal.record(), indexed.c_str(), 64, 64);
    // The palette load meets other colours and, shifted, other pixels: a load torn between
    // the palette and the pixels shows (it would not, were the picture the screen's own).
    e.step("ToneChange", e.pal.record(), 50, 0, e.buffer.data());
    e.step("PngLoad", e.big.record(), png.c_str(), 0, 0);
    e.pal.set_cursor(7, 5);
    e.step("PngLoad", e.pal.record(), indexed.c_str(), 2, 0);
    e.pal.set_cursor(0, 0);
    e.step("PngSize", e.ints.record(), png.c_str(), 0);
    const std::string png_bytes = read_file(png);
    HostVar png_mem = HostVar::text(uint32_t(png_bytes.size() + 4));
    std::memcpy(png_mem.data(), png_bytes.data(), png_bytes.size());
    e.step("PngLoadMem", e.big.record(), png_mem.record(), 3, 0);
}

// WebP, a scenario of its own so that scripts/test --all-failures refuses each of libwebp's
// few dozen calls here: lossless and lossy saves (the lossy decoder and the encoders start
// libwebp's worker threads), loads and sizes.
void webp(Env& e) {
    const std::string lossless = e.dir.file("p.webp"), lossy = e.dir.file("l.webp");
    e.step("WebpParam", 90, 1, 0);
    e.step("WebpSave", e.scratch.record(), lossless.c_str(), 64, 48);
    e.step("WebpParam", 80, 0, 4);
    e.step("WebpSave", e.pal.record(), lossy.c_str(), 128, 96);
    e.step("WebpLoad", e.small.record(), lossless.c_str(), 0, 0);
    e.step("WebpLoad", e.small.record(), lossy.c_str(), 3, 0);
    e.step("WebpSize", e.ints.record(), lossless.c_str(), 0);
    const std::string bytes = read_file(lossy);
    HostVar mem = HostVar::text(uint32_t(bytes.size() + 4));
    std::memcpy(mem.data(), bytes.data(), bytes.size());
    e.step("WebpLoadMem", e.big.record(), mem.record(), 1, 0);
}

void clipboard_and_menus(Env& e) {
    std::strcpy(e.text.chars(), "clipboard text");
    e.step("Txt2Clip", e.text.record());
    e.step("GetClipTxt", e.text.record());
    e.step("Dib2Clip", e.small.record());
    e.step("GetClipDib", e.small.record(), 0, 0, nullptr);
    e.step("GetClipInfo", e.values.record());
    e.step("Dib2Clip", e.pal.record());
    e.step("GetClipDib", e.pal.record(), 0, 0, e.buffer.data());
    e.step("Png2Clip", e.small.record());
    e.step("GetClipPng", e.big.record(), 0, 0, 0);
    // As in the pictures: other colours and, shifted, other pixels meet the palette load.
    e.pal.fill_pattern(11);
    e.step("Png2Clip", e.pal.record());
    e.step("ToneChange", e.pal.record(), 50, 0, e.buffer.data());
    e.step("GetClipPng", e.pal.record(), 3, 2, 1);
    const char* names[] = {"Open", "-", "Save", "Quit"};
    for (int i = 0; i < 4; ++i) std::strcpy(e.items.chars() + 16 * i, names[i]);
    e.step("CreatePopup", e.items.record(), 0, 2);
    e.step("DestroyPopup", 258);
    e.step("DelSysMenu", e.small.record(), 0x100, 0);
}

void text_and_system(Env& e) {
    for (int i = 0; i < 64; ++i) e.keys.ints()[i] = (i * 37) % 11, e.values.ints()[i] = i;
    e.step("BSortSet", e.values.record());
    e.step("BSortEx", e.keys.record());
    e.step("BSort", e.keys.record());
    std::strcpy(e.text.chars(), "abcdefg\x82\xa0hijklmnopqrstuvwxyz");
    e.step("UpperCase", e.text.record());
    e.step("MapStr", e.text.record(), "wide text", 1);
    for (int i = 0; i < 4; ++i) e.ints.ints()[i] = "hij"[i % 3];
    e.step("SearchBinParam", e.ints.record(), 3);
    e.step("SearchBin", e.text.record(), 64, 0);
    e.step("SearchBinNull");
    e.step("SearchStr", e.text.record(), "QRS", -64, 0);
    e.step("GetShellDir", e.text.record(), 0);
    e.step("GetEnvVar", e.text.record(), "%WINDIR%");
    const std::string lnk = e.dir.file("s.lnk");
    e.step("CreateShortCut", "C:\\windows\\notepad.exe", lnk.c_str());
    e.step("GetShortCutParam", e.text.record(), lnk.c_str(), 0);
    e.step("MMCountOn", 5, 1);
    e.step("MMCountOff");
    e.step("GetWinTemp", e.text.record());
}

// Every command once, with arguments of the right kinds, after the others have set things
// up: the call sites no other scenario reaches. Commands whose effect is the clock's, the
// mouse's, the display's or the time of day's work on a scratch screen, variable and folder
// that the state leaves out, so that every step's state can be compared with the clean run's.
void every_command(Env& e) {
    // Beside the waiting ones: the message pump, the priority and the tone.
    static const std::set<std::string> left_out = {"ProcMes", "SetPriority", "Bell"};
    static const std::set<std::string> volatile_ones = {"GetTick", "GetMMCount", "GetClientCurPos", "GetForeWinPos",
                                                        "PaintDesktopImage", "CreateShortCut", "GetShortCutParam",
                                                        "TobRandomize", "GetWinRect", "GetVeshWin"};
    // Names relative to the folder, so that texts made from them are the same in every run.
    char was[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, was);
    SetCurrentDirectoryA(e.dir.path().c_str());
    const std::string file = "any.jpg", scratch_file = e.scratch_dir.file("any.lnk");
    e.small.set_cursor(8, 8);
    e.small.set_area(64, 48);
    e.step("JpegSave", e.small.record(), file.c_str(), 64, 48);
    std::strcpy(e.items.chars(), "a");
    for (const run::CommandInfo& c : run::command_table()) {
        if (waits(c.name) || left_out.count(c.name)) continue;
        const bool volatile_one = volatile_ones.count(c.name) != 0;
        int32_t words[4];
        for (int i = 0; i < 4; ++i) {
            switch (c.kinds[i]) {
                case Kind::SCR: words[i] = word(volatile_one ? e.scratch.record() : i == 0 ? e.small.record() : e.pal.record()); break;
                case Kind::VAR:
                    words[i] = word(volatile_one                         ? e.scratch_var.record()
                                    : c.name[0] == 'G' && c.name[1] == 'e' ? e.text.record()
                                                                         : e.ints.record());
                    break;
                case Kind::STR:
                case Kind::WSTR: words[i] = word(volatile_one ? scratch_file.c_str() : file.c_str()); break;
                case Kind::PTR: words[i] = word(e.buffer.data()); break;
                default: words[i] = i == 1 ? 16 : 1; break;
            }
        }
        std::srand(1);  // the noise commands draw the same numbers in every run, TobRandomize or not
        e.step(c.name, words[0], words[1], words[2], words[3]);
        if (std::string(c.name) == "CreatePopup") call("DestroyPopup", 0);
    }
    call("MMCountOff");
    call("DDDecline");
    SetCurrentDirectoryA(was);
}

// Each scenario, and the imports its clean run must call: a hook that stopped being reached
// (a renamed import, a scenario that no longer gets there) would otherwise refuse nothing.
struct Scenario {
    const char* name;
    void (*play)(Env&);
    std::vector<std::string> reaches;
};
const Scenario kScenarios[] = {
    {"filters", filters, {"malloc", "CreateThread"}},
    {"colours", colours, {"malloc", "CreateThread", "CreatePalette"}},
    {"compose", compose, {"CreateThread"}},
    {"drawing", drawing, {"CreatePen", "CreateSolidBrush", "CreateHatchBrush"}},
    {"palettes-and-regions", palettes_and_regions,
     {"CreatePalette", "CreateEllipticRgn", "CreateRoundRectRgn", "CreatePolygonRgn", "ExtCreateRegion", "CombineRgn",
      "SetWindowRgn", "malloc"}},
    {"pictures", pictures, {"fopen", "malloc", "CreatePalette"}},
    {"webp", webp, {"fopen", "malloc", "_beginthreadex"}},
    {"clipboard-and-menus", clipboard_and_menus,
     {"OpenClipboard", "GlobalAlloc", "GlobalLock", "SetClipboardData", "CreatePopupMenu", "AppendMenuA", "malloc"}},
    {"text-and-system", text_and_system,
     {"malloc", "RegOpenKeyExA", "CoCreateInstance", "timeSetEvent"}},
    {"every-command", every_command, {"GetDC", "malloc", "fopen", "OpenClipboard"}},
};

// ---- The child: one scenario, one refusal -------------------------------------------------

// The child's report, one line each, tagged so that nothing else it prints is read as one.
#define REPORT(...) std::printf("qvfi " __VA_ARGS__)

TEST(DISABLED_FailureInjectionChild, Run) {
    const char* name = std::getenv("QV_FAIL_SCENARIO");
    const char* refuse = std::getenv("QV_FAIL_REFUSE");
    ASSERT_TRUE(name && refuse);
    const Scenario* scenario = nullptr;
    for (const Scenario& s : kScenarios)
        if (std::string(s.name) == name) scenario = &s;
    ASSERT_NE(scenario, nullptr) << name;
    {
        Env e;  // made before the hooks go in: the host's own screens are no part of the test
        if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
        g.refuse = std::atoll(refuse);
        for (const std::string& missing : install_hooks(library()))
            ADD_FAILURE() << "the DLL no longer imports " << missing << ": its calls would go unseen";
        scenario->play(e);
        g.refuse = -1;  // nothing more is refused
        // A palette the library installed in a screen is the host's now, as its record says.
        for (HostScreen* screen : {&e.big, &e.small, &e.pal, &e.scratch})
            hand_over(reinterpret_cast<void*>(uintptr_t(screen->record()->hpalette)));
        REPORT("calls %lld\n", g.calls);
        REPORT("refused %s\n", g.refused_import.c_str());
        if (std::atoll(refuse) == 0)
            for (const std::string& n : g.names) REPORT("import %s\n", n.c_str());
        for (const Env::Step& s : e.steps)
            REPORT("step %s %d %016llx %016llx %016llx %016llx %016llx %016llx %d %lld\n", s.name.c_str(), s.result,
                   s.before[0], s.before[1], s.before[2], s.after[0], s.after[1], s.after[2], int(s.clipboard_empty_after),
                   s.calls_before);
        // Unloaded with the hooks in place: whatever the library still holds then, it leaks.
        unload_library();
        for (const auto& [kind, n] : held()) REPORT("held %s %zu\n", kind.c_str(), n);
    }
    REPORT("done\n");
}

// ---- The parent: every scenario, each refusal in turn ---------------------------------------

// The size queries set the size (to 0 x 0, the Pi ones to -1 x -1) before they read: any
// failure answers "no picture" there.
const std::set<std::string> kAnswersNoSize = {"JpegSize", "JpegSizeMem", "JpegSizeDpm", "PngSize", "PngSizeMem",
                                              "PngSizeDpm", "WebpSize", "WebpSizeMem", "WebpSizeDpm", "PiInfo", "PiInfoMem"};
// The clipboard writers: the system takes the old contents when they empty it, before it
// takes the new; when it refuses the new, the clipboard is left empty (and so documented).
const std::set<std::string> kEmptyTheClipboard = {"Txt2Clip", "Dib2Clip", "Png2Clip"};
// The file writers: a failed JpegSave, PngSave or WebpSave deletes its file, a failed PicSave
// may leave one partly written (all documented); nothing else may change.
const std::set<std::string> kMayTearTheirFile = {"JpegSave", "PicSave", "PngSave", "WebpSave"};

struct Report {
    bool done = false;
    int64_t calls = 0;
    std::string refused;
    std::vector<std::string> imports;
    struct Step {
        std::string name;
        int32_t result;
        std::array<std::string, Env::kParts> before, after;
        int clipboard_empty_after;
        int64_t calls_before;
    };
    std::vector<Step> steps;
    std::map<std::string, long long> held;
};

Report run_child(const char* scenario, int64_t refuse, std::string& output, int& exit_code) {
    SetEnvironmentVariableA("QV_FAIL_SCENARIO", scenario);
    SetEnvironmentVariableA("QV_FAIL_REFUSE", std::to_string(refuse).c_str());
    const ProcessResult r = run_process("\"" + exe_folder() + "qv_host_tests.exe\" --gtest_also_run_disabled_tests "
                                        "--gtest_filter=DISABLED_FailureInjectionChild.Run",
                                        120000);
    output = r.out + r.err;
    exit_code = r.exit_code;
    Report rep;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, 5, "qvfi ") != 0) continue;
        std::istringstream in(line.substr(5));
        std::string key;
        in >> key;
        if (key == "calls") in >> rep.calls;
        else if (key == "refused") in >> rep.refused;
        else if (key == "import") rep.imports.emplace_back(), in >> rep.imports.back();
        else if (key == "step") {
            Report::Step s;
            in >> s.name >> s.result;
            for (std::string& part : s.before) in >> part;
            for (std::string& part : s.after) in >> part;
            in >> s.clipboard_empty_after >> s.calls_before;
            rep.steps.push_back(s);
        } else if (key == "held") {
            std::string kind;
            long long n = 0;
            in >> kind >> n;
            rep.held[kind] = n;
        } else if (key == "done") rep.done = true;
    }
    return rep;
}

// Which calls to refuse: all of them, or a sample that holds the first call of every import
// and calls spread evenly over the scenario.
std::vector<int64_t> points_of(const Report& clean, bool all) {
    std::vector<int64_t> points;
    if (all) {
        for (int64_t i = 1; i <= clean.calls; ++i) points.push_back(i);
        return points;
    }
    std::set<std::string> seen;
    for (size_t i = 0; i < clean.imports.size(); ++i)
        if (seen.insert(clean.imports[i]).second) points.push_back(int64_t(i) + 1);
    const int64_t spread = 4;
    for (int64_t k = 1; k <= spread; ++k) points.push_back(std::max<int64_t>(1, clean.calls * k / (spread + 1)));
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

void refuse_calls(bool all) {
    std::map<std::string, int> refused_by_import;
    int runs = 0;
    for (const Scenario& scenario : kScenarios) {
        const char* name = scenario.name;
        std::string out;
        int code = 0;
        const Report clean = run_child(name, 0, out, code);
        ASSERT_TRUE(code == 0 && clean.done) << name << ", clean run:\n" << out;
        for (const std::string& import : scenario.reaches)
            EXPECT_NE(std::find(clean.imports.begin(), clean.imports.end(), import), clean.imports.end())
                << name << ": the clean run no longer calls " << import;
        for (const auto& [what, n] : clean.held) EXPECT_EQ(n, 0) << name << ", clean run: " << what << " held after unload";
        // The comparisons below hold only for a scenario that does the same in every run.
        const Report again = run_child(name, 0, out, code);
        for (size_t i = 0; i < clean.steps.size() && i < again.steps.size(); ++i)
            EXPECT_TRUE(clean.steps[i].after == again.steps[i].after && clean.steps[i].result == again.steps[i].result)
                << name << ": " << clean.steps[i].name << " changed things differently in two clean runs";
        for (int64_t point : points_of(clean, all)) {
            const Report r = run_child(name, point, out, code);
            ++runs;
            const std::string expected = size_t(point) <= clean.imports.size() ? clean.imports[size_t(point) - 1] : "?";
            const std::string where = std::string(name) + ", call " + std::to_string(point) + " (" + expected + ")";
            EXPECT_TRUE(code == 0 && r.done) << where << ": the run did not end cleanly (exit " << code << ")\n" << out;
            if (!r.done) continue;
            EXPECT_EQ(r.refused, expected) << where << ": the run did not meet the refusal it was given";
            ++refused_by_import[r.refused.empty() ? "none" : r.refused];
            EXPECT_EQ(r.held, clean.held) << where << ": held after unload differs from the clean run";
            // The step that met the refusal: what it changes as before it, or as the clean run
            // left it.
            for (size_t i = 0; i < r.steps.size() && i < clean.steps.size(); ++i) {
                const int64_t next = i + 1 < r.steps.size() ? r.steps[i + 1].calls_before : r.calls;
                if (r.steps[i].before != clean.steps[i].before) break;  // an earlier refusal changed the way
                if (point <= r.steps[i].calls_before || point > next) continue;
                const Report::Step& step = r.steps[i];
                const auto same = [&](Env::Part p) { return step.after[p] == step.before[p]; };
                const bool complete = step.after == clean.steps[i].after;
                const bool emptied = kEmptyTheClipboard.count(step.name) && same(Env::kFiles) && same(Env::kOthers) &&
                                     step.clipboard_empty_after;
                const bool file_torn = kMayTearTheirFile.count(step.name) && step.result != 0 &&
                                       same(Env::kClipboard) && same(Env::kOthers);
                EXPECT_TRUE(complete || step.after == step.before || emptied || file_torn ||
                            kAnswersNoSize.count(step.name))
                    << where << ": " << r.steps[i].name << " gave " << r.steps[i].result << " and left its work torn";
                if (r.steps[i].result == clean.steps[i].result) {
                    EXPECT_TRUE(complete) << where << ": " << r.steps[i].name << " reported success, work not done";
                }
            }
        }
    }
    std::printf("failure injection (%s): %d runs;", all ? "every call" : "a sample", runs);
    for (const auto& [import, n] : refused_by_import) std::printf(" %s %d", import.c_str(), n);
    std::printf("\n");
}

// The first call of every import in each scenario, and four more spread over it.
TEST(FailureInjection, SampledRefusalsEndCleanly) { refuse_calls(false); }

TEST(FailureInjection, EachRefusalEndsCleanly) {
    const char* mode = std::getenv("QV_FAILURE_POINTS");
    if (!mode || std::string(mode) != "all") GTEST_SKIP() << "scripts/test --all-failures refuses every call";
    refuse_calls(true);
}

}  // namespace
}  // namespace qv::test

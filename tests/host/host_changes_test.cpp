// The host changes things between a setting and the command that uses it: a script re-creates
// a screen under the same record (another size, buffer or colour mode, no window), re-dimensions
// a variable (another size or type), deletes a control, destroys a window; the machine's clock
// passes 2^31 ms; the host unloads the library and loads it again. One table of settings (each
// a setting command and the command that uses it) and one of changes; every pair of a setting
// and a change that can befall what it keeps runs in a child process as set, change, use.
//
// Each run must end (no crash or hang), give only results the table lists (the call wrapper
// checks), leave the storage the record held before the change as it was and stay inside the
// storage it holds now (variables end where a page that faults begins), refuse work on the
// wrong kind of picture or variable, or on a stale clock, with the setting's own result (the
// clock's computed from the test's own clock), and leave every window working with its own
// procedure once the library is gone (the library stays while the drop window has its
// procedure).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/pointers.h"
#include "host_fixture.h"
#include "imports_win.h"
#include "pi_encoder.h"

namespace qv::test {
namespace {

// ---- The clock: the DLL's timeGetTime, moved to where a test wants it ----------------------

DWORD(WINAPI* real_time)() = nullptr;
DWORD clock_base = 0, clock_real_at = 0;  // reads clock_base + (real time - clock_real_at)

DWORD WINAPI fake_time() { return clock_base + (real_time() - clock_real_at); }

void set_clock(DWORD now) {
    clock_real_at = real_time();
    clock_base = now;
}

// Writes fake_time into the DLL's import of timeGetTime (again after each load).
void hook_clock() {
    for (const ImportSlot& s : import_slots(library()))
        if (s.function == "timeGetTime") {
            if (!real_time) real_time = reinterpret_cast<DWORD(WINAPI*)()>(*s.slot);
            DWORD was;
            VirtualProtect(s.slot, sizeof(void*), PAGE_READWRITE, &was);
            *s.slot = reinterpret_cast<void*>(&fake_time);
            VirtualProtect(s.slot, sizeof(void*), was, &was);
        }
}

constexpr DWORD kBoot = 0x1000;           // a machine just started
constexpr DWORD kPast2e31 = 0x90000000u;  // the clock jumps this far: every earlier mark is stale

// ---- What a run works on ------------------------------------------------------------------

enum Kept : unsigned {
    kFullScreen = 1, kPaletteScreen = 2, kIntVar = 4, kTextVar = 8, kControl = 16, kDropWindow = 32, kMenu = 64,
    kClock = 128,
};
constexpr unsigned kScreens = kFullScreen | kPaletteScreen, kVars = kIntVar | kTextVar;

struct Run {
    HostScreen dst{64, 48, false, "qv changes dst"}, other{64, 48, false, "qv changes other"},
        pal{64, 48, true, "qv changes pal"}, kept_full{64, 48, false, "qv kept"}, kept_pal{64, 48, true, "qv kept 8"};
    HostScreen* windows[5] = {&dst, &other, &pal, &kept_full, &kept_pal};
    LONG procedures[5] = {};  // each window's own procedure

    // The kept screen's record, at one address whatever the host re-creates under it.
    host::BMSCR screen{};
    std::unique_ptr<HostScreen> remade;
    std::vector<uint8_t> was_bytes;  // the buffer the record held before the change
    const uint8_t* was_pixels = nullptr;

    // The kept variable's record, its storage ending where a page that faults begins.
    host::PVAL var{};
    std::unique_ptr<PageEndBytes> storage, old_storage;

    HostVar ints = HostVar::ints(256), keys = HostVar::ints(8), text = HostVar::text(64);
    int control = -1;
    TempDir dir;
    bool reloaded = false;  // the change was the library's unloading and loading anew
    DWORD marks[2] = {};    // the test's clock just before and after a setting, and a use, was made
    DWORD uses[2] = {};

    Run() {
        for (int i = 0; i < 5; ++i) procedures[i] = GetWindowLongA(windows[i]->hwnd(), GWL_WNDPROC);
        other.fill_pattern(2);
        pal.fill({0, 0, 0});  // a key of index 0 everywhere: every pixel is copied
        kept_full.fill_pattern(3);
        kept_pal.fill_pattern(4);
    }

    // Storage of `units` 4-byte units for the kept variable, made anew; the old storage
    // faults from now on, as memory the host has freed may.
    void make_var(uint16_t type, uint32_t units, const std::string& bytes) {
        old_storage = std::move(storage);
        if (old_storage) old_storage->forbid();
        storage = std::make_unique<PageEndBytes>(size_t(units) * 4);
        std::memcpy(storage->data(), bytes.data(), std::min(bytes.size(), storage->size()));
        var = {type, 0, {0, uint16_t(units), 0, 0, 0}, 0, host::Word(uintptr_t(storage->data())), 0};
    }
    void remake_screen(int32_t w, int32_t h, bool palette_mode, bool windowless) {
        was_pixels = host::ptr<const uint8_t>(screen.pixels);
        was_bytes.assign(was_pixels, was_pixels + host::screen_view(screen).size_bytes());
        remade = std::make_unique<HostScreen>(w, h, palette_mode, "qv remade");
        remade->fill_pattern(5);
        screen = *remade->record();
        if (windowless) screen.hwnd = 0;
    }
};

// Texts that show where a command read them from.
const std::string kOldText = "qv-old text of the setting";
const std::string kNewText = "qv-new text after the change, longer than the old one";

std::string jpeg_bytes(Run& r) {
    const std::string path = r.dir.file("src.jpg");
    call("JpegSave", r.other.record(), path.c_str(), 64, 48);
    return read_file(path);
}

std::string pi_bytes() {
    std::vector<uint8_t> indexes(32 * 24);
    for (size_t i = 0; i < indexes.size(); ++i) indexes[i] = uint8_t(i * 7 % 16);
    return pi_encoder::encode(indexes, 32, 24, {});
}

// ---- The settings -------------------------------------------------------------------------

constexpr int32_t kNothing = -0x7FFFFFFF;
constexpr int32_t kClocked = INT32_MIN + 1;  // the row's check computes it from the test's clock

struct Setting {
    const char* name;
    Kept kept;
    uint32_t units;                // the kept variable's size in 4-byte units
    void (*set)(Run&);             // the kept object is r.screen, r.var, the control or the window
    int32_t (*use)(Run&);
    int32_t unusable;              // the result once the kept object is of the other mode or type, gone, or stale
    int32_t unset;                 // the result once the library was loaded anew
    void (*check)(Run&, int32_t result, bool unusable) = nullptr;  // what the use left
};

// A use, with the test's clock read just before and after it.
template <class Use>
int32_t timed_use(Run& r, Use use) {
    r.uses[0] = fake_time();
    const int32_t result = use();
    r.uses[1] = fake_time();
    return result;
}

// The screen table's slot 0 holds the screen, and is the current one.
void table(host::BMSCR* screen, int32_t copy_redraw) {
    call("SetBMSCR", screen, copy_redraw, 0);
    call("SetBMNo", 0);
}

// Whether a file holds a text, in single bytes or in UTF-16 (as a shortcut keeps its strings).
bool file_holds(const std::string& path, const std::string& text) {
    std::string wide;
    for (char ch : text) wide += ch, wide += '\0';
    const std::string bytes = read_file(path);
    return bytes.find(text) != std::string::npos || bytes.find(wide) != std::string::npos;
}

const Setting kSettings[] = {
    {"SetOrgScr>GCopyKey", kFullScreen, 0,
     [](Run& r) {
         call("SetKeyScr", r.pal.record());
         call("SetOrgScr", &r.screen);
     },
     [](Run& r) { return call("GCopyKey", r.dst.record(), 32, 24); }, 6, -1},
    {"SetKeyScr>GCopyKey2", kFullScreen, 0,
     [](Run& r) {
         call("SetOrgScr", r.other.record());
         call("SetKeyScr", &r.screen);
     },
     [](Run& r) { return call("GCopyKey2", r.dst.record(), 32, 24); }, 0, -1},
    {"SetBMSCR>GMerge", kFullScreen, 0, [](Run& r) { table(&r.screen, 0); },
     [](Run& r) { return call("GMerge", r.dst.record(), 64, 48); }, -1, -2},
    {"SetBMSCR>GRot", kFullScreen, 0,
     [](Run& r) {
         table(&r.screen, 0);
         call("GRotPos", 40, 30, 256, 0);
     },
     [](Run& r) { return call("GRot", r.dst.record(), 64, 48, 30); }, -1, -2},
    {"SetBMSCR>SleepGcopy", kFullScreen, 0, [](Run& r) { table(&r.screen, 1); },
     [](Run& r) { return call("SleepGcopy", r.dst.record(), 1, 0, 0); }, 0, 3},
    {"Set_PalBM>Get_Palette", kPaletteScreen, 0, [](Run& r) { call("Set_PalBM", &r.screen); },
     [](Run& r) { return call("Get_Palette", r.ints.record()); }, -2, -2},

    {"SetTrans>BlockTrans", kTextVar, 16, [](Run& r) { call("SetTrans", &r.var); },
     [](Run& r) {
         std::strcpy(r.text.chars(), "qv-src bytes");
         return call("BlockTrans", r.text.record(), 64, 0, 0);
     },
     0, 5,
     [](Run& r, int32_t result, bool) {
         // Into the storage the record holds now, as far as it reaches.
         if (result == 0) {
             EXPECT_EQ(std::memcmp(r.storage->data(), "qv-src", std::min<size_t>(6, r.storage->size())), 0);
         }
     }},
    {"BSortSet>BSortEx", kIntVar, 8, [](Run& r) { call("BSortSet", &r.var); },
     [](Run& r) {
         for (int i = 0; i < 8; ++i) r.keys.ints()[i] = 8 - i;
         return call("BSortEx", r.keys.record());
     },
     3, 3},
    {"Set_PalMem>Set_Palette", kIntVar, 256, [](Run& r) { call("Set_PalMem", &r.var); },
     [](Run& r) { return call("Set_Palette", r.pal.record(), 0); }, -1, -2},
    {"SetPolygon>FillPolygon", kIntVar, 8, [](Run& r) { call("SetPolygon", &r.var, 4, 0); },
     [](Run& r) { return call("FillPolygon", r.dst.record(), 0); }, 0, 0},
    {"SetJpegMem>JpegLoadMem", kTextVar, 0, [](Run& r) { call("SetJpegMem", &r.var, 0); },
     [](Run& r) { return call("JpegLoadMem", r.dst.record(), 0); }, -2, -1},
    {"SetPiMem>PiLoadMem", kTextVar, 0, [](Run& r) { call("SetPiMem", &r.var, 0); },
     [](Run& r) { return call("PiLoadMem", r.dst.record(), 0); }, -2, -1},
    {"JpegComment>JpegSave", kTextVar, 16, [](Run& r) { call("JpegComment", &r.var, 0, 0); },
     [](Run& r) { return call("JpegSave", r.dst.record(), r.dir.file("c.jpg").c_str(), 64, 48); }, 0, 0,
     [](Run& r, int32_t, bool unusable) {
         // Never the old storage's text; the new one's, cut to the length measured and to its
         // storage, when it is still a string variable and the comment still set.
         const std::string path = r.dir.file("c.jpg");
         EXPECT_FALSE(file_holds(path, "qv-old"));
         EXPECT_EQ(file_holds(path, "qv-new"), !unusable && !r.reloaded);
         if (!unusable && !r.reloaded) {
             const size_t length = std::min(kOldText.size(), r.storage->size());
             EXPECT_TRUE(file_holds(path, kNewText.substr(0, length)));
             EXPECT_FALSE(file_holds(path, kNewText.substr(0, length + 1)));
         }
     }},
    {"SetShortCutArg>CreateShortCut", kTextVar, 16, [](Run& r) { call("SetShortCutArg", &r.var); },
     [](Run& r) { return call("CreateShortCut", "C:\\windows\\notepad.exe", r.dir.file("s.lnk").c_str()); }, -1, 0,
     [](Run& r, int32_t result, bool) {
         // The text the variable holds now, as far as its storage reaches; none once unloaded.
         if (result == 0) {
             const std::string path = r.dir.file("s.lnk");
             EXPECT_FALSE(file_holds(path, "qv-old"));
             EXPECT_EQ(file_holds(path, kNewText.substr(0, std::min(kNewText.size(), r.storage->size()))), !r.reloaded);
         }
     }},

    {"SetTargetObj>GetObjText", kControl, 0, [](Run& r) { call("SetTargetObj", r.kept_full.record(), r.control); },
     [](Run& r) { return call("GetObjText", r.text.record()); }, kNothing, kNothing},
    {"DDAccept>DDDecline", kDropWindow, 0, [](Run& r) { call("DDAccept", r.kept_full.record(), 1); },
     [](Run&) { return call("DDDecline"); }, -1, 0},  // reloaded: its procedure kept it loaded
    {"CreatePopup>DoPopup", kMenu, 0,
     [](Run& r) {
         std::strcpy(r.text.chars(), "Open");
         call("CreatePopup", r.text.record(), 1, 3);
     },
     [](Run& r) { return call("DoPopup", r.dst.record(), 0, 0, 3); }, kNothing, kNothing},

    // The clock: a frame base and a tick mark from before the jump, and a frame base never set.
    // A stale base is a frame due now: the first copy comes at once (a 1-second frame) and
    // the next is timed from it.
    {"SetNowTick>SleepGcopy", kClock, 0,
     [](Run& r) {
         table(r.other.record(), 0);
         call("SetNowTick");
     },
     [](Run& r) { return timed_use(r, [&] { return call("SleepGcopy", r.dst.record(), -1000, 0, 0); }); }, 0, 3,
     [](Run& r, int32_t result, bool) {
         if (result != 0) return;
         EXPECT_LT(r.uses[1] - r.uses[0], 500u) << "waited for a stale frame";
         const DWORD start = fake_time();
         EXPECT_EQ(call("SleepGcopy", r.dst.record(), 40, 0, 0), 0);
         EXPECT_GE(fake_time() - start, 30u);
     }},
    {"(never set)>SleepGcopy", kClock, 0, [](Run& r) { table(r.other.record(), 0); },
     [](Run& r) { return timed_use(r, [&] { return call("SleepGcopy", r.dst.record(), 1000, 0, 0); }); }, 0, 3,
     [](Run& r, int32_t result, bool) {
         if (result == 0) {
             EXPECT_LT(r.uses[1] - r.uses[0], 500u) << "waited for a frame never set";
         }
     }},
    {"AdjustTickZero>TickWait", kClock, 0,
     [](Run& r) {
         r.marks[0] = fake_time();
         call("AdjustTickZero", 3);
         r.marks[1] = fake_time();
     },
     [](Run& r) {
         r.ints.ints()[0] = 50;
         return timed_use(r, [&] { return call("TickWait", r.ints.record(), 1, 259); });
     },
     kClocked, kClocked,
     [](Run& r, int32_t result, bool) {
         // Over at once, 2^31 ms or more having passed since the mark (none in a fresh
         // library: 0), answering the time passed within 31 bits as a status.
         const DWORD earliest = r.reloaded ? 0 : r.marks[1], latest = r.reloaded ? 0 : r.marks[0];
         EXPECT_GE(-result, int32_t((r.uses[0] - earliest) & 0x7FFFFFFF));
         EXPECT_LE(-result, int32_t((r.uses[1] - latest) & 0x7FFFFFFF));
     }},
};

// ---- The changes --------------------------------------------------------------------------

struct Change {
    const char* name;
    unsigned applies_to;
    void (*apply)(Run&);
    unsigned unusable_for = 0;  // what the change leaves of the other mode or type, or gone
};

uint16_t other_type(uint16_t type) { return type == host::kInteger ? host::kString : host::kInteger; }

const Change kChanges[] = {
    {"screen-smaller", kScreens, [](Run& r) { r.remake_screen(16, 12, r.screen.palette_mode, false); }},
    {"screen-larger", kScreens, [](Run& r) { r.remake_screen(200, 150, r.screen.palette_mode, false); }},
    {"screen-other-mode", kScreens, [](Run& r) { r.remake_screen(64, 48, !r.screen.palette_mode, false); }, kScreens},
    {"screen-windowless", kScreens, [](Run& r) { r.remake_screen(64, 48, r.screen.palette_mode, true); }},
    {"window-destroyed", kScreens | kControl | kDropWindow,
     [](Run& r) { DestroyWindow(host::handle<HWND>(r.screen.hwnd ? r.screen.hwnd : r.kept_full.record()->hwnd)); },
     kControl | kDropWindow},
    {"var-smaller", kVars, [](Run& r) { r.make_var(r.var.type, std::max(1, r.var.len[1] / 4), kNewText); }},
    {"var-larger", kVars, [](Run& r) { r.make_var(r.var.type, r.var.len[1] * 2u, kNewText); }},
    {"var-other-type", kVars, [](Run& r) { r.make_var(other_type(r.var.type), r.var.len[1], kNewText); }, kVars},
    {"control-deleted", kControl,
     [](Run& r) {
         DestroyWindow(host::handle<HWND>(r.kept_full.record()->objects[r.control]));
         r.kept_full.record()->objects[r.control] = 0;
     },
     kControl},
    {"clock-past-2^31", kClock, [](Run&) { set_clock(fake_time() + kPast2e31); }, kClock},
    {"library-reloaded", ~0u, [](Run&) {}},  // done by the run itself, with checks in between
};

// The library unloaded: every window keeps its own procedure and answers (but the one taking
// drops, whose procedure, the library's, keeps the library loaded).
void check_windows_without_library(Run& r, const uint8_t* image, size_t image_size, const HostScreen* taking_drops) {
    for (int i = 0; i < 5; ++i) {
        const HWND hwnd = r.windows[i]->hwnd();
        if (!IsWindow(hwnd)) continue;
        const auto proc = reinterpret_cast<const uint8_t*>(GetWindowLongA(hwnd, GWL_WNDPROC));
        if (r.windows[i] != taking_drops) {
            EXPECT_FALSE(proc >= image && proc < image + image_size) << "window " << i << " still runs the unloaded library";
            EXPECT_EQ(LONG(uintptr_t(proc)), r.procedures[i]) << "window " << i;
        }
        SendMessageA(hwnd, WM_NULL, 0, 0);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    pump_messages();
}

void run_one(const Setting& s, const Change& c) {
    Run r;
    hook_clock();
    set_clock(kBoot);
    if (s.kept == kFullScreen) r.screen = *r.kept_full.record();
    if (s.kept == kPaletteScreen) r.screen = *r.kept_pal.record();
    if (s.kept & kVars) {
        const std::string name = s.name;
        const std::string bytes = name.find("JpegMem") != std::string::npos ? jpeg_bytes(r)
                                  : name.find("PiMem") != std::string::npos ? pi_bytes()
                                  : s.kept == kIntVar ? std::string() : kOldText;
        r.make_var(s.kept == kIntVar ? host::kInteger : host::kString,
                   s.units ? s.units : uint32_t(bytes.size() + 3) / 4, bytes);
        if (s.kept == kIntVar)  // points inside the screen
            for (uint32_t i = 0; i < s.units; ++i) reinterpret_cast<int32_t*>(r.storage->data())[i] = int32_t(i * 13 % 40);
    }
    if (s.kept == kControl) r.control = r.kept_full.add_control("BUTTON", "qv button");
    s.set(r);

    const bool reload = std::string(c.name) == "library-reloaded";
    if (reload) {
        const auto* image = reinterpret_cast<const uint8_t*>(library());
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
        const size_t size = nt->OptionalHeader.SizeOfImage;
        unload_library();
        const bool stays = s.kept == kDropWindow;
        EXPECT_EQ(GetModuleHandleA("quorvel.dll") != nullptr, stays) << "loaded after FreeLibrary";
        check_windows_without_library(r, image, size, stays ? &r.kept_full : nullptr);
        reload_library();
        ASSERT_NE(library(), nullptr);
        hook_clock();
    } else {
        c.apply(r);
    }
    pump_messages();

    r.reloaded = reload;
    const int32_t result = s.use(r);
    std::printf("result %d\n", result);
    if (reload && s.unset != kClocked) {
        EXPECT_EQ(result, s.unset) << "after the library was loaded anew";
    }
    const bool unusable = (c.unusable_for & s.kept) != 0;
    if (unusable && s.unusable != kClocked) {
        EXPECT_EQ(result, s.unusable) << "on the wrong kind, or with it gone";
    }
    if (s.check) s.check(r, result, unusable);
    // Nothing reached the buffer the screen's record held before the change (the old storage
    // of a variable faults when touched).
    if (r.was_pixels) {
        EXPECT_EQ(std::memcmp(r.was_pixels, r.was_bytes.data(), r.was_bytes.size()), 0);
    }
    pump_messages();
    // What the run left in the library goes before the process ends: the drop window's
    // procedure, a popup menu, staged shortcut texts, a pending comment.
    call("DDDecline");
    call("DestroyPopup", 0);
    call("FreeShortCutParam");
    call("JpegComment", r.text.record(), 0, 1);
}

TEST(DISABLED_HostChangesChild, Run) {
    const char* setting = std::getenv("QV_CHANGES_SETTING");
    const char* change = std::getenv("QV_CHANGES_CHANGE");
    ASSERT_TRUE(setting && change);
    int pairs = 0;
    for (const Setting& s : kSettings)
        for (const Change& c : kChanges)
            if (s.name == std::string(setting) && c.name == std::string(change)) run_one(s, c), ++pairs;
    ASSERT_EQ(pairs, 1) << setting << " under " << change;
    std::printf("done\n");
}

TEST(HostChanges, EverySettingSurvivesEveryChangeTheHostCanMake) {
    int runs = 0;
    for (const Setting& s : kSettings)
        for (const Change& c : kChanges) {
            if (!(c.applies_to & s.kept)) continue;
            SetEnvironmentVariableA("QV_CHANGES_SETTING", s.name);
            SetEnvironmentVariableA("QV_CHANGES_CHANGE", c.name);
            const ProcessResult p = run_process("\"" + exe_folder() +
                                                    "qv_host_tests.exe\" --gtest_also_run_disabled_tests "
                                                    "--gtest_filter=DISABLED_HostChangesChild.Run",
                                                30000);
            ++runs;
            EXPECT_TRUE(p.exit_code == 0 && p.out.find("done") != std::string::npos)
                << s.name << " under " << c.name << ": exit " << p.exit_code << "\n" << p.out << p.err;
        }
    // 20 settings, each under every change that can befall what it keeps.
    EXPECT_EQ(runs, 80);
    std::printf("host changes: %d runs\n", runs);
}

}  // namespace
}  // namespace qv::test

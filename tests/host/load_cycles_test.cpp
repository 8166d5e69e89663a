// A host that runs one script after another loads the library, uses it and unloads it, over
// and over, in one process. Each round here leaves state in every subsystem that keeps any
// (a running tick timer, a window taking drops with a drop pending, a popup menu, a memory
// source, a staged shortcut, a search pattern, a job split over threads), then unloads. What
// the library holds through its imports (heap blocks, GDI objects, menus, thread handles,
// timers, timer periods, global memory, files, registry keys, DCs, drops) must be gone with it
// each round. While the drop window has the library's procedure the library must stay loaded
// (the host may have put its own procedure in front of it, forwarding to it), and go when the
// procedure comes out.
#include <windows.h>
#include <shlobj.h>  // before shellapi.h, for DROPFILES in mingw
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <cstring>
#include <string>

#include "host_fixture.h"
#include "import_hooks_win.h"

namespace qv::test {
namespace {

constexpr int kRounds = 100;

// A drop of one file, as the shell posts it: the block is the library's to finish from then on.
void post_drop(HWND hwnd) {
    const char name[] = "C:\\qv-dropped.txt\0";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + sizeof name);
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), name, sizeof name);
    GlobalUnlock(block);
    injector().drops.insert(block);
    PostMessageA(hwnd, WM_DROPFILES, WPARAM(block), 0);
}

bool loaded() { return GetModuleHandleA("quorvel.dll") != nullptr; }

// A host's own subclassing, as hosts do it: the procedure it replaced is kept and every
// message forwarded to it.
WNDPROC replaced = nullptr;
LRESULT CALLBACK host_procedure(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    return CallWindowProcA(replaced, hwnd, msg, w, l);
}

TEST(DISABLED_LoadCyclesChild, Run) {
    HostScreen big(2000, 1000, false, "qv cycles big");
    big.fill_pattern(1);
    HostVar text = HostVar::text(64), items = HostVar::text(16, 2), pattern = HostVar::ints(4);
    std::strcpy(text.chars(), "--qv");
    std::strcpy(items.chars(), "Open");
    std::strcpy(items.chars() + 16, "Quit");
    Injector& g = injector();
    g.refuse = 0;  // nothing refused; the first round's calls are recorded, the others' not
    for (int round = 0; round < kRounds; ++round) {
        if (round > 0) reload_library();
        ASSERT_NE(library(), nullptr) << "round " << round;
        EXPECT_TRUE(install_hooks(library()).empty()) << "a hooked function the DLL no longer imports";
        auto small = std::make_unique<HostScreen>(64, 48, false, "qv cycles");
        const HWND hwnd = small->hwnd();
        const LONG own_procedure = GetWindowLongA(hwnd, GWL_WNDPROC);
        EXPECT_EQ(call("MMCountOn", 5, 0), 0);
        EXPECT_EQ(call("DDAccept", small->record(), 1), 0);
        post_drop(hwnd);
        pump_messages();
        EXPECT_EQ(call("DDFileNo"), -1) << "round " << round;
        EXPECT_EQ(call("CreatePopup", items.record(), 0, 1), 0);
        EXPECT_EQ(call("SetJpegMem", text.record(), 0), 0);
        EXPECT_EQ(call("SetShortCutArg", text.record()), 0);
        EXPECT_EQ(call("SearchBinParam", pattern.record(), 4), 0);
        EXPECT_EQ(call("Median", big.record(), 2000, 1000, 0), 0);
        if (round == 0) {
            EXPECT_NE(std::find(g.names.begin(), g.names.end(), "CreateThread"), g.names.end()) << "no band threads";
            g.refuse = -1;
        }
        // A third of the rounds end the drops first, a third have the host's procedure in front.
        const int ending = round % 3;
        if (ending == 0) {
            EXPECT_EQ(call("DDAccept", small->record(), 0), 0);
        }
        if (ending == 1) replaced = reinterpret_cast<WNDPROC>(SetWindowLongA(hwnd, GWL_WNDPROC, LONG(uintptr_t(host_procedure))));
        unload_library();
        if (ending == 0) {
            EXPECT_FALSE(loaded()) << "round " << round;
            EXPECT_EQ(GetWindowLongA(hwnd, GWL_WNDPROC), own_procedure) << "round " << round;
        } else {
            // Still in the window: the library stays, takes a newer drop, answers messages.
            EXPECT_TRUE(loaded()) << "round " << round << ": unloaded under the drop window";
            post_drop(hwnd);
            SendMessageA(hwnd, WM_NULL, 0, 0);
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            pump_messages();
        }
        small.reset();  // the window goes, and the library's procedure with it
        EXPECT_FALSE(loaded()) << "round " << round;
        EXPECT_EQ(g.unsynchronised_timers, 0) << "a tick callback could outlive the unload";
        for (const auto& [kind, n] : held()) EXPECT_EQ(n, 0u) << "round " << round << ": " << kind << " left behind";
        if (HasFailure()) break;
    }
    reload_library();
    std::printf("load cycles: %d rounds\n", kRounds);
    std::printf("done\n");
}

TEST(LoadCycles, NothingStaysBehindAndTheWindowsWork) {
    const ProcessResult p = run_process("\"" + exe_folder() + "qv_host_tests.exe\" --gtest_also_run_disabled_tests "
                                        "--gtest_filter=DISABLED_LoadCyclesChild.Run",
                                        300000);
    EXPECT_TRUE(p.exit_code == 0 && p.out.find("done") != std::string::npos) << p.out << p.err;
    const size_t at = p.out.find("load cycles:");
    if (at != std::string::npos) std::printf("%s", p.out.substr(at, p.out.find('\n', at) + 1 - at).c_str());
}

}  // namespace
}  // namespace qv::test

// System queries, sounds, the input method, message boxes, file dialogs and Inkey through the
// DLL's exports: boxes and dialogs answered from a helper thread, keys sent for real.
#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "window/metrics.h"

namespace qv::test {
namespace {

TEST(SystemQueries, VersionTempMetricsColoursAndPriority) {
    char out[64];
    std::memset(out, 'k', sizeof out);
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    EXPECT_EQ(call("GetWinVerEx", 0, 0, 0, out), -2);
    EXPECT_EQ(std::string(out), "Windows NT  ver. " + std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion));
    EXPECT_EQ(call("GetWinVerEx", 5, 0, 0, out), -int32_t(v.dwMajorVersion)) << "5 & 3 = 1";
    EXPECT_EQ(call("GetWinVerEx", 2, 0, 0, out), -int32_t(v.dwMinorVersion));
    EXPECT_EQ(call("GetWinVerEx", 3, 0, 0, out), 0);
    // The text and its terminator only: a 32-byte variable holding it is not written past.
    const size_t used = std::strlen(out) + 1;
    ASSERT_LE(used, 32u);
    EXPECT_EQ(std::string(out + used, sizeof out - used), std::string(sizeof out - used, 'k'));

    HostVar temp = HostVar::text(260), tiny = HostVar::text(4), ints = HostVar::ints(3);
    char want[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, want);
    EXPECT_EQ(call("GetWinTemp", temp.record()), 0);
    EXPECT_STREQ(temp.chars(), want);
    EXPECT_EQ(call("GetWinTemp", tiny.record()), -int32_t(n + 1)) << "the size it needs";
    EXPECT_EQ(call("GetWinTemp", ints.record()), 6);
    // No temporary path at all (TMP longer than a path may be): a failure, the variable as it was.
    char tmp[1024];
    const DWORD had = GetEnvironmentVariableA("TMP", tmp, sizeof tmp);
    SetEnvironmentVariableA("TMP", ("C:\\" + std::string(300, 'd')).c_str());
    std::strcpy(temp.chars(), "kept");
    EXPECT_EQ(call("GetWinTemp", temp.record()), -1);
    EXPECT_STREQ(temp.chars(), "kept");
    SetEnvironmentVariableA("TMP", had ? tmp : nullptr);

    HostScreen s(300, 200, false, "qv metrics");
    for (int32_t code : {-1, 7, 13, 20}) {  // outside 0 to 13: the client width
        const int32_t want_metric = window::WindowMetric(code >= 0 && code <= 13 ? code : 0, *s.record());
        EXPECT_EQ(call("GetSysMet", s.record(), code), -std::max(want_metric, 0)) << code;
    }
    for (int32_t index : {-5, 5, 63, 99}) {
        ASSERT_EQ(call("GetSysColour", ints.record(), index), 0);
        const COLORREF c = GetSysColor(index < 0 ? 0 : (index > 63 ? 63 : index));
        EXPECT_EQ(std::vector<int32_t>(ints.ints(), ints.ints() + 3),
                  (std::vector<int32_t>{GetRValue(c), GetGValue(c), GetBValue(c)})) << index;
    }
    HostVar two = HostVar::ints(2);
    EXPECT_EQ(call("GetSysColour", two.record(), 1), 3);
    EXPECT_EQ(call("GetSysColour", temp.record(), 1), 6);

    struct Priority {
        int32_t process, thread;
        DWORD want_class;
        int want_level;
    } priorities[] = {{1, 2, IDLE_PRIORITY_CLASS, THREAD_PRIORITY_LOWEST}, {2, 5, HIGH_PRIORITY_CLASS, THREAD_PRIORITY_HIGHEST},
                      {7, 3, NORMAL_PRIORITY_CLASS, THREAD_PRIORITY_BELOW_NORMAL}, {0, 9, NORMAL_PRIORITY_CLASS, THREAD_PRIORITY_NORMAL}};
    for (const Priority& p : priorities) {
        ASSERT_EQ(call("SetPriority", p.process, p.thread), 0);
        EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), p.want_class) << p.process;
        EXPECT_EQ(GetThreadPriority(GetCurrentThread()), p.want_level) << p.thread;
    }

    // (Whether an asynchronous PlaySound of a missing file fails at once depends on Wine's
    // sound thread here, so only the type check is asserted.)
    EXPECT_EQ(call("PlayWave", ints.record()), -255);
    EXPECT_EQ(call("Ime_Open", s.record(), 1), 0);
    HIMC context = ImmGetContext(s.hwnd());
    EXPECT_TRUE(ImmGetOpenStatus(context));
    ImmReleaseContext(s.hwnd(), context);
    EXPECT_EQ(call("Ime_Open", s.record(), 0), 0);
}

// Presses button `id` of the next #32770 window and records its default button and owner.
struct BoxAnswer {
    BoxAnswer(int button, const char* name) : id(button), file(name) {}
    int id;
    const char* file;  // a file dialog: the name typed into it, then the button
    int default_id = 0;
    HWND owner = nullptr;
    std::string filter;
};
DWORD WINAPI answer_box(void* param) {
    auto* a = static_cast<BoxAnswer*>(param);
    HWND box = nullptr;
    for (int i = 0; i < 500 && !(box && IsWindowVisible(box)); ++i, Sleep(10)) box = FindWindowA("#32770", nullptr);
    if (!box) return 0;
    Sleep(150);
    a->owner = GetWindow(box, GW_OWNER);
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if ((GetWindowLongA(c, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON) a->default_id = GetDlgCtrlID(c);
    if (a->file) {
        char text[128] = {};
        SendMessageA(GetDlgItem(box, 1136), CB_GETLBTEXT, 0, LPARAM(text));  // the filter list
        a->filter = text;
        SetWindowTextA(GetDlgItem(box, 1148), a->file);
        PostMessageA(GetDlgItem(box, a->id), BM_CLICK, 0, 0);
        // The overwrite question comes as a second box of the same thread.
        for (int i = 0; i < 100; ++i, Sleep(10)) {
            HWND next = FindWindowA("#32770", nullptr);
            if (next && next != box && IsWindowVisible(next)) {
                Sleep(100);
                PostMessageA(next, WM_COMMAND, IDYES, 0);
                break;
            }
            if (!IsWindow(box)) break;
        }
    } else {
        PostMessageA(box, WM_COMMAND, a->id, 0);
    }
    return 0;
}

template <class F>
int32_t answered(BoxAnswer& a, F show) {
    HANDLE helper = CreateThread(nullptr, 0, answer_box, &a, 0, nullptr);
    const int32_t result = show();
    WaitForSingleObject(helper, 10000);
    CloseHandle(helper);
    pump_messages(100);
    return result;
}

TEST(Dialogs, MessageBoxButtonsDefaultsAndOwner) {
    HostScreen owner(200, 100, false, "qv owner");
    call("SetParentWnd", owner.record(), 1);
    struct Case {
        int32_t style, default_button;
        int press, want_default;
        int32_t want;
    } cases[] = {
        {0x00, 0, IDOK, IDOK, -1},        {0x31, 0, IDYES, IDYES, -2},       {0x31, 2, IDNO, IDNO, -3},
        {0x14, 2, IDCANCEL, IDCANCEL, -4}, {0x52, 0, IDABORT, IDABORT, -5},  {0x52, 3, IDIGNORE, IDIGNORE, -6},
        {0x23, 0, IDRETRY, IDRETRY, -7},  {0x44, 3, IDCANCEL, IDCANCEL, -4},
    };
    for (const Case& c : cases) {
        BoxAnswer a{c.press, nullptr};
        EXPECT_EQ(answered(a, [&] { return call("ExDialog", "text", "qv box", c.style, c.default_button); }), c.want)
            << std::hex << c.style;
        EXPECT_EQ(a.default_id, c.want_default) << std::hex << c.style << " default " << c.default_button;
        EXPECT_EQ(a.owner, nullptr) << "no saved parent";
    }
    ASSERT_EQ(call("SetParentWnd", owner.record(), 0), 0);
    BoxAnswer a{IDOK, nullptr};
    EXPECT_EQ(answered(a, [&] { return call("ExDialog", "owned", "qv box", 0, 0); }), -1);
    EXPECT_EQ(a.owner, owner.hwnd());
    {
        HostScreen gone(100, 80, false, "qv gone owner");
        ASSERT_EQ(call("SetParentWnd", gone.record(), 0), 0);
    }
    BoxAnswer b{IDOK, nullptr};
    EXPECT_EQ(answered(b, [&] { return call("ExDialog", "unowned", "qv box", 0, 0); }), -1);
    EXPECT_EQ(b.owner, nullptr) << "a saved parent that has gone is no owner";
    EXPECT_EQ(call("ChangeParentWnd", owner.record()), -1) << "and was forgotten";
}

TEST(Dialogs, OpenAndSaveWithMasks) {
    TempDir dir;
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    call("FileMaskFree");
    ASSERT_TRUE(write_file(dir.file("picked.txt"), "x"));
    HostVar name = HostVar::ints(64), small = HostVar::ints(64);
    small.record()->len[1] = 64;  // 256 bytes
    small.record()->type = host::kInteger;
    EXPECT_EQ(call("GetOpenFile", small.record(), "txt"), -260);
    EXPECT_EQ(small.record()->type, host::kString) << "made a string first";
    HostVar big = HostVar::text(512);
    BoxAnswer open{IDOK, ""};
    const std::string picked = dir.file("picked.txt");
    open.file = picked.c_str();
    EXPECT_EQ(answered(open, [&] { return call("GetOpenFile", big.record(), "txt"); }), 0);
    EXPECT_STREQ(big.chars(), picked.c_str());
    EXPECT_EQ(open.filter, "\x91\x53\x82\xC4 (*.*)") << "the default filter";
    BoxAnswer cancel{IDCANCEL, "whatever.txt"};
    EXPECT_EQ(answered(cancel, [&] { return call("GetOpenFile", big.record(), "txt"); }), -1);

    HostVar masks = HostVar::text(16, 4);
    const char* texts[] = {"Pictures", "*.jpg", "All", "*.*"};
    for (int i = 0; i < 4; ++i) std::strcpy(masks.chars() + 16 * i, texts[i]);
    HostVar one = HostVar::text(16, 1);
    EXPECT_EQ(call("SetFileMask", one.record(), 0), -1);
    ASSERT_EQ(call("SetFileMask", masks.record(), 1), 0);
    BoxAnswer save{IDOK, ""};
    save.file = picked.c_str();  // exists: the overwrite question is answered Yes
    std::strcpy(big.chars(), "start.txt");
    EXPECT_EQ(answered(save, [&] { return call("GetSaveFile", big.record(), "txt", 2); }), 0);
    EXPECT_EQ(save.filter, "Pictures");
    EXPECT_STREQ(big.chars(), picked.c_str());
    EXPECT_EQ(call("FileMaskFree"), -1) << "the mask served one dialog";
    SetCurrentDirectoryA(folder);
}

TEST(Inkey, KeysModifiersAndLocks) {
    HostScreen s(200, 100, false, "qv keys");
    SetForegroundWindow(s.hwnd());
    SetFocus(s.hwnd());
    pump_messages(200);
    HostVar key = HostVar::ints(1), text = HostVar::text(8);
    EXPECT_EQ(call("Inkey", text.record()), 6);
    struct Case {
        BYTE held;  // a modifier held before Inkey is called (0: none)
        BYTE key;   // pressed while it waits
        bool num_lock;
        int32_t code, flags;
    } cases[] = {
        {0, 'A', false, 97, 0},
        {VK_SHIFT, '2', false, 34, -1},
        {0, VK_NUMPAD5, true, 53, -16},
        {0, VK_HOME, false, 932, 0},
        {VK_CONTROL, 'B', false, 98, -2},
    };
    struct Sender {
        BYTE key;
        static DWORD WINAPI run(void* p) {
            Sleep(150);
            const BYTE k = static_cast<Sender*>(p)->key;
            keybd_event(k, 0, 0, 0);
            keybd_event(k, 0, KEYEVENTF_KEYUP, 0);
            return 0;
        }
    };
    for (const Case& c : cases) {
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_NUMLOCK] = c.num_lock ? 1 : 0;
        state[VK_CAPITAL] = 0;
        SetKeyboardState(state);
        if (c.held) keybd_event(c.held, 0, 0, 0);
        pump_messages(100);  // the modifier's own key-down is not what Inkey waits for
        Sender sender{c.key};
        HANDLE helper = CreateThread(nullptr, 0, Sender::run, &sender, 0, nullptr);
        const int32_t flags = call("Inkey", key.record());
        WaitForSingleObject(helper, 5000);
        CloseHandle(helper);
        if (c.held) keybd_event(c.held, 0, KEYEVENTF_KEYUP, 0);
        pump_messages(100);
        EXPECT_EQ(key.ints()[0], c.code) << c.code;
        EXPECT_EQ(flags, c.flags) << c.code;
    }
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_NUMLOCK] = 0;
    SetKeyboardState(state);
}

TEST(Inkey, AQuitMessageEndsTheProcessWithOneAndTimersRunMeanwhile) {
    TempDir dir;
    ASSERT_TRUE(write_file(dir.file("quit.qv"), "screen s 64 64\nmenutimer 50\nvar k int 1\nquittimer 300\nInkey k\necho \"not reached\"\n"));
    const auto r = run_process("\"" + exe_folder() + "qvrun.exe\" \"" + dir.file("quit.qv") + "\"");
    EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
    EXPECT_EQ(r.out.find("not reached"), std::string::npos);
}

}  // namespace
}  // namespace qv::test

// The window commands through the DLL's exports, on real top-level windows under Xvfb:
// placement, show state, activation, styles, parents and the desktop copy. Sizes come from
// the measured metrics; what the window system decides late is pumped for first.
#include <algorithm>
#include <array>
#include <cstring>

#include "host_fixture.h"
#include "window/parent_win.h"
#include "window/settings.h"

namespace qv::test {
namespace {

RECT rect_of(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

HostVar text_var(const std::string& text, uint32_t bytes) {
    HostVar v = HostVar::text(bytes);
    std::memset(v.data(), 0, v.storage_bytes());
    std::memcpy(v.data(), text.data(), text.size());
    return v;
}

TEST(WindowPlacement, EdgesMovesSizesAndTheMouse) {
    HostScreen s(400, 300, false, "qv place");
    const int32_t cap = GetSystemMetrics(SM_CYCAPTION);
    ASSERT_EQ(call("SetWinPos", s.record(), 100, 80), 0);
    pump_messages(100);
    RECT r = rect_of(s.hwnd());
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 80);
    for (int32_t which : {0, 4, -1}) EXPECT_EQ(call("GetWinRect", s.record(), which), -100) << which;
    EXPECT_EQ(call("GetWinRect", s.record(), 1), -80);
    EXPECT_EQ(call("GetWinRect", s.record(), 2), -r.right);
    EXPECT_EQ(call("GetWinRect", s.record(), 3), -r.bottom);

    EXPECT_EQ(call("SetWinSize2", s.record(), 0, 100), 3);
    EXPECT_EQ(call("SetWinSize2", s.record(), 300, -1), 3);
    pump_messages(50);
    const RECT after = rect_of(s.hwnd());
    EXPECT_EQ(std::memcmp(&r, &after, sizeof r), 0) << "refused: nothing moved";
    ASSERT_EQ(call("SetWinSize2", s.record(), 300, 200), 0);
    r = rect_of(s.hwnd());
    EXPECT_EQ((std::array{r.left, r.top, r.right - r.left, r.bottom - r.top}), (std::array<LONG, 4>{100, 80, 300, 200}));
    ASSERT_EQ(call("SetWinSize", s.record(), 320, 240), 0);
    r = rect_of(s.hwnd());
    EXPECT_EQ((std::array{r.right - r.left, r.bottom - r.top}), (std::array<LONG, 2>{326, 240 + cap + 6}));
    // Below 1: from the client area as it is now, within the buffer.
    RECT c{};
    GetClientRect(s.hwnd(), &c);
    s.set_cursor(50, 60);
    ASSERT_EQ(call("SetWinSize", s.record(), 0, 240, 1), 0);
    r = rect_of(s.hwnd());
    EXPECT_EQ((std::array{r.left, r.top, r.right - r.left, r.bottom - r.top}),
              (std::array<LONG, 4>{50, 60, std::min<LONG>(c.right + 2, 400) + 6, std::min<LONG>(c.bottom + 4, 300) + cap + 6}));

    // The mouse in client coordinates; the right and bottom edges are outside.
    GetClientRect(s.hwnd(), &c);
    struct Case {
        int32_t x, y, want_x, want_y;
    } cases[] = {{10, 20, -10, -20}, {0, 0, 0, 0}, {c.right - 1, c.bottom - 1, -(c.right - 1), -(c.bottom - 1)},
                 {c.right, 5, -268435455, -268435455}, {5, c.bottom, -268435455, -268435455}, {-1, 5, -268435455, -268435455}};
    for (const Case& k : cases) {
        ASSERT_EQ(call("SetCursorClient", s.record(), k.x, k.y), 0);
        EXPECT_EQ(call("GetClientCurPos", s.record(), 0), k.want_x) << k.x << "," << k.y;
        EXPECT_EQ(call("GetClientCurPos", s.record(), 1), k.want_y) << k.x << "," << k.y;
    }
    // Sizes at the top of the integer range with the frame added stay large: the sum does not
    // wrap round to a negative size, which the system would make the smallest window.
    ASSERT_EQ(call("SetWinSize", s.record(), INT32_MAX, INT32_MAX - 2), 0);
    r = rect_of(s.hwnd());
    EXPECT_GE(r.right - r.left, 326);
    EXPECT_GE(r.bottom - r.top, 240);
}

TEST(WindowState, ShowStatesAndEnabling) {
    HostScreen s(300, 200, false, "qv state");
    struct Case {
        const char* command;
        int32_t iconic, zoomed;
    } cases[] = {{"TobMinimize", -1, 0}, {"TobRestore", 0, 0}, {"TobMaximize", 0, -1}, {"TobRestore", 0, 0}};
    for (const Case& k : cases) {
        ASSERT_EQ(call(k.command, s.record()), 0);
        pump_messages(200);
        EXPECT_EQ(call("Iconic", s.record()), k.iconic) << k.command;
        EXPECT_EQ(call("Zoomed", s.record()), k.zoomed) << k.command;
    }

    HWND button = CreateWindowA("BUTTON", "b", WS_CHILD | WS_VISIBLE, 0, 0, 40, 20, s.hwnd(), nullptr, nullptr, nullptr);
    s.record()->objects[3] = host::Word(uintptr_t(button));
    struct Enable {
        int32_t index, mode;
        HWND target;
        bool enabled;
    } steps[] = {{3, -1, button, false}, {3, 0, button, true}, {3, 0, button, false}, {3, 7, button, true},
                 {64, -1, s.hwnd(), false}, {-5, 0, s.hwnd(), true}, {-1, -3, s.hwnd(), false}, {64, 1, s.hwnd(), true},
                 {10, 1, s.hwnd(), true}};  // an empty slot: nothing to enable
    for (const Enable& e : steps) {
        ASSERT_EQ(call("WinEnable", s.record(), e.index, e.mode), 0);
        EXPECT_EQ(IsWindowEnabled(e.target) != 0, e.enabled) << e.index << " " << e.mode;
    }
    EXPECT_EQ(call("WinEnable", s.record(), 65, -1), -1);
    EXPECT_TRUE(IsWindowEnabled(s.hwnd()));
}

TEST(WindowActivation, TitlesForegroundAndZOrder) {
    HostScreen hidden(200, 100, false, "qv hidden zqxNote"), shown(200, 100, false, "qv shown zqxNote two"),
        other(200, 100, false, "qv other window");
    ShowWindow(hidden.hwnd(), SW_HIDE);
    pump_messages(100);
    HostVar note = text_var("zqxNote", 64);
    ASSERT_EQ(call("WinActivate", note.record()), 0);
    pump_messages(200);
    EXPECT_EQ(GetForegroundWindow(), shown.hwnd()) << "the hidden window's match is passed over";
    // A text that fills its buffer without a zero byte ends at the buffer's end.
    HostVar unterminated = text_var("other wi", 8);
    ASSERT_EQ(call("WinActivate", unterminated.record()), 0);
    pump_messages(200);
    EXPECT_EQ(GetForegroundWindow(), other.hwnd());
    HostVar big = text_var("zqxNote", 2048), empty = text_var("", 64), none = text_var("no such title zq", 64);
    HostVar ints = HostVar::ints(4);
    EXPECT_EQ(call("WinActivate", big.record()), -2) << "a 2048-byte buffer";
    EXPECT_EQ(call("WinActivate", empty.record()), -2);
    EXPECT_EQ(call("WinActivate", none.record()), -2);
    EXPECT_EQ(call("WinActivate", ints.record()), -1);
    // A text without a zero byte in storage that ends at a page that cannot be read: it ends
    // with the storage, whatever len[1] claims.
    GuardedVar guarded(host::kString, "other wi");
    ASSERT_EQ(call("ToTopWin", shown.record()), 0);
    pump_messages(200);
    ASSERT_EQ(GetForegroundWindow(), shown.hwnd());
    EXPECT_EQ(call("WinActivate", guarded.record()), 0);
    pump_messages(200);
    EXPECT_EQ(GetForegroundWindow(), other.hwnd());

    // The foreground window's rectangle, then -16 until another comes to the front.
    HostVar three = HostVar::ints(3), four = HostVar::ints(4);
    EXPECT_EQ(call("GetForeWinPos", three.record()), -2);
    EXPECT_EQ(call("GetForeWinPos", note.record()), -1);
    call("GetForeWinPos", four.record());
    EXPECT_EQ(call("GetForeWinPos", four.record()), -16);
    ASSERT_EQ(call("ToTopWin", shown.record()), 0);
    pump_messages(200);
    ASSERT_EQ(GetForegroundWindow(), shown.hwnd());
    ASSERT_EQ(call("GetForeWinPos", four.record()), 0);
    const RECT r = rect_of(shown.hwnd());
    EXPECT_EQ((std::array{four.ints()[0], four.ints()[1], four.ints()[2], four.ints()[3]}),
              (std::array<int32_t, 4>{r.left, r.top, r.right, r.bottom}));
    EXPECT_EQ(call("GetForeWinPos", four.record()), -16);

    // UnActivate hands the front on and keeps the window shown (or, with no other window to
    // take it, leaves it hidden).
    EXPECT_EQ(call("UnActivate", other.record()), -1) << "not in front";
    ASSERT_EQ(call("UnActivate", shown.record()), 0);
    pump_messages(200);
    if (IsWindowVisible(shown.hwnd())) {
        EXPECT_NE(GetForegroundWindow(), shown.hwnd());
    }

    EXPECT_EQ(call("SetWinZOrder", other.record(), 1), -1) << "visible: nothing done";
    ASSERT_EQ(call("SetWinZOrder", hidden.record(), 0), 0);
    pump_messages(100);
    EXPECT_TRUE(IsWindowVisible(hidden.hwnd())) << "shown, at the bottom or (Wine) the top";
}

TEST(WindowStyles, TablesLimitsAndOrder) {
    HostScreen s(300, 200, false, "qv styles");
    const auto style = [&] { return GetWindowLongA(s.hwnd(), GWL_STYLE); };
    const auto ex_style = [&] { return GetWindowLongA(s.hwnd(), GWL_EXSTYLE); };
    SetWindowLongA(s.hwnd(), GWL_STYLE, style() | WS_CLIPCHILDREN);
    struct Case {
        const char* command;
        int32_t remove, add;
        LONG bit;
        bool set;
    } cases[] = {
        {"SetWinLong", 20, 0, WS_CLIPCHILDREN, false},      {"SetWinLong", 0, 4, WS_THICKFRAME, true},
        {"SetWinLong", 4, 0, WS_THICKFRAME, false},         {"SetWinLong", 8, 8, WS_HSCROLL, true},
        {"SetWinLong", -1, 0, WS_HSCROLL, true},            {"SetWinLongEx", 0, 9, WS_EX_TRANSPARENT, true},
        {"SetWinLongEx", 0, 1, WS_EX_TOOLWINDOW, true},     {"SetWinLongEx", 1, -2, WS_EX_TOOLWINDOW, false},
        {"SetWinLongEx", 3, 0, WS_EX_TRANSPARENT, false},
    };
    for (const Case& k : cases) {
        const bool ex = std::strcmp(k.command, "SetWinLongEx") == 0;
        const LONG before = ex ? ex_style() : style();
        ASSERT_EQ(call(k.command, s.record(), k.remove, k.add), 0);
        const LONG after = ex ? ex_style() : style();
        EXPECT_EQ((after & k.bit) != 0, k.set) << k.command << " " << k.remove << " " << k.add;
        EXPECT_EQ(after & ~k.bit, before & ~k.bit) << "no other bit changes";
    }
    const LONG before = style();
    ASSERT_EQ(call("SetWinLong", s.record(), 0, 0), 0);
    EXPECT_EQ(style(), before);
}

TEST(WindowParents, SavedParentChildrenAndGoneWindows) {
    HostScreen a(300, 200, false, "qv parent"), b(100, 80, false, "qv child"), hidden(100, 80, false, "qv hid");
    ShowWindow(hidden.hwnd(), SW_HIDE);
    ASSERT_EQ(call("SetParentWnd", a.record(), 0), 0);
    EXPECT_EQ(call("SetParentWnd", hidden.record(), 0), -1) << "not visible: a stays saved";
    EXPECT_EQ(call("ChangeParentWnd", a.record()), -2) << "its own parent";
    ASSERT_EQ(call("ChangeParentWnd", b.record()), 0);
    EXPECT_EQ(GetAncestor(b.hwnd(), GA_PARENT), a.hwnd());
    // The first child of a is b now: GetVeshWin disables it and leaves nothing else set.
    ASSERT_EQ(call("GetVeshWin", a.record()), 0);
    EXPECT_EQ(GetWindowLongA(b.hwnd(), GWL_STYLE), LONG(WS_DISABLED));
    EXPECT_EQ(call("GetVeshWin", hidden.record()), 0) << "no child";
    SetParent(b.hwnd(), nullptr);
    EXPECT_EQ(call("SetParentWnd", a.record(), 1), -2);
    EXPECT_EQ(call("ChangeParentWnd", b.record()), -1);
    // A saved window that has gone: ChangeParentWnd uses it as it is (and SetParent fails);
    // as an owner it is none, and forgotten. (The rule is checked on this program's own
    // copy of the state: the DLL keeps its own.)
    HWND gone_hwnd;
    {
        HostScreen gone(100, 80, false, "qv gone");
        gone_hwnd = gone.hwnd();
        ASSERT_EQ(call("SetParentWnd", gone.record(), 0), 0);
    }
    EXPECT_EQ(call("ChangeParentWnd", b.record()), 0);
    EXPECT_EQ(GetAncestor(b.hwnd(), GA_PARENT), GetDesktopWindow());
    window::settings.saved_parent = host::Word(uintptr_t(a.hwnd()));
    EXPECT_EQ(window::owner_window(), a.hwnd());
    window::settings.saved_parent = host::Word(uintptr_t(gone_hwnd));
    EXPECT_EQ(window::owner_window(), nullptr);
    EXPECT_EQ(window::settings.saved_parent, 0u);
    call("SetParentWnd", a.record(), 1);
}

TEST(WindowDesktop, CopiesTheDisplayOneToOneAndScaled) {
    HostScreen mark(120, 90, false, "qv mark");
    mark.fill({0, 0, 250});
    SetWindowPos(mark.hwnd(), HWND_TOP, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    InvalidateRect(mark.hwnd(), nullptr, FALSE);
    pump_messages(300);
    POINT at{60, 45};  // the middle of mark's client area, on the display
    ClientToScreen(mark.hwnd(), &at);
    const int32_t cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    HostScreen copy(cx, cy, false, "qv copy"), half(cx / 2, cy / 2, false, "qv half");
    SetWindowPos(copy.hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    ShowWindow(copy.hwnd(), SW_HIDE);
    ShowWindow(half.hwnd(), SW_HIDE);
    pump_messages(100);
    ASSERT_EQ(call("PaintDesktopImage", copy.record(), 0, 0, 0), 0);
    EXPECT_EQ(copy.pixel(at.x, at.y), (Bgr{0, 0, 250}));
    EXPECT_EQ(call("PaintDesktopImage", half.record(), 1, 1, 0), -(cx / 2));
    EXPECT_EQ(half.pixel(at.x / 2, at.y / 2), (Bgr{0, 0, 250})) << "scaled to half";
    const int32_t want[] = {0, -(cx / 2), -(cy / 2), -cx, -cy, 0};
    for (int32_t which = 0; which <= 5; ++which)
        EXPECT_EQ(call("PaintDesktopImage", half.record(), 1, which, which == 5), want[which]) << which;
    host::BMSCR empty = *half.record();
    empty.width = 0;
    EXPECT_EQ(call("PaintDesktopImage", &empty, 1, 1, 0), -0x7FFFFFFF) << "nothing copied, not the width";
}

}  // namespace
}  // namespace qv::test

namespace qv::test {
namespace {

// Ends the system's move loop from another thread: the button goes up (a posted button-up,
// then Escape), again and again until the loop has returned.
struct Release {
    HWND hwnd;
    volatile LONG done;
};
DWORD WINAPI release_later(void* param) {
    auto* r = static_cast<Release*>(param);
    for (int i = 0; i < 100 && !r->done; ++i) {
        Sleep(100);
        PostMessageA(r->hwnd, WM_LBUTTONUP, 0, 0);
        if (i >= 2) PostMessageA(r->hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    return 0;
}

TEST(WindowDrag, TheMoveLoopEndsWhenTheButtonIsReleased) {
    HostScreen s(300, 200, false, "qv drag");
    SetForegroundWindow(s.hwnd());
    pump_messages(200);
    Release release{s.hwnd(), 0};
    HANDLE helper = CreateThread(nullptr, 0, release_later, &release, 0, nullptr);
    EXPECT_EQ(call("DragWin", s.record()), 0);  // the suite's time-out catches a hang
    release.done = 1;
    WaitForSingleObject(helper, 15000);
    CloseHandle(helper);
    EXPECT_EQ(GetCapture(), nullptr) << "the loop let the mouse go";
}

// A zero handle and one whose window has gone: every command keeps its normal result.
TEST(WindowGone, CommandsOnHandlesThatAreNoWindows) {
    HWND gone;
    {
        HostScreen g(100, 80, false, "qv gone soon");
        gone = g.hwnd();
    }
    HostScreen s(100, 80, false, "qv record");
    SetForegroundWindow(s.hwnd());  // so that neither handle is the foreground one
    pump_messages(100);
    host::BMSCR rec = *s.record();
    const std::pair<const char*, int32_t> cases[] = {
        {"GetWinRect", 0},  {"SetWinPos", 0},   {"SetWinSize", 0},      {"SetWinSize2", 0}, {"GetClientCurPos", -268435455},
        {"Iconic", 0},      {"Zoomed", 0},      {"TobMinimize", 0},     {"TobRestore", 0},  {"FlashWin", 0},
        {"DragWin", 0},     {"WinEnable", 0},   {"ToTopWin", 0},        {"SetWinZOrder", 0}, {"UnActivate", -1},
        {"SetWinLong", 0},  {"SetWinLongEx", 0}, {"SetParentWnd", -2},  {"GetVeshWin", 0},
        {"GetSysMenuCount", 0},  // no system menu: no items, never an error number
    };
    for (HWND h : {HWND(nullptr), gone}) {
        rec.hwnd = host::Word(uintptr_t(h));
        for (auto [name, want] : cases) EXPECT_EQ(call(name, &rec, 64, 5, 1), want) << name << " on " << h;
    }
}

}  // namespace
}  // namespace qv::test

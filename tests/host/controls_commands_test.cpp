// The control and menu commands through the DLL's exports, on real BUTTON and EDIT children
// of a screen's window and real menus: placement, styles, text, the snapshot tables, popup
// menus driven from a helper thread, and the system menu found by command identifiers.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"

namespace qv::test {
namespace {

// A control's rectangle in its parent's client coordinates.
RECT placed(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

struct Panel {
    HostScreen s{300, 240, false, "qv panel"};
    int button = s.add_control("BUTTON", "Push");
    int edit = s.add_control("EDIT", "Hello from an edit box");
    HWND control(int slot) { return reinterpret_cast<HWND>(uintptr_t(s.record()->objects[slot])); }
};

// Records the parent's WM_COMMAND notifications.
WNDPROC parent_proc;
std::vector<std::pair<WORD, HWND>> notified;
LRESULT CALLBACK record_commands(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_COMMAND) notified.emplace_back(HIWORD(w), reinterpret_cast<HWND>(l));
    return CallWindowProcA(parent_proc, hwnd, msg, w, l);
}

TEST(Controls, PlacementFontClicksAndTheMouse) {
    Panel p;
    ASSERT_EQ(p.button, 0);
    ASSERT_EQ(p.edit, 1);
    ASSERT_EQ(call("MoveObject", p.s.record(), 0, -10, 30), 0);
    ASSERT_EQ(call("ResizeObject", p.s.record(), 0, 0, -5), 0);
    RECT r = placed(p.control(0));
    EXPECT_EQ((std::array{r.left, r.top, r.right - r.left, r.bottom - r.top}), (std::array<LONG, 4>{0, 30, 16, 16}));
    // Odd sizes: the centre by truncating division.
    ASSERT_EQ(call("ResizeObject", p.s.record(), 0, 121, 25), 0);
    ASSERT_EQ(call("CallCursor", p.s.record(), 0, 0), 0);
    GetWindowRect(p.control(0), &r);
    POINT at{};
    GetCursorPos(&at);
    EXPECT_EQ((std::array{at.x, at.y}), (std::array<LONG, 2>{r.left + 60, r.top + 12}));
    ASSERT_EQ(call("CallCursor", p.s.record(), 5, 1), 0) << "on the window: the slot need not be used";
    GetWindowRect(p.s.hwnd(), &r);
    GetCursorPos(&at);
    EXPECT_EQ((std::array{at.x, at.y}), (std::array<LONG, 2>{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2}));

    HFONT font = CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
    p.s.record()->font = host::Word(uintptr_t(font));
    ASSERT_EQ(call("Obj_Font", p.s.record(), 1), 0);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(p.control(1), WM_GETFONT, 0, 0)), font);

    parent_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(p.s.hwnd(), GWLP_WNDPROC, LONG_PTR(record_commands)));
    notified.clear();
    ASSERT_EQ(call("BtnPush", p.s.record(), 0), 0);
    EXPECT_TRUE(notified.empty()) << "the click comes after the command returns";
    pump_messages(100);
    ASSERT_EQ(notified.size(), 1u);
    EXPECT_EQ(notified[0], std::make_pair(WORD(BN_CLICKED), p.control(0)));
    SetWindowLongPtrA(p.s.hwnd(), GWLP_WNDPROC, LONG_PTR(parent_proc));

    // Indexes out of range, empty slots and controls that have gone.
    DestroyWindow(p.control(1));  // slot 1 still holds its handle
    struct Case {
        const char* command;
        int32_t index, want;
    } cases[] = {
        {"MoveObject", -1, -1}, {"MoveObject", 64, -1}, {"MoveObject", 5, -2},  {"MoveObject", 1, -2},
        {"ResizeObject", 65, -1}, {"ResizeObject", 1, -2}, {"Obj_Font", 64, -1}, {"Obj_Font", 5, 5},
        {"BtnPush", -1, -1},    {"BtnPush", 5, -1},     {"BtnPush", 1, -1},     {"CallCursor", 64, -1},
        {"CallCursor", 1, -1},  {"BS_Def", 5, -1},      {"BS_Multi", 1, -1},    {"BS_Ext", 64, -1},
    };
    for (const Case& c : cases) {
        const int32_t third = std::strcmp(c.command, "BS_Ext") == 0 ? 3 : 0;  // a valid style
        EXPECT_EQ(call(c.command, p.s.record(), c.index, third), c.want) << c.command << " " << c.index;
    }
    EXPECT_EQ(call("CallCursor", p.s.record(), -1, 1), -1) << "a bad index with on_window";
    DeleteObject(font);
}

TEST(Controls, ButtonStylesAddTheirBits) {
    Panel p;
    const auto style = [&] { return GetWindowLongA(p.control(0), GWL_STYLE); };
    struct Case {
        const char* command;
        int32_t index, style;
        LONG bits;
        int32_t want;
    } cases[] = {
        {"BS_Def", 0, 0, BS_DEFPUSHBUTTON, 0}, {"BS_Multi", 0, 0, BS_MULTILINE, 0}, {"BS_Ext", 0, 99, BS_BITMAP, 0},
        {"BS_Ext", 0, 7, BS_VCENTER, 0},       {"BS_Ext", 0, 9, BS_AUTOCHECKBOX, 0}, {"BS_Ext", 0, 18, 0, 0},
        {"BS_Ext", 99, 0, 0, -16},             {"BS_Ext", 0, -3, 0, -16},
    };
    for (const Case& c : cases) {
        const LONG before = style();
        EXPECT_EQ(call(c.command, p.s.record(), c.index, c.style), c.want) << c.command << " " << c.style;
        EXPECT_EQ(style(), before | c.bits) << c.command << " " << c.style;
    }
}

TEST(Controls, TargetTextAndTheSnapshotTables) {
    Panel p;
    HostVar ints = HostVar::ints(16), small = HostVar::text(8);
    EXPECT_EQ(call("SetTargetObj", p.s.record(), 7), -2);
    EXPECT_EQ(call("GetObjText", ints.record()), -2147483647);
    EXPECT_EQ(ints.record()->type, host::kString) << "the variable becomes a string first";
    ASSERT_EQ(call("SetTargetObj", p.s.record(), 1), 0);
    ints.record()->type = host::kInteger;
    EXPECT_EQ(call("GetObjText", ints.record()), -22);
    EXPECT_STREQ(ints.chars(), "Hello from an edit box");
    EXPECT_EQ(call("GetObjText", small.record()), -6) << "cut at 8 - 1 characters with the zero";
    EXPECT_STREQ(small.chars(), "Hello ");
    EXPECT_EQ(call("SetTargetObj", p.s.record(), 64), -1);
    EXPECT_EQ(call("GetObjText", small.record()), -2147483647) << "the refusal cleared the target";
    ASSERT_EQ(call("SetTargetObj", p.s.record(), 1), 0);
    DestroyWindow(p.control(1));
    EXPECT_EQ(call("GetObjText", small.record()), -2147483647);

    HostVar changes = HostVar::ints(64);
    std::fill(changes.ints(), changes.ints() + 64, 7);
    ASSERT_EQ(call("SetObjTable", p.s.record()), 0);
    ASSERT_EQ(call("CheckObjTable", p.s.record()), 0);
    ASSERT_EQ(call("GetObjTable", changes.record()), 0);
    EXPECT_EQ(std::vector<int32_t>(changes.ints(), changes.ints() + 64), std::vector<int32_t>(64, 0));
    p.s.record()->objects[1] = 0;  // the script cleared the destroyed control's slot
    ASSERT_EQ(call("CheckObjTable", p.s.record()), 0);
    ASSERT_EQ(call("GetObjTable", changes.record()), 0);
    std::vector<int32_t> want(64, 0);
    want[1] = 1;
    EXPECT_EQ(std::vector<int32_t>(changes.ints(), changes.ints() + 64), want);
    HostVar short_one = HostVar::ints(63);
    EXPECT_EQ(call("GetObjTable", short_one.record()), -2);
    EXPECT_EQ(call("GetObjTable", small.record()), -1);
}

// Answers the next popup menu: `downs` presses of the down key and Return, or (downs < 0)
// dismisses it.
struct MenuAnswer {
    int downs;
};
DWORD WINAPI answer_menu(void* param) {
    const int downs = static_cast<MenuAnswer*>(param)->downs;
    HWND menu = nullptr;
    for (int i = 0; i < 300 && !(menu && IsWindowVisible(menu)); ++i, Sleep(10)) menu = FindWindowA("#32768", nullptr);
    Sleep(100);
    if (downs < 0 || !menu) {
        EndMenu();
        return 0;
    }
    for (int i = 0; i < downs; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return 0;
}

int32_t pop(HostScreen& s, int32_t slot, int downs) {
    MenuAnswer a{downs};
    HANDLE helper = CreateThread(nullptr, 0, answer_menu, &a, 0, nullptr);
    const int32_t result = call("DoPopup", s.record(), 100, 100, slot);
    WaitForSingleObject(helper, 10000);
    CloseHandle(helper);
    return result;
}

TEST(PopupMenus, SlotsItemsAndChoices) {
    HostScreen s(200, 150, false, "qv popups");
    SetForegroundWindow(s.hwnd());
    pump_messages(100);
    call("DestroyPopup", 0);
    HostVar items = HostVar::text(16, 4), ints = HostVar::ints(8), single = HostVar::text(16);
    for (int i = 0; i < 4; ++i) std::strcpy(items.chars() + 16 * i, std::vector<const char*>{"Open", "-", "Save", "Quit"}[i]);
    EXPECT_EQ(call("DestroyPopup", 0), -1) << "nothing to destroy";
    EXPECT_EQ(call("CreatePopup", ints.record(), 0, 3), 6);
    ASSERT_EQ(call("CreatePopup", items.record(), 0, 3), 0);
    EXPECT_EQ(call("CreatePopup", items.record(), 0, 3), -1) << "slot 3 is live";
    EXPECT_EQ(call("DestroyPopup", 259), 0);
    EXPECT_EQ(call("DestroyPopup", 259), -1);
    ASSERT_EQ(call("CreatePopup", items.record(), 9, 3), 0) << "a count beyond the strings: all";
    EXPECT_EQ(pop(s, 3, 3), -3) << "Quit: the separator takes no number";
    EXPECT_EQ(pop(s, 3, 2), -2);
    EXPECT_EQ(pop(s, 3, -1), 0) << "dismissed";
    EXPECT_EQ(call("DoPopup", s.record(), 0, 0, 5), -2147483647) << "a free slot";
    ASSERT_EQ(call("CreatePopup", items.record(), 2, 12), 0) << "slot 12 is slot 0; only Open and -";
    EXPECT_EQ(pop(s, 99, 2), -1) << "Open is the only item";
    // Strings that fill their 4 bytes without a zero; a one-dimensional variable has no
    // strings (its len[2] is 0).
    HostVar tight = HostVar::text(4, 3);
    std::memcpy(tight.chars(), "Open-\0\0\0Save", 12);
    ASSERT_EQ(call("CreatePopup", tight.record(), 0, 1), 0);
    EXPECT_EQ(pop(s, 1, 2), -2);
    EXPECT_EQ(call("CreatePopup", single.record(), 0, 2), 0);
    EXPECT_EQ(call("DestroyPopup", 0), 0) << "all: slots 0 to 3 are live";
    EXPECT_EQ(call("DestroyPopup", 1000), -1);
    // Menus are released: 70,000 made and destroyed.
    int32_t result = 0;
    for (int i = 0; i < 70000 && result == 0; ++i) {
        result = call("CreatePopup", items.record(), 0, 4);
        if (result == 0) result = call("DestroyPopup", 260);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(call("CreatePopup", items.record(), 0, 4), 0);
    EXPECT_EQ(pop(s, 4, 1), -1);
    call("DestroyPopup", 0);
}

TEST(SystemMenu, ItemsByCommandAndPosition) {
    const auto has = [](HWND hwnd, UINT command) { return GetMenuState(GetSystemMenu(hwnd, FALSE), command, MF_BYCOMMAND) != UINT(-1); };
    const std::pair<int32_t, UINT> bits[] = {{1, SC_CLOSE}, {2, SC_MAXIMIZE}, {4, SC_MINIMIZE}, {8, SC_RESTORE}, {16, SC_SIZE}, {32, SC_MOVE}};
    for (auto [bit, command] : bits) {
        HostScreen s(200, 150, false, "qv sysmenu");
        const int32_t before = call("GetSysMenuCount", s.record());
        ASSERT_TRUE(has(s.hwnd(), command));
        ASSERT_EQ(call("DelSysMenu", s.record(), bit, 0), 0);
        EXPECT_FALSE(has(s.hwnd(), command)) << bit;
        EXPECT_EQ(call("GetSysMenuCount", s.record()), before + 1) << bit;
    }
    HostScreen s(200, 150, false, "qv sysmenu 2");
    const int32_t n = -call("GetSysMenuCount", s.record());
    ASSERT_EQ(n, GetMenuItemCount(GetSystemMenu(s.hwnd(), FALSE)));
    EXPECT_EQ(call("DelSysMenu", s.record(), 0x100, n), -1) << "one past the last item";
    EXPECT_EQ(call("DelSysMenu", s.record(), 65536, 0), -1);
    EXPECT_EQ(call("DelSysMenu", s.record(), -2, 0), -1);
    EXPECT_EQ(call("DelSysMenu", s.record(), 0, -1), -1);
    EXPECT_EQ(call("GetSysMenuCount", s.record()), -n) << "refusals delete nothing";
    ASSERT_EQ(call("DelSysMenu", s.record(), 0x100, n - 1), 0);
    EXPECT_EQ(call("GetSysMenuCount", s.record()), -(n - 1));
    ASSERT_EQ(call("DelSysMenu", s.record(), 64, 0), 0);  // the first separator
    EXPECT_EQ(call("GetSysMenuCount", s.record()), -(n - 2));
    HostScreen all(200, 150, false, "qv sysmenu 3");
    ASSERT_EQ(call("DelSysMenu", all.record(), -1, 0), 0);
    EXPECT_EQ(call("GetSysMenuCount", all.record()), 0);

    HostScreen keep(200, 150, false, "qv caption"), drop(200, 150, false, "qv caption 2");
    const int32_t items = call("GetSysMenuCount", keep.record());
    ASSERT_EQ(call("WinCaptSysMenu", keep.record(), 1), 0);
    // The system keeps WS_CLIPSIBLINGS on a top-level window whatever is written.
    EXPECT_EQ(GetWindowLongA(keep.hwnd(), GWL_STYLE) & ~WS_CLIPSIBLINGS, LONG(WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(call("GetSysMenuCount", keep.record()), items);
    ASSERT_EQ(call("WinCaptSysMenu", drop.record(), 0), 0);
    EXPECT_EQ(GetWindowLongA(drop.hwnd(), GWL_STYLE) & ~WS_CLIPSIBLINGS, LONG(WS_CAPTION));
    EXPECT_EQ(call("GetSysMenuCount", drop.record()), 0);

    // A popup window has no system menu at all: no items.
    HWND popup = CreateWindowExA(0, "STATIC", "qv popup", WS_POPUP, 0, 0, 100, 80, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(popup, nullptr);
    host::BMSCR rec = *keep.record();
    rec.hwnd = host::Word(uintptr_t(popup));
    EXPECT_EQ(call("GetSysMenuCount", &rec), 0);
    DestroyWindow(popup);
}

}  // namespace
}  // namespace qv::test

// The timing commands with the real multimedia timer and message pump. Bounds are generous
// so that a loaded machine never makes them fail; they check order and direction.
#include "host_fixture.h"

namespace qv::test {
namespace {

// A window that counts the messages it is sent, to see the waits dispatch them.
constexpr UINT kPing = WM_APP + 7;
int pings = 0;

LRESULT CALLBACK counting_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kPing) {
        ++pings;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND counting_window() {
    static HWND hwnd = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = counting_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QvPingCounter";
        RegisterClassA(&wc);
        return CreateWindowA("QvPingCounter", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }();
    return hwnd;
}

class Timing : public ::testing::Test {
protected:
    void TearDown() override { call("MMCountOff"); }
    HostVar v = HostVar::ints(1);
};

TEST_F(Timing, CounterAdvancesWaitsAndStops) {
    v.ints()[0] = 3;
    EXPECT_EQ(call("MMCountWait", v.record()), 0) << "no timer: at once";
    EXPECT_EQ(call("MMCountOn", 0, 0), 3);
    ASSERT_EQ(call("MMCountOn", 5, 1), 0);
    v.ints()[0] = 0;
    EXPECT_EQ(call("MMCountWait", v.record()), 3);
    v.ints()[0] = 4;
    DWORD t0 = GetTickCount();
    int32_t r = call("MMCountWait", v.record());
    EXPECT_LE(r, -4);
    EXPECT_GE(GetTickCount() - t0, 10u) << "four 5 ms ticks";
    EXPECT_EQ(call("GetMMCount", v.record(), 0), 0);
    EXPECT_GE(v.ints()[0], 4);
    ASSERT_EQ(call("MMCountOff"), 0);
    call("GetMMCount", v.record(), 0);
    const int32_t stopped = v.ints()[0];
    Sleep(40);
    call("GetMMCount", v.record(), 0);
    EXPECT_LE(v.ints()[0], stopped + 1) << "the timer stopped";
    HostVar text = HostVar::text(8);
    EXPECT_EQ(call("GetMMCount", text.record(), 0), 6);
    EXPECT_EQ(call("MMCountWait", text.record()), 6);
}

TEST_F(Timing, MarksAndSelectors) {
    ASSERT_EQ(call("MMCountOn", 2, 1), 0);
    Sleep(30);
    EXPECT_EQ(call("SetNowMMCount", 3), 0);
    EXPECT_EQ(call("GetMMCount", v.record(), 259), 0);
    EXPECT_LE(v.ints()[0], 3) << "since mark 3, just saved";
    EXPECT_EQ(call("GetMMCount", v.record(), 3), 0);
    EXPECT_GE(v.ints()[0], 5) << "selector 3 is no mark: the raw count";
    EXPECT_EQ(call("AdjustMMCountZero"), 0);
    EXPECT_EQ(call("GetMMCount", v.record(), 0), 0);
    EXPECT_LE(v.ints()[0], 3);

    EXPECT_EQ(call("AdjustTickZero", 3), 0);
    Sleep(30);
    EXPECT_EQ(call("GetTick", v.record(), 3), 0);
    EXPECT_GE(v.ints()[0], 20);
    EXPECT_EQ(call("GetTick", v.record(), 12), 0) << "an index outside 0-9 is 0";
    // TickWait measures from mark 3 with selector 259, from now with selector 3.
    v.ints()[0] = 20;
    EXPECT_LE(call("TickWait", v.record(), 0, 259), -20);
    DWORD t0 = GetTickCount();
    v.ints()[0] = 25;
    int32_t r = call("TickWait", v.record(), 1, 3);
    EXPECT_LE(r, -25);
    EXPECT_GE(GetTickCount() - t0, 20u);
    v.ints()[0] = 0;
    EXPECT_EQ(call("TickWait", v.record(), 0, 0), 3);
}

TEST_F(Timing, AWaitPacesALoop) {
    ASSERT_EQ(call("MMCountOn", 5, 1), 0);
    EXPECT_EQ(call("SetNowMMCount", 0), 0);
    v.ints()[0] = 2;
    DWORD t0 = GetTickCount();
    for (int i = 0; i < 6; ++i) {
        if (i == 3) Sleep(7);  // uneven work between the waits does not stretch the pace
        EXPECT_LE(call("MMCountAWait", v.record(), 0, 0), -2) << i;
    }
    EXPECT_GE(GetTickCount() - t0, 50u) << "six waits of two 5 ms ticks";
    EXPECT_EQ(call("GetMMCount", v.record(), 0), 0);
    EXPECT_GE(v.ints()[0], 12);
}

TEST_F(Timing, WaitsDispatchMessagesAndTheSleepDoesNot) {
    HWND w = counting_window();
    ASSERT_NE(w, nullptr);
    pump_messages();
    pings = 0;
    PostMessageA(w, kPing, 0, 0);
    v.ints()[0] = 15;
    EXPECT_EQ(call("TobSleep", 20), 0);
    EXPECT_EQ(pings, 0) << "TobSleep pumps nothing";
    EXPECT_LE(call("TickWait", v.record(), 1, 0), -15);
    EXPECT_EQ(pings, 1) << "a pumping wait dispatched the message";
    PostMessageA(w, kPing, 0, 0);
    EXPECT_LE(call("TickWait", v.record(), 0, 0), -15);
    EXPECT_EQ(pings, 1) << "without the pump flag nothing is dispatched";
    ASSERT_EQ(call("MMCountOn", 5, 0), 0);
    v.ints()[0] = 2;
    EXPECT_LE(call("MMCountWait", v.record()), -2);
    EXPECT_EQ(pings, 2);
    PostMessageA(w, kPing, 0, 0);
    EXPECT_EQ(call("ProcMes"), 0);
    EXPECT_EQ(pings, 3);
    EXPECT_EQ(call("TobSleep", 0), 3);
}

TEST_F(Timing, AQuitMessageSeenByThePumpEndsTheProcessWithOne) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    ProcessResult r = run_process("\"" + std::string(path) + "\" --quit-then-pump");
    EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
}

}  // namespace
}  // namespace qv::test

// The trigonometry commands through the DLL's exports.
#include "host_fixture.h"

namespace qv::test {
namespace {

int32_t stored(const char* cmd, HostVar& v, int32_t a, int32_t b, int32_t c, int32_t* result = nullptr) {
    v.ints()[0] = 12345;
    int32_t r = call(cmd, v.record(), a, b, c);
    if (result) *result = r;
    return v.ints()[0];
}

TEST(TrigCommands, TriFuncTableValues) {
    HostVar v = HostVar::ints(1);
    int32_t r;
    EXPECT_EQ(stored("TriFunc", v, 0, 30, 100, &r), 50);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(stored("TriFunc", v, 1, 0, 1000), 1000);
    EXPECT_EQ(stored("TriFunc", v, 0, -90, 100), -100);
    EXPECT_EQ(stored("TriFunc", v, 2, 90, 100, &r), 2147483647);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(stored("TriFunc", v, 2, 270, 100), -2147483647);
    EXPECT_EQ(stored("TriFunc", v, 2, 45, 100), 100);
    EXPECT_EQ(stored("TriFunc", v, 0, 4097, 100, &r), 12345);
    EXPECT_EQ(r, 3);
    EXPECT_EQ(stored("TriFunc", v, 0, -4097, 100, &r), 12345);
    EXPECT_EQ(r, 3);
    EXPECT_EQ(stored("TriFunc", v, 0, 4096, 4096), 2845);  // 4096 mod 360 = 136: table entry 136, scale 4096
    HostVar text = HostVar::text(8);
    EXPECT_EQ(call("TriFunc", text.record(), 0, 30, 100), 6);
    HostVar none = HostVar::ints(1);
    none.record()->len[1] = 0;  // no storage at all: refused, nothing written
    none.ints()[0] = 77;
    for (const char* cmd : {"TriFunc", "TriFunc2", "TriFuncA", "Hex2Int", "GetSum"}) {
        EXPECT_EQ(call(cmd, none.record(), 0, 0, 1), 3) << cmd;
    }
    EXPECT_EQ(call("Root", none.record(), 4, 1), 3);
    EXPECT_EQ(none.ints()[0], 77);
}

TEST(TrigCommands, DoublePrecisionCommands) {
    HostVar v = HostVar::ints(1);
    int32_t r;
    EXPECT_EQ(stored("TriFunc2", v, 2, 900000, 100, &r), 2147483647);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(stored("TriFunc2", v, 2, -900000, 100, &r), -2147483647);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(stored("TriFunc2", v, 2, 450000, 7, &r), 7);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(stored("TriFunc2", v, 0, -300000, 100), -50);
    EXPECT_EQ(stored("TriFunc2", v, 1, 0, 1000), 1000);
    EXPECT_EQ(stored("TriFunc2", v, 0, 2147483647, 100, &r), 12345);
    EXPECT_EQ(r, 3);
    EXPECT_EQ(stored("TriFuncA", v, 1, 1000000, 100, &r), 0);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(stored("TriFuncA", v, 0, 1000000, 1000), 1571);  // pi/2
    EXPECT_EQ(stored("TriFuncA", v, 0, -1000000, 1000), -1571);
    stored("TriFuncA", v, 1, 1000001, 100, &r);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(stored("Root", v, 2, 1000, 0, &r), 1414);
    EXPECT_EQ(r, 0);
    stored("Root", v, -1, 1000, 0, &r);
    EXPECT_EQ(r, -2);
    HostVar text = HostVar::text(8);
    EXPECT_EQ(call("TriFunc2", text.record(), 0, 1, 1), 6);
    EXPECT_EQ(call("TriFuncA", text.record(), 0, 1, 1), 6);
    EXPECT_EQ(call("Root", text.record(), 4, 1), -1);
}

TEST(TrigCommands, Angles) {
    EXPECT_EQ(call("GetAngle", 0, 0, 10, 10), -450000);
    EXPECT_EQ(call("GetAngle", 10, 10, 0, 0), -450000);
    EXPECT_EQ(call("GetAngle", 0, 0, 10, -10), -3150000);
    EXPECT_EQ(call("GetAngle", 3, 0, 3, 10), 3);
    HostVar v = HostVar::ints(5);
    int32_t* d = v.ints();
    d[1] = 0, d[2] = 0, d[3] = 10, d[4] = -10;
    EXPECT_EQ(call("GetAngle2", v.record(), 1000), 0);
    EXPECT_EQ(d[0], -45000) << "no raising of negative angles";
    d[3] = 0;
    EXPECT_EQ(call("GetAngle2", v.record(), 1000), -3);
    HostVar four = HostVar::ints(4);
    EXPECT_EQ(call("GetAngle2", four.record(), 1000), -2);
    HostVar text = HostVar::text(32);
    EXPECT_EQ(call("GetAngle2", text.record(), 1000), -1);
}

}  // namespace
}  // namespace qv::test

// The memory-block, sorting and pixel commands through the DLL's exports.
#include <cstring>
#include <vector>

#include "host_fixture.h"

namespace qv::test {
namespace {

HostVar ramp(uint32_t size) {
    HostVar v = HostVar::text(size);
    for (uint32_t i = 0; i < size; ++i) v.data()[i] = uint8_t(i);
    return v;
}

TEST(BlockCommands, CopyAndTransfer) {
    HostVar v = ramp(64);
    EXPECT_EQ(call("BlockCopy", v.record(), 40, 40, 0), 0);
    for (int i = 0; i < 24; ++i) ASSERT_EQ(v.data()[40 + i], i);
    HostVar w = ramp(64);
    EXPECT_EQ(call("BlockCopy", w.record(), 10, 1, 0), 0);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(w.data()[1 + i], i) << "the bytes as they were";
    EXPECT_EQ(call("BlockCopy", w.record(), 0, 1, 0), 3);
    EXPECT_EQ(call("BlockCopy", w.record(), 5, -1, 0), 3);

    HostVar target = HostVar::text(16), source = ramp(64);
    std::memset(target.data(), 0, 16);
    EXPECT_EQ(call("SetTrans", target.record()), 0);
    EXPECT_EQ(call("BlockTrans", source.record(), 100, 8, 30), 0);
    for (int i = 0; i < 8; ++i) ASSERT_EQ(target.data()[8 + i], 30 + i) << "cut at the target's end";
    EXPECT_EQ(call("BlockTrans", source.record(), 5, 99, 0), 0) << "beyond the target: nothing";
    EXPECT_EQ(call("BlockTrans", source.record(), 0, 0, 0), 3);
    EXPECT_EQ(call("SetTrans", source.record()), 0);
    EXPECT_EQ(call("BlockTrans", source.record(), 4, 0, 1), 0) << "within the target itself";
    EXPECT_EQ(source.data()[0], 1);
}

TEST(BlockCommands, SumsAndByteArithmetic) {
    HostVar v = ramp(64), sum = HostVar::ints(1);
    EXPECT_EQ(call("AutoSum", v.record(), 100, 60, 0), 0);
    EXPECT_EQ(call("GetSum", sum.record()), 0);
    EXPECT_EQ(sum.ints()[0], 60 + 61 + 62 + 63);
    EXPECT_EQ(call("AutoSum", v.record(), 0, 0, 0), 3);
    EXPECT_EQ(call("GetSum", v.record()), 6);
    v.data()[0] = 255;
    EXPECT_EQ(call("SlideNum", v.record(), 0, 1, 1), 0);
    EXPECT_EQ(v.data()[0], 0);
    EXPECT_EQ(call("SlideNum", v.record(), 0, 1, 129), -1);
    EXPECT_EQ(call("SlideNum", v.record(), 62, 10, -2), 0);
    EXPECT_EQ(v.data()[63], 61);
    EXPECT_EQ(call("AutoAnd", v.record(), 2, 4, 0x0E), 0);
    EXPECT_EQ(v.data()[5], 5 & 0x0E);
    EXPECT_EQ(call("AutoOr", v.record(), 1, 6, 0x180), 0);
    EXPECT_EQ(v.data()[6], 6 | 0x80);
    EXPECT_EQ(call("AutoExor", v.record(), 1, 7, 0xFF), 0);
    EXPECT_EQ(v.data()[7], 7 ^ 0xFF);
    EXPECT_EQ(call("AutoExor", v.record(), 0, 7, 0xFF), 3);
}

TEST(BlockCommands, ChkPvalReadsTheRecordOnly) {
    HostVar v = HostVar::text(64);
    EXPECT_EQ(call("ChkPval", v.record(), -2), -2);
    EXPECT_EQ(call("ChkPval", v.record(), 1), -16);
    EXPECT_EQ(call("ChkPval", v.record(), 5), 0);
    EXPECT_EQ(call("ChkPval", v.record(), 6), 3);
    EXPECT_EQ(call("ChkPval", v.record(), -3), 3);
}

TEST(BlockCommands, SortsAndTheCompanion) {
    HostVar k = HostVar::ints(4);
    int32_t init[4] = {3, 1, 2, 1};
    std::memcpy(k.ints(), init, 16);
    EXPECT_EQ(call("BSort", k.record()), 0);
    EXPECT_EQ(std::vector<int32_t>(k.ints(), k.ints() + 4), (std::vector<int32_t>{1, 1, 2, 3}));
    EXPECT_EQ(call("BSortRev", k.record()), 0);
    EXPECT_EQ(std::vector<int32_t>(k.ints(), k.ints() + 4), (std::vector<int32_t>{3, 2, 1, 1}));
    HostVar one = HostVar::ints(1);
    EXPECT_EQ(call("BSort", one.record()), 3);
    HostVar text = HostVar::text(16);
    EXPECT_EQ(call("BSort", text.record()), 6);

    HostVar keys = HostVar::ints(3), comp = HostVar::ints(3);
    int32_t kv[3] = {30, 10, 20}, cv[3] = {1, 2, 3};
    std::memcpy(keys.ints(), kv, 12);
    std::memcpy(comp.ints(), cv, 12);
    EXPECT_EQ(call("BSortSet", comp.record()), 0);
    EXPECT_EQ(call("BSortEx", keys.record()), 0);
    EXPECT_EQ(std::vector<int32_t>(keys.ints(), keys.ints() + 3), (std::vector<int32_t>{10, 20, 30}));
    EXPECT_EQ(std::vector<int32_t>(comp.ints(), comp.ints() + 3), (std::vector<int32_t>{2, 3, 1}));
    EXPECT_EQ(call("BSortEx", comp.record()), 3) << "the companion itself as keys";
    HostVar other = HostVar::ints(4);
    EXPECT_EQ(call("BSortEx", other.record()), 3) << "counts differ";
    EXPECT_EQ(call("BSortExRev", keys.record()), 0);
    EXPECT_EQ(std::vector<int32_t>(comp.ints(), comp.ints() + 3), (std::vector<int32_t>{1, 3, 2}));
    EXPECT_EQ(call("BSortSet", one.record()), 3);
    EXPECT_EQ(call("TobRandomize"), 0);
}

TEST(BlockCommands, PixelsAndChannels) {
    HostScreen s(8, 6, false);
    s.fill({10, 20, 30});
    s.set_pixel(0, 0, {1, 2, 3});  // blue, green, red
    EXPECT_EQ(call("QPget", s.record(), 0, 0, 0), -(1 * 65536 + 2 * 256 + 3));
    HostVar rgb = HostVar::ints(3);
    EXPECT_EQ(call("QPconv", rgb.record()), 0);
    EXPECT_EQ(std::vector<int32_t>(rgb.ints(), rgb.ints() + 3), (std::vector<int32_t>{3, 2, 1}));
    EXPECT_EQ(call("QPget", s.record(), 8, 0, 0), 3);
    EXPECT_EQ(call("QPget", s.record(), 0, -1, 0), 3);
    s.set_color(0x00112233);
    EXPECT_EQ(call("QPset", s.record(), 7, 5, 0), 0);
    EXPECT_EQ(s.pixel(7, 5), (Bgr{0x11, 0x22, 0x33}));
    EXPECT_EQ(call("QPset", s.record(), 7, 6, 0), 3);

    HostScreen p(8, 6, true);  // grey ramp palette
    EXPECT_EQ(call("QPset", p.record(), 1, 1, 77), 0);
    EXPECT_EQ(call("QPget", p.record(), 1, 1, 0), -77);
    EXPECT_EQ(call("QPget", p.record(), 1, 1, 1), -(77 * 65536 + 77 * 256 + 77));
    p.set_color(RGB(200, 200, 200));
    EXPECT_EQ(call("QPset", p.record(), 2, 2, 300), 0);
    EXPECT_EQ(p.at(2, 2)[0], 200) << "SetPixel picks the nearest palette entry";

    s.fill({10, 20, 30});
    s.set_cursor(2, 1);
    s.set_area(3, 2);
    EXPECT_EQ(call("Cycle", s.record(), 2, 1, 0), 0);  // swap red and blue
    EXPECT_EQ(s.pixel(2, 1), (Bgr{30, 20, 10}));
    EXPECT_EQ(s.pixel(1, 1), (Bgr{10, 20, 30}));
    EXPECT_EQ(call("Cycle", s.record(), 3, 3, 3), 0);
    EXPECT_EQ(s.pixel(2, 1), (Bgr{30, 20, 10}));
    s.set_cursor(13, -4);  // outside: from 0, 0
    EXPECT_EQ(call("Cycle", s.record(), 0, 0, 0), 0);
    EXPECT_EQ(s.pixel(0, 0), (Bgr{30, 30, 30}));
    EXPECT_EQ(call("Cycle", p.record(), 0, 0, 0), -1);
}

}  // namespace
}  // namespace qv::test

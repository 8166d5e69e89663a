// The searches against brute-force versions written from their rules, and the edge cases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "text/search.h"
#include "text/sjis.h"

namespace qv::text {
namespace {

const uint8_t* u(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

int64_t text(const std::string& data, size_t begin, size_t end, const std::string& pattern) {
    return find_text(u(data), begin, end, u(pattern), pattern.size());
}
int64_t blind(const std::string& data, size_t begin, size_t end, const std::string& pattern) {
    return find_text_case_blind(u(data), begin, end, u(pattern), pattern.size());
}

TEST(EndBound, LimitIsALengthFromTheOffsetHeldInTheBuffer) {
    EXPECT_EQ(end_bound(100, 0, 6), 6u);
    EXPECT_EQ(end_bound(100, 10, 6), 16u);
    EXPECT_EQ(end_bound(100, 10, 1000), 100u);
    EXPECT_EQ(end_bound(100, 99, 0x7FFFFFFF), 100u);
    EXPECT_EQ(end_bound(100, 100, 5), 100u);
    EXPECT_EQ(end_bound(100, 1000, 5), 100u);
    EXPECT_EQ(end_bound(0, 0, 5), 0u);
}

TEST(FindText, EdgeCases) {
    EXPECT_EQ(text("ABCABC", 0, 6, "BC"), 1);
    EXPECT_EQ(text("ABCABC", 2, 6, "BC"), 4);
    EXPECT_EQ(text("ABCABC", 0, 5, "BC"), 1);
    EXPECT_EQ(text("xxxxBC", 0, 5, "BC"), -1) << "the whole match must lie below the end";
    EXPECT_EQ(text("xxxxBC", 0, 6, "BC"), 4);
    EXPECT_EQ(text("\x82\xA0\x82\xA2", 0, 4, "\x82\xA2"), 2) << "bytes from 0x80 up";
    EXPECT_EQ(text("\x82\xA0\x82\xA2", 0, 4, "\xA0\x82"), 1) << "any byte is a candidate when case matters";
    EXPECT_EQ(blind("ABCABC", 0, 6, "bc"), 1);
    EXPECT_EQ(blind("xxAbC", 0, 5, "aBc"), 2);
    // A case-blind match never starts on a trail byte: 0x82 0x41 is one character.
    EXPECT_EQ(blind("\x82\x41" "A", 0, 3, "A"), 2);
    // A double-byte character whose trail byte is a letter is found, and its trail byte
    // compares as it is (0x82 0x61 does not match 0x82 0x41).
    EXPECT_EQ(blind("zz\x82\x61", 0, 4, "\x82\x61"), 2);
    EXPECT_EQ(blind("zz\x82\x61", 0, 4, "\x82\x41"), -1);
    EXPECT_EQ(blind("ab", 0, 2, "ABC"), -1);
}

// Brute force, straight from the rules.
int64_t brute_text(const std::string& d, size_t b, size_t e, const std::string& p) {
    for (size_t i = b; i + p.size() <= e; ++i)
        if (d.compare(i, p.size(), p) == 0) return int64_t(i);
    return -1;
}

TEST(FindText, MatchesBruteForceOnRandomData) {
    uint32_t s = 5;
    auto next = [&] { return s = s * 1103515245u + 12345u, (s >> 16) & 0x7FFF; };
    for (int round = 0; round < 3000; ++round) {
        std::string d(next() % 64, 'a');
        for (char& c : d) c = char('a' + next() % 3);
        std::string p(1 + next() % 4, 'a');
        for (char& c : p) c = char('a' + next() % 3);
        size_t b = d.empty() ? 0 : next() % (d.size() + 1), e = next() % (d.size() + 1);
        ASSERT_EQ(text(d, b, e, p), brute_text(d, b, e, p)) << d << " / " << p << " " << b << ".." << e;
    }
}

TEST(FindPattern, ElementKinds) {
    auto pattern = [](std::initializer_list<int32_t> es) {
        std::vector<PatternElement> v;
        for (int32_t e : es) v.push_back(pattern_element(e));
        return v;
    };
    std::string d = "xxGqFyy";
    EXPECT_EQ(find_pattern(u(d), 0, d.size(), pattern({0x47, -1, 0x46})), 2);
    EXPECT_EQ(find_pattern(u(d), 3, d.size(), pattern({0x47, -1, 0x46})), -1);
    std::string hi = "\x10\x3F\x4A\x50";
    EXPECT_EQ(find_pattern(u(hi), 0, 4, pattern({0xF041})), 2) << "high four bits 4";
    EXPECT_EQ(find_pattern(u(hi), 0, 4, pattern({-0xF041})), 0) << "high four bits not 4";
    EXPECT_EQ(find_pattern(u(hi), 1, 4, pattern({-0xF041, -0xF041})), -1);
    EXPECT_EQ(find_pattern(u(hi), 0, 4, pattern({0x1F041})), 2) << "bits above 15 are ignored";
    // A three-element pattern never matches at the last two positions before the end.
    std::string tail = "abcGF";
    EXPECT_EQ(find_pattern(u(tail), 0, 5, pattern({0x47, 0x46, -1})), -1);
    EXPECT_EQ(find_pattern(u(tail), 0, 5, pattern({-1, 0x47, 0x46})), 2);
}

TEST(FindTextCaseBlind, MatchesABruteForceOnShiftJisText) {
    // Characters: ASCII letters of both cases, and double-byte characters whose trail bytes
    // are letters or themselves lead-range bytes (long runs of lead-range bytes, where only
    // the count from the run's start tells lead from trail); the brute force walks
    // characters from `begin` as the rule says, and the searched range starts and ends
    // anywhere.
    const std::vector<std::string> chars = {"a", "A", "b", "B", "\x82\x61", "\x82\x41", "\x83\x62", "z",
                                            "\x82\x82", "\x89\xE0", "\xE0\x9F", "\x82\x81", "-"};
    uint32_t s = 9;
    auto next = [&] { return s = s * 1103515245u + 12345u, (s >> 16) & 0x7FFF; };
    auto fold = [](const std::string& t, size_t from) {
        std::string f;
        bool trail = false;
        for (size_t i = from; i < t.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(t[i]);
            f += (trail || c < 'a' || c > 'z') ? char(c) : char(c - 32);
            trail = !trail && is_lead_byte(c);
        }
        return f;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string d, p;
        for (unsigned n = next() % (round % 10 == 0 ? 200 : 12); n; --n) d += chars[next() % chars.size()];
        for (unsigned n = 1 + next() % 3; n; --n) p += chars[next() % chars.size()];
        const size_t begin = d.empty() ? 0 : next() % (d.size() / 3 + 1);
        const size_t end = d.size() - (d.empty() ? 0 : next() % (d.size() / 4 + 1));
        int64_t want = -1;
        const std::string fp = fold(p, 0);
        for (size_t i = begin; i < end; i += is_lead_byte(uint8_t(d[i])) ? 2 : 1) {
            if (fold(d.substr(0, end), i).compare(0, fp.size(), fp) == 0 && i + fp.size() <= end) {
                want = int64_t(i);
                break;
            }
        }
        ASSERT_EQ(blind(d, begin, end, p), want) << round;
    }
}

}  // namespace
}  // namespace qv::text

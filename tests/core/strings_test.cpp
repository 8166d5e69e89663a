// The string helpers: fast case, decimal text, hexadecimal parsing, path parts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/strings.h"

namespace qv::text {
namespace {

std::string fast_case(std::string s, bool upper, size_t size = 0) {
    std::string buf = s;
    buf.resize(size ? size : s.size() + 1, '\0');
    change_case_fast(buf.data(), buf.size(), upper);
    return std::string(buf.c_str());
}

TEST(ChangeCaseFast, AsciiOnlyAndDoubleByteCharactersWhole) {
    EXPECT_EQ(fast_case("abc XYZ 1", true), "ABC XYZ 1");
    EXPECT_EQ(fast_case("abc XYZ 1", false), "abc xyz 1");
    EXPECT_EQ(fast_case("a\x82\x61z", true), "A\x82\x61Z") << "a trail byte 'a' stays";
    EXPECT_EQ(fast_case("a\x82", true), "A\x82") << "a lead byte before the end ends the walk";
    EXPECT_EQ(fast_case("\xB1" "a", true), "\xB1" "A") << "half-width katakana is one byte";
    EXPECT_EQ(fast_case("abcdef", true, 4), "ABC") << "the last byte becomes the terminator";
    EXPECT_EQ(fast_case("", true), "");
}

TEST(FormatDecimal, SignAndDigits) {
    char out[12];
    EXPECT_EQ(format_decimal(0, out), 1u);
    EXPECT_STREQ(out, "0");
    format_decimal(-2147483647 - 1, out);
    EXPECT_STREQ(out, "-2147483648");
    format_decimal(2147483647, out);
    EXPECT_STREQ(out, "2147483647");
    format_decimal(-7, out);
    EXPECT_STREQ(out, "-7");
}

int32_t hex(const char* t, int32_t* result = nullptr) {
    int32_t v = 12345;
    int32_t r = parse_hex(t, v);
    if (result) *result = r;
    return v;
}

TEST(ParseHex, SignsSpacesAndEightDigits) {
    EXPECT_EQ(hex("  -7fffffff"), -2147483647);
    int32_t r;
    hex("-80000000", &r);
    EXPECT_EQ(r, -255);
    hex("+80000000", &r);
    EXPECT_EQ(r, -255);
    EXPECT_EQ(hex("80000000"), int32_t(0x80000000u));
    EXPECT_EQ(hex("FFFFFFFF"), -1);
    EXPECT_EQ(hex("12 34"), 0x12);
    EXPECT_EQ(hex("+-1F"), -31);
    EXPECT_EQ(hex("--1F"), 0) << "a second minus ends the number before any digit";
    EXPECT_EQ(hex("1F-2"), 0x1F);
    EXPECT_EQ(hex("0x1F"), 0) << "x ends the number";
    EXPECT_EQ(hex("123456789"), 0x12345678) << "eight digits at most";
    EXPECT_EQ(hex(""), 0);
    EXPECT_EQ(hex(nullptr), 0);
    EXPECT_EQ(hex("abCD"), 0xABCD);
}

std::string part(const char* path, int32_t p, int32_t* result, size_t size = 64) {
    std::string out(size, '#');
    *result = path_part(path, p, out.data(), size);
    return std::string(out.c_str(), strnlen(out.c_str(), size));
}

TEST(PathPart, DriveNameExtensionFolder) {
    int32_t r;
    EXPECT_EQ(part("C:\\Data\\photo.tar.gz", 1, &r), "C:");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(part("c:\\Data\\photo.tar.gz", 1, &r), "C:");
    EXPECT_EQ(part("C:\\Data\\photo.tar.gz", 2, &r), "photo.tar");
    EXPECT_EQ(part("C:\\Data\\photo.tar.gz", 3, &r), "gz");
    EXPECT_EQ(part("C:\\Data\\photo.tar.gz", 0, &r), "C:\\Data\\");
    EXPECT_EQ(part("file", 2, &r), "file");
    EXPECT_EQ(r, 0);
    for (int p : {1, 3, 0}) {
        part("file", p, &r);
        EXPECT_EQ(r, -255) << p;
    }
    part(".profile", 2, &r);
    EXPECT_EQ(r, -255);
    part("dir\\.profile", 2, &r);
    EXPECT_EQ(r, -255);
    EXPECT_EQ(part("C:file.txt", 2, &r), "file");
    EXPECT_EQ(part("dir.x\\name", 3, &r), "");
    EXPECT_EQ(r, -255) << "the dot of a folder is no extension";
    // A backslash that is the second byte of a double-byte character is no separator.
    EXPECT_EQ(part("\x95\x5C" "a.b", 2, &r), "\x95\x5C" "a");
    part("\x95\x5C" "a.b", 0, &r);
    EXPECT_EQ(r, -255);
}

TEST(PathPart, WhatDoesNotFitIsRefusedInsideTheBuffer) {
    int32_t r;
    EXPECT_EQ(part("C:\\Data\\photo.tar.gz", 2, &r, 6), "photo");
    EXPECT_EQ(r, -16);
    part("C:\\Data\\photo.tar.gz", 3, &r, 2);
    EXPECT_EQ(r, -16);
    part("C:\\Data\\photo.tar.gz", 0, &r, 8);
    EXPECT_EQ(r, -16);
    EXPECT_EQ(part("C:\\Data\\photo.tar.gz", 0, &r, 9), "C:\\Data\\");
    EXPECT_EQ(r, 0);
    part("C:\\x", 1, &r, 2);
    EXPECT_EQ(r, -16);
}

}  // namespace
}  // namespace qv::text

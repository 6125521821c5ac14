#include <gtest/gtest.h>

#include <string>

#include "channels/hexId.h"

namespace {

HexIdFault check(const std::string& s, size_t max) { return checkHexId(s.data(), s.size(), max); }

TEST(HexId, OnlyOneToMaxHexDigitsPass) {
    EXPECT_EQ(checkHexId(nullptr, 0, 4), HexIdFault::kNull);
    EXPECT_EQ(checkHexId(nullptr, 4, 4), HexIdFault::kNull);
    EXPECT_EQ(check("", 4), HexIdFault::kEmpty);
    for (const char* ok : {"0", "6DCA", "ab12", "0000", "FFFF"})
        EXPECT_EQ(check(ok, 4), HexIdFault::kOk) << ok;
    EXPECT_EQ(check("1F40A0", 6), HexIdFault::kOk);
    EXPECT_EQ(check("1F40A0", 4), HexIdFault::kTooLong);
    EXPECT_EQ(check("12345", 4), HexIdFault::kTooLong);
    // Blanks, signs, prefixes, bytes past 'f' and high bytes are not digits.
    for (const char* bad : {"GGGG", " 101", "101 ", "-1", "0x1F", "00g0", "\xC1\xC2", "Z"})
        EXPECT_EQ(check(bad, 4), HexIdFault::kNotHex) << bad;
    // A NUL inside the value does not cut it short.
    EXPECT_EQ(check(std::string("01\0Z", 4), 4), HexIdFault::kNotHex);
    EXPECT_EQ(check(std::string("01\0", 3), 4), HexIdFault::kNotHex);
    // Length is what counts: the bytes past it are not read.
    EXPECT_EQ(checkHexId("0101XYZ", 4, 4), HexIdFault::kOk);
}

TEST(HexId, NumbersAreWholeAndInsideTheirBounds) {
    auto check = [](const std::string& t, int32_t lo, int32_t hi, int32_t* v) {
        return checkNumber(t.data(), t.size(), lo, hi, v);
    };
    int32_t v = 7;
    EXPECT_EQ(checkNumber(nullptr, 0, 0, 9, &v), NumberFault::kNull);
    for (const char* bad : {"", "-", "1e4", "19.2", " 1", "1 ", "+1", "0x10", "12a", "--1"})
        EXPECT_EQ(check(bad, -100, 100000, &v), NumberFault::kNotWhole) << bad;
    EXPECT_EQ(v, 7);  // untouched by a bad column
    EXPECT_EQ(check("11494", 2500, 22000, &v), NumberFault::kOk);
    EXPECT_EQ(v, 11494);
    EXPECT_EQ(check("-3", -5, 5, &v), NumberFault::kOk);
    EXPECT_EQ(v, -3);
    EXPECT_EQ(check("007", 0, 9, &v), NumberFault::kOk);
    EXPECT_EQ(v, 7);
    for (const char* out : {"0", "-11000", "2147483647", "99999999999999999999999", "22001"})
        EXPECT_EQ(check(out, 2500, 22000, &v), NumberFault::kOutside) << out;
    EXPECT_EQ(check("2147483648", INT32_MIN, INT32_MAX, &v), NumberFault::kOutside);
    EXPECT_EQ(check("-2147483648", INT32_MIN, INT32_MAX, &v), NumberFault::kOk);
    // Length is what counts, as for ids.
    EXPECT_EQ(checkNumber("12x", 2, 0, 99, &v), NumberFault::kOk);
    EXPECT_EQ(v, 12);
}

}  // namespace

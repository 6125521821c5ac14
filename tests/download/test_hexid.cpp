#include <gtest/gtest.h>

#include <string>

#include "download/hexId.h"

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

}  // namespace

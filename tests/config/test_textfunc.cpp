#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/textFunc.h"

TEST(TextFunc, InPlaceEdits) {
    char a[] = "a\\nb\\x\\";
    TranslateBackSlashn(a);
    EXPECT_STREQ(a, "a\r\nb\\x\\");
    char b[] = " L A N G = 2 \t";
    rmSpace(b);
    EXPECT_STREQ(b, "LANG=2\t");
    char c[] = "value;comment\nrest";
    rmComment(c);
    EXPECT_STREQ(c, "value");
}

// Guard bytes behind each buffer stay untouched.
TEST(TextFunc, GrowingEditsAndCopiesStayInsideTheirBuffers) {
    char p[8] = "7";
    EXPECT_EQ(lpad(p, "0", 4, sizeof p), 0);
    EXPECT_EQ(lpad(p, "0", 3, sizeof p), 0);  // already long enough
    EXPECT_EQ(rpad(p, " ", 7, sizeof p), 0);
    EXPECT_STREQ(p, "0007   ");
    EXPECT_EQ(rpad(p, " ", 8, sizeof p), -1);  // would need 9 bytes
    EXPECT_STREQ(p, "0007   ");

    char guarded[12];
    std::memset(guarded, '#', sizeof guarded);
    std::strcpy(guarded, "0604");
    EXPECT_EQ(normProvId(guarded, 7), 0);
    EXPECT_STREQ(guarded, "000604");
    EXPECT_EQ(normProvId(guarded, 7), -1);
    EXPECT_EQ(guarded[7], '#');
    char one[2] = "5";
    EXPECT_EQ(addZero(one, sizeof one), -1);

    // A text as long as the field, or longer, is cut before the guard.
    for (const char* src : {"abcd", "abcdef"}) {
        std::memset(guarded, '#', sizeof guarded);
        copyText(guarded, 4, src);
        EXPECT_EQ(std::string(guarded, 5), std::string("abc\0#", 5)) << src;
    }
    copyText(guarded, 4, nullptr);
    EXPECT_STREQ(guarded, "");
    std::memset(guarded, '#', sizeof guarded);
    hexToText(guarded, 8, "3132372E302E302E31");
    EXPECT_EQ(std::string(guarded, 9), std::string("127.0.0\0#", 9));
}

TEST(TextFunc, HexAndBinaryConversions) {
    EXPECT_EQ(dec2hex('f', 'F'), 0xFF);
    EXPECT_EQ(dec2hex('1', 'F'), 0x1F);
    for (auto [text, value] :
         {std::pair{"1A2F", 6703}, {"12345678", 0x12345}, {"ffff", 0xFFFF}, {"1G", 1}, {"", 0}})
        EXPECT_EQ(hex2dec(text), value) << text;
    EXPECT_EQ(hexVerify("12G4", 4), 2);
    EXPECT_EQ(hexVerify("123", 4), 1);
    EXPECT_EQ(hexVerify("a1B2", 4), 0);
    for (auto [text, value] : {std::pair{"101", 5}, {"1x1", 5}, {"11111", 31}, {"", 0}})
        EXPECT_EQ(bin2int(text), value) << text;
    EXPECT_EQ(bin2int(std::string(40, '1').c_str()), -1);  // high bits beyond 31 are ignored
    const unsigned char le[] = {0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(byte2int(le), 0x12345678);
    EXPECT_STREQ(TrimLeadingZero("000"), "");
    EXPECT_STREQ(TrimLeadingZero("0070"), "70");
    EXPECT_EQ(toInt("12ab"), 12);
    EXPECT_EQ(toInt("x"), 0);
    EXPECT_EQ(toInt("99999999999"), 2147483647);
}

TEST(TextFunc, ChecksumOfBytesAndFile) {
    const unsigned char abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(static_cast<unsigned char>(checksum8(abc, 3)), 0x26);
    EXPECT_EQ(checksum8(abc, -4), 0);
    std::string path = ::testing::TempDir() + "/va_checksum.bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (int i = 0; i < 1000; ++i) std::fputc(i & 0xFF, f);
    std::fclose(f);
    EXPECT_EQ(checksum8File(path.c_str()), (1000 * 999 / 2) & 0xFF);
    EXPECT_EQ(checksum8File("/nonexistent/va"), -1);
}

// Empty fields are kept: "a##b" is three fields, "a#" two, "" one.
TEST(TextFunc, MyStrtokKeepsEmptyFields) {
    for (auto [text, fields] : {std::pair{"a##b", "a||b"}, {"a#", "a|"}, {"", ""}, {"#a", "|a"}}) {
        std::string buf = text, got;
        for (char* t = MyStrtok(buf.data(), "#"); t; t = MyStrtok(nullptr, "#"))
            got += (got.empty() && t == buf.data() ? "" : "|") + std::string(t);
        EXPECT_EQ(got, fields) << text;
    }
}

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

TEST(TextFunc, GrowingEditsStayInsideTheirBuffers) {
    char p[8] = "7";
    EXPECT_EQ(lpad(p, "0", 4, sizeof p), 0);
    EXPECT_STREQ(p, "0007");
    EXPECT_EQ(lpad(p, "0", 3, sizeof p), 0);  // already long enough
    EXPECT_STREQ(p, "0007");
    EXPECT_EQ(rpad(p, " ", 7, sizeof p), 0);
    EXPECT_STREQ(p, "0007   ");
    EXPECT_EQ(rpad(p, " ", 8, sizeof p), -1);  // would need 9 bytes
    EXPECT_STREQ(p, "0007   ");

    // Guard bytes behind a small buffer stay untouched.
    char guarded[12];
    std::memset(guarded, '#', sizeof guarded);
    std::strcpy(guarded, "0604");
    EXPECT_EQ(normProvId(guarded, 7), 0);
    EXPECT_STREQ(guarded, "000604");
    EXPECT_EQ(normProvId(guarded, 7), -1);
    EXPECT_EQ(guarded[7], '#');
    char one[2] = "5";
    EXPECT_EQ(addZero(one, sizeof one), -1);
    char empty[1] = "";
    EXPECT_EQ(addZero(empty, sizeof empty), 0);
    EXPECT_STREQ(empty, "");

    char dst[4];
    copyText(dst, "abcdef");
    EXPECT_STREQ(dst, "abc");
    copyText(dst, nullptr);
    EXPECT_STREQ(dst, "");
}

TEST(TextFunc, HexAndBinaryConversions) {
    EXPECT_EQ(dec2hex('f', 'F'), 0xFF);
    EXPECT_EQ(dec2hex('1', 'F'), 0x1F);
    EXPECT_EQ(dec2hex('0', '0'), 0x00);
    EXPECT_EQ(hex2dec("1A2F"), 6703);
    EXPECT_EQ(hex2dec("12345678"), 0x12345);
    EXPECT_EQ(hex2dec("ffff"), 0xFFFF);
    EXPECT_EQ(hex2dec("1G"), 1);
    EXPECT_EQ(hex2dec(""), 0);
    EXPECT_EQ(hexVerify("12G4", 4), 2);
    EXPECT_EQ(hexVerify("123", 4), 1);
    EXPECT_EQ(hexVerify("a1B2", 4), 0);
    EXPECT_EQ(bin2int("101"), 5);
    EXPECT_EQ(bin2int("1x1"), 5);
    EXPECT_EQ(bin2int("11111"), 31);
    EXPECT_EQ(bin2int(""), 0);
    EXPECT_EQ(bin2int(std::string(40, '1').c_str()), -1);  // high bits beyond 31 are ignored
    const unsigned char le[] = {0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(byte2int(le), 0x12345678);
    EXPECT_STREQ(TrimLeadingZero("000"), "");
    EXPECT_STREQ(TrimLeadingZero("0070"), "70");
    char text[8];
    hexToText(text, sizeof text, "3132372E302E302E31");
    EXPECT_STREQ(text, "127.0.0");  // cut at the buffer
    EXPECT_EQ(toInt("12ab"), 12);
    EXPECT_EQ(toInt("x"), 0);
    EXPECT_EQ(toInt("99999999999"), 2147483647);
}

TEST(TextFunc, ChecksumOfBytesAndFile) {
    const unsigned char abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(static_cast<unsigned char>(checksum8(abc, 3)), 0x26);
    EXPECT_EQ(checksum8(abc, 0), 0);
    EXPECT_EQ(checksum8(abc, -4), 0);
    std::string path = ::testing::TempDir() + "/va_checksum.bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (int i = 0; i < 1000; ++i) std::fputc(i & 0xFF, f);
    std::fclose(f);
    int expect = 0;
    for (int i = 0; i < 1000; ++i) expect = (expect + (i & 0xFF)) & 0xFF;
    EXPECT_EQ(checksum8File(path.c_str()), expect);
    EXPECT_EQ(checksum8File("/nonexistent/va"), -1);
}

TEST(TextFunc, MyStrtokKeepsEmptyFields) {
    char a[] = "a##b";
    EXPECT_STREQ(MyStrtok(a, "#"), "a");
    EXPECT_STREQ(MyStrtok(nullptr, "#"), "");
    EXPECT_STREQ(MyStrtok(nullptr, "#"), "b");
    EXPECT_EQ(MyStrtok(nullptr, "#"), nullptr);
    char b[] = "a#";
    EXPECT_STREQ(MyStrtok(b, "#"), "a");
    EXPECT_STREQ(MyStrtok(nullptr, "#"), "");
    EXPECT_EQ(MyStrtok(nullptr, "#"), nullptr);
    char c[] = "";
    EXPECT_STREQ(MyStrtok(c, "#"), "");
    EXPECT_EQ(MyStrtok(nullptr, "#"), nullptr);
    char d[] = "#a";
    EXPECT_STREQ(MyStrtok(d, "#"), "");
    EXPECT_STREQ(MyStrtok(nullptr, "#"), "a");
}

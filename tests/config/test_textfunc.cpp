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
}

// Guard bytes behind each buffer stay untouched.
TEST(TextFunc, CopiesStayInsideTheirBuffers) {
    char guarded[12];
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

TEST(TextFunc, NumbersHexDigitsAndChecksum) {
    EXPECT_EQ(dec2hex('f', 'F'), 0xFF);
    EXPECT_EQ(dec2hex('1', 'F'), 0x1F);
    EXPECT_EQ(toInt("12ab"), 12);
    EXPECT_EQ(toInt("x"), 0);
    EXPECT_EQ(toInt("99999999999"), 2147483647);
    const unsigned char abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(static_cast<unsigned char>(checksum8(abc, 3)), 0x26);
    EXPECT_EQ(checksum8(abc, -4), 0);
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

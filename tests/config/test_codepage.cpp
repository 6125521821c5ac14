#include <gtest/gtest.h>

#include "config/codepage.h"

TEST(Codepage, EveryDefinedByteRoundTripsAndTheRestIsReplacedVisibly) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    const std::string utf8 = cp1252ToUtf8(all);
    ASSERT_TRUE(isValidUtf8(utf8));
    size_t replaced = 0;
    const std::string back = utf8ToCp1252(utf8, '?', &replaced);
    ASSERT_EQ(back.size(), all.size());
    for (int c = 1; c < 256; ++c) {
        const bool undefined = c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        EXPECT_EQ(static_cast<unsigned char>(back[c - 1]), undefined ? '?' : c) << c;
    }
    EXPECT_EQ(replaced, 0u);  // the undefined bytes became '?' on the way out already

    EXPECT_EQ(cp1252ToUtf8("T\xE9l\xE9 Z\xFCrich \x80"), "Télé Zürich €");
    EXPECT_EQ(utf8ToCp1252("Öffentlich €5 ✓ Ω"),
              "\xD6"
              "ffentlich \x80"
              "5 ? ?");
    // Malformed, overlong and surrogate sequences are one replacement a byte.
    replaced = 0;
    EXPECT_EQ(utf8ToCp1252("a\xC3(b\xC0\xAF\xED\xA0\x80", '#', &replaced), "a#(b#####");
    EXPECT_EQ(replaced, 6u);
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\x93\xBA"));
}

// Names as UTF-8: cuts that never split a character, Windows-1252 that
// goes both ways, and other scripts spelled in Latin letters, never '?'.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "config/codepage.h"
#include "config/unicodeText.h"

namespace {
std::string spelled(const std::string& utf8, bool* changed = nullptr) {
    return cp1252ToUtf8(toCp1252Latin(utf8, changed));
}
}  // namespace

TEST(UnicodeText, CutsFallBetweenCharactersInBytesAndInCharacters) {
    // 2, 3 and 4 bytes a character: "ğ中📺" is 9 bytes, 3 characters.
    const std::string s = "a\xC4\x9F\xE4\xB8\xAD\xF0\x9F\x93\xBA";
    EXPECT_EQ(utf8Chars(s), 4u);
    EXPECT_EQ(utf8PrefixBytes(s, 2), 3u);
    EXPECT_EQ(utf8PrefixBytes(s, 10), s.size());
    for (size_t bytes = 0; bytes <= s.size(); ++bytes) {
        const size_t n = utf8PrefixBytes(s, 99, bytes);
        EXPECT_LE(n, bytes);
        EXPECT_TRUE(isValidUtf8(s.substr(0, n))) << bytes;
        char field[12];
        copyUtf8(field, bytes + 1, s);
        EXPECT_EQ(std::string(field), s.substr(0, n));
    }
    // A name of exactly the field's characters stays whole.
    char field[3 * 4 + 1];
    copyUtf8(field, "\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD");
    EXPECT_EQ(utf8Chars(field), 3u);
    // A malformed byte counts as one character and is never made longer.
    EXPECT_EQ(utf8Chars("a\xFF"
                        "b"),
              3u);
}

TEST(UnicodeText, Windows1252GoesBothWaysByteForByte) {
    // What a latin1 server sends, kept by the tables as UTF-8 and written
    // back into a single-byte list, is the same bytes: the five undefined
    // ones included.
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    const std::string utf8 = latin1ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_TRUE(fitsCp1252(utf8));
    bool changed = true;
    EXPECT_EQ(toCp1252Latin(utf8, &changed), all);
    EXPECT_FALSE(changed);
    EXPECT_EQ(latin1ToUtf8("\x80"), "\xE2\x82\xAC");
}

TEST(UnicodeText, OtherScriptsAreSpelledInLatinLettersNeverQuestionMarks) {
    const struct {
        const char *in, *out;
    } cases[] = {
        {"Radyo \xC5\x9Eim\xC5\x9F"
         "ek",
         "Radyo Simsek"},                                     // Turkish
        {"\xC4\xB0stanbul \xC4\xB1\xC4\x9F", "Istanbul ig"},  // İ ı ğ
        {"\xCE\x95\xCE\xA1\xCE\xA4"
         "1",
         "ERT1"},                                                                 // Greek
        {"\xD0\xA0\xD0\xBE\xD1\x81\xD1\x81\xD0\xB8\xD1\x8F 24", "Rossiya 24"},    // Russian
        {"\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2", "Kyyiv"},                            // Ukrainian
        {"\xD0\x94\xD0\xB5\xD1\x82\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9", "Detskiy"},  // no BGN dot
        {"\xE4\xB8\xAD\xE5\xA4\xAE", "zhong yang"},                              // pinyin, no tones
        {"T\xC3\xA9l\xC3\xA9 \xE2\x82\xAC", "T\xC3\xA9l\xC3\xA9 \xE2\x82\xAC"},  // kept
        {"\xF0\x9F\x93\xBA Kids  TV", "Kids TV"},                                // emoji left out
        {"\xF0\x9F\x93\xBA", "U+1F4FA"},                                         // nothing else
    };
    for (const auto& c : cases) {
        bool changed = false;
        EXPECT_EQ(spelled(c.in, &changed), c.out) << c.in;
        EXPECT_EQ(changed, std::string(c.in) != c.out) << c.in;
    }
    // Arabic has a spelling too, whatever ICU's rules make of it.
    const std::string arabic =
        toCp1252Latin("\xD8\xA7\xD9\x84\xD8\xAC\xD8\xB2\xD9\x8A\xD8\xB1\xD8\xA9");
    EXPECT_FALSE(arabic.empty());
    EXPECT_EQ(arabic.find('?'), std::string::npos);
    // Malformed bytes come out as some Latin text, not '?'.
    EXPECT_EQ(toCp1252Latin("a\xFF"
                            "b")
                  .find('?'),
              std::string::npos);

    // Each thread has its own transliterators.
    std::string fromThread;
    std::thread t([&] { fromThread = toCp1252Latin("\xCE\xA3\xCE\xBA\xCE\xAC\xCE\xB9"); });
    t.join();
    EXPECT_EQ(fromThread, "Sk\xE1i");
}

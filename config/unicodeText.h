#pragma once
// Names as the channel tables keep them: UTF-8. These helpers cut them on
// whole characters and turn them into Windows-1252 for the formats that
// carry only that code page, spelling other scripts in Latin letters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The code point at s[*i], *i moved past it; a malformed byte gives U+FFFD
// and moves one byte.
uint32_t nextCodePoint(std::string_view s, size_t* i);

// Characters (code points) of UTF-8 text; a malformed byte counts as one.
size_t utf8Chars(std::string_view s);

// Bytes of the longest prefix of s that has at most maxChars characters and
// at most maxBytes bytes, ending on a character boundary.
size_t utf8PrefixBytes(std::string_view s, size_t maxChars,
                       size_t maxBytes = std::string_view::npos);

// Bounded copy of UTF-8 text: at most size-1 bytes, never part of a
// character, always a NUL.
void copyUtf8(char* dst, size_t size, std::string_view src);
template <size_t N>
inline void copyUtf8(char (&dst)[N], std::string_view src) {
    copyUtf8(dst, N, src);
}
// The same, at most maxChars characters.
template <size_t N>
inline void copyUtf8(char (&dst)[N], std::string_view src, size_t maxChars) {
    copyUtf8(dst, N, src.substr(0, utf8PrefixBytes(src, maxChars)));
}

// Windows-1252 (a latin1 column of the server) as UTF-8, byte for byte
// reversible: the five bytes the code page leaves undefined become the C1
// control characters of the same value, as the server converts them.
std::string latin1ToUtf8(std::string_view s);

// UTF-8 text as Windows-1252. Characters the code page has are kept (the
// C1 controls back as their bytes, so latin1ToUtf8 round-trips); every
// other run of characters is spelled in Latin letters (Turkish, Greek,
// Cyrillic, Arabic, CJK ...) and then reduced to what the code page holds;
// what has no Latin spelling at all (an emoji) is left out, and a name of
// nothing else becomes its code points ("U+1F4FA"). Never a '?'.
// *changed (when given) is set when the result is not the text itself.
std::string toCp1252Latin(std::string_view utf8, bool* changed = nullptr);

// True when the text is plain ASCII, the same in every code page here.
bool isAscii(std::string_view s);

// True when every character of the UTF-8 text is in Windows-1252.
bool fitsCp1252(std::string_view utf8);

#pragma once
// Windows-1252, the code page of every record, configuration file and most
// list formats, to and from Unicode. Our own table: the conversion must not
// depend on what the system's locale or the GUI toolkit happen to offer.
#include <cstdint>
#include <string>
#include <string_view>

// Unicode code point of a Windows-1252 byte; 0 for the five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
uint32_t cp1252CodePoint(unsigned char c);

// Windows-1252 byte of a code point; false when the code page lacks it.
bool cp1252FromCodePoint(uint32_t cp, unsigned char* out);

// Windows-1252 text as UTF-8. An undefined byte becomes `undefinedAs`.
std::string cp1252ToUtf8(std::string_view s, char32_t undefinedAs = U'?');

// Appends one code point as UTF-8.
void appendUtf8(std::string& out, uint32_t cp);

// UTF-8 text as Windows-1252. Characters the code page lacks and malformed
// sequences become `replacement`; *replaced (when given) counts them.
std::string utf8ToCp1252(std::string_view s, char replacement = '?', size_t* replaced = nullptr);

// True when the text is well-formed UTF-8.
bool isValidUtf8(std::string_view s);

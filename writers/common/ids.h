#pragma once
// Service ids, network ids and transport stream ids arrive as hexadecimal
// text; a transport stream id may have up to six digits. Receivers link
// services to transponders and bouquet entries to services by these
// numbers, so every file must name one id by the same 16 bits: those of
// its first four significant digits ("01A2B3" gives 0x1A2B, "0437" 0x0437).
// An id of up to four digits keeps its whole value.
#include <cstddef>
#include <cstdint>
#include <string>

// The 16-bit value of an id text of at most fieldSize characters (it ends
// at its NUL or at the end of the field). Reading stops at the first
// character that is no hexadecimal digit; no digit at all gives 0.
uint16_t idValue16(const char* hexText, size_t fieldSize);
template <size_t N>
inline uint16_t idValue16(const char (&field)[N]) {
    return idValue16(field, N);
}

// Length of the text when every character of it is a hexadecimal digit,
// otherwise 0. Formats that refuse a malformed id check it with this.
size_t idHexDigits(const char* hexText, size_t fieldSize);
template <size_t N>
inline size_t idHexDigits(const char (&field)[N]) {
    return idHexDigits(field, N);
}

// Appends the id as the lists that copy its text write it: a text of up
// to four characters as it stands; a longer one without its leading zeros
// and cut to four characters, in the case it was stored in. The digits are
// those of idValue16.
void appendIdText(std::string& s, const char* hexText, size_t fieldSize);
template <size_t N>
inline void appendIdText(std::string& s, const char (&field)[N]) {
    appendIdText(s, field, N);
}

// A PID text of the tables; a value no stream can carry (past 0x1FFF)
// counts as none, 0.
template <size_t N>
inline unsigned pidValue(const char (&field)[N]) {
    const unsigned v = idValue16(field, N);
    return v <= 0x1FFF ? v : 0;
}

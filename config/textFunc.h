#pragma once
// Text and number helpers shared by the configuration reader, the download
// jobs and the writers. They work on NUL-terminated strings in caller
// buffers; the growing edits take the buffer size and never write past it.
#include <cstdarg>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

int rmSpace(char* s);
int TranslateBackSlashn(char* s);
int rmComment(char* s);
// Growing edits: bufSize is the size of the buffer at s, NUL included. An
// edit that would not fit leaves s unchanged and returns -1.
int normProvId(char* s, size_t bufSize);
int addZero(char* s, size_t bufSize);
int rpad(char* s, const char* pad, int n, size_t bufSize);
int lpad(char* s, const char* pad, int n, size_t bufSize);

int isHex(char c);
int hexVerify(const char* s, int n);
unsigned char dec2hex(unsigned char hi, unsigned char lo);
int hex2dec(const char* s);
const char* TrimLeadingZero(const char* s);
int byte2int(const unsigned char* p);
int bin2int(const char* s);
char checksum8(const unsigned char* data, int len);
// Sum of the file's bytes modulo 256; -1 when it cannot be read.
int checksum8File(const char* path);
char* MyStrtok(char* s, const char* delims);

// Bounded copy: at most size-1 characters and always a NUL.
void copyText(char* dst, size_t size, const char* src);
template <size_t N>
inline void copyText(char (&dst)[N], const char* src) {
    copyText(dst, N, src);
}
// A fixed text field as a string, never read past its array (the field may
// lack its NUL).
template <size_t N>
inline std::string fieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}
template <size_t N>
inline std::string_view fieldView(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}
// Decodes hexadecimal text (two digits a character) into dst, bounded.
void hexToText(char* dst, size_t size, const char* hex);
// Base-10 value of the leading digits (optional sign); 0 without digits,
// clamped to the int range.
int toInt(const char* s);

// The text without its leading and trailing blanks and tabs.
std::string trimmed(const std::string& s);

// printf into a std::string of whatever length the text needs.
std::string strFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void appendFormat(std::string& s, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void vappendFormat(std::string& s, const char* fmt, va_list ap);

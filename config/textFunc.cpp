#include "config/textFunc.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
char* newPoint = nullptr;
}

int rmSpace(char* s) {
    char* out = s;
    for (char* p = s; *p; ++p)
        if (*p != ' ') *out++ = *p;
    *out = '\0';
    return 0;
}

int TranslateBackSlashn(char* s) {
    char* out = s;
    for (char* p = s; *p; ++p) {
        if (p[0] == '\\' && p[1] == 'n') {
            *out++ = '\r';
            *out++ = '\n';
            ++p;
        } else {
            *out++ = *p;
        }
    }
    *out = '\0';
    return 0;
}

int rmComment(char* s) {
    for (char* p = s; *p; ++p) {
        if (*p == ';' || *p == '\n') {
            *p = '\0';
            break;
        }
    }
    return 0;
}

int normProvId(char* s, size_t bufSize) {
    size_t len = std::strlen(s);
    if (len < 2) return 0;
    if (len + 3 > bufSize) return -1;
    std::memmove(s + 3, s + 1, len);  // moves the NUL too
    s[1] = '0';
    s[2] = '0';
    return 0;
}

int addZero(char* s, size_t bufSize) {
    size_t len = std::strlen(s);
    if (len == 0) return 0;
    if (len + 2 > bufSize) return -1;
    std::memmove(s + 1, s, len + 1);
    s[0] = '0';
    return 0;
}

int rpad(char* s, const char* pad, int n, size_t bufSize) {
    size_t len = std::strlen(s);
    if (n <= 0 || len >= static_cast<size_t>(n)) return 0;
    if (static_cast<size_t>(n) + 1 > bufSize) return -1;
    std::memset(s + len, pad[0], static_cast<size_t>(n) - len);
    s[n] = '\0';
    return 0;
}

int lpad(char* s, const char* pad, int n, size_t bufSize) {
    size_t len = std::strlen(s);
    if (n <= 0 || len >= static_cast<size_t>(n)) return 0;
    if (static_cast<size_t>(n) + 1 > bufSize) return -1;
    size_t shift = static_cast<size_t>(n) - len;
    std::memmove(s + shift, s, len + 1);
    std::memset(s, pad[0], shift);
    return 0;
}

int isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexVerify(const char* s, int n) {
    if (std::strlen(s) != static_cast<size_t>(n)) return 1;
    for (int i = 0; i < n; ++i)
        if (!isHex(s[i])) return 2;
    return 0;
}

unsigned char dec2hex(unsigned char hi, unsigned char lo) {
    auto digit = [](unsigned char c) {
        unsigned char d = static_cast<unsigned char>((c | 0x20) - 0x30);
        if (d > 9) d = static_cast<unsigned char>(d - 0x27);
        return d;
    };
    return static_cast<unsigned char>((digit(hi) << 4) | digit(lo));
}

int hex2dec(const char* s) {
    int value = 0;
    for (int i = 0; i < 5 && s[i]; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int d;
        if (c >= 0x2A && c <= 0x3F)
            d = c & 0x0F;
        else if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))
            d = (c & 0x0F) + 9;
        else
            break;
        value = (value << 4) | d;
    }
    return value;
}

const char* TrimLeadingZero(const char* s) {
    while (*s == '0') ++s;
    return s;
}

int byte2int(const unsigned char* p) {
    return static_cast<int>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                            static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

int bin2int(const char* s) {
    size_t len = std::strlen(s);
    uint32_t value = 0;
    for (size_t i = 0; i < len; ++i) {
        size_t bit = len - 1 - i;
        if (s[i] == '1' && bit < 32) value |= 1u << bit;
    }
    return static_cast<int>(value);
}

char checksum8(const unsigned char* data, int len) {
    unsigned char sum = 0;
    for (int i = 0; i < len; ++i) sum = static_cast<unsigned char>(sum + data[i]);
    return static_cast<char>(sum);
}

int checksum8File(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return -1;
    unsigned char sum = 0;
    unsigned char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        for (size_t i = 0; i < n; ++i) sum = static_cast<unsigned char>(sum + buf[i]);
    bool bad = std::ferror(f) != 0;
    std::fclose(f);
    return bad ? -1 : sum;
}

char* MyStrtok(char* s, const char* delims) {
    char* start = s ? s : newPoint;
    if (!start) return nullptr;
    char* p = start;
    while (*p && !std::strchr(delims, *p)) ++p;
    if (*p == '\0') {
        newPoint = nullptr;
    } else {
        *p = '\0';
        newPoint = p + 1;
    }
    return start;
}

void copyText(char* dst, size_t size, const char* src) {
    if (size == 0) return;
    if (!src) src = "";
    size_t len = std::strlen(src);
    if (len >= size) len = size - 1;
    std::memcpy(dst, src, len);
    dst[len] = '\0';
}

void hexToText(char* dst, size_t size, const char* hex) {
    size_t out = 0;
    for (size_t i = 0; hex[i] && hex[i + 1] && out + 1 < size; i += 2)
        dst[out++] = static_cast<char>(
            dec2hex(static_cast<unsigned char>(hex[i]), static_cast<unsigned char>(hex[i + 1])));
    if (size) dst[out] = '\0';
}

int toInt(const char* s) {
    if (!s) return 0;
    while (*s == ' ' || *s == '\t') ++s;
    bool neg = false;
    if (*s == '-' || *s == '+') neg = *s++ == '-';
    long long v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        v = v * 10 + (*s - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (neg) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return static_cast<int>(v);
}

void vappendFormat(std::string& s, const char* fmt, va_list ap) {
    char buf[512];
    va_list again;
    va_copy(again, ap);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    if (n >= 0 && static_cast<size_t>(n) < sizeof buf) {
        s.append(buf, static_cast<size_t>(n));
    } else if (n >= 0) {
        size_t at = s.size();
        s.resize(at + static_cast<size_t>(n) + 1);
        std::vsnprintf(s.data() + at, static_cast<size_t>(n) + 1, fmt, again);
        s.resize(at + static_cast<size_t>(n));
    }
    va_end(again);
}

void appendFormat(std::string& s, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vappendFormat(s, fmt, ap);
    va_end(ap);
}

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string strFormat(const char* fmt, ...) {
    std::string s;
    va_list ap;
    va_start(ap, fmt);
    vappendFormat(s, fmt, ap);
    va_end(ap);
    return s;
}

#include "config/codepage.h"

namespace {
// Code points of 0x80..0x9F; 0 where the code page has none.
const uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Decodes one UTF-8 sequence at s[*i]; false (and one byte consumed) when it
// is malformed, overlong, a surrogate or beyond U+10FFFF.
bool decodeUtf8(std::string_view s, size_t* i, uint32_t* cp) {
    const unsigned char c = static_cast<unsigned char>(s[*i]);
    size_t len;
    uint32_t v, min;
    if (c < 0x80) {
        *cp = c;
        ++*i;
        return true;
    } else if ((c & 0xE0) == 0xC0) {
        len = 2, v = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, v = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, v = c & 0x07, min = 0x10000;
    } else {
        ++*i;
        return false;
    }
    if (*i + len > s.size()) {
        ++*i;
        return false;
    }
    for (size_t k = 1; k < len; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[*i + k]);
        if ((t & 0xC0) != 0x80) {
            ++*i;
            return false;
        }
        v = (v << 6) | (t & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
        ++*i;
        return false;
    }
    *i += len;
    *cp = v;
    return true;
}
}  // namespace

uint32_t cp1252CodePoint(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kHigh[c - 0x80];
    return c;
}

bool cp1252FromCodePoint(uint32_t cp, unsigned char* out) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        *out = static_cast<unsigned char>(cp);
        return true;
    }
    for (unsigned k = 0; k < 32; ++k)
        if (kHigh[k] != 0 && kHigh[k] == cp) {
            *out = static_cast<unsigned char>(0x80 + k);
            return true;
        }
    return false;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string cp1252ToUtf8(std::string_view s, char32_t undefinedAs) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (char ch : s) {
        uint32_t cp = cp1252CodePoint(static_cast<unsigned char>(ch));
        appendUtf8(out, cp ? cp : static_cast<uint32_t>(undefinedAs));
    }
    return out;
}

std::string utf8ToCp1252(std::string_view s, char replacement, size_t* replaced) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        uint32_t cp = 0;
        unsigned char b;
        if (decodeUtf8(s, &i, &cp) && cp1252FromCodePoint(cp, &b)) {
            out += static_cast<char>(b);
        } else {
            out += replacement;
            if (replaced) ++*replaced;
        }
    }
    return out;
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    uint32_t cp;
    while (i < s.size())
        if (!decodeUtf8(s, &i, &cp)) return false;
    return true;
}

#include "writers/common/ids.h"

#include <cstring>

namespace {

// Value of each byte as a hexadecimal digit, -1 for any other byte.
struct HexTable {
    int8_t v[256];
    constexpr HexTable() : v() {
        for (int c = 0; c < 256; ++c)
            v[c] = c >= '0' && c <= '9'   ? static_cast<int8_t>(c - '0')
                   : c >= 'a' && c <= 'f' ? static_cast<int8_t>(c - 'a' + 10)
                   : c >= 'A' && c <= 'F' ? static_cast<int8_t>(c - 'A' + 10)
                                          : int8_t{-1};
    }
};
constexpr HexTable kHex;

inline int hexDigit(char c) { return kHex.v[static_cast<unsigned char>(c)]; }

constexpr size_t kIdDigits = 4;

}  // namespace

uint16_t idValue16(const char* hexText, size_t fieldSize) {
    uint32_t v = 0;
    size_t significant = 0;
    for (size_t i = 0; i < fieldSize && significant < kIdDigits; ++i) {
        const int d = hexDigit(hexText[i]);
        if (d < 0) break;                          // the NUL too
        if (d == 0 && significant == 0) continue;  // a leading zero
        v = v * 16 + static_cast<uint32_t>(d);
        ++significant;
    }
    return static_cast<uint16_t>(v);
}

size_t idHexDigits(const char* hexText, size_t fieldSize) {
    size_t n = 0;
    for (; n < fieldSize && hexText[n] != '\0'; ++n)
        if (hexDigit(hexText[n]) < 0) return 0;
    return n;
}

void appendIdText(std::string& s, const char* hexText, size_t fieldSize) {
    size_t n = strnlen(hexText, fieldSize);
    size_t from = 0;
    while (n - from > kIdDigits && hexText[from] == '0') ++from;
    const size_t len = n - from < kIdDigits ? n - from : kIdDigits;
    s.append(hexText + from, len);
}

#include "channels/hexId.h"

HexIdFault checkHexId(const char* text, size_t length, size_t maxDigits) {
    if (!text) return HexIdFault::kNull;
    if (length == 0) return HexIdFault::kEmpty;
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hex) return HexIdFault::kNotHex;
    }
    // Checked after the digits, so "12345G" reads as not hexadecimal.
    if (length > maxDigits) return HexIdFault::kTooLong;
    return HexIdFault::kOk;
}

NumberFault checkNumber(const char* text, size_t length, int32_t lo, int32_t hi, int32_t* value) {
    if (!text) return NumberFault::kNull;
    const bool negative = length > 0 && text[0] == '-';
    size_t i = negative ? 1 : 0;
    if (i == length) return NumberFault::kNotWhole;
    int64_t v = 0;
    bool huge = false;
    for (; i < length; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return NumberFault::kNotWhole;
        if (v < (int64_t{1} << 40))
            v = v * 10 + (c - '0');
        else
            huge = true;  // far past any int32 bound; no overflow
    }
    if (negative) v = -v;
    if (huge || v < lo || v > hi) return NumberFault::kOutside;
    *value = static_cast<int32_t>(v);
    return NumberFault::kOk;
}

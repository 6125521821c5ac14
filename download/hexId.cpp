#include "download/hexId.h"

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

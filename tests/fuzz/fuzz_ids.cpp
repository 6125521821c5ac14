// Id, PID and number columns of a row as the server may send them: the
// download's check lets through only what every writer reads as one 16-bit
// id, and only whole numbers inside their bounds.
// Input: a column count, then per column a byte (top bit: NULL; low seven: length) and text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "channels/hexId.h"
#include "config/textFunc.h"
#include "tests/fuzz/fuzzInput.h"
#include "writers/common/ids.h"

namespace {

constexpr unsigned kMaxCols = 24;

void expect(bool cond, const char* what, const std::string& text) {
    if (cond) return;
    std::fprintf(stderr, "fuzz_ids: %s for \"%s\"\n", what, text.c_str());
    std::abort();
}

// One column as the download reads it: checked, and when good copied into
// its record field, where every writer takes its 16 bits by one rule.
template <size_t N>
void readColumn(const char* text, unsigned long length, size_t maxDigits) {
    const std::string shown = text ? std::string(text, length) : "(NULL)";
    const HexIdFault f = checkHexId(text, length, maxDigits);
    if (f != HexIdFault::kOk) return;  // dropped and reported
    expect(text && length >= 1 && length <= maxDigits && length < N, "a bad id passed", shown);
    char field[N];
    copyText(field, text);
    expect(std::strlen(field) == length, "a good id does not fit its field", shown);
    expect(idHexDigits(field) == length, "a good id is not hexadecimal to the writers", shown);
    // The one rule: the first four significant digits.
    const unsigned long v = std::strtoul(field, nullptr, 16);
    unsigned long want = v;
    while (want > 0xFFFF) want >>= 4;
    expect(idValue16(field) == want, "the 16-bit value breaks the rule", shown);
    std::string copied;
    appendIdText(copied, field);
    expect(copied.size() <= 4 && std::strtoul(copied.c_str(), nullptr, 16) == want,
           "the copied text names another id", shown);
    // A full field without its NUL: the readers stop at its end.
    char full[N];
    std::memset(full, 'F', N);
    (void)idValue16(full);
    (void)idHexDigits(full);
}

// A numeric column: a good one is its own decimal text, inside the bounds.
void readNumber(const char* text, unsigned long length) {
    const std::string shown = text ? std::string(text, length) : "(NULL)";
    int32_t v = 0;
    if (checkNumber(text, length, kMinFrequencyMHz, kMaxFrequencyMHz, &v) != NumberFault::kOk)
        return;
    expect(v >= kMinFrequencyMHz && v <= kMaxFrequencyMHz, "a number outside its bounds passed",
           shown);
    std::string digits = shown;
    while (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
    expect(std::to_string(v) == digits, "a good number reads as another", shown);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const unsigned n = in.byte() % (kMaxCols + 1);
    for (unsigned i = 0; i < n; ++i) {
        const uint8_t b = in.byte();
        std::string text;
        for (unsigned k = 0; k < (b & 0x7Fu); ++k) text += static_cast<char>(in.byte());
        const char* col = b & 0x80 ? nullptr : text.data();
        readNumber(col, text.size());
        switch (i % 3) {
        case 0: readColumn<5>(col, text.size(), kSidDigits); break;  // sid, nid, PIDs
        case 1: readColumn<7>(col, text.size(), kTidDigits); break;  // tid
        case 2: readColumn<8>(col, text.size(), kPidDigits); break;  // apid
        }
    }
    return 0;
}

// Identifier and PID columns of a downloaded row, as the server may send
// them: any bytes (NULs inside too), any length, or NULL.
//
// Input: a column count byte, then per column a byte whose top bit makes the
// column NULL, and that many bytes of text (the low seven bits).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/textFunc.h"
#include "tests/fuzz/fuzzInput.h"
#include "writers/azbox/azboxPlan.h"
#include "writers/enigma/enigmaCommon.h"

namespace {

constexpr unsigned kMaxCols = 24;

void expect(bool cond, const char* what, const char* text) {
    if (cond) return;
    std::fprintf(stderr, "fuzz_ids: %s for \"%s\"\n", what, text);
    std::abort();
}

// Every reading of one id field must agree wherever the text is four
// hexadecimal digits; on any other text each must stay inside the field.
template <size_t N>
void parseField(const char* column) {
    char field[N];
    copyText(field, column);  // as a row is copied into its record
    const int verdict = hexVerify(field, 4);
    const int h = hex2dec(field);
    const unsigned az = azbox::hex16(field);
    const unsigned e = enigma::hexValue(field);
    char decoded[N];
    hexToText(decoded, sizeof decoded, field);
    (void)TrimLeadingZero(field);
    if (verdict == 0) {
        const unsigned v = static_cast<unsigned>(std::strtoul(field, nullptr, 16));
        expect(static_cast<unsigned>(h) == v, "hex2dec disagrees", field);
        expect(az == v, "the AZbox reading disagrees", field);
        expect(e == v, "the Enigma reading disagrees", field);
    }
    // A full field without its NUL: the bounded readers stop at its end.
    char full[N];
    std::memset(full, '0', N);
    std::memcpy(full, column, strnlen(column, N));
    (void)azbox::hex16(full);
    (void)enigma::hexValue(full);
    static_assert(N >= 5, "hex2dec reads up to five characters");
    (void)hex2dec(full);
}

// What becomes of the id columns of one row: copied into their record
// fields and read by the hex helpers of the writers.
void parseRow(const char* const* row, const unsigned long* lengths, unsigned n) {
    for (unsigned i = 0; i < n; ++i) {
        const std::string text = row[i] ? std::string(row[i], lengths[i]) : std::string();
        const char* col = row[i] ? text.c_str() : nullptr;
        switch (i % 3) {
            case 0: parseField<5>(col ? col : ""); break;  // sid, nid and the PIDs
            case 1: parseField<7>(col ? col : ""); break;  // tid
            case 2: parseField<8>(col ? col : ""); break;  // apid, a favourite link's sid
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const unsigned n = in.byte() % (kMaxCols + 1);
    std::string texts[kMaxCols];
    const char* row[kMaxCols] = {};
    unsigned long lengths[kMaxCols] = {};
    for (unsigned i = 0; i < n; ++i) {
        const uint8_t b = in.byte();
        for (unsigned k = 0; k < (b & 0x7Fu); ++k) texts[i] += static_cast<char>(in.byte());
        row[i] = b & 0x80 ? nullptr : texts[i].c_str();
        lengths[i] = b & 0x80 ? 0 : texts[i].size();
    }
    // The unit under test. The download's own check of a row's ids and PIDs
    // goes here (beside or instead of this line) once it exists.
    parseRow(row, lengths, n);
    return 0;
}

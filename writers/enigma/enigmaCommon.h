#pragma once
// What the Enigma1 and Enigma2 builders share: the lookups of a channel's
// transponder and satellite, the derived values and fast text appends.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "writers/enigma/enigma.h"

namespace enigma {

// Valid records of a table (1..n), never past its slots.
template <typename Table>
uint32_t validCount(const Table& t, uint32_t slots) {
    return t.count < slots ? t.count : slots - 1;
}
inline uint32_t satCount(const WriterInput& in) { return validCount(*in.satDB, kSatDbSlots); }
inline uint32_t tpCount(const WriterInput& in) { return validCount(*in.tpDB, kTpDbSlots); }
inline uint32_t chCount(const WriterInput& in) { return validCount(*in.chDB, kChDbSlots); }
inline uint32_t favCount(const WriterInput& in) { return validCount(*in.favDB, kFavDbSlots); }
inline uint32_t chFavCount(const WriterInput& in) {
    return validCount(*in.chFavDB, kChFavDbSlots);
}

// The first satellite and transponder records of each key, as a linear
// search from the table start would find them, without the search.
class EnigmaIndex {
public:
    explicit EnigmaIndex(const WriterInput& in);
    const T_dbSat* sat(int32_t realSatId) const;
    const T_dbTp* tp(int32_t realSatId, int32_t stpId) const;
    // True when some channel record (markers too) sits on the transponder.
    bool used(const T_dbTp& t) const;
    // Orbital position of the transponder's satellite; 0 without one.
    int32_t position(const T_dbTp* t) const;
    uint32_t nameSpace(const T_dbTp* t) const;

private:
    static uint64_t key(int32_t realSatId, int32_t stpId) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(realSatId)) << 32) |
               static_cast<uint32_t>(stpId);
    }
    const WriterInput& in_;
    std::unordered_map<int32_t, uint32_t> sats_;
    std::unordered_map<uint64_t, uint32_t> tps_;
    std::unordered_set<uint64_t> used_;
};

// West positions (above 1799) become negative.
inline int32_t signedPosition(int32_t pos) { return pos <= 1799 ? pos : pos - 3600; }
// The receiver's polarization code; empty for an unknown polarity.
const char* polarizationCode(int32_t polarity);
int32_t fecCode(int32_t fec);
// Base-16 value of the leading hex digits of a text field.
uint32_t hexValue(const char* s, size_t max);
template <size_t N>
uint32_t hexValue(const char (&s)[N]) {
    return hexValue(s, N);
}

void putHex(std::string& s, uint32_t v, int width, bool upper);
// Exactly the first n characters of v in hex, zero-padded to n ("%04x" cut to 4).
void putHexCut(std::string& s, uint32_t v, int n);
void putDec(std::string& s, int64_t v, int width = 0);
// At most max characters of a NUL-terminated field.
void putText(std::string& s, const char* text, size_t max);
template <size_t N>
void putText(std::string& s, const char (&text)[N]) {
    putText(s, text, N);
}
// The text with the characters XML gives meaning to escaped.
void putXmlText(std::string& s, const char* text, size_t max);

// "#SERVICE 1:0:1:" (Enigma2) or "#SERVICE: 1:0:1:" (Enigma1) and the
// ids of one service, ending ":0:0:0:" LF.
void putServiceRef(std::string& s, EnigmaDialect d, bool tv, uint32_t sid, const T_dbTp* tp,
                   const EnigmaIndex& ix);

std::string userBouquetName(bool tv, int number);

// printf-style append for the lines that are not on a hot path.
void appendf(std::string& s, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

}  // namespace enigma

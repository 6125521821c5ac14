#pragma once
// What the Enigma1 and Enigma2 builders share: the lookups of a channel's
// transponder and satellite, the derived values and fast text appends.
#include <cstdint>
#include <string>
#include <vector>

#include "config/textFunc.h"
#include "writers/common/ids.h"
#include "writers/common/position.h"
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
inline uint32_t chFavCount(const WriterInput& in) { return validCount(*in.chFavDB, kChFavDbSlots); }

// Slot numbers (1..n) by 64-bit key, open addressing; 0 means absent.
// The first record of a key wins, as a search from the table start finds it.
class SlotMap {
public:
    void reserve(size_t n);
    void insertFirst(uint64_t key, uint32_t slot);
    uint32_t find(uint64_t key) const {
        if (slots_.empty()) return 0;
        for (size_t i = hash(key);; i = (i + 1) & mask_) {
            if (slots_[i] == 0) return 0;
            if (keys_[i] == key) return slots_[i];
        }
    }

private:
    size_t hash(uint64_t key) const {
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask_;
    }
    std::vector<uint64_t> keys_;
    std::vector<uint32_t> slots_;
    size_t mask_ = 0;
};

// The first satellite and transponder records of each key, as a linear
// search from the table start would find them, without the search.
class EnigmaIndex {
public:
    explicit EnigmaIndex(const WriterInput& in);
    const T_dbSat* sat(int32_t realSatId) const {
        uint32_t i = sats_.find(static_cast<uint32_t>(realSatId));
        return i ? &in_.satDB->sat[i] : nullptr;
    }
    const T_dbTp* tp(int32_t realSatId, int32_t stpId) const {
        uint32_t i = tps_.find(key(realSatId, stpId));
        return i ? &in_.tpDB->tp[i] : nullptr;
    }
    // True when some channel record (markers too) sits on the transponder.
    bool used(const T_dbTp& t) const { return used_.find(key(t.realSatId, t.stp_id)) != 0; }
    // Orbital position of the transponder's satellite; 0 without one.
    int32_t position(const T_dbTp* t) const {
        const T_dbSat* s = t ? sat(t->realSatId) : nullptr;
        return s ? s->position : 0;
    }
    uint32_t nameSpace(const T_dbTp* t) const {
        if (!t) return 0;
        return static_cast<uint32_t>(position(t)) * 65536u +
               (static_cast<uint32_t>(t->frequency) & 0xFFFFu);
    }

private:
    static uint64_t key(int32_t realSatId, int32_t stpId) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(realSatId)) << 32) |
               static_cast<uint32_t>(stpId);
    }
    const WriterInput& in_;
    SlotMap sats_, tps_, used_;
};

// A channel record is large and only its head is read: fetching the head
// of a record a few slots ahead keeps the walk from waiting on memory.
inline void prefetchChannel(const T_dbChTable& t, uint32_t i) {
    if (i >= kChDbSlots) return;
    const char* p = reinterpret_cast<const char*>(&t.ch[i]);
    __builtin_prefetch(p);
    __builtin_prefetch(p + 64);
    __builtin_prefetch(p + 128);
}

// The receiver's polarization code; empty for an unknown polarity.
const char* polarizationCode(int32_t polarity);
int32_t fecCode(int32_t fec);

// The lists take names in UTF-8, which is what the receivers read, as the
// tables keep them; with the configuration's Windows-1252 choice the frame
// hands the writer names spelled in that code page instead.
bool enigmaUtf8(const WriterInput& in);
bool enigmaUtf8Names(const T_cfgStruct& cfg);

void putHex(std::string& s, uint32_t v, int width, bool upper);
void putDec(std::string& s, int64_t v, int width = 0);
// At most max characters of a NUL-terminated field.
void putText(std::string& s, const char* text, size_t max);
template <size_t N>
void putText(std::string& s, const char (&text)[N]) {
    putText(s, text, N);
}
// The text with the characters XML gives meaning to escaped. With refs the
// text is UTF-8 and what ISO-8859-1 (the file's declared encoding) lacks
// becomes a character reference; without, Windows-1252 bytes as they are.
void putXmlText(std::string& s, const char* text, size_t max, bool refs);

// "#SERVICE 1:0:1:" (Enigma2) or "#SERVICE: 1:0:1:" (Enigma1) and the
// ids of one service, ending ":0:0:0:" LF.
void putServiceRef(std::string& s, EnigmaDialect d, bool tv, uint16_t sid, const T_dbTp* tp,
                   const EnigmaIndex& ix);

std::string userBouquetName(bool tv, int number);

}  // namespace enigma

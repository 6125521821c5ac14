#pragma once
// Shared by the three AZbox builders: the value conversions and the plan
// that decides, once, which records go into the files, in what order and at
// which node address.
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "writers/azbox/azbox.h"
#include "writers/common/byteImage.h"
#include "writers/common/ids.h"
#include "writers/common/position.h"

namespace azbox {

inline void putBytes(ByteImage& b, size_t off, std::initializer_list<unsigned char> bytes) {
    b.bytes(off, bytes.begin(), bytes.size());
}

// The builders size each file exactly from the plan; a write outside it is
// a fault of the builder, and no part of such a file goes out.
BuildResult imageResult(const ByteImage& b, std::string* out, const char* file);

inline uint32_t frequency(const T_dbTp& t) { return static_cast<uint32_t>(t.frequency) * 1000u; }
inline uint32_t symbolRate(const T_dbTp& t) { return static_cast<uint32_t>(t.sr) * 1000u; }
inline uint32_t position(const T_dbSat& s) {
    return static_cast<uint32_t>(signedPosition(s.position, kAzboxLastEast));
}
// Polarisation codes; the two tables differ only for code 3. The plan
// leaves out every transponder whose code is outside 0 to 3.
inline unsigned char polNode(int32_t p) {
    static const unsigned char k[4] = {1, 0, 3, 1};
    return k[p & 3];
}
inline unsigned char polTuning(int32_t p) {
    static const unsigned char k[4] = {1, 0, 3, 2};
    return k[p & 3];
}

// The 64-byte satellite name of the nodes and DVBS.dat.
void putSatName(ByteImage& b, size_t off, const WriterInput& in, const T_dbSat& s);

struct FavGroup {
    int32_t id;
    std::string name;
    std::vector<uint32_t> channels;  // chDB records, at most kAzFavBlock
};

struct Plan {
    uint32_t nSat = 0;  // satDB records read (1..nSat)
    uint32_t nTp = 0;
    uint32_t nCh = 0;  // chDB records read: at most kAzMaxChannels
    // Per satDB record: the first record with the same sat_id (the
    // satellite reference of list types 1 and 2, and the one a transponder
    // hangs under).
    std::vector<uint32_t> firstSat;
    // Per tpDB record: its satellite record, 0 when the transponder is left out.
    std::vector<uint32_t> satOfTp;
    // Per satDB record that is the first with its sat_id: the transponders
    // written for that sat_id, in tpDB order (records with a repeated sat_id
    // use the list of the first).
    std::vector<std::vector<uint32_t>> tpLists;
    // Per chDB record: its transponder record, 0 when the channel is left out.
    std::vector<uint32_t> tpOfCh;
    uint32_t channelsWritten = 0;
    // Transponder records in node order; the channels of chain[i] are
    // members[chBegin[i] .. chBegin[i+1]).
    std::vector<uint32_t> chain;
    std::vector<uint32_t> chBegin;
    std::vector<uint32_t> members;
    // Node addresses: T and V per tpDB record, A per chDB record.
    std::vector<uint32_t> T, V, A;
    std::vector<FavGroup> favGroups;  // groups, then B groups
    // Per satellite slot 0..255 of antenna_list.dat: its satellite record or 0.
    uint32_t slotSat[256] = {};
    size_t allChannelSize = 0;
    size_t dvbsSize = 0;
    std::string refusal;  // set when the dish set-up cannot be written

    uint32_t satRef(uint32_t satRecord, int32_t satId, int listType) const {
        return listType == 0 ? static_cast<uint32_t>(satId) : firstSat[satRecord];
    }
};

// Fills the plan; lines for records left out go to *skipped when given.
void makePlan(const WriterInput& in, Plan* plan, std::vector<std::string>* skipped);

// Refusal texts of the two files that can outgrow their buffers.
std::string allChannelTooLarge(size_t size);
std::string dvbsTooLarge(size_t size);

}  // namespace azbox

#pragma once
// The in-memory channel database that a download fills and the writers
// read. Slot 0 of every table stays unused; records are 1 to count.
#include <cstddef>
#include <cstdint>
#include <cstring>

// Names (satellites, bouquets, channels, favourite groups) are UTF-8 and
// cut on whole characters: a field has room for its characters at up to
// four bytes each.
constexpr size_t utf8Room(size_t chars) { return chars * 4 + 1; }
constexpr size_t kSatNameChars = 29;
constexpr size_t kGroupNameChars = 27;
constexpr size_t kChNameChars = 24;
constexpr size_t kFavNameChars = 27;

struct T_dbSat {
    int32_t sat_id;
    int32_t realSatId;
    char satName[utf8Room(kSatNameChars)];
    char sat_name[utf8Room(kSatNameChars)];
    char location[12];
    int32_t groupId;
    int32_t position;
    int32_t lnbType, freqLo, freqHi, power, tone22k, out12V, switchType, switch10, switch11, diseqc,
        positionerId, skew, feedTp;
    char radioFilter[4];
    char tvFilter[6];
    char catFilter[50];
};

struct T_dbTp {
    int32_t sat_id;
    int32_t realSatId;
    int32_t stp_id;
    int32_t groupId;
    char tp_name[16];
    int32_t frequency;
    int32_t polarity;
    int32_t sr;
    int32_t fec;
    int32_t modulation;
    char nid[5];
    char tid[7];
    int32_t pilot;
};

struct T_dbAudio {
    char apid[8];
    int32_t lang_id;
    char lang_name[8];
    int32_t dts;
    int32_t ac3;
};

constexpr int kAudioSlots = 30;  // entries 1..29
constexpr int kCasSlots = 30;    // entries 1..29

struct T_dbCh {
    int32_t fake;
    int32_t sat_id;
    int32_t realSatId;
    int32_t stp_id;
    int32_t groupId;
    int32_t bou_id;
    char groupName[utf8Room(kGroupNameChars)];
    int32_t nat_id;
    int32_t cat_id;
    int32_t ch_type;
    int32_t hd;
    int32_t d3;
    char ch_name[utf8Room(kChNameChars)];
    char sid[5];
    char vpid[5];
    char pmt_pid[5];
    char pcr_pid[5];
    char txt_pid[5];
    uint32_t audioCount;
    T_dbAudio audio[kAudioSlots];
    uint32_t casCount;
    int32_t cas[kCasSlots];
    int32_t subtitle;
    int32_t scrambled;
    int32_t locked;
    int32_t skip;
    int32_t dupdpid;
    int32_t dupdname;
    int32_t dupdsid;
};

struct T_dbFav {
    int32_t fav_id;
    char fav_name[utf8Room(kFavNameChars)];
};

struct T_dbChFav {
    int32_t sat_id;
    int32_t realSatId;
    int32_t stp_id;
    int32_t groupId;
    char sid[8];
    int32_t ch_type;
    int32_t fav_id;
    int32_t chIndex;
};

constexpr uint32_t kSatDbSlots = 254;
constexpr uint32_t kTpDbSlots = 5000;
constexpr uint32_t kChDbSlots = 20000;
constexpr uint32_t kFavDbSlots = 50;
constexpr uint32_t kChFavDbSlots = 20000;

struct T_dbSatTable {
    T_dbSat sat[kSatDbSlots];
    uint32_t count;
};
struct T_dbTpTable {
    T_dbTp tp[kTpDbSlots];
    uint32_t count;
};
struct T_dbChTable {
    T_dbCh ch[kChDbSlots];
    uint32_t count;
};
struct T_dbFavTable {
    T_dbFav fav[kFavDbSlots];
    uint32_t count;
};
struct T_dbChFavTable {
    T_dbChFav chFav[kChFavDbSlots];
    uint32_t count;
};

struct T_dbReport {
    uint32_t satellites;
    uint32_t fakeSatellites;
    uint32_t transponders;
    uint32_t bouquets;
    uint32_t tvChannels;
    uint32_t tvFake;
    uint32_t tvFta;
    uint32_t tvCod;
    uint32_t tvHd;
    uint32_t tv3d;
    uint32_t radioChannels;
    uint32_t radioFta;
    uint32_t radioCod;
    uint32_t favGroups;
    uint32_t favChannels;
};

extern T_dbSatTable satDB;
extern T_dbTpTable tpDB;
extern T_dbChTable chDB;
extern T_dbFavTable favDB;
extern T_dbChFavTable chFavDB;
extern T_dbReport Report;

// Appends: count + 1, then the new slot, zero-filled. Null when the table
// is full; the caller counts what it drops.
T_dbSat* appendSat(T_dbSatTable* t);
T_dbTp* appendTp(T_dbTpTable* t);
T_dbCh* appendCh(T_dbChTable* t);
T_dbFav* appendFav(T_dbFavTable* t);
T_dbChFav* appendChFav(T_dbChFavTable* t);
// Audio and CAS entries of a channel, from index 1; false when full.
T_dbAudio* appendAudio(T_dbCh* ch);
bool appendCas(T_dbCh* ch, int32_t casId);

// Empties every table logically and zeroes the report.
void resetChannelDb(T_dbSatTable* s, T_dbTpTable* t, T_dbChTable* c, T_dbFavTable* f,
                    T_dbChFavTable* cf, T_dbReport* r);

// The channel counters of a report from the channel table: TV (markers
// apart), free and coded, HD, 3D, radio, and the bouquets as runs of one
// satellite and group. The other counters are left as they are.
void countChannels(const T_dbChTable& ch, T_dbReport* r);

#pragma once
// What the three download jobs share: the job's state, its start and end,
// the acceptance and counting of channel rows, the joined channel step of
// the two "as satellites" modes, the audio and CAS step, the favourite
// steps and the renumbering of virtual satellites.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "channels/dbTypes.h"
#include "config/cfgTypes.h"
#include "config/langTypes.h"
#include "download/download.h"
#include "download/jobSteps.h"

enum class DlMode { kCh = 0, kBSat = 1, kFSat = 2 };

struct T_dlAudioEntry {
    int32_t sat_id;
    int32_t stp_id;
    char sid[5];
    char apid[7];
    int32_t lang_id;
    char lang_name[8];
    int32_t dts;
    int32_t ac3;
};
struct T_dlCasEntry {
    int32_t sat_id;
    int32_t stp_id;
    char sid[8];
    int32_t cas_id;
};
constexpr size_t kDlAudioListCap = 59999;
constexpr size_t kDlCasListCap = 59999;

// (sat_id, stp_id, group, sid) as a hash key; unused parts stay 0.
struct DlKey {
    int32_t sat = 0, stp = 0, grp = 0;
    char sid[8] = {};
    DlKey() = default;
    // The server compares ids without regard to case ("0d49" joins "0D49"),
    // so the in-memory joins do too.
    DlKey(int32_t s, int32_t t, int32_t g, const char* id) : sat(s), stp(t), grp(g) {
        size_t n = strnlen(id, sizeof sid - 1);
        for (size_t i = 0; i < n; ++i)
            sid[i] = (id[i] >= 'a' && id[i] <= 'z') ? static_cast<char>(id[i] - 'a' + 'A') : id[i];
    }
    bool operator==(const DlKey& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};
struct DlKeyHash {
    size_t operator()(const DlKey& k) const {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&k);
        uint64_t h = 1469598103934665603ull;
        for (size_t i = 0; i < sizeof k; ++i) h = (h ^ p[i]) * 1099511628211ull;
        return static_cast<size_t>(h);
    }
};

// Positions by key, those of one key in ascending order: one sorted list
// rather than a hash map of lists, so no allocation per key.
class DlKeyIndex {
public:
    void reserve(size_t n) { v_.reserve(n); }
    void add(const DlKey& k, uint32_t pos) { v_.push_back({k, pos}); }
    // After the last add.
    void sort() { std::sort(v_.begin(), v_.end(), less); }
    template <typename F>
    void forEach(const DlKey& k, F f) const {
        auto it = std::lower_bound(v_.begin(), v_.end(), Entry{k, 0}, less);
        for (; it != v_.end() && it->key == k; ++it) f(it->pos);
    }

private:
    struct Entry {
        DlKey key;
        uint32_t pos;
    };
    static bool less(const Entry& a, const Entry& b) {
        const DlKey &x = a.key, &y = b.key;
        if (x.sat != y.sat) return x.sat < y.sat;
        if (x.stp != y.stp) return x.stp < y.stp;
        if (x.grp != y.grp) return x.grp < y.grp;
        int c = std::memcmp(x.sid, y.sid, sizeof x.sid);
        return c != 0 ? c < 0 : a.pos < b.pos;
    }
    std::vector<Entry> v_;
};

// Filter clauses of one configured satellite.
struct DlSatClauses {
    bool noQuery = false;
    std::string type, cat, hd, d3, feed;
};

struct DlJob {
    DlJob(T_dlRequest* p, DlMode m);

    T_dlRequest* p;
    DlMode mode;
    // The request's own copies of the configuration, taken at the job's
    // start; the job writes none of it back: showForum goes into the request.
    T_cfgStruct& cfg;
    T_idxSat& sats;
    T_idxCat& cats;
    const T_idxBouI& bouI;
    const T_idxFavI& favI;
    const LangStruct& lang;

    T_dbSatTable* satDB;
    T_dbTpTable* tpDB;
    T_dbChTable* chDB;
    T_dbFavTable* favDB;
    T_dbChFavTable* chFavDB;
    T_dbReport* rep;
    JobEvents& ev;
    T_dbDropped* dropped;

    T_dlUi ui;
    DbSession db;
    std::string appKey;
    char serverMsg[kServerMsgSize] = "";
    std::string bouClause, favClause;
    bool channelsDone = false;  // switches the "Satelliti:" text of modes 1 and 2
    // Ticked satellites the server has no row for, as the closing report
    // names them: "id name".
    std::vector<std::string> missingSats;

    std::vector<T_dlAudioEntry> audio;
    std::vector<T_dlCasEntry> cas;
    // The group (bouquet or favourite group) and satellite of the last
    // accepted channel. The start pair is not a real one: a first row that
    // happens to carry (1000, 1000) still starts a group.
    int32_t prevGroup = 1000, prevSat = 1000;
    bool havePrev = false;
    // tpDB slot of each (sat_id, stp_id, groupId) met; 0 when it was dropped.
    std::unordered_map<DlKey, uint32_t, DlKeyHash> tpIndex;
    // Transponders dropped for a bad id, (sat_id, stp_id, groupId; 0 in
    // mode 0): their channels go too, or they would point at nothing.
    std::unordered_set<DlKey, DlKeyHash> badTp;
    // Mode 0: transponders beyond the table's capacity; their channels go too.
    std::unordered_set<DlKey, DlKeyHash> fullTp;
    // Modes 1 and 2: whether each satellite met had a usable position.
    std::unordered_map<int32_t, bool> positionOk;
};

// What the report calls a checked column, and its width in digits.
struct DlIdColumn {
    const char* rows;  // "channels"
    const char* name;  // the server's column: "sid"
    size_t digits;
};
extern const DlIdColumn kDlIdColumns[kIdFields];
// Checks column col of the row as the given id; a bad one is counted as
// a dropped row under its field and fault. The caller drops the row.
bool dlIdOk(DlJob& j, const DbRow& r, unsigned col, DlIdField field);

// What the report calls a numeric column and the values it may hold; unit
// follows the bounds in the report ("MHz"), empty for codes and flags.
struct DlNumColumn {
    const char* rows;
    const char* name;
    int32_t lo, hi;
    const char* unit;
};
extern const DlNumColumn kDlNumColumns[kNumFields];
// A row's numeric column and the field it is checked as.
struct DlNumCheck {
    unsigned col;
    DlNumField field;
};
// Checks the columns in order; the first bad one is counted as a dropped
// row under its field and fault. The caller drops the row.
bool dlNumbersOk(DlJob& j, const DbRow& r, std::initializer_list<DlNumCheck> checks);

// Greys the window, empties the tables, shows the report fields. Null when
// the request is unusable.
std::unique_ptr<DlJob> dlStart(void* param, DlMode mode);
// Connection and message row; kDownloadOk or the job's result after failing.
uint32_t dlConnect(DlJob& j);
// Restores the window without generation; returns code.
uint32_t dlFail(DlJob& j, uint32_t code = kDownloadFailed);
// Usage counter, closing report, window restored with generation: 0.
uint32_t dlFinish(DlJob& j);

// "<reading text> -> what"
std::string dlStepText(const DlJob& j, const char* what);
// The DataVersion row: -1 without the table; false when reading failed.
bool dlDataVersion(DbSession& db, int64_t* version, std::string* err);
// The server's "table does not exist" error.
constexpr unsigned kErrNoSuchTable = 1146;

enum : unsigned {
    kRepSat = 1,
    kRepTp = 2,
    kRepBou = 4,
    kRepTv = 8,
    kRepRadio = 16,
    kRepFavGrp = 32,
    kRepFavCh = 64,
    kRepAll = 127
};
void dlShowReport(DlJob& j, unsigned fields);

DlSatClauses dlSatClauses(const DlJob& j, const char* radioFilter, const char* tvFilter,
                          const char* catFilter, int feedTp, bool prefixedFeed);
// Scrambling filter, then the TV and radio limits.
bool dlAcceptRow(const DlJob& j, const char* tvFilter, const char* radioFilter, int chType,
                 int scrambled);
// Next chDB slot, or null (counted as dropped) when the table is full.
T_dbCh* dlNewChannel(DlJob& j);
void dlCountChannel(DlJob& j, const T_dbCh& c);
// Columns 0 to 18 of the channel queries, which all three modes share.
void dlFillChannelCommon(T_dbCh* c, const DbRow& r);
// The numbers of those columns and of the hd, d3 and nat_id columns
// given; a bad one is counted.
bool dlChannelNumbersOk(DlJob& j, const DbRow& r, unsigned hd, unsigned d3, unsigned nat);
// The service id and PIDs of those columns; a bad one is counted.
bool dlChannelIdsOk(DlJob& j, const DbRow& r);
// True when the row's (group, satellite) starts a new group; remembers it.
bool dlNewGroup(DlJob& j, int32_t group, int32_t sat);
void dlCopySetup(T_dbSat* d, const T_satRec& s);

// A set-based step: the rows that one statement per satellite would give,
// fetched for many satellites at once. parts are the satellites in the
// order of those statements; each gets its own rows, in the statement's
// order, before the next one gets any.
struct DlSatPart {
    int32_t satId = 0;
    // The satellite's own filter clauses, as they go into the statement;
    // satellites with the same text share statements.
    std::string clauses;
    double share = 0;   // progress, spread over the satellite's rows
    bool skip = false;  // no rows at all (radio and TV off)
};
// At most this many satellite ids in one statement: more than a list
// holds, so a table comes in one statement per set of filter clauses (each
// statement costs the server a little; the bar moves by tables and rows).
// The tests lower it to see that rows come out the same in any grouping.
extern size_t dlIdsPerStatement;
// The statement for the ids ("1,2,3") and clauses of one group. Its ORDER
// BY starts with the satellite id, which is column satCol of its rows,
// and goes on with the order of the per-satellite statement.
using DlSetSql = std::function<std::string(const std::string& ids, const std::string& clauses)>;
struct DlSetStep {
    std::string stepText;
    unsigned satCol = 0;
    DlSetSql sql;
    // Before each part, skipped ones too.
    std::function<void(size_t part)> begin;
    // Each row of a part; false stops that part's rows.
    std::function<bool(size_t part, const DbRow& row)> row;
};
// False when a statement failed (reported, session closed).
bool dlRunSetStep(DlJob& j, const std::vector<DlSatPart>& parts, const DlSetStep& step);

// Modes 1 and 2: the joined query for the selected satellites.
using DlJoinedQuery = std::string (*)(const DlJob& j, const std::string& ids,
                                      const std::string& clauses);
// The per-satellite clauses of the joined query, in their place in it.
std::string dlJoinedClauses(const DlSatClauses& c);
bool dlJoinedChannelStep(DlJob& j, DlJoinedQuery query);

// An id list for "IN (...)".
std::string dlIdList(const std::vector<int32_t>& ids);

bool dlAudioCasStep(DlJob& j, const std::vector<int32_t>& satIds);
bool dlFavGroupsStep(DlJob& j);
bool dlFavChannelsStep(DlJob& j, const std::vector<int32_t>& satIds);
// sat_id = sat_id * 1000 + groupId in satDB, tpDB, chDB and chFavDB.
void dlRenumber(DlJob& j);
// satId of every selected configured satellite, in order.
std::vector<int32_t> dlSelectedSatIds(const DlJob& j);

#include "download/downloadCommon.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "config/textFunc.h"
#include "config/unicodeText.h"

const DlIdColumn kDlIdColumns[kIdFields] = {
    {"transponders", "nid", kNidDigits},   {"transponders", "tid", kTidDigits},
    {"channels", "sid", kSidDigits},       {"channels", "vpid", kPidDigits},
    {"channels", "pmt_pid", kPidDigits},   {"channels", "pcr_pid", kPidDigits},
    {"channels", "txt_pid", kPidDigits},   {"audio rows", "sid", kSidDigits},
    {"audio rows", "apid", kPidDigits},    {"CAS rows", "sid", kSidDigits},
    {"favourite rows", "sid", kSidDigits},
};

namespace {
// The bounds of a column that may hold any 32-bit number.
constexpr int32_t kAnyLo = INT32_MIN, kAnyHi = INT32_MAX;
}  // namespace

// Codes as the lists know them (tools/schema.sql): polarity 0-3, FEC 0-9,
// modulation 0-2, pilot 0-2, channel type 0 TV / 1 radio, CAS system
// 0-31 (a bit of the NDF and JST masks), flags 0 or 1. Keys and ids that
// only join rows may be any whole number.
const DlNumColumn kDlNumColumns[kNumFields] = {
    {"satellites", "position", 0, kMaxPositionTenths, "tenths of a degree"},
    {"transponders", "sat_id", kAnyLo, kAnyHi, ""},
    {"transponders", "stp_id", kAnyLo, kAnyHi, ""},
    {"transponders", "frequency", kMinFrequencyMHz, kMaxFrequencyMHz, "MHz"},
    {"transponders", "polarity", 0, 3, ""},
    {"transponders", "sr", kMinSymbolRate, kMaxSymbolRate, "kS/s"},
    {"transponders", "fec", 0, 9, ""},
    {"transponders", "modulation", 0, 2, ""},
    {"transponders", "pilot", 0, 2, ""},
    {"channels", "sat_id", kAnyLo, kAnyHi, ""},
    {"channels", "stp_id", kAnyLo, kAnyHi, ""},
    {"channels", "group id", kAnyLo, kAnyHi, ""},
    {"channels", "ch_type", 0, 1, ""},
    {"channels", "subtitle", 0, 1, ""},
    {"channels", "scrambled", 0, 1, ""},
    {"channels", "locked", 0, 1, ""},
    {"channels", "skip", 0, 1, ""},
    {"channels", "dupdpid", 0, 1, ""},
    {"channels", "dupdname", 0, 1, ""},
    {"channels", "dupdsid", 0, 1, ""},
    {"channels", "cat_id", kAnyLo, kAnyHi, ""},
    {"channels", "hd", 0, 1, ""},
    {"channels", "d3", 0, 1, ""},
    {"channels", "nat_id", kAnyLo, kAnyHi, ""},
    {"channels", "bou_id", kAnyLo, kAnyHi, ""},
    {"audio rows", "stp_id", kAnyLo, kAnyHi, ""},
    {"audio rows", "lang_id", kAnyLo, kAnyHi, ""},
    {"audio rows", "dts", 0, 1, ""},
    {"audio rows", "ac3", 0, 1, ""},
    {"CAS rows", "stp_id", kAnyLo, kAnyHi, ""},
    {"CAS rows", "cas_id", 0, 31, ""},
    {"favourite groups", "fav_id", kAnyLo, kAnyHi, ""},
    {"favourite rows", "sat_id", kAnyLo, kAnyHi, ""},
    {"favourite rows", "stp_id", kAnyLo, kAnyHi, ""},
    {"favourite rows", "bou_id", kAnyLo, kAnyHi, ""},
    {"favourite rows", "fav_id", kAnyLo, kAnyHi, ""},
    {"favourite rows", "ch_type", 0, 1, ""},
};

std::string droppedLines(const T_dbDropped& d) {
    struct Kind {
        uint32_t n;
        const char* what;
        unsigned long cap;
    };
    const Kind kinds[] = {
        {d.satellites, "satellites over the table capacity of", kSatDbSlots - 1},
        {d.transponders, "transponders over the table capacity of", kTpDbSlots - 1},
        {d.channels, "channels over the table capacity of", kChDbSlots - 1},
        {d.audioRows, "audio rows over the list capacity of", kDlAudioListCap},
        {d.casRows, "CAS rows over the list capacity of", kDlCasListCap},
        {d.channelAudio, "audio tracks over the channel capacity of", kAudioSlots - 1},
        {d.channelCas, "CAS ids over the channel capacity of", kCasSlots - 1},
        {d.favGroups, "favourite groups over the table capacity of", kFavDbSlots - 1},
        {d.favLinks, "favourite links over the table capacity of", kChFavDbSlots - 1},
    };
    std::string s;
    char line[160];
    for (const Kind& k : kinds) {
        if (!k.n) continue;
        std::snprintf(line, sizeof line, "\r\nDropped: %u %s %lu", k.n, k.what, k.cap);
        s += line;
    }
    // "Dropped: 2 channels whose sid is not hexadecimal", by column and fault.
    auto whose = [&s](uint32_t n, const char* rows, const char* name, const std::string& why) {
        if (n) s += strFormat("\r\nDropped: %u %s whose %s is %s", n, rows, name, why.c_str());
    };
    for (int f = 0; f < kIdFields; ++f) {
        const DlIdColumn& col = kDlIdColumns[f];
        // In HexIdFault's order.
        const std::string why[kHexIdFaults] = {
            "", "NULL", "empty", "not hexadecimal",
            strFormat("longer than %zu hexadecimal digits", col.digits)};
        for (int fault = 1; fault < kHexIdFaults; ++fault)
            whose(d.badId[f][fault], col.rows, col.name, why[fault]);
    }
    for (int f = 0; f < kNumFields; ++f) {
        const DlNumColumn& col = kDlNumColumns[f];
        // In NumberFault's order.
        const std::string why[kNumberFaults] = {
            "", "NULL", "not a whole number",
            col.lo == kAnyLo ? "too large"
                             : strFormat("outside %d to %d%s%s", col.lo, col.hi,
                                         *col.unit ? " " : "", col.unit)};
        for (int fault = 1; fault < kNumberFaults; ++fault)
            whose(d.badNumber[f][fault], col.rows, col.name, why[fault]);
    }
    if (d.orphanChannels) {
        std::snprintf(line, sizeof line,
                      "\r\nDropped: %u channels on transponders dropped for a bad id or value",
                      d.orphanChannels);
        s += line;
    }
    if (d.satChannels) {
        std::snprintf(line, sizeof line,
                      "\r\nDropped: %u channels of satellites dropped for a bad position",
                      d.satChannels);
        s += line;
    }
    if (d.fullTpChannels) {
        std::snprintf(line, sizeof line,
                      "\r\nDropped: %u channels on transponders over the table capacity of %lu",
                      d.fullTpChannels, static_cast<unsigned long>(kTpDbSlots - 1));
        s += line;
    }
    return s;
}

bool dlIdOk(DlJob& j, const DbRow& r, unsigned col, DlIdField field) {
    size_t len = 0;
    const char* text = r.raw(col, &len);
    HexIdFault f = checkHexId(text, len, kDlIdColumns[field].digits);
    if (f == HexIdFault::kOk) return true;
    ++j.dropped->badId[field][static_cast<int>(f)];
    return false;
}

bool dlNumbersOk(DlJob& j, const DbRow& r, std::initializer_list<DlNumCheck> checks) {
    for (const DlNumCheck& c : checks) {
        size_t len = 0;
        const char* text = r.raw(c.col, &len);
        const DlNumColumn& col = kDlNumColumns[c.field];
        int32_t v = 0;
        NumberFault f = checkNumber(text, len, col.lo, col.hi, &v);
        if (f == NumberFault::kOk) continue;
        ++j.dropped->badNumber[c.field][static_cast<int>(f)];
        return false;
    }
    return true;
}

DlJob::DlJob(T_dlRequest* prm, DlMode m)
    : p(prm),
      mode(m),
      cfg(prm->cfg),
      sats(prm->sat),
      cats(prm->cat),
      bouI(prm->bouI),
      favI(prm->favI),
      lang(prm->lang),
      satDB(prm->db.satDB),
      tpDB(prm->db.tpDB),
      chDB(prm->db.chDB),
      favDB(prm->db.favDB),
      chFavDB(prm->db.chFavDB),
      rep(prm->db.report),
      ev(*prm->events),
      dropped(&prm->dropped) {
    ui.ev = &ev;
    ui.lang = &lang;
    // Records read from configuration files may lack their NUL.
    cfg.appName[sizeof cfg.appName - 1] = '\0';
    cfg.appVersion[sizeof cfg.appVersion - 1] = '\0';
    if (sats.count > kSatSlots - 1) sats.count = kSatSlots - 1;
    for (T_satRec& s : sats.sat) {
        s.satName[sizeof s.satName - 1] = '\0';
        s.radioFilter[sizeof s.radioFilter - 1] = '\0';
        s.tvFilter[sizeof s.tvFilter - 1] = '\0';
        s.catFilter[sizeof s.catFilter - 1] = '\0';
    }
    if (cats.count > kCatSlots) cats.count = kCatSlots;
    appKey = std::string(cfg.appName) + cfg.appVersion;
}

std::unique_ptr<DlJob> dlStart(void* param, DlMode mode) {
    auto* p = static_cast<T_dlRequest*>(param);
    if (!p || !p->events || !p->db.complete()) return nullptr;
    auto j = std::make_unique<DlJob>(p, mode);
    j->audio.reserve(1024);
    j->cas.reserve(1024);
    j->ev.started();
    resetChannelDb(j->satDB, j->tpDB, j->chDB, j->favDB, j->chFavDB, j->rep);
    *j->dropped = T_dbDropped{};
    p->showForum = 0;
    p->connectFault = DbOpenFault::kNone;
    dlShowReport(*j, kRepAll);
    j->ui.shown = -1;
    dlSetProgress(j->ui, 0);
    return j;
}

uint32_t dlFail(DlJob& j, uint32_t code) {
    j.db.close();
    j.ev.finished(false);
    return code;
}

uint32_t dlConnect(DlJob& j) {
    if (!dlOpen(j.ui, j.db, dbConnValues(j.cfg, j.p->conn))) {
        // An open that failed before reaching the server has no fault of its own.
        const DbOpenFault f = j.db.openFault();
        j.p->connectFault = f == DbOpenFault::kNone ? DbOpenFault::kOther : f;
        return dlFail(j);
    }
    j.p->server = j.db.server();
    // Every statement reads one snapshot: an import that commits meanwhile
    // is wholly in the list or wholly out of it.
    if (!j.db.exec("START TRANSACTION WITH CONSISTENT SNAPSHOT, READ ONLY")) {
        dlServerFailed(j.ui, j.db.error());
        return dlFail(j);
    }
    DownloadResult r = dlCheckMessage(j.ui, j.db, j.appKey, &j.p->showForum, j.serverMsg);
    if (r != kDownloadOk) return dlFail(j, r);
    std::string err;
    if (!dlDataVersion(j.db, &j.p->dataVersion, &err)) {
        dlServerFailed(j.ui, err);
        return dlFail(j);
    }
    if (j.p->skipIfVersion >= 0 && j.p->dataVersion == j.p->skipIfVersion) {
        j.db.exec("COMMIT");
        j.db.close();
        dlSetProgress(j.ui, 100);
        j.ui.ev->status(JobStatus::kDone, "",
                        strFormat(j.lang.msgDbUnchanged, static_cast<long long>(j.p->dataVersion)));
        j.ev.finished(true);
        return kDownloadUnchanged;
    }
    return kDownloadOk;
}

bool dlDataVersion(DbSession& db, int64_t* version, std::string* err) {
    *version = -1;
    DbResult res;
    if (!db.query("SELECT version FROM DataVersion WHERE id = 1", &res)) {
        // A database made before the version was kept: no skipping.
        if (db.errorCode() == kErrNoSuchTable) return true;
        *err = db.error();
        return false;
    }
    if (res.next()) *version = std::strtoll(res.row().text(0), nullptr, 10);
    if (!db.rowsRead(res)) {
        *err = db.error();
        return false;
    }
    return true;
}

bool readDataVersion(const T_cfgStruct& cfg, const T_dbConnOverride& o, int64_t* version,
                     std::string* err) {
    DbSession db;
    if (!db.open(dbConnValues(cfg, o))) {
        *err = db.error();
        return false;
    }
    if (!dlDataVersion(db, version, err)) return false;
    if (*version < 0) {
        *err = "the database keeps no data version";
        return false;
    }
    return true;
}

uint32_t dlFinish(DlJob& j) {
    if (dlCancelled(j.ui, j.db)) return dlFail(j);
    // The snapshot ends before the one write; a failed commit of a read
    // changes nothing the list holds.
    j.db.exec("COMMIT");
    dlCountUsage(j.db, j.appKey);
    std::string extra;
    if (!j.missingSats.empty()) {
        extra += std::string("\r\n") + j.lang.msgSatMissing;
        for (const std::string& s : j.missingSats) extra += "\r\n  " + s;
    }
    dlCloseReport(j.ui, j.db, j.serverMsg, extra + droppedLines(*j.dropped));
    j.ev.finished(true);
    return kDownloadOk;
}

std::string dlStepText(const DlJob& j, const char* what) {
    return std::string(j.lang.msgDbReading) + " -> " + what;
}

void dlShowReport(DlJob& j, unsigned fields) {
    const T_dbReport& r = *j.rep;
    bool virt = j.mode != DlMode::kCh;
    if (fields & kRepSat) {
        if (!virt)
            dlReportText(j.ui, ReportField::kSat, "%d", static_cast<int>(r.satellites));
        else if (!j.channelsDone)
            dlReportText(j.ui, ReportField::kSat, "%d (Fake=%d)", static_cast<int>(r.satellites),
                         static_cast<int>(r.fakeSatellites));
        else
            dlReportText(j.ui, ReportField::kSat, "Real=%d Fake=%d", static_cast<int>(r.satellites),
                         static_cast<int>(r.fakeSatellites));
    }
    if (fields & kRepTp)
        dlReportText(j.ui, ReportField::kTp, "%d", static_cast<int>(r.transponders));
    if (fields & kRepBou) dlReportText(j.ui, ReportField::kBou, "%d", static_cast<int>(r.bouquets));
    if (fields & kRepTv) {
        if (!virt)
            dlReportText(j.ui, ReportField::kTv, "%d (Fake=%d, Fta=%d, Cod=%d) (HD=%d)(3D=%d)",
                         static_cast<int>(r.tvChannels + r.tvFake), static_cast<int>(r.tvFake),
                         static_cast<int>(r.tvFta), static_cast<int>(r.tvCod),
                         static_cast<int>(r.tvHd), static_cast<int>(r.tv3d));
        else
            dlReportText(j.ui, ReportField::kTv, "%d (Fta=%d, Cod=%d) (HD=%d)(3D=%d)",
                         static_cast<int>(r.tvChannels), static_cast<int>(r.tvFta),
                         static_cast<int>(r.tvCod), static_cast<int>(r.tvHd),
                         static_cast<int>(r.tv3d));
    }
    if (fields & kRepRadio)
        dlReportText(j.ui, ReportField::kRadio, "%d (Fta=%d, Cod=%d)",
                     static_cast<int>(r.radioChannels), static_cast<int>(r.radioFta),
                     static_cast<int>(r.radioCod));
    if (fields & kRepFavGrp)
        dlReportText(j.ui, ReportField::kFavGrp, "%d", static_cast<int>(r.favGroups));
    if (fields & kRepFavCh)
        dlReportText(j.ui, ReportField::kFavCh, "%d", static_cast<int>(r.favChannels));
}

DlSatClauses dlSatClauses(const DlJob& j, const char* radioFilter, const char* tvFilter,
                          const char* catFilter, int feedTp, bool prefixedFeed) {
    DlSatClauses c;
    c.cat = excludedCategoriesClause(catFilter, j.cats);
    c.type = channelTypeClause(radioFilter, tvFilter, j.cfg.gRad, &c.noQuery);
    if (c.noQuery) return c;
    c.hd = hdClause(j.cfg.gHD, tvFilter);
    c.d3 = d3Clause(j.cfg.g3D, tvFilter);
    c.feed = feedClause(j.cfg.gTP, feedTp, prefixedFeed);
    return c;
}

bool dlAcceptRow(const DlJob& j, const char* tvFilter, const char* radioFilter, int chType,
                 int scrambled) {
    const char* f = chType == 0 ? tvFilter : radioFilter;
    size_t len = strnlen(f, 5);
    char fta = len > 1 ? f[1] : '\0';
    char cod = len > 2 ? f[2] : '\0';
    if (fta == '0' && cod == '1' && scrambled == 0) return false;
    if (fta == '1' && cod == '0' && scrambled != 0) return false;
    const T_dbReport& r = *j.rep;
    if (chType == 0 && j.cfg.maxCTv != 0 &&
        r.tvChannels + r.tvFake >= static_cast<uint32_t>(j.cfg.maxCTv))
        return false;
    if (chType == 1 && j.cfg.maxCRa != 0 && r.radioChannels >= static_cast<uint32_t>(j.cfg.maxCRa))
        return false;
    return true;
}

bool dlNewGroup(DlJob& j, int32_t group, int32_t sat) {
    bool fresh = !j.havePrev || group != j.prevGroup || sat != j.prevSat;
    j.prevGroup = group;
    j.prevSat = sat;
    j.havePrev = true;
    return fresh;
}

T_dbCh* dlNewChannel(DlJob& j) {
    T_dbCh* c = appendCh(j.chDB);
    if (!c) ++j.dropped->channels;
    return c;
}

void dlCountChannel(DlJob& j, const T_dbCh& c) {
    T_dbReport& r = *j.rep;
    if (c.ch_type == 0) {
        ++r.tvChannels;
        ++(c.scrambled == 0 ? r.tvFta : r.tvCod);
        if (c.hd != 0) ++r.tvHd;
        if (c.d3 != 0) ++r.tv3d;
    } else {
        ++r.radioChannels;
        ++(c.scrambled == 0 ? r.radioFta : r.radioCod);
    }
}

void dlFillChannelCommon(T_dbCh* c, const DbRow& r) {
    c->fake = 0;
    c->sat_id = c->realSatId = r.num(0);
    c->stp_id = r.num(1);
    c->groupId = r.num(2);
    r.copy(3, c->groupName);
    c->ch_type = r.num(4);
    r.copy(5, c->ch_name);
    r.copy(6, c->sid);
    r.copy(7, c->vpid);
    r.copy(8, c->pmt_pid);
    r.copy(9, c->pcr_pid);
    r.copy(10, c->txt_pid);
    c->subtitle = r.num(11);
    c->scrambled = r.num(12);
    c->locked = r.num(13);
    c->skip = r.num(14);
    c->dupdpid = r.num(15);
    c->dupdname = r.num(16);
    c->dupdsid = r.num(17);
    c->cat_id = r.num(18);
}

bool dlChannelNumbersOk(DlJob& j, const DbRow& r, unsigned hd, unsigned d3, unsigned nat) {
    return dlNumbersOk(j, r,
                       {{0, kNumChSatId},
                        {1, kNumChStpId},
                        {2, kNumChGroupId},
                        {4, kNumChType},
                        {11, kNumChSubtitle},
                        {12, kNumChScrambled},
                        {13, kNumChLocked},
                        {14, kNumChSkip},
                        {15, kNumChDupdpid},
                        {16, kNumChDupdname},
                        {17, kNumChDupdsid},
                        {18, kNumChCatId},
                        {hd, kNumChHd},
                        {d3, kNumChD3},
                        {nat, kNumChNatId}});
}

bool dlChannelIdsOk(DlJob& j, const DbRow& r) {
    return dlIdOk(j, r, 6, kIdChSid) && dlIdOk(j, r, 7, kIdChVpid) &&
           dlIdOk(j, r, 8, kIdChPmtPid) && dlIdOk(j, r, 9, kIdChPcrPid) &&
           dlIdOk(j, r, 10, kIdChTxtPid);
}

void dlCopySetup(T_dbSat* d, const T_satRec& s) {
    d->lnbType = s.lnbType;
    d->freqLo = s.freqLo;
    d->freqHi = s.freqHi;
    d->power = s.power;
    d->tone22k = s.tone22k;
    d->out12V = s.out12V;
    d->switchType = s.switchType;
    d->switch10 = s.switch10;
    d->switch11 = s.switch11;
    d->diseqc = s.diseqc;
    d->positionerId = s.positionerId;
    d->skew = s.skew;
    d->feedTp = s.feedTp;
    copyText(d->radioFilter, s.radioFilter);
    copyText(d->tvFilter, s.tvFilter);
    copyText(d->catFilter, s.catFilter);
}

std::vector<int32_t> dlSelectedSatIds(const DlJob& j) {
    std::vector<int32_t> ids;
    for (uint32_t i = 1; i <= j.sats.count; ++i)
        if (j.sats.sat[i].selected == 1) ids.push_back(j.sats.sat[i].satId);
    return ids;
}

// ---- set-based steps ----

std::string dlIdList(const std::vector<int32_t>& ids) {
    std::string s;
    for (int32_t id : ids) {
        if (!s.empty()) s += ',';
        s += std::to_string(id);
    }
    return s;
}

namespace {

// One statement's result and where each satellite's rows start in it.
struct SetBatch {
    DbResult res;
    struct Range {
        DbResult::Place at;
        uint64_t rows;
    };
    std::unordered_map<int32_t, Range> ranges;
    size_t users = 0;  // parts that have still to read their rows
};

}  // namespace

size_t dlIdsPerStatement = 256;

bool dlRunSetStep(DlJob& j, const std::vector<DlSatPart>& parts, const DlSetStep& step) {
    std::vector<size_t> batchOf(parts.size(), SIZE_MAX);
    std::vector<std::unique_ptr<SetBatch>> batches;
    auto failed = [&] {
        dlServerFailed(j.ui, j.db.error());
        j.db.close();
        return false;
    };
    for (size_t i = 0; i < parts.size(); ++i) {
        if (dlCancelled(j.ui, j.db)) return false;
        const DlSatPart& part = parts[i];
        if (step.begin) step.begin(i);
        if (part.skip) {
            dlAddProgress(j.ui, part.share);
            continue;
        }
        if (batchOf[i] == SIZE_MAX) {
            // This satellite and those after it with the same clauses, up
            // to a bounded number of ids; a satellite named twice reads the
            // same rows twice.
            auto b = std::make_unique<SetBatch>();
            std::vector<int32_t> ids;
            for (size_t k = i; k < parts.size(); ++k) {
                const DlSatPart& o = parts[k];
                if (o.skip || batchOf[k] != SIZE_MAX || o.clauses != part.clauses) continue;
                bool known = std::find(ids.begin(), ids.end(), o.satId) != ids.end();
                if (!known && ids.size() >= dlIdsPerStatement) continue;
                if (!known) ids.push_back(o.satId);
                batchOf[k] = batches.size();
                ++b->users;
            }
            j.ev.step(step.stepText);
            if (!j.db.query(step.sql(dlIdList(ids), part.clauses), &b->res)) return failed();
            // The rows come by satellite: note where each one's start.
            for (;;) {
                DbResult::Place at = b->res.tell();
                if (!b->res.next()) break;
                int32_t id = b->res.row().num(step.satCol);
                ++b->ranges.try_emplace(id, SetBatch::Range{at, 0}).first->second.rows;
            }
            if (!j.db.rowsRead(b->res)) return failed();
            batches.push_back(std::move(b));
        }
        SetBatch& b = *batches[batchOf[i]];
        auto it = b.ranges.find(part.satId);
        const uint64_t rows = it == b.ranges.end() ? 0 : it->second.rows;
        const double perRow = rows ? part.share / static_cast<double>(rows) : 0;
        uint64_t read = 0;
        if (rows) b.res.seek(it->second.at);
        while (read < rows && b.res.next()) {
            if (!step.row(i, b.res.row())) break;
            ++read;
            dlAddProgress(j.ui, perRow);
        }
        dlAddProgress(j.ui, rows ? perRow * static_cast<double>(rows - read) : part.share);
        if (--b.users == 0) b.res.reset(nullptr);
    }
    return true;
}

// ---- joined channel step of modes 1 and 2 ----

namespace {

// Column positions of the joined queries.
enum : unsigned {
    kJModulation = 19,
    kJPosition = 20,
    kJTpName = 21,
    kJFrequency = 22,
    kJPolarity = 23,
    kJSr = 24,
    kJFec = 25,
    kJNid = 26,
    kJTid = 27,
    kJPilot = 28,
    kJHd = 29,
    kJD3 = 30,
    kJLocation = 31,
    kJSatName = 32,
    kJNatId = 33,
    kJBouId = 34
};

bool joinedRow(DlJob& j, const T_satRec& s, const DbRow& r) {
    T_dbReport& rep = *j.rep;
    const bool favMode = j.mode == DlMode::kFSat;
    if (!favMode && j.cfg.maxBou != 0 && rep.bouquets >= static_cast<uint32_t>(j.cfg.maxBou))
        return false;
    if (!dlChannelNumbersOk(j, r, kJHd, kJD3, kJNatId) ||
        (favMode && !dlNumbersOk(j, r, {{kJBouId, kNumChBouId}})))
        return true;
    int chType = r.num(4);
    if (!dlAcceptRow(j, s.tvFilter, s.radioFilter, chType, r.num(12))) return true;
    int32_t sat = r.num(0), grp = r.num(2);
    // A row with a bad id is dropped before it can start a group.
    // A satellite whose position is no position takes all its rows along.
    auto pos = j.positionOk.find(sat);
    if (pos == j.positionOk.end())
        pos = j.positionOk.emplace(sat, dlNumbersOk(j, r, {{kJPosition, kNumSatPosition}})).first;
    if (!pos->second) {
        ++j.dropped->satChannels;
        return true;
    }
    const DlKey tpKey(sat, r.num(1), grp, "");
    if (j.badTp.count(tpKey)) {
        ++j.dropped->orphanChannels;
        return true;
    }
    if (!j.tpIndex.count(tpKey) &&
        !(dlIdOk(j, r, kJNid, kIdTpNid) && dlIdOk(j, r, kJTid, kIdTpTid) &&
          dlNumbersOk(j, r,
                      {{kJFrequency, kNumTpFrequency},
                       {kJPolarity, kNumTpPolarity},
                       {kJSr, kNumTpSr},
                       {kJFec, kNumTpFec},
                       {kJModulation, kNumTpModulation},
                       {kJPilot, kNumTpPilot}}))) {
        j.badTp.insert(tpKey);
        ++j.dropped->orphanChannels;
        return true;
    }
    if (!dlChannelIdsOk(j, r)) return true;
    // A transponder that does not fit the table takes its channels with it,
    // before they can start a group; it is counted once.
    if (auto it = j.tpIndex.find(tpKey);
        it != j.tpIndex.end() ? it->second == 0 : j.tpDB->count >= kTpDbSlots - 1) {
        if (it == j.tpIndex.end()) {
            ++j.dropped->transponders;
            j.tpIndex.emplace(tpKey, 0);
        }
        ++j.dropped->fullTpChannels;
        return true;
    }
    if (dlNewGroup(j, grp, sat)) {
        bool made = false;
        if (s.tvFilter[0] == '1' &&
            (j.cfg.maxCTv == 0 ||
             rep.tvChannels + rep.tvFake < static_cast<uint32_t>(j.cfg.maxCTv))) {
            if (T_dbSat* v = appendSat(j.satDB)) {
                v->sat_id = v->realSatId = sat;
                v->groupId = grp;
                if (favMode) {
                    r.copy(3, v->satName);
                } else {
                    copyUtf8(v->satName, std::string(r.text(3)) + " " + r.text(kJLocation));
                }
                // The column is uncut here: the field holds 29 characters.
                copyUtf8(v->sat_name, r.text(kJSatName), kSatNameChars);
                r.copy(kJLocation, v->location);
                v->position = r.num(kJPosition);
                dlCopySetup(v, s);
                ++rep.fakeSatellites;
                made = true;
            } else {
                ++j.dropped->satellites;
            }
        }
        if (!favMode) {
            ++rep.bouquets;
        } else if (made) {
            ++rep.bouquets;
            ++rep.favGroups;
        }
    }

    T_dbCh* c = dlNewChannel(j);
    if (!c) return true;
    dlFillChannelCommon(c, r);
    c->hd = r.num(kJHd);
    c->d3 = r.num(kJD3);
    c->nat_id = r.num(kJNatId);
    c->bou_id = favMode ? r.num(kJBouId) : grp;
    dlCountChannel(j, *c);

    DlKey key(c->sat_id, c->stp_id, c->groupId, "");
    if (j.tpIndex.find(key) == j.tpIndex.end()) {
        T_dbTp* t = appendTp(j.tpDB);
        if (!t) {
            // Remembered as dropped, so it is counted once, not per channel.
            ++j.dropped->transponders;
            j.tpIndex.emplace(key, 0);
            return true;
        }
        t->sat_id = t->realSatId = c->sat_id;
        t->stp_id = c->stp_id;
        t->groupId = c->groupId;
        r.copy(kJTpName, t->tp_name);
        t->frequency = r.num(kJFrequency);
        t->polarity = r.num(kJPolarity);
        t->sr = r.num(kJSr);
        t->fec = r.num(kJFec);
        t->modulation = r.num(kJModulation);
        r.copy(kJNid, t->nid);
        r.copy(kJTid, t->tid);
        t->pilot = r.num(kJPilot);
        j.tpIndex.emplace(key, j.tpDB->count);
    }
    return true;
}

}  // namespace

std::string dlJoinedClauses(const DlSatClauses& c) {
    return c.feed + " " + c.cat + " " + c.hd + " " + c.d3 + " " + c.type;
}

bool dlJoinedChannelStep(DlJob& j, DlJoinedQuery query) {
    const std::string stepText = dlStepText(j, j.lang.stepSatTpCh);
    j.ev.step(stepText);
    std::vector<const T_satRec*> sats;
    for (uint32_t i = 1; i <= j.sats.count; ++i)
        if (j.sats.sat[i].selected == 1) sats.push_back(&j.sats.sat[i]);
    const double share = sats.empty() ? 0 : 25.0 / static_cast<double>(sats.size());
    std::vector<DlSatPart> parts;
    for (const T_satRec* s : sats) {
        DlSatClauses cl =
            dlSatClauses(j, s->radioFilter, s->tvFilter, s->catFilter, s->feedTp, false);
        parts.push_back({s->satId, dlJoinedClauses(cl), share, cl.noQuery});
    }
    DlSetStep step;
    step.stepText = stepText;
    step.satCol = 0;
    step.sql = [&](const std::string& ids, const std::string& clauses) {
        return query(j, ids, clauses);
    };
    step.begin = [&](size_t) { ++j.rep->satellites; };
    step.row = [&](size_t part, const DbRow& r) { return joinedRow(j, *sats[part], r); };
    if (!dlRunSetStep(j, parts, step)) return false;
    j.rep->transponders = j.tpDB->count;
    j.channelsDone = true;
    dlShowReport(j, kRepSat | kRepTp | kRepBou | kRepTv | kRepRadio);
    return true;
}

// ---- audio and CAS ----

namespace {

// One list of the audio and CAS step, read by "<select> IN (ids<order>".
// fill checks a row (a bad value is counted there) and makes its entry;
// a good row past cap is counted in *dropped.
template <typename Entry, typename Fill>
bool dlReadList(DlJob& j, const std::vector<DlSatPart>& parts, const std::string& stepText,
                unsigned satCol, std::string select, std::string order, size_t cap,
                uint32_t* dropped, std::vector<Entry>* list, Fill fill) {
    DlSetStep step{
        stepText,
        satCol,
        [&](const std::string& ids, const std::string&) { return select + " IN (" + ids + order; },
        {},
        [&](size_t part, const DbRow& r) {
            Entry e{};
            e.sat_id = parts[part].satId;
            if (!fill(r, &e)) return true;
            if (list->size() < cap)
                list->push_back(e);
            else
                ++*dropped;
            return true;
        }};
    return dlRunSetStep(j, parts, step);
}

// Positions of a list's entries by channel, in list order.
template <typename Entry>
DlKeyIndex dlIndexBySid(const std::vector<Entry>& list) {
    DlKeyIndex of;
    of.reserve(list.size());
    for (uint32_t i = 0; i < list.size(); ++i)
        of.add(DlKey(list[i].sat_id, list[i].stp_id, 0, list[i].sid), i);
    of.sort();
    return of;
}

}  // namespace

bool dlAudioCasStep(DlJob& j, const std::vector<int32_t>& satIds) {
    const std::string stepText = dlStepText(j, j.lang.stepAudioCas);
    j.ev.step(stepText);
    // The audio rows of every satellite, then the CAS rows: each list keeps
    // the order of the satellites either way.
    const double share = satIds.empty() ? 0 : 35.0 / static_cast<double>(satIds.size());
    std::vector<DlSatPart> parts;
    for (int32_t id : satIds) parts.push_back({id, "", share, false});
    auto audioRow = [&](const DbRow& r, T_dlAudioEntry* e) {
        if (!dlIdOk(j, r, 1, kIdAudioSid) || !dlIdOk(j, r, 2, kIdAudioApid) ||
            !dlNumbersOk(
                j, r,
                {{0, kNumAudioStpId}, {3, kNumAudioLangId}, {4, kNumAudioDts}, {5, kNumAudioAc3}}))
            return false;
        e->stp_id = r.num(0);
        r.copy(1, e->sid);
        r.copy(2, e->apid);
        e->lang_id = r.num(3);
        e->dts = r.num(4);
        e->ac3 = r.num(5);
        r.copy(6, e->lang_name);
        return true;
    };
    auto casRow = [&](const DbRow& r, T_dlCasEntry* e) {
        if (!dlIdOk(j, r, 1, kIdCasSid) || !dlNumbersOk(j, r, {{0, kNumCasStpId}, {2, kNumCasId}}))
            return false;
        e->stp_id = r.num(0);
        r.copy(1, e->sid);
        e->cas_id = r.num(2);
        return true;
    };
    if (!dlReadList(j, parts, stepText, 7,
                    "SELECT a.stp_id, a.sid, a.apid, a.lang_id, a.dts, a.ac3, b.lang_name, "
                    "a.sat_id FROM ChannelAudio a, Languages b WHERE a.lang_id = b.lang_id "
                    "AND a.sat_id",
                    ") ORDER BY a.sat_id, a.stp_id, a.sid, a.sort_id", kDlAudioListCap,
                    &j.dropped->audioRows, &j.audio, audioRow) ||
        !dlReadList(j, parts, stepText, 3,
                    "SELECT stp_id, sid, cas_id, sat_id FROM ChannelCas "
                    "WHERE sat_id",
                    ") ORDER BY sat_id, stp_id, sid, cas_id", kDlCasListCap, &j.dropped->casRows,
                    &j.cas, casRow))
        return false;

    // Entries of one channel in list order; a channel carried by several
    // bouquets gets the same entries in each copy.
    const DlKeyIndex audioOf = dlIndexBySid(j.audio), casOf = dlIndexBySid(j.cas);
    for (uint32_t n = 1; n <= j.chDB->count; ++n) {
        T_dbCh& c = j.chDB->ch[n];
        c.audioCount = 0;
        c.casCount = 0;
        if (c.fake) continue;
        DlKey key(c.sat_id, c.stp_id, 0, c.sid);
        audioOf.forEach(key, [&](uint32_t idx) {
            const T_dlAudioEntry& e = j.audio[idx];
            T_dbAudio* a = appendAudio(&c);
            if (!a) {
                ++j.dropped->channelAudio;
                return;
            }
            copyText(a->apid, e.apid);
            a->lang_id = e.lang_id;
            copyText(a->lang_name, e.lang_name);
            a->dts = e.dts;
            a->ac3 = e.ac3;
        });
        casOf.forEach(key, [&](uint32_t idx) {
            if (!appendCas(&c, j.cas[idx].cas_id)) ++j.dropped->channelCas;
        });
    }
    return true;
}

// ---- favourites ----

bool dlFavGroupsStep(DlJob& j) {
    const std::string step = dlStepText(j, j.lang.stepFavGroups);
    std::string sql = "SELECT fav_id, fav_name ";
    // The index gives the order; a table this small would be sorted instead.
    sql += "FROM Favorites FORCE INDEX (idx_fav_sort) ";
    sql += "WHERE enable='1' ";
    sql += excludedFavouritesPlainClause(j.favI) + " ";
    sql += "ORDER BY sort_id, fav_id";
    bool ok = dlRunQuery(j.ui, j.db, sql, step, 2, [&](const DbRow& r) {
        if (!dlNumbersOk(j, r, {{0, kNumFavId}})) return true;
        T_dbFav* f = appendFav(j.favDB);
        if (!f) {
            ++j.dropped->favGroups;
            return true;
        }
        f->fav_id = r.num(0);
        r.copy(1, f->fav_name);
        return true;
    });
    if (!ok) return false;
    j.rep->favGroups = j.favDB->count;
    dlShowReport(j, kRepFavGrp);
    return true;
}

bool dlFavChannelsStep(DlJob& j, const std::vector<int32_t>& satIds) {
    const std::string step = dlStepText(j, j.lang.stepFavChs);
    j.ev.step(step);
    const std::string clause = excludedFavouritesJoinedClause(j.favI);
    const bool favMode = j.mode == DlMode::kFSat;
    // Channels by (sat_id, stp_id, groupId, sid), slots ascending.
    DlKeyIndex slotsOf;
    slotsOf.reserve(j.chDB->count);
    for (uint32_t n = 1; n <= j.chDB->count; ++n) {
        const T_dbCh& c = j.chDB->ch[n];
        slotsOf.add(DlKey(c.sat_id, c.stp_id, c.groupId, c.sid), n);
    }
    slotsOf.sort();
    const double share = satIds.empty() ? 0 : 3.0 / static_cast<double>(satIds.size());
    std::vector<DlSatPart> parts;
    for (int32_t id : satIds) parts.push_back({id, "", share, false});
    DlSetStep links;
    links.stepText = step;
    links.satCol = 0;
    links.sql = [&](const std::string& ids, const std::string&) {
        std::string sql =
            "SELECT DISTINCT STRAIGHT_JOIN cf.sat_id, cf.stp_id, cf.sid, cf.bou_id, cf.fav_id, "
            "c.ch_type ";
        sql += "FROM ChannelFavorite cf, Favorites f, Channels c, ChannelBouquet cb ";
        sql += "WHERE cf.sat_id = c.sat_id ";
        sql += "AND cf.sat_id = cb.sat_id ";
        sql += "AND cf.sat_id IN (" + ids + ") ";
        sql += "AND cf.stp_id = c.stp_id ";
        sql += "AND cf.stp_id = cb.stp_id ";
        sql += "AND cf.sid    = c.sid ";
        sql += "AND cf.sid    = cb.sid ";
        sql += "AND cf.bou_id = cb.bou_id ";
        sql += "AND cf.fav_id = f.fav_id ";
        sql += "AND f.enable  = '1' ";
        sql += clause + " ";
        // Past today's keys, the rest of the link's own key: ties keep one
        // order whatever plan the server takes.
        sql += "ORDER BY cf.sat_id, f.sort_id, cf.fav_id, c.ch_type, cf.sort_id, ";
        sql += "cf.stp_id, cf.sid, cf.bou_id";
        return sql;
    };
    links.row = [&](size_t, const DbRow& r) {
        if (!dlIdOk(j, r, 2, kIdFavSid) || !dlNumbersOk(j, r,
                                                        {{0, kNumLinkSatId},
                                                         {1, kNumLinkStpId},
                                                         {3, kNumLinkBouId},
                                                         {4, kNumLinkFavId},
                                                         {5, kNumLinkChType}}))
            return true;
        const char* sid = r.text(2);
        int32_t grp = favMode ? r.num(4) : r.num(3);
        slotsOf.forEach(DlKey(r.num(0), r.num(1), grp, sid), [&](uint32_t n) {
            const T_dbCh& c = j.chDB->ch[n];
            T_dbChFav* l = appendChFav(j.chFavDB);
            if (!l) {
                ++j.dropped->favLinks;
                return;
            }
            l->sat_id = l->realSatId = c.sat_id;
            l->stp_id = c.stp_id;
            l->groupId = c.groupId;
            copyText(l->sid, c.sid);  // the writers match links to channels by this text
            l->fav_id = r.num(4);
            l->ch_type = r.num(5);
            l->chIndex = static_cast<int32_t>(n) - 1;
        });
        return true;
    };
    if (!dlRunSetStep(j, parts, links)) return false;
    j.rep->favChannels = j.chFavDB->count;
    dlShowReport(j, kRepFavCh);
    return true;
}

namespace {
// Virtual satellite id; done in 64 bits so that odd ids wrap instead of
// overflowing.
int32_t virtualId(int32_t satId, int32_t groupId) {
    return static_cast<int32_t>(static_cast<int64_t>(satId) * 1000 + groupId);
}
}  // namespace

void dlRenumber(DlJob& j) {
    for (uint32_t i = 1; i <= j.satDB->count; ++i) {
        T_dbSat& r = j.satDB->sat[i];
        r.sat_id = virtualId(r.sat_id, r.groupId);
    }
    for (uint32_t i = 1; i <= j.tpDB->count; ++i) {
        T_dbTp& r = j.tpDB->tp[i];
        r.sat_id = virtualId(r.sat_id, r.groupId);
    }
    for (uint32_t i = 1; i <= j.chDB->count; ++i) {
        T_dbCh& r = j.chDB->ch[i];
        r.sat_id = virtualId(r.sat_id, r.groupId);
    }
    for (uint32_t i = 1; i <= j.chFavDB->count; ++i) {
        T_dbChFav& r = j.chFavDB->chFav[i];
        r.sat_id = virtualId(r.sat_id, r.groupId);
    }
}

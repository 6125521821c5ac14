// List type 0: the selected satellites as they are, their transponders and
// their channels grouped by bouquet, with an optional marker channel in
// front of each bouquet.
#include <cstdio>

#include "config/textFunc.h"
#include "config/unicodeText.h"
#include "download/downloadCommon.h"

namespace {

bool satelliteStep(DlJob& j) {
    const std::string step = dlStepText(j, j.lang.stepSats);
    j.ev.step(step);
    for (uint32_t i = 1; i <= j.sats.count; ++i) {
        const T_satRec& s = j.sats.sat[i];
        if (s.selected != 1) continue;
        T_dbSat* d = appendSat(j.satDB);
        if (!d) {
            ++j.dropped->satellites;
            continue;
        }
        d->sat_id = d->realSatId = s.satId;
        // The configured name until the server's arrives.
        copyUtf8(d->satName, fieldView(s.satName));
        dlCopySetup(d, s);
    }
    const uint32_t n = j.satDB->count;
    std::vector<DlSatPart> parts;
    for (uint32_t k = 1; k <= n; ++k) parts.push_back({j.satDB->sat[k].sat_id, "", 1.0 / n, false});
    DlSetStep sats;
    sats.stepText = step;
    sats.satCol = 3;
    sats.sql = [](const std::string& ids, const std::string&) {
        return "SELECT substr(sat_name,1,24) sat_name, position, location, sat_id from Sats "
               "where sat_id IN (" +
               ids + ") ORDER BY sat_id";
    };
    // A satellite without a usable position is dropped with all it carries.
    std::vector<bool> badPosition(n + 1, false);
    sats.row = [&](size_t part, const DbRow& r) {
        T_dbSat& d = j.satDB->sat[part + 1];
        if (!dlNumbersOk(j, r, {{1, kNumSatPosition}})) {
            badPosition[part + 1] = true;
            return true;
        }
        ++j.rep->satellites;
        r.copy(0, d.satName);
        r.copy(0, d.sat_name);
        d.position = r.num(1);
        r.copy(2, d.location);
        return true;
    };
    if (!dlRunSetStep(j, parts, sats)) return false;
    // A record no row filled is a satellite the server does not have.
    for (uint32_t k = 1; k <= n; ++k) {
        const T_dbSat& d = j.satDB->sat[k];
        if (!badPosition[k] && d.sat_name[0] == '\0')
            j.missingSats.push_back(std::to_string(d.sat_id) + " " +
                                    toCp1252Latin(fieldView(d.satName)));
    }
    uint32_t kept = 0;
    for (uint32_t k = 1; k <= n; ++k)
        if (!badPosition[k]) j.satDB->sat[++kept] = j.satDB->sat[k];
    j.satDB->count = kept;
    dlShowReport(j, kRepSat);
    return true;
}

bool transponderStep(DlJob& j) {
    const std::string step = dlStepText(j, j.lang.stepTps);
    // Two for each satellite, as long as the bar has room: with many
    // satellites the later steps, which take longer, keep their part.
    const uint32_t n = j.satDB->count;
    const double share = n <= 2 ? 2.0 : 4.0 / n;
    std::vector<DlSatPart> parts;
    for (uint32_t k = 1; k <= n; ++k) {
        const T_dbSat& d = j.satDB->sat[k];
        parts.push_back({d.sat_id, feedClause(j.cfg.gTP, d.feedTp, false), share, false});
    }
    DlSetStep tps;
    tps.stepText = step;
    tps.satCol = 0;
    tps.sql = [](const std::string& ids, const std::string& feed) {
        std::string sql = "SELECT sat_id, stp_id, tp_name, frequency, polarity, sr, ";
        sql += "fec, modulation, nid, tid, pilot ";
        // The index gives the order, equal frequencies by stp_id; asked for
        // every satellite, the server would rather scan and sort.
        sql += "FROM Transponders FORCE INDEX (idx_tp_freq) ";
        sql += "WHERE sat_id IN (" + ids + ") " + feed + " ORDER BY sat_id, frequency, stp_id";
        return sql;
    };
    tps.row = [&](size_t, const DbRow& r) {
        if (!dlIdOk(j, r, 8, kIdTpNid) || !dlIdOk(j, r, 9, kIdTpTid) ||
            !dlNumbersOk(j, r,
                         {{0, kNumTpSatId},
                          {1, kNumTpStpId},
                          {3, kNumTpFrequency},
                          {4, kNumTpPolarity},
                          {5, kNumTpSr},
                          {6, kNumTpFec},
                          {7, kNumTpModulation},
                          {10, kNumTpPilot}})) {
            j.badTp.insert(DlKey(r.num(0), r.num(1), 0, ""));
            return true;
        }
        T_dbTp* t = appendTp(j.tpDB);
        if (!t) {
            ++j.dropped->transponders;
            j.fullTp.insert(DlKey(r.num(0), r.num(1), 0, ""));
            return true;
        }
        t->sat_id = t->realSatId = r.num(0);
        t->stp_id = r.num(1);
        r.copy(2, t->tp_name);
        t->frequency = r.num(3);
        t->polarity = r.num(4);
        t->sr = r.num(5);
        t->fec = r.num(6);
        t->modulation = r.num(7);
        r.copy(8, t->nid);
        r.copy(9, t->tid);
        t->pilot = r.num(10);
        return true;
    };
    if (!dlRunSetStep(j, parts, tps)) return false;
    j.rep->transponders = j.tpDB->count;
    dlShowReport(j, kRepTp);
    return true;
}

std::string channelQuery(const std::string& ids, const std::string& bou,
                         const std::string& clauses) {
    // The join follows the keys from the bouquet links on, whatever the
    // server's statistics say.
    std::string sql =
        "SELECT STRAIGHT_JOIN c.sat_id, c.stp_id, b.bou_id, substr(b.bou_name,1,20) bou_name, ";
    sql += "c.ch_type, substr(c.ch_name,1,24) ch_name, c.sid, c.vpid, c.pmt_pid, ";
    sql += "c.pcr_pid, c.txt_pid, c.subtitle, c.scrambled, c.locked, ";
    sql += "c.skip, c.dupdpid, c.dupdname, c.dupdsid, c.cat_id, c.hd, c.d3, b.nat_id ";
    sql += "FROM ChannelBouquet cb, Channels c, Transponders t, Bouquets b ";
    sql += "WHERE c.sat_id=cb.sat_id AND c.sat_id=t.sat_id ";
    sql += "AND cb.sat_id IN (" + ids + ") ";
    sql += "AND c.stp_id=cb.stp_id AND c.stp_id=t.stp_id AND c.sid=cb.sid ";
    sql += "AND b.bou_id=cb.bou_id " + bou + " " + clauses + " ";
    // The satellite first, then the order of one satellite's statement;
    // ties of that order go by the channel's key.
    sql += "ORDER BY cb.sat_id, b.sort_id, b.bou_id, c.ch_type, cb.sort_id, c.stp_id, c.sid";
    return sql;
}

enum : unsigned { kHd = 19, kD3 = 20, kNatId = 21 };

bool channelRow(DlJob& j, const T_dbSat& s, const DbRow& r) {
    T_dbReport& rep = *j.rep;
    if (j.cfg.maxBou != 0 && rep.bouquets >= static_cast<uint32_t>(j.cfg.maxBou)) return false;
    if (!dlChannelNumbersOk(j, r, kHd, kD3, kNatId)) return true;
    if (!dlAcceptRow(j, s.tvFilter, s.radioFilter, r.num(4), r.num(12))) return true;
    int32_t sat = r.num(0), bou = r.num(2);
    // A row with a bad id is dropped before it can start a bouquet.
    if (j.badTp.count(DlKey(sat, r.num(1), 0, ""))) {
        ++j.dropped->orphanChannels;
        return true;
    }
    if (j.fullTp.count(DlKey(sat, r.num(1), 0, ""))) {
        ++j.dropped->fullTpChannels;
        return true;
    }
    if (!dlChannelIdsOk(j, r)) return true;
    if (dlNewGroup(j, bou, sat)) {
        if (j.cfg.chFake == 1 && s.tvFilter[0] == '1' &&
            (j.cfg.maxCTv == 0 ||
             rep.tvChannels + rep.tvFake < static_cast<uint32_t>(j.cfg.maxCTv))) {
            if (T_dbCh* m = dlNewChannel(j)) {
                m->fake = 1;
                m->sat_id = m->realSatId = sat;
                m->stp_id = r.num(1);
                m->groupId = m->bou_id = bou;
                r.copy(3, m->groupName);
                copyUtf8(m->ch_name, "@ " + fieldText(m->groupName) + " @");
                copyText(m->sid, "FFFF");
                copyText(m->vpid, "0000");
                copyText(m->pmt_pid, "0000");
                copyText(m->pcr_pid, "0000");
                copyText(m->txt_pid, "0000");
                m->skip = 1;
                m->dupdname = 1;
                ++rep.tvFake;
            }
        }
        ++rep.bouquets;
    }
    T_dbCh* c = dlNewChannel(j);
    if (!c) return true;
    dlFillChannelCommon(c, r);
    c->hd = r.num(kHd);
    c->d3 = r.num(kD3);
    c->nat_id = r.num(kNatId);
    dlCountChannel(j, *c);
    return true;
}

bool channelStep(DlJob& j) {
    const std::string step = dlStepText(j, j.lang.stepChs);
    const uint32_t n = j.satDB->count;
    std::vector<DlSatPart> parts;
    for (uint32_t k = 1; k <= n; ++k) {
        const T_dbSat& s = j.satDB->sat[k];
        DlSatClauses cl = dlSatClauses(j, s.radioFilter, s.tvFilter, s.catFilter, s.feedTp, true);
        parts.push_back({s.sat_id, dlJoinedClauses(cl), 20.0 / n, cl.noQuery});
    }
    DlSetStep chs;
    chs.stepText = step;
    chs.satCol = 0;
    chs.sql = [&](const std::string& ids, const std::string& clauses) {
        return channelQuery(ids, j.bouClause, clauses);
    };
    chs.row = [&](size_t part, const DbRow& r) { return channelRow(j, j.satDB->sat[part + 1], r); };
    if (!dlRunSetStep(j, parts, chs)) return false;
    dlShowReport(j, kRepBou | kRepTv | kRepRadio);
    return true;
}

}  // namespace

uint32_t DownloadDataCh(void* param) {
    auto job = dlStart(param, DlMode::kCh);
    if (!job) return kDownloadFailed;
    DlJob& j = *job;
    if (uint32_t rc = dlConnect(j)) return rc;
    if (!satelliteStep(j) || !transponderStep(j)) return dlFail(j);
    j.bouClause = excludedBouquetsClause(j.bouI);
    if (!channelStep(j)) return dlFail(j);
    std::vector<int32_t> satIds;
    for (uint32_t k = 1; k <= j.satDB->count; ++k) satIds.push_back(j.satDB->sat[k].sat_id);
    if (!dlAudioCasStep(j, satIds) || !dlFavGroupsStep(j) || !dlFavChannelsStep(j, satIds))
        return dlFail(j);
    return dlFinish(j);
}

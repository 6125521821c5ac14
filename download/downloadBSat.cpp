// List type 1: every bouquet of every selected satellite becomes a
// satellite of its own, with the dish set-up of its physical satellite.
#include "download/downloadCommon.h"

namespace {

std::string bouquetSatQuery(const DlJob& j, const std::string& ids, const std::string& clauses) {
    // The join follows the keys from the bouquet links on, whatever the
    // server's statistics say.
    std::string sql =
        "SELECT STRAIGHT_JOIN c.sat_id, c.stp_id, b.bou_id, substr(b.bou_name,1,16) bou_name, ";
    sql += "c.ch_type, substr(c.ch_name,1,24) ch_name, c.sid, c.vpid, c.pmt_pid, ";
    sql += "c.pcr_pid, c.txt_pid, c.subtitle, c.scrambled, c.locked, ";
    sql += "c.skip, c.dupdpid, c.dupdname, c.dupdsid, c.cat_id, t.modulation, s.position, ";
    sql +=
        "t.tp_name, t.frequency, t.polarity, t.sr, t.fec, t.nid, t.tid, t.pilot, c.hd, c.d3, "
        "s.location, s.sat_name, b.nat_id ";
    sql += "FROM ChannelBouquet cb, Channels c, Transponders t, Sats s, Bouquets b ";
    sql += "WHERE c.sat_id=cb.sat_id AND c.sat_id=t.sat_id AND c.sat_id=s.sat_id ";
    sql += "AND cb.sat_id IN (" + ids + ") ";
    sql += "AND c.stp_id=cb.stp_id AND c.stp_id=t.stp_id AND c.sid=cb.sid ";
    sql += "AND b.bou_id=cb.bou_id " + j.bouClause + " " + clauses + " ";
    // The satellite first, then the order of one satellite's statement;
    // ties of that order go by the channel's key.
    sql += "ORDER BY cb.sat_id, b.sort_id, b.bou_id, c.ch_type, cb.sort_id, c.stp_id, c.sid";
    return sql;
}

}  // namespace

uint32_t DownloadDataBSat(void* param) {
    auto job = dlStart(param, DlMode::kBSat);
    if (!job) return kDownloadFailed;
    DlJob& j = *job;
    if (uint32_t rc = dlConnect(j)) return rc;
    j.bouClause = excludedBouquetsClause(j.bouI);
    if (!dlJoinedChannelStep(j, bouquetSatQuery)) return dlFail(j);
    const std::vector<int32_t> satIds = dlSelectedSatIds(j);
    if (!dlAudioCasStep(j, satIds) || !dlFavGroupsStep(j) || !dlFavChannelsStep(j, satIds))
        return dlFail(j);
    dlRenumber(j);
    return dlFinish(j);
}

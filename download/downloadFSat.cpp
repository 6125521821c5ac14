// List type 2: every enabled favourite group of every selected satellite
// becomes a satellite of its own, holding the group's channels in order.
#include "download/downloadCommon.h"

namespace {

std::string favouriteSatQuery(const DlJob& j, const std::string& ids, const std::string& clauses) {
    // The join follows the keys from the favourite links on, whatever the
    // server's statistics say.
    std::string sql =
        "SELECT STRAIGHT_JOIN c.sat_id, c.stp_id, f.fav_id, substr(f.fav_name,1,16) fav_name, ";
    sql += "c.ch_type, substr(c.ch_name,1,24) ch_name, c.sid, c.vpid, c.pmt_pid, ";
    sql += "c.pcr_pid, c.txt_pid, c.subtitle, c.scrambled, c.locked, ";
    sql += "c.skip, c.dupdpid, c.dupdname, c.dupdsid, c.cat_id, t.modulation, s.position, ";
    sql +=
        "t.tp_name, t.frequency, t.polarity, t.sr, t.fec, t.nid, t.tid, t.pilot, c.hd, c.d3, "
        "s.location, s.sat_name, b.nat_id, b.bou_id ";
    sql +=
        "FROM ChannelFavorite cf, Favorites f, Channels c, ChannelBouquet cb, Bouquets b, "
        "Transponders t, Sats s ";
    sql +=
        "WHERE c.sat_id=cf.sat_id AND c.sat_id=t.sat_id AND c.sat_id=s.sat_id AND "
        "cb.bou_id=b.bou_id ";
    sql += "AND cf.sat_id IN (" + ids + ") ";
    sql += "AND cb.sat_id=cf.sat_id AND c.stp_id=cf.stp_id AND c.stp_id=t.stp_id ";
    sql += "AND cb.stp_id=cf.stp_id AND c.sid=cf.sid AND cb.sid=cf.sid AND cf.bou_id=cb.bou_id ";
    sql += "AND f.fav_id=cf.fav_id AND f.enable='1' " + j.bouClause + " " + j.favClause + " " +
           clauses + " ";
    // The satellite first, then the order of one satellite's statement;
    // ties of that order go by the link's key.
    sql += "ORDER BY cf.sat_id, f.sort_id, f.fav_id, c.ch_type, cf.sort_id, cb.sort_id, ";
    sql += "cf.stp_id, cf.sid, cf.bou_id";
    return sql;
}

}  // namespace

uint32_t DownloadDataFSat(void* param) {
    auto job = dlStart(param, DlMode::kFSat);
    if (!job) return kDownloadFailed;
    DlJob& j = *job;
    if (uint32_t rc = dlConnect(j)) return rc;
    j.bouClause = excludedBouquetsClause(j.bouI);
    j.favClause = excludedFavouritesJoinedClause(j.favI);
    if (!dlJoinedChannelStep(j, favouriteSatQuery)) return dlFail(j);
    if (!dlAudioCasStep(j, dlSelectedSatIds(j)) || !dlFavGroupsStep(j)) return dlFail(j);
    // Each physical satellite that has a virtual satellite is asked once.
    // The first record is always asked, so a satellite with id 1000 is too.
    std::vector<int32_t> satIds;
    for (uint32_t k = 1; k <= j.satDB->count; ++k) {
        int32_t id = j.satDB->sat[k].sat_id;
        if (!satIds.empty() && id == satIds.back()) continue;
        satIds.push_back(id);
    }
    if (!dlFavChannelsStep(j, satIds)) return dlFail(j);
    dlRenumber(j);
    return dlFinish(j);
}

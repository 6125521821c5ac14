#include "writers/frame/listWalk.h"

#include <algorithm>

#include "config/textFunc.h"

ListWalk::ListWalk(const WriterInput& in)
    : in_(in),
      listType_(in.cfg ? in.cfg->listType : 0),
      // Counts past a table's slots are read as full tables.
      nCh_(std::min(in.chDB->count, kChDbSlots - 1)) {
    const uint32_t nSat = std::min(in.satDB->count, kSatDbSlots - 1);
    const uint32_t nTp = std::min(in.tpDB->count, kTpDbSlots - 1);
    // From the end, so that the first record of a key is the one kept.
    for (uint32_t i = nSat; i >= 1; --i) sats_[in.satDB->sat[i].sat_id] = &in.satDB->sat[i];
    for (uint32_t i = nTp; i >= 1; --i) {
        const T_dbTp& t = in.tpDB->tp[i];
        tps_[key(t.sat_id, t.stp_id)] = &t;
    }
}

std::string ListWalk::groupName(const ListedChannel& l) const {
    if (listType_ != 0) return std::string(fieldView(l.sat.satName));
    std::string g(fieldView(l.c.groupName));
    const std::string_view loc = fieldView(l.sat.location);
    if (!loc.empty()) g += " " + std::string(loc);
    return g;
}

#pragma once
// A copy of the channel tables as a download left them, to be put back
// whole: every slot from 0 to count, so the last record comes back too
// whatever a later job wrote over it.
#include <algorithm>
#include <vector>

#include "channels/dbTypes.h"
#include "jobs/jobRequest.h"

class TablesCopy {
public:
    void take(const T_channelTables& t) {
        sat_ = rowsOf(t.satDB->sat, t.satDB->count, kSatDbSlots);
        tp_ = rowsOf(t.tpDB->tp, t.tpDB->count, kTpDbSlots);
        ch_ = rowsOf(t.chDB->ch, t.chDB->count, kChDbSlots);
        fav_ = rowsOf(t.favDB->fav, t.favDB->count, kFavDbSlots);
        chFav_ = rowsOf(t.chFavDB->chFav, t.chFavDB->count, kChFavDbSlots);
        report_ = *t.report;
    }
    void put(const T_channelTables& t) const {
        putBack(sat_, t.satDB->sat, &t.satDB->count);
        putBack(tp_, t.tpDB->tp, &t.tpDB->count);
        putBack(ch_, t.chDB->ch, &t.chDB->count);
        putBack(fav_, t.favDB->fav, &t.favDB->count);
        putBack(chFav_, t.chFavDB->chFav, &t.chFavDB->count);
        *t.report = report_;
    }

private:
    template <class Row>
    static std::vector<Row> rowsOf(const Row* rows, uint32_t count, size_t capacity) {
        return std::vector<Row>(rows, rows + std::min<size_t>(size_t{count} + 1, capacity));
    }
    template <class Row>
    static void putBack(const std::vector<Row>& kept, Row* rows, uint32_t* count) {
        std::copy(kept.begin(), kept.end(), rows);
        *count = kept.empty() ? 0 : static_cast<uint32_t>(kept.size() - 1);
    }

    std::vector<T_dbSat> sat_;
    std::vector<T_dbTp> tp_;
    std::vector<T_dbCh> ch_;
    std::vector<T_dbFav> fav_;
    std::vector<T_dbChFav> chFav_;
    T_dbReport report_{};
};

// The window's copy of a download's tables: what a later job wrote over
// them, the last record of each table included, goes when it is put back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "app/tablesCopy.h"
#include "config/textFunc.h"

TEST(TablesCopy, PutsBackEveryRecordTheLastOneToo) {
    auto sat = std::make_unique<T_dbSatTable>();
    auto tp = std::make_unique<T_dbTpTable>();
    auto ch = std::make_unique<T_dbChTable>();
    auto fav = std::make_unique<T_dbFavTable>();
    auto chFav = std::make_unique<T_dbChFavTable>();
    auto report = std::make_unique<T_dbReport>();
    const T_channelTables t{sat.get(), tp.get(), ch.get(), fav.get(), chFav.get(), report.get()};
    sat->count = tp->count = fav->count = chFav->count = 0;
    ch->count = 3;
    for (uint32_t i = 1; i <= 3; ++i) {
        ch->ch[i] = T_dbCh{};
        copyText(ch->ch[i].ch_name, ("Channel " + std::to_string(i)).c_str());
    }
    report->tvChannels = 3;
    TablesCopy copy;
    copy.take(t);

    // A later download starts again and writes over the records.
    ch->count = 1;
    for (uint32_t i = 1; i <= 3; ++i) copyText(ch->ch[i].ch_name, "Overwritten");
    report->tvChannels = 1;
    copy.put(t);
    ASSERT_EQ(ch->count, 3u);
    for (uint32_t i = 1; i <= 3; ++i)
        EXPECT_EQ(fieldText(ch->ch[i].ch_name), "Channel " + std::to_string(i));
    EXPECT_EQ(report->tvChannels, 3u);
    EXPECT_EQ(sat->count, 0u);
}

// Filter clauses, the message-row helpers and the connection override,
// all without a server.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "config/textFunc.h"
#include "download/download.h"
#include "download/session.h"

namespace {

T_idxBouI bouquets(std::initializer_list<int> ids) {
    T_idxBouI t{};
    t.bou[0].bouId = 999;  // slot 0 is never read
    uint32_t i = 0;
    for (int id : ids) t.bou[++i].bouId = id;
    t.count = i;
    return t;
}

T_idxFavI favourites(std::initializer_list<int> ids) {
    T_idxFavI t{};
    t.fav[0].favId = 999;
    uint32_t i = 0;
    for (int id : ids) t.fav[++i].favId = id;
    t.count = i;
    return t;
}

}  // namespace

TEST(Clauses, ListsOfExcludedIdsKeepTheirFormsAndOrder) {
    EXPECT_EQ(excludedBouquetsClause(bouquets({})), "");
    EXPECT_EQ(excludedBouquetsClause(bouquets({7})), " AND b.bou_id != 7");
    EXPECT_EQ(excludedBouquetsClause(bouquets({30, 7, 12})), " AND b.bou_id not in (30,7,12)");

    EXPECT_EQ(excludedFavouritesPlainClause(favourites({})), "");
    EXPECT_EQ(excludedFavouritesPlainClause(favourites({4})), "AND fav_id != 4");
    EXPECT_EQ(excludedFavouritesPlainClause(favourites({4, 2})), "AND fav_id not in (4,2) ");
    EXPECT_EQ(excludedFavouritesJoinedClause(favourites({4})), " AND f.fav_id != 4");
    EXPECT_EQ(excludedFavouritesJoinedClause(favourites({4, 2, 9})),
              " AND f.fav_id not in (4,2,9) ");

    // A corrupt count never reads past the table.
    T_idxBouI big{};
    for (int i = 0; i < kBouSlots; ++i) big.bou[i].bouId = i;
    big.count = 100000;
    std::string s = excludedBouquetsClause(big);
    EXPECT_EQ(s.rfind(",499)"), s.size() - 5);
}

TEST(Clauses, CategoriesFollowTheFilterPositions) {
    T_idxCat cats{};
    int ids[] = {11, 12, 13, 14};
    for (int i = 0; i < 4; ++i) cats.cat[i].catId = ids[i];
    cats.count = 4;
    EXPECT_EQ(excludedCategoriesClause("1111", cats), "");
    EXPECT_EQ(excludedCategoriesClause("1101", cats), " AND c.cat_id != 13");
    EXPECT_EQ(excludedCategoriesClause("0100", cats), " AND c.cat_id not in (11,13,14)");
    // Positions beyond the category table have no category to exclude.
    EXPECT_EQ(excludedCategoriesClause("111100", cats), "");
    EXPECT_EQ(excludedCategoriesClause("", cats), "");
    EXPECT_EQ(excludedCategoriesClause(nullptr, cats), "");
}

TEST(Clauses, ChannelTypeHdThreeDAndFeed) {
    struct Case {
        const char* radio;
        const char* tv;
        int gRad;
        const char* clause;
        bool noQuery;
    } cases[] = {
        {"111", "11111", 1, "", false},
        {"011", "11111", 1, "AND c.ch_type='0' ", false},
        {"111", "01111", 1, "AND c.ch_type='1' ", false},
        {"111", "11111", 0, "AND c.ch_type='0' ", false},
        // Radio only, but radio is off for the whole list.
        {"111", "01111", 0, "AND c.ch_type='0' ", false},
        {"011", "01111", 1, "", true},
        {"011", "01111", 0, "", true},
        // Truncated filters read as "off".
        {"", "1", 1, "AND c.ch_type='0' ", false},
    };
    for (const Case& c : cases) {
        bool noQuery = !c.noQuery;
        EXPECT_EQ(channelTypeClause(c.radio, c.tv, c.gRad, &noQuery), c.clause)
            << c.radio << " " << c.tv << " gRad " << c.gRad;
        EXPECT_EQ(noQuery, c.noQuery) << c.radio << " " << c.tv;
    }

    EXPECT_EQ(hdClause(0, "11111"), "AND c.hd='0'");
    EXPECT_EQ(hdClause(1, "11101"), "AND c.hd='0'");
    EXPECT_EQ(hdClause(1, "11111"), "");
    EXPECT_EQ(d3Clause(0, "11111"), "AND c.d3='0'");
    EXPECT_EQ(d3Clause(1, "11110"), "AND c.d3='0'");
    EXPECT_EQ(d3Clause(1, "11111"), "");
    // A filter too short to say anything filters nothing once the general
    // switch is on.
    EXPECT_EQ(hdClause(1, "11"), "");

    EXPECT_EQ(feedClause(0, 1, false), "AND flag_feed='0'");
    EXPECT_EQ(feedClause(1, 0, true), "AND t.flag_feed='0'");
    EXPECT_EQ(feedClause(1, 1, true), "");
    EXPECT_EQ(feedClause(1, 1, false), "");
}

TEST(MessageRow, BuildCheckAndServerMessage) {
    EXPECT_FALSE(buildIsOutdated("00"));
    EXPECT_FALSE(buildIsOutdated(""));
    EXPECT_FALSE(buildIsOutdated(nullptr));
    EXPECT_FALSE(buildIsOutdated(kBuildCheckIdText));
    std::string lower = kBuildCheckIdText;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_FALSE(buildIsOutdated(lower.c_str()));
    EXPECT_TRUE(buildIsOutdated("01"));
    EXPECT_TRUE(buildIsOutdated("FF"));

    char msg[kServerMsgSize];
    storeServerMessage(msg, "Line one\\nLine two \\t stays");
    EXPECT_STREQ(msg, "Line one\r\nLine two \\t stays");
    std::string longMsg(400, 'x');
    storeServerMessage(msg, longMsg.c_str());
    EXPECT_EQ(std::strlen(msg), kServerMsgSize - 1);
    storeServerMessage(msg, "");
    EXPECT_STREQ(msg, "");
}

TEST(Connection, OverrideReplacesOnlyTheFieldsItSets) {
    T_cfgStruct cfg{};
    copyText(cfg.dbHost, "10.1.2.3");
    copyText(cfg.dbUser, "builtin");
    copyText(cfg.dbPassword, "secret");
    copyText(cfg.dbName, "velartis");

    T_dbConnValues v = dbConnValues(cfg, T_dbConnOverride{});
    EXPECT_EQ(v.host, "10.1.2.3");
    EXPECT_EQ(v.user, "builtin");
    EXPECT_EQ(v.password, "secret");
    EXPECT_EQ(v.name, "velartis");
    EXPECT_EQ(v.port, 0u);
    EXPECT_EQ(v.socket, "");

    T_dbConnOverride o;
    o.host = "127.0.0.1";
    o.port = 33071;
    o.name = "other";
    o.passwordSet = true;  // an empty password on purpose
    v = dbConnValues(cfg, o);
    EXPECT_EQ(v.host, "127.0.0.1");
    EXPECT_EQ(v.user, "builtin");
    EXPECT_EQ(v.password, "");
    EXPECT_EQ(v.name, "other");
    EXPECT_EQ(v.port, 33071u);
}

TEST(Connection, ClosedPortFailsFastWithoutHanging) {
    // Port 1 on loopback is closed on any sane machine: refused at once.
    DbSession db;
    T_dbConnValues v;
    v.host = "127.0.0.1";
    v.port = 1;
    v.user = "nobody";
    EXPECT_FALSE(db.open(v));
    EXPECT_FALSE(db.isOpen());
    EXPECT_FALSE(db.error().empty());
    DbResult r;
    EXPECT_FALSE(db.query("SELECT 1", &r));
    EXPECT_EQ(r.rows(), 0u);
}

TEST(Dropped, OneLinePerKind) {
    EXPECT_EQ(droppedLines(T_dbDropped{}), "");
    T_dbDropped d{};
    d.channels = 12;
    d.audioRows = 3;
    EXPECT_EQ(droppedLines(d),
              "\r\nDropped: 12 channels over the table capacity of 19999"
              "\r\nDropped: 3 audio rows over the list capacity of 59999");
}

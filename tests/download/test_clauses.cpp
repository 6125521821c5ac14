// Filter clauses, the message-row helpers and the connection override,
// all without a server.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/textFunc.h"
#include "download/jobSteps.h"

namespace {

// Slot 0 holds an id that must never show up: tables start at 1.
T_idxBouI bouquets(std::initializer_list<int> ids) {
    T_idxBouI t{};
    t.bou[0].bouId = 999;
    for (int id : ids) t.bou[++t.count].bouId = id;
    return t;
}

T_idxFavI favourites(std::initializer_list<int> ids) {
    T_idxFavI t{};
    t.fav[0].favId = 999;
    for (int id : ids) t.fav[++t.count].favId = id;
    return t;
}

std::string text(const T_dbConnValues& v) {
    return v.host + " " + v.user + " " + v.password + " " + v.name + " " + std::to_string(v.port) +
           " " + v.socket;
}

}  // namespace

TEST(Clauses, ExcludedIdsAndCategoriesKeepTheirFormsAndOrder) {
    EXPECT_EQ(excludedBouquetsClause(bouquets({})), "");
    EXPECT_EQ(excludedBouquetsClause(bouquets({30, 7, 12})), " AND b.bou_id not in (30,7,12)");
    EXPECT_EQ(excludedFavouritesPlainClause(favourites({})), "");
    EXPECT_EQ(excludedFavouritesJoinedClause(favourites({4, 2, 9})),
              " AND f.fav_id not in (4,2,9) ");

    // A corrupt count never reads past the table.
    T_idxBouI big{};
    for (int i = 0; i < kBouSlots; ++i) big.bou[i].bouId = i;
    big.count = 100000;
    std::string s = excludedBouquetsClause(big);
    EXPECT_EQ(s.rfind(",499)"), s.size() - 5);

    // Categories by filter position.
    T_idxCat cats{};
    for (int i = 0; i < 4; ++i) cats.cat[i].catId = 11 + i;
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
    // Radio and TV off: no query at all; truncated filters read as "off".
    bool noQuery = false;
    EXPECT_EQ(channelTypeClause("011", "01111", 0, &noQuery), "");
    EXPECT_TRUE(noQuery);
    EXPECT_EQ(channelTypeClause("", "1", 1, &noQuery), "AND c.ch_type='0' ");
    EXPECT_FALSE(noQuery);
    // Too short to say anything: nothing is filtered once the switch is on.
    EXPECT_EQ(hdClause(1, "11"), "");
}

TEST(MessageRow, BuildCheckAndServerMessage) {
    // "00" and an empty column check nothing; this build is 4C in any case.
    for (const char* same : {"00", "", "4C", "4c"}) EXPECT_FALSE(buildIsOutdated(same)) << same;
    EXPECT_FALSE(buildIsOutdated(nullptr));
    EXPECT_TRUE(buildIsOutdated("01"));
    EXPECT_TRUE(buildIsOutdated("FF"));

    char msg[kServerMsgSize];
    storeServerMessage(msg, "Line one\\nLine two \\t stays");
    EXPECT_STREQ(msg, "Line one\r\nLine two \\t stays");
    storeServerMessage(msg, std::string(400, 'x').c_str());
    EXPECT_EQ(std::strlen(msg), kServerMsgSize - 1);
    storeServerMessage(msg, "");
    EXPECT_STREQ(msg, "");
}

TEST(Connection, OverrideReplacesOnlyTheFieldsItSetsAndAClosedPortFailsFast) {
    T_cfgStruct cfg{};
    copyText(cfg.dbHost, "10.1.2.3");
    copyText(cfg.dbUser, "builtin");
    copyText(cfg.dbPassword, "secret");
    copyText(cfg.dbName, "velartis");
    EXPECT_EQ(text(dbConnValues(cfg, T_dbConnOverride{})), "10.1.2.3 builtin secret velartis 0 ");
    // An empty password on purpose.
    T_dbConnOverride o{"127.0.0.1", "", "", "other", "", 33071, true};
    EXPECT_EQ(text(dbConnValues(cfg, o)), "127.0.0.1 builtin  other 33071 ");
    // A socket alone means this machine, whatever the built-in host.
    T_dbConnOverride sock;
    sock.socket = "/run/db.sock";
    EXPECT_EQ(text(dbConnValues(cfg, sock)), "localhost builtin secret velartis 0 /run/db.sock");
    EXPECT_TRUE(dbConnValues(cfg, sock).hostGiven);

    // Port 1 on loopback is closed on any sane machine: refused at once.
    DbSession db;
    EXPECT_FALSE(db.open(T_dbConnValues{"127.0.0.1", "nobody", "", "", "", 1}));
    EXPECT_FALSE(db.isOpen());
    EXPECT_FALSE(db.error().empty());
    DbResult r;
    EXPECT_FALSE(db.query("SELECT 1", &r));
    EXPECT_EQ(r.rows(), 0u);
}

TEST(Connection, CompressionOnlyForAnotherHostUnlessAsked) {
    struct {
        const char* host;
        bool on;
    } autoCases[] = {
        {"127.255.0.9", false},
        {"LocalHost", false},
        {"", false},
        {"::1", false},
        {"::ffff:127.0.0.2", false},
        {"128.0.0.1", true},
        {"126.255.255.255", true},
        {"::2", true},
        {"::ffff:10.0.0.1", true},
        {"127.0.0.1.example.org", true},
    };
    for (const auto& c : autoCases) {
        EXPECT_EQ(dbUseCompression(DbCompress::kAuto, c.host), c.on) << c.host;
        EXPECT_TRUE(dbUseCompression(DbCompress::kOn, c.host)) << c.host;
        EXPECT_FALSE(dbUseCompression(DbCompress::kOff, c.host)) << c.host;
    }
    DbCompress m = DbCompress::kOff;
    EXPECT_TRUE(parseDbCompress("on", &m) && m == DbCompress::kOn);
    EXPECT_TRUE(parseDbCompress("auto", &m) && m == DbCompress::kAuto);
    EXPECT_TRUE(parseDbCompress("off", &m) && m == DbCompress::kOff);
    for (const char* bad : {"", "ON", "yes", "off "}) EXPECT_FALSE(parseDbCompress(bad, &m)) << bad;

    // Decided on the host the connection goes to: the built-in one unless
    // overridden; a local socket keeps the local host.
    T_cfgStruct cfg{};
    copyText(cfg.dbHost, "127.0.0.1");
    T_dbConnOverride o;
    EXPECT_FALSE(dbConnValues(cfg, o).compress);
    o.socket = "/run/db.sock";
    EXPECT_FALSE(dbConnValues(cfg, o).compress);
    o.host = "192.0.2.7";
    EXPECT_TRUE(dbConnValues(cfg, o).compress);
    o.compress = DbCompress::kOff;
    EXPECT_FALSE(dbConnValues(cfg, o).compress);
    copyText(cfg.dbHost, "198.51.100.1");
    EXPECT_TRUE(dbConnValues(cfg, T_dbConnOverride{}).compress);
}

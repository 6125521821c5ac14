// The three download jobs against the fixture server (tests/data/db).
// Every expectation below follows from the rows of fixture.sql; its header
// lists the bouquets and channels in query order.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "download/jobParam.h"
#include "download/dbTypes.h"
#include "download/download.h"
#include "download/session.h"
#include "platform/memoryPlatform.h"
#include "platform/widget.h"

namespace {

const char kReading[] = "Reading data from the Database Server. Please wait ...";

class RecordingPlatform : public MemoryPlatform {
public:
    std::vector<int> downProgress;

protected:
    void onProgress(const std::string& bar, int pos) override {
        if (bar == "progDown") downProgress.push_back(pos);
    }
};

T_dbConnValues testDb(const char* name) {
    T_dbConnValues v;
    v.host = "127.0.0.1";
    v.port = VA_TEST_DB_PORT;
    v.user = "vauser";
    v.password = "vapass1";
    v.name = name;
    return v;
}

// First column of the first row, or a marker text.
std::string scalar(const char* dbName, const std::string& sql) {
    DbSession s;
    if (!s.open(testDb(dbName))) return "<no connection: " + s.error() + ">";
    DbResult r;
    if (!s.query(sql, &r)) return "<error: " + s.error() + ">";
    if (!r.next()) return "<no row>";
    return r.row().text(0);
}

std::string counterOf(const char* dbName, const char* app) {
    return scalar(dbName, std::string("SELECT counter FROM BrenikToolsCounter WHERE application='") +
                              app + "'");
}

std::string reportText(const T_dbReport& r) {
    char buf[300];
    std::snprintf(buf, sizeof buf,
                  "sat=%u fake=%u tp=%u bou=%u tv=%u tvFake=%u fta=%u cod=%u hd=%u 3d=%u "
                  "radio=%u rFta=%u rCod=%u favG=%u favC=%u",
                  r.satellites, r.fakeSatellites, r.transponders, r.bouquets, r.tvChannels,
                  r.tvFake, r.tvFta, r.tvCod, r.tvHd, r.tv3d, r.radioChannels, r.radioFta,
                  r.radioCod, r.favGroups, r.favChannels);
    return buf;
}

// "sid/groupId" of every chDB record in order.
std::string channelList() {
    std::string s;
    for (uint32_t i = 1; i <= chDB.count; ++i) {
        if (!s.empty()) s += ' ';
        s += std::string(chDB.ch[i].sid) + "/" + std::to_string(chDB.ch[i].groupId);
    }
    return s;
}

// "sat_id:stp_id/groupId" of every tpDB record in order.
std::string tpList() {
    std::string s;
    for (uint32_t i = 1; i <= tpDB.count; ++i) {
        if (!s.empty()) s += ' ';
        s += std::to_string(tpDB.tp[i].sat_id) + ":" + std::to_string(tpDB.tp[i].stp_id) + "/" +
             std::to_string(tpDB.tp[i].groupId);
    }
    return s;
}

// "fav_id>chIndex" of every favourite link in order.
std::string linkList() {
    std::string s;
    for (uint32_t i = 1; i <= chFavDB.count; ++i) {
        if (!s.empty()) s += ' ';
        s += std::to_string(chFavDB.chFav[i].fav_id) + ">" +
             std::to_string(chFavDB.chFav[i].chIndex);
    }
    return s;
}

std::string satList() {
    std::string s;
    for (uint32_t i = 1; i <= satDB.count; ++i) {
        if (!s.empty()) s += '|';
        s += std::to_string(satDB.sat[i].sat_id) + " " + satDB.sat[i].satName;
    }
    return s;
}

const T_dbCh* channel(const char* sid, int groupId) {
    for (uint32_t i = 1; i <= chDB.count; ++i)
        if (std::strcmp(chDB.ch[i].sid, sid) == 0 && chDB.ch[i].groupId == groupId)
            return &chDB.ch[i];
    return nullptr;
}

bool contains(const std::vector<std::string>& log, const std::string& text) {
    for (const std::string& s : log)
        if (s == text) return true;
    return false;
}

class Download : public ::testing::Test {
protected:
    std::unique_ptr<RecordingPlatform> ui;
    T_FnPARAM p{};

    void SetUp() override {
        ui = std::make_unique<RecordingPlatform>();
        createWidgetHandles(&Widget, ui.get());
        cfgParam = T_cfgStruct{};
        initAppIdentity(&cfgParam);
        cfgParam.lang = kLangEnglish;
        cfgParam.gHD = cfgParam.g3D = cfgParam.gRad = cfgParam.gTP = 1;
        cfgParam.chFake = 1;
        satParam = T_idxSat{};
        catParam = T_idxCat{};
        for (int i = 0; i < 4; ++i) {
            catParam.cat[i].catId = i + 1;
            std::snprintf(catParam.cat[i].catName, sizeof catParam.cat[i].catName, "Cat %d", i + 1);
        }
        catParam.count = 4;
        favParam = T_idxFav{};
        for (int i = 0; i < 4; ++i) {
            favParam.fav[i].favId = i + 1;
            favParam.fav[i].favOn = 1;
        }
        favParam.count = 4;
        favIParam = T_idxFavI{};
        bouIParam = T_idxBouI{};
        MsgLang = *langTable(kLangEnglish);
        setDatabase("velartis");

        p = globalJobParam();
    }
    void TearDown() override { dbConnOverride = T_dbConnOverride{}; }

    static void setDatabase(const char* name) {
        T_dbConnValues v = testDb(name);
        dbConnOverride = T_dbConnOverride{};
        dbConnOverride.host = v.host;
        dbConnOverride.port = v.port;
        dbConnOverride.user = v.user;
        dbConnOverride.password = v.password;
        dbConnOverride.name = v.name;
    }

    static T_satRec& addSat(int id, const char* name) {
        T_satRec& s = satParam.sat[++satParam.count];
        s = T_satRec{};
        s.satId = id;
        copyText(s.satName, name);
        s.selected = 1;
        s.lnbType = 1;
        s.freqLo = 3;
        s.freqHi = 6;
        s.power = 3;
        s.tone22k = 1;
        s.out12V = 1;
        s.switchType = 2;
        s.diseqc = 2;
        s.switch10 = 2;
        s.switch11 = 7;
        s.positionerId = 12;
        s.skew = 1;
        s.feedTp = 1;
        copyText(s.radioFilter, "111");
        copyText(s.tvFilter, "11111");
        copyText(s.catFilter, "1111");
        return s;
    }

    uint32_t run(JobFn fn) {
        EXPECT_TRUE(ui->startJob(fn, &p));
        return ui->waitJob();
    }
    std::string field(const char* name) { return ui->find(name)->text; }
    bool enabled(HCtl c) { return ui->enabled(c); }

    // A successful end: closing texts, box, window restored for generation,
    // progress only forward, never past 100, ending at 100.
    void expectSuccessfulEnd() {
        EXPECT_EQ(ui->find("status")->status[0], "");
        EXPECT_EQ(ui->find("status")->status[1], MsgLang.msgDbReadOk);
        ASSERT_FALSE(ui->boxes.empty());
        EXPECT_EQ(ui->boxes.back().caption, "Message");
        EXPECT_EQ(ui->boxes.back().flags, kMbOk | kMbIconInformation);
        EXPECT_TRUE(enabled(Widget.hGenerate));
        EXPECT_TRUE(enabled(Widget.hDownload));
        ASSERT_FALSE(ui->downProgress.empty());
        EXPECT_EQ(ui->downProgress.back(), 100);
        for (size_t i = 1; i < ui->downProgress.size(); ++i) {
            EXPECT_GE(ui->downProgress[i], ui->downProgress[i - 1]);
            EXPECT_LE(ui->downProgress[i], 100);
        }
    }
    void expectFailedEnd() {
        EXPECT_EQ(ui->find("status")->status[0], " Error");
        EXPECT_FALSE(enabled(Widget.hGenerate));
        EXPECT_TRUE(enabled(Widget.hDownload));
    }
};

// ---- the three list modes end to end ----

TEST_F(Download, BouquetsAsChannelsEndToEnd) {
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    addSat(777, "Unknown Sat");  // not on the server
    addSat(282, "Not selected").selected = 0;
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);

    EXPECT_EQ(reportText(Report),
              "sat=2 fake=0 tp=5 bou=5 tv=11 tvFake=5 fta=7 cod=4 hd=2 3d=1 "
              "radio=3 rFta=2 rCod=1 favG=3 favC=8");
    EXPECT_EQ(field("Satelliti:"), "2");
    EXPECT_EQ(field("Transponder:"), "5");
    EXPECT_EQ(field("Bouquets:"), "5");
    EXPECT_EQ(field("Canali TV:"), "16 (Fake=5, Fta=7, Cod=4) (HD=2)(3D=1)");
    EXPECT_EQ(field("Canali Radio:"), "3 (Fta=2, Cod=1)");
    EXPECT_EQ(field("Gruppi Favoriti:"), "3");
    EXPECT_EQ(field("Canali Favoriti:"), "8");

    // Satellites: server names cut to 24, the unknown one keeps its own.
    ASSERT_EQ(satDB.count, 3u);
    const T_dbSat& astra = satDB.sat[1];
    EXPECT_EQ(astra.sat_id, 192);
    EXPECT_EQ(astra.realSatId, 192);
    EXPECT_STREQ(astra.satName, "Astra 19.2E");
    EXPECT_STREQ(astra.sat_name, "Astra 19.2E");
    EXPECT_STREQ(astra.location, "19.2E");
    EXPECT_EQ(astra.position, 192);
    EXPECT_EQ(astra.lnbType, 1);
    EXPECT_EQ(astra.freqHi, 6);
    EXPECT_EQ(astra.switch11, 7);
    EXPECT_EQ(astra.positionerId, 12);
    EXPECT_EQ(astra.feedTp, 1);
    EXPECT_STREQ(astra.tvFilter, "11111");
    EXPECT_STREQ(astra.catFilter, "1111");
    EXPECT_STREQ(satDB.sat[2].satName, "Hotbird 13.0E Extra Long");
    EXPECT_STREQ(satDB.sat[3].satName, "Unknown Sat");
    EXPECT_EQ(satDB.sat[3].sat_id, 777);

    // Transponders by satellite, ascending frequency, the feed included.
    EXPECT_EQ(tpList(), "192:2/0 192:1/0 192:3/0 130:1/0 130:2/0");
    const T_dbTp& feed = tpDB.tp[3];
    EXPECT_STREQ(feed.tp_name, "Feed TP");
    EXPECT_EQ(feed.frequency, 12603);
    EXPECT_EQ(feed.polarity, 1);
    EXPECT_EQ(feed.sr, 6111);
    EXPECT_EQ(feed.fec, 3);
    EXPECT_EQ(feed.modulation, 2);
    EXPECT_STREQ(feed.nid, "0002");
    EXPECT_STREQ(feed.tid, "1F40A0");
    EXPECT_EQ(feed.pilot, 2);

    // A marker before each bouquet; 0101 once in each of its two bouquets.
    EXPECT_EQ(channelList(),
              "FFFF/10 0101/10 0102/10 0103/10 0104/10 FFFF/20 0101/20 0201/20 0202/20 0105/20 "
              "FFFF/30 0301/30 FFFF/50 0203/50 0204/50 FFFF/40 1101/40 1201/40 1102/40");
    const T_dbCh& m = chDB.ch[6];
    EXPECT_EQ(m.fake, 1);
    EXPECT_STREQ(m.ch_name, "@ Bouquet Beta Very Lo @");
    EXPECT_STREQ(m.groupName, "Bouquet Beta Very Lo");
    EXPECT_EQ(m.bou_id, 20);
    EXPECT_EQ(m.sat_id, 192);
    EXPECT_EQ(m.stp_id, 1);  // of the bouquet's first channel
    EXPECT_STREQ(m.vpid, "0000");
    EXPECT_STREQ(m.pmt_pid, "0000");
    EXPECT_EQ(m.skip, 1);
    EXPECT_EQ(m.dupdname, 1);
    EXPECT_EQ(m.scrambled, 0);
    EXPECT_EQ(m.audioCount, 0u);
    EXPECT_EQ(m.casCount, 0u);

    const T_dbCh* two = channel("0102", 10);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->fake, 0);
    EXPECT_STREQ(two->ch_name, "Alpha Two HD");
    EXPECT_STREQ(two->groupName, "Bouquet Alpha");
    EXPECT_STREQ(two->vpid, "0A02");
    EXPECT_STREQ(two->pmt_pid, "0B02");
    EXPECT_STREQ(two->pcr_pid, "0C02");
    EXPECT_STREQ(two->txt_pid, "0000");
    EXPECT_EQ(two->scrambled, 1);
    EXPECT_EQ(two->dupdpid, 1);
    EXPECT_EQ(two->dupdsid, 1);
    EXPECT_EQ(two->cat_id, 2);
    EXPECT_EQ(two->hd, 1);
    EXPECT_EQ(two->nat_id, 2);
    EXPECT_EQ(two->realSatId, 192);
    ASSERT_EQ(two->casCount, 2u);
    EXPECT_EQ(two->cas[1], 1);
    EXPECT_EQ(two->cas[2], 5);
    // Windows-1252 bytes arrive as they are stored; long names are cut.
    EXPECT_STREQ(channel("0103", 10)->ch_name, "T\xE9l\xE9 3D \x80");
    EXPECT_STREQ(channel("0204", 50)->ch_name, "A Channel Name That Is F");
    EXPECT_EQ(channel("0203", 50)->locked, 1);
    EXPECT_EQ(channel("0101", 10)->subtitle, 1);

    // Both copies of 0101 get its two tracks in track order.
    for (int bou : {10, 20}) {
        const T_dbCh* c = channel("0101", bou);
        ASSERT_TRUE(c);
        ASSERT_EQ(c->audioCount, 2u) << bou;
        EXPECT_STREQ(c->audio[1].apid, "0111");
        EXPECT_EQ(c->audio[1].lang_id, 4);
        EXPECT_STREQ(c->audio[1].lang_name, "deu");
        EXPECT_STREQ(c->audio[2].apid, "0112");
        EXPECT_EQ(c->audio[2].ac3, 1);
        EXPECT_EQ(c->casCount, 0u);
    }
    EXPECT_EQ(channel("0201", 20)->audio[1].dts, 1);
    ASSERT_EQ(channel("1101", 40)->audioCount, 1u);  // not the 130/0101 row
    EXPECT_STREQ(channel("1101", 40)->audio[1].apid, "1111");
    EXPECT_EQ(channel("0105", 20)->cas[1], 1);

    // Favourite groups in sort order, links in row order then channel order.
    ASSERT_EQ(favDB.count, 3u);
    EXPECT_EQ(favDB.fav[1].fav_id, 2);
    EXPECT_STREQ(favDB.fav[1].fav_name, "Sport Fav");
    EXPECT_EQ(favDB.fav[3].fav_id, 4);
    EXPECT_STREQ(favDB.fav[3].fav_name, "Hot Fav Group Name Longer");
    EXPECT_EQ(linkList(), "2>8 2>6 1>1 1>7 1>4 4>13 4>16 4>18");
    const T_dbChFav& radioLink = chFavDB.chFav[5];
    EXPECT_EQ(radioLink.ch_type, 1);
    EXPECT_EQ(radioLink.sat_id, 192);
    EXPECT_EQ(radioLink.stp_id, 1);
    EXPECT_EQ(radioLink.groupId, 10);
    EXPECT_STREQ(radioLink.sid, "0104");

    expectSuccessfulEnd();
    EXPECT_EQ(ui->boxes.back().text,
              std::string(MsgLang.msgDbReadOk) +
                  "\r\n\r\nFixture server\r\nsecond line \\x kept");
    EXPECT_EQ(cfgParam.showForum, 1);  // the first row asks for it
    for (const char* step : {"Satelliti", "Transponders", "Channels",
                             "Channels Audio and Cas Data", "Favorite Groups", "Channels Favorite"})
        EXPECT_TRUE(contains(ui->statusLog[1], std::string(kReading) + " -> " + step)) << step;
    EXPECT_TRUE(contains(ui->statusLog[0], "Loading"));
}

TEST_F(Download, BouquetsAsSatellitesEndToEnd) {
    cfgParam.listType = 1;
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataBSat), kDownloadOk);

    EXPECT_EQ(reportText(Report),
              "sat=2 fake=5 tp=7 bou=5 tv=11 tvFake=0 fta=7 cod=4 hd=2 3d=1 "
              "radio=3 rFta=2 rCod=1 favG=3 favC=8");
    EXPECT_EQ(field("Satelliti:"), "Real=2 Fake=5");
    EXPECT_EQ(field("Canali TV:"), "11 (Fta=7, Cod=4) (HD=2)(3D=1)");
    EXPECT_EQ(field("Bouquets:"), "5");

    EXPECT_EQ(satList(),
              "192010 Bouquet Alpha 19.2E|192020 Bouquet Beta Ver 19.2E|192030 Feeds 19.2E|"
              "192050 Excluded One 19.2E|130040 Hotbird Pack 13.0E");
    for (uint32_t i = 1; i <= 4; ++i) {
        const T_dbSat& v = satDB.sat[i];
        EXPECT_EQ(v.realSatId, 192);
        EXPECT_STREQ(v.sat_name, "Astra 19.2E");
        EXPECT_STREQ(v.location, "19.2E");
        EXPECT_EQ(v.position, 192);
        EXPECT_EQ(v.switch10, 2);
        EXPECT_STREQ(v.radioFilter, "111");
    }
    EXPECT_EQ(satDB.sat[5].groupId, 40);
    // The joined query takes the 31 characters uncut; the record keeps 29.
    EXPECT_STREQ(satDB.sat[5].sat_name, "Hotbird 13.0E Extra Long Name");

    // One transponder per virtual satellite that uses it: stp 1 twice.
    EXPECT_EQ(tpList(),
              "192010:1/10 192020:1/20 192020:2/20 192030:3/30 192050:2/50 130040:1/40 130040:2/40");
    EXPECT_EQ(tpDB.tp[3].realSatId, 192);
    EXPECT_EQ(tpDB.tp[3].frequency, 10744);
    EXPECT_STREQ(tpDB.tp[3].tid, "0401");

    EXPECT_EQ(channelList(),
              "0101/10 0102/10 0103/10 0104/10 0101/20 0201/20 0202/20 0105/20 0301/30 "
              "0203/50 0204/50 1101/40 1201/40 1102/40");
    const T_dbCh* beta = channel("0201", 20);
    ASSERT_TRUE(beta);
    EXPECT_EQ(beta->sat_id, 192020);
    EXPECT_EQ(beta->realSatId, 192);
    EXPECT_EQ(beta->bou_id, 20);
    EXPECT_STREQ(beta->groupName, "Bouquet Beta Ver");
    EXPECT_EQ(beta->nat_id, 3);
    EXPECT_EQ(channel("0101", 20)->audioCount, 2u);
    EXPECT_EQ(channel("0202", 20)->cas[1], 7);

    EXPECT_EQ(linkList(), "2>6 2>4 1>0 1>5 1>3 4>9 4>11 4>13");
    EXPECT_EQ(chFavDB.chFav[1].sat_id, 192020);
    EXPECT_EQ(chFavDB.chFav[1].realSatId, 192);
    EXPECT_EQ(chFavDB.chFav[8].sat_id, 130040);
    expectSuccessfulEnd();
    EXPECT_TRUE(contains(ui->statusLog[1],
                         std::string(kReading) + " -> Satelliti, Transponders and Channels"));
}

TEST_F(Download, FavouritesAsSatellitesEndToEnd) {
    cfgParam.listType = 2;
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataFSat), kDownloadOk);

    EXPECT_EQ(reportText(Report),
              "sat=2 fake=4 tp=6 bou=4 tv=6 tvFake=0 fta=4 cod=2 hd=0 3d=0 "
              "radio=2 rFta=2 rCod=0 favG=3 favC=8");
    EXPECT_EQ(field("Satelliti:"), "Real=2 Fake=4");
    EXPECT_EQ(field("Gruppi Favoriti:"), "3");

    EXPECT_EQ(satList(),
              "192002 Sport Fav|192001 News Fav|192004 Hot Fav Group Na|130004 Hot Fav Group Na");
    EXPECT_EQ(satDB.sat[2].groupId, 1);
    EXPECT_EQ(satDB.sat[2].realSatId, 192);
    EXPECT_STREQ(satDB.sat[4].location, "13.0E");

    // 0101 is in groups 2 and 1, through different bouquets.
    EXPECT_EQ(channelList(), "0202/2 0101/2 0101/1 0201/1 0104/1 0203/4 1101/4 1102/4");
    std::vector<int> bou;
    for (uint32_t i = 1; i <= chDB.count; ++i) bou.push_back(chDB.ch[i].bou_id);
    EXPECT_EQ(bou, (std::vector<int>{20, 20, 10, 20, 10, 50, 40, 40}));
    EXPECT_STREQ(chDB.ch[1].groupName, "Sport Fav");
    EXPECT_EQ(chDB.ch[1].nat_id, 3);
    EXPECT_EQ(chDB.ch[1].sat_id, 192002);
    EXPECT_EQ(chDB.ch[3].audioCount, 2u);

    EXPECT_EQ(tpList(), "192002:2/2 192002:1/2 192001:1/1 192001:2/1 192004:2/4 130004:1/4");
    EXPECT_EQ(linkList(), "2>0 2>1 1>2 1>3 1>4 4>5 4>6 4>7");
    EXPECT_EQ(chFavDB.chFav[3].sat_id, 192001);
    EXPECT_EQ(chFavDB.chFav[3].groupId, 1);
    expectSuccessfulEnd();
}

// ---- filters and limits ----

TEST_F(Download, FiltersNarrowTheChannels) {
    const std::string all =
        "0101/10 0102/10 0103/10 0104/10 0101/20 0201/20 0202/20 0105/20 0301/30 0203/50 0204/50";
    const std::string tvOnly =
        "0101/10 0102/10 0103/10 0101/20 0201/20 0202/20 0301/30 0203/50 0204/50";
    struct Case {
        const char* name;
        void (*set)(T_satRec& s);
        std::string expect;
    } cases[] = {
        {"all", [](T_satRec&) {}, all},
        {"category 2 off", [](T_satRec& s) { copyText(s.catFilter, "1011"); },
         "0101/10 0103/10 0104/10 0101/20 0202/20 0301/30 0203/50 0204/50"},
        {"categories 1 and 4 off", [](T_satRec& s) { copyText(s.catFilter, "0110"); },
         "0102/10 0201/20 0202/20 0105/20"},
        {"radio only", [](T_satRec& s) { copyText(s.tvFilter, "01111"); }, "0104/10 0105/20"},
        {"radio only, radio off for the list",
         [](T_satRec& s) {
             copyText(s.tvFilter, "01111");
             cfgParam.gRad = 0;
         },
         tvOnly},
        {"tv only", [](T_satRec& s) { copyText(s.radioFilter, "011"); }, tvOnly},
        {"radio and tv off", [](T_satRec& s) {
             copyText(s.radioFilter, "011");
             copyText(s.tvFilter, "01111");
         }, ""},
        {"HD off for the list", [](T_satRec&) { cfgParam.gHD = 0; },
         "0101/10 0103/10 0104/10 0101/20 0201/20 0202/20 0105/20 0301/30 0203/50 0204/50"},
        {"HD off for the satellite", [](T_satRec& s) { copyText(s.tvFilter, "11101"); },
         "0101/10 0103/10 0104/10 0101/20 0201/20 0202/20 0105/20 0301/30 0203/50 0204/50"},
        {"3D off for the list", [](T_satRec&) { cfgParam.g3D = 0; },
         "0101/10 0102/10 0104/10 0101/20 0201/20 0202/20 0105/20 0301/30 0203/50 0204/50"},
        {"3D off for the satellite", [](T_satRec& s) { copyText(s.tvFilter, "11110"); },
         "0101/10 0102/10 0104/10 0101/20 0201/20 0202/20 0105/20 0301/30 0203/50 0204/50"},
        {"feeds off for the list", [](T_satRec&) { cfgParam.gTP = 0; },
         "0101/10 0102/10 0103/10 0104/10 0101/20 0201/20 0202/20 0105/20 0203/50 0204/50"},
        {"feeds off for the satellite", [](T_satRec& s) { s.feedTp = 0; },
         "0101/10 0102/10 0103/10 0104/10 0101/20 0201/20 0202/20 0105/20 0203/50 0204/50"},
        {"free-to-air TV", [](T_satRec& s) { copyText(s.tvFilter, "11011"); },
         "0101/10 0103/10 0104/10 0101/20 0201/20 0105/20 0301/30 0204/50"},
        {"scrambled TV", [](T_satRec& s) { copyText(s.tvFilter, "10111"); },
         "0102/10 0104/10 0202/20 0105/20 0203/50"},
        {"neither free nor scrambled means both", [](T_satRec& s) { copyText(s.tvFilter, "10011"); },
         all},
        {"scrambled radio", [](T_satRec& s) { copyText(s.radioFilter, "101"); },
         "0101/10 0102/10 0103/10 0101/20 0201/20 0202/20 0105/20 0301/30 0203/50 0204/50"},
        {"free-to-air radio", [](T_satRec& s) { copyText(s.radioFilter, "110"); },
         "0101/10 0102/10 0103/10 0104/10 0101/20 0201/20 0202/20 0301/30 0203/50 0204/50"},
        {"two bouquets excluded",
         [](T_satRec&) {
             bouIParam.bou[1].bouId = 50;
             bouIParam.bou[2].bouId = 30;
             bouIParam.count = 2;
         },
         "0101/10 0102/10 0103/10 0104/10 0101/20 0201/20 0202/20 0105/20"},
        {"one bouquet excluded",
         [](T_satRec&) {
             bouIParam.bou[1].bouId = 20;
             bouIParam.count = 1;
         },
         "0101/10 0102/10 0103/10 0104/10 0301/30 0203/50 0204/50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        cfgParam.chFake = 0;
        c.set(addSat(192, "Astra"));
        ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
        EXPECT_EQ(channelList(), c.expect);
        EXPECT_EQ(Report.tvChannels + Report.radioChannels, chDB.count);
    }
    // The feed clause also narrows the transponders of the satellite.
    SetUp();
    cfgParam.gTP = 0;
    addSat(192, "Astra");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    EXPECT_EQ(tpList(), "192:2/0 192:1/0");
}

TEST_F(Download, LimitsOnBouquetsAndChannels) {
    // maxBou: the second bouquet keeps only its first channel, the next
    // satellite gives nothing.
    cfgParam.chFake = 0;
    cfgParam.maxBou = 2;
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    EXPECT_EQ(channelList(), "0101/10 0102/10 0103/10 0104/10 0101/20");
    EXPECT_EQ(Report.bouquets, 2u);

    // The marker counts as TV; at the TV limit no more markers, radio goes on.
    SetUp();
    cfgParam.maxCTv = 3;
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    EXPECT_EQ(channelList(), "FFFF/10 0101/10 0102/10 0104/10 0105/20 1102/40");
    EXPECT_EQ(reportText(Report),
              "sat=2 fake=0 tp=5 bou=3 tv=2 tvFake=1 fta=1 cod=1 hd=1 3d=0 "
              "radio=3 rFta=2 rCod=1 favG=3 favC=3");

    SetUp();
    cfgParam.chFake = 0;
    cfgParam.maxCRa = 1;
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    EXPECT_EQ(Report.radioChannels, 1u);
    EXPECT_TRUE(channel("0104", 10));
    EXPECT_EQ(Report.tvChannels, 11u);

    // A radio-only satellite: bouquets counted, no markers.
    SetUp();
    copyText(addSat(130, "Hotbird").tvFilter, "01111");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    EXPECT_EQ(channelList(), "1102/40");
    EXPECT_EQ(Report.bouquets, 1u);
    EXPECT_EQ(Report.tvFake, 0u);

    // Bouquets as satellites: maxBou stops as in the channel list.
    SetUp();
    cfgParam.listType = 1;
    cfgParam.maxBou = 2;
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataBSat), kDownloadOk);
    EXPECT_EQ(channelList(), "0101/10 0102/10 0103/10 0104/10 0101/20");
    EXPECT_EQ(satList(), "192010 Bouquet Alpha 19.2E|192020 Bouquet Beta Ver 19.2E");

    // At the TV limit no virtual satellite is made; the bouquet still counts
    // and its channels are kept.
    SetUp();
    cfgParam.listType = 1;
    cfgParam.maxCTv = 2;
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataBSat), kDownloadOk);
    EXPECT_EQ(channelList(), "0101/10 0102/10 0104/10 0105/20 1102/40");
    EXPECT_EQ(satList(), "192010 Bouquet Alpha 19.2E");
    EXPECT_EQ(Report.fakeSatellites, 1u);
    EXPECT_EQ(Report.bouquets, 3u);

    // Favourites as satellites: maxBou does not apply; TV off makes no
    // virtual satellite and counts no group.
    SetUp();
    cfgParam.listType = 2;
    cfgParam.maxBou = 1;
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataFSat), kDownloadOk);
    EXPECT_EQ(Report.fakeSatellites, 4u);
    EXPECT_EQ(chDB.count, 8u);

    SetUp();
    cfgParam.listType = 2;
    copyText(addSat(192, "Astra").tvFilter, "01111");
    ASSERT_EQ(run(DownloadDataFSat), kDownloadOk);
    EXPECT_EQ(channelList(), "0104/1");
    EXPECT_EQ(satDB.count, 0u);
    EXPECT_EQ(Report.bouquets, 0u);
}

TEST_F(Download, ExcludedFavouriteGroupsAndBouquets) {
    favIParam.fav[1].favId = 1;
    favIParam.fav[2].favId = 3;
    favIParam.count = 2;
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    ASSERT_EQ(favDB.count, 2u);
    EXPECT_EQ(favDB.fav[1].fav_id, 2);
    EXPECT_EQ(favDB.fav[2].fav_id, 4);
    EXPECT_EQ(linkList(), "2>8 2>6 4>13 4>16 4>18");

    // As satellites: the excluded group gives neither a satellite nor links;
    // with bouquet 50 excluded, group 4 has nothing on 192.
    SetUp();
    cfgParam.listType = 2;
    favIParam.fav[1].favId = 1;
    favIParam.count = 1;
    bouIParam.bou[1].bouId = 50;
    bouIParam.count = 1;
    addSat(192, "Astra");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataFSat), kDownloadOk);
    EXPECT_EQ(satList(), "192002 Sport Fav|130004 Hot Fav Group Na");
    EXPECT_EQ(channelList(), "0202/2 0101/2 1101/4 1102/4");
    EXPECT_EQ(linkList(), "2>0 2>1 4>2 4>3");
    EXPECT_EQ(Report.favGroups, 2u);
}

TEST_F(Download, FirstBouquetMatchingTheStartPairIsStillABouquet) {
    // Satellite 1000 carries bouquet 1000: the pair the jobs start from.
    addSat(1000, "Edge");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    EXPECT_EQ(channelList(), "FFFF/1000 E001/1000");
    EXPECT_EQ(Report.bouquets, 1u);

    SetUp();
    cfgParam.listType = 1;
    addSat(1000, "Edge");
    ASSERT_EQ(run(DownloadDataBSat), kDownloadOk);
    EXPECT_EQ(satList(), "1001000 Edge Bouquet 100.0E");
    EXPECT_EQ(chDB.ch[1].sat_id, 1001000);

    // Favourites as satellites start their remembered satellite at 1000 too:
    // satellite 1000 still gets its favourite links.
    SetUp();
    cfgParam.listType = 2;
    addSat(1000, "Edge");
    ASSERT_EQ(run(DownloadDataFSat), kDownloadOk);
    EXPECT_EQ(satList(), "1000002 Sport Fav");
    EXPECT_EQ(linkList(), "2>0");
    EXPECT_EQ(chFavDB.chFav[1].sat_id, 1000002);
}

TEST_F(Download, ChannelAudioAndCasBeyondCapacityAreDropped) {
    addSat(300, "Crowded");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    const T_dbCh* c = channel("3001", 60);
    ASSERT_TRUE(c);
    ASSERT_EQ(c->audioCount, 29u);
    EXPECT_STREQ(c->audio[1].apid, "0301");
    EXPECT_STREQ(c->audio[29].apid, "031D");
    ASSERT_EQ(c->casCount, 29u);
    EXPECT_EQ(c->cas[1], 0);
    EXPECT_EQ(c->cas[29], 28);
    EXPECT_EQ(dbDropped.channelAudio, 2u);
    EXPECT_EQ(dbDropped.channelCas, 2u);
    expectSuccessfulEnd();
    const std::string& box = ui->boxes.back().text;
    EXPECT_NE(box.find("\r\nDropped: 2 audio tracks over the channel capacity of 29"),
              std::string::npos);
    EXPECT_NE(box.find("\r\nDropped: 2 CAS ids over the channel capacity of 29"),
              std::string::npos);
}

// ---- failures ----

TEST_F(Download, ServerDownFailsFastWithTheFixedText) {
    // A port that was free a moment ago: nothing listens there.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len), 0);
    close(fd);
    dbConnOverride.port = ntohs(a.sin_port);
    addSat(192, "Astra");
    ASSERT_EQ(run(DownloadDataCh), kDownloadFailed);
    expectFailedEnd();
    EXPECT_EQ(ui->find("status")->status[1],
              "Can't connect to MySql server on xx:xx:xx:xx (10053)");
    EXPECT_TRUE(ui->boxes.empty());
    EXPECT_EQ(satDB.count, 0u);

    // A server that takes the connection and never speaks: still bounded.
    fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    a.sin_port = 0;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(fd, 4), 0);
    len = sizeof a;
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len), 0);
    SetUp();
    dbConnOverride.port = ntohs(a.sin_port);
    addSat(192, "Astra");
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(run(DownloadDataBSat), kDownloadFailed);
    auto secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    close(fd);
    EXPECT_LT(secs, 3.0 * (kDbConnectTimeout + kDbReadTimeout));
    expectFailedEnd();
    EXPECT_EQ(ui->find("status")->status[1],
              "Can't connect to MySql server on xx:xx:xx:xx (10053)");
}

TEST_F(Download, UnknownApplicationKeyIsAnOldVersion) {
    copyText(cfgParam.appVersion, "0.9");  // only a row that is not in use
    addSat(192, "Astra");
    ASSERT_EQ(run(DownloadDataFSat), kDownloadFailed);
    expectFailedEnd();
    EXPECT_EQ(ui->find("status")->status[1], "Operation canceled.");
    EXPECT_EQ(cfgParam.showForum, 2);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text,
              "This is one old version of Velartis!\r\nVisit our Forum and download a new version.");
    EXPECT_EQ(ui->boxes[0].caption, " Error");
    EXPECT_EQ(ui->boxes[0].flags, kMbOk | kMbIconError);
    EXPECT_EQ(satDB.count, 0u);
}

TEST_F(Download, OutdatedBuildEndsWithItsOwnResult) {
    copyText(cfgParam.appVersion, "9.9");  // CRCLinux names another build
    addSat(192, "Astra");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOutdated);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, MsgLang.msgOldVersion);
    EXPECT_EQ(ui->boxes[0].caption, " Error");
    EXPECT_FALSE(enabled(Widget.hGenerate));
    EXPECT_EQ(satDB.count, 0u);
}

TEST_F(Download, FailingQueriesReportTheServerError) {
    // No tables at all: the message query fails.
    setDatabase("velartis_empty");
    addSat(192, "Astra");
    ASSERT_EQ(run(DownloadDataCh), kDownloadFailed);
    expectFailedEnd();
    EXPECT_NE(ui->find("status")->status[1].find("TeamMsg"), std::string::npos);
    EXPECT_TRUE(ui->boxes.empty());

    // No ChannelCas: the data read before the failure stays.
    for (JobFn fn : {DownloadDataCh, DownloadDataBSat}) {
        SetUp();
        setDatabase("velartis_nocas");
        addSat(192, "Astra");
        addSat(130, "Hotbird");
        ASSERT_EQ(run(fn), kDownloadFailed);
        expectFailedEnd();
        const std::string& err = ui->find("status")->status[1];
        EXPECT_NE(err.find("ChannelCas"), std::string::npos) << err;
        EXPECT_EQ(chDB.count, fn == DownloadDataCh ? 19u : 14u);
        EXPECT_EQ(favDB.count, 0u);
        EXPECT_TRUE(ui->boxes.empty());
        EXPECT_EQ(counterOf("velartis_nocas", "Velartis1.3"), "0");
    }
}

// ---- usage counter ----

TEST_F(Download, CounterCountsEachSuccessfulDownloadOnce) {
    copyText(cfgParam.appVersion, "1.3c");
    addSat(130, "Hotbird");
    std::string before = counterOf("velartis", "Velartis1.3c");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    EXPECT_EQ(toInt(counterOf("velartis", "Velartis1.3c").c_str()), toInt(before.c_str()) + 1);
    SetUp();
    copyText(cfgParam.appVersion, "1.3c");
    cfgParam.listType = 2;
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataFSat), kDownloadOk);
    EXPECT_EQ(toInt(counterOf("velartis", "Velartis1.3c").c_str()), toInt(before.c_str()) + 2);

    // Two downloads at once, each in a process of its own.
    pid_t kids[2];
    for (pid_t& k : kids) {
        k = fork();
        ASSERT_GE(k, 0);
        if (k == 0) {
            SetUp();
            copyText(cfgParam.appVersion, "1.3c");
            addSat(192, "Astra");
            _exit(static_cast<int>(DownloadDataCh(&p)));
        }
    }
    for (pid_t k : kids) {
        int st = 0;
        ASSERT_EQ(waitpid(k, &st, 0), k);
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
    }
    EXPECT_EQ(toInt(counterOf("velartis", "Velartis1.3c").c_str()), toInt(before.c_str()) + 4);

    // Without a counter row nothing changes and the download succeeds.
    SetUp();
    copyText(cfgParam.appVersion, "1.3n");
    addSat(130, "Hotbird");
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    EXPECT_EQ(counterOf("velartis", "Velartis1.3n"), "<no row>");
}

TEST(UsageCounter, ConcurrentIncrementsAreNotLost) {
    const int kEach = 100;
    std::string before = counterOf("velartis", "VelartisRace");
    auto worker = [&] {
        DbSession db;
        ASSERT_TRUE(db.open(testDb("velartis"))) << db.error();
        for (int i = 0; i < kEach; ++i) dlCountUsage(db, "VelartisRace");
    };
    std::thread a(worker), b(worker);
    a.join();
    b.join();
    EXPECT_EQ(toInt(counterOf("velartis", "VelartisRace").c_str()),
              toInt(before.c_str()) + 2 * kEach);
}

// ---- over capacity ----

class BigDownload : public Download {
protected:
    void SetUp() override {
        if (scalar("velartis_big", "SELECT COUNT(*) FROM Channels").rfind('<', 0) == 0)
            GTEST_SKIP() << "velartis_big is not loaded (velartis-gendb not built?)";
        Download::SetUp();
        setDatabase("velartis_big");
        cfgParam.chFake = 0;
        addSat(1, "Big");
    }
};

TEST_F(BigDownload, RowsBeyondEveryCapacityAreDroppedAndReported) {
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    EXPECT_EQ(chDB.count, kChDbSlots - 1);
    EXPECT_EQ(tpDB.count, kTpDbSlots - 1);
    EXPECT_EQ(Report.transponders, kTpDbSlots - 1);
    EXPECT_EQ(Report.tvChannels + Report.radioChannels, chDB.count);
    EXPECT_EQ(dbDropped.transponders, 5100u - (kTpDbSlots - 1));
    EXPECT_EQ(dbDropped.audioRows, 63000u - 59999u);
    EXPECT_EQ(dbDropped.casRows, 61000u - 59999u);
    EXPECT_GT(dbDropped.channels, 0u);
    EXPECT_LE(chFavDB.count, kChFavDbSlots - 1);
    for (uint32_t i = 1; i <= chDB.count; ++i) {
        ASSERT_LE(chDB.ch[i].audioCount, 29u);
        ASSERT_LE(chDB.ch[i].casCount, 29u);
    }
    expectSuccessfulEnd();
    const std::string& box = ui->boxes.back().text;
    EXPECT_NE(box.find("\r\nDropped: " + std::to_string(dbDropped.channels) +
                       " channels over the table capacity of 19999"),
              std::string::npos);
    EXPECT_NE(box.find("\r\nDropped: 101 transponders over the table capacity of 4999"),
              std::string::npos);
    EXPECT_NE(box.find("\r\nDropped: 3001 audio rows over the list capacity of 59999"),
              std::string::npos);

    // The virtual modes keep within the tables too.
    for (JobFn fn : {DownloadDataBSat, DownloadDataFSat}) {
        Download::SetUp();
        setDatabase("velartis_big");
        cfgParam.listType = fn == DownloadDataBSat ? 1 : 2;
        addSat(1, "Big");
        ASSERT_EQ(run(fn), kDownloadOk);
        EXPECT_LE(chDB.count, kChDbSlots - 1);
        EXPECT_LE(chFavDB.count, kChFavDbSlots - 1);
        EXPECT_EQ(Report.tvChannels + Report.radioChannels, chDB.count);
        EXPECT_EQ(Report.transponders, tpDB.count);
    }
}

}  // namespace

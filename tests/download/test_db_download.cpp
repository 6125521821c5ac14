// The three download jobs against the fixture server (tests/data/db).
// Every expectation below follows from the rows of fixture.sql; its header
// lists the bouquets and channels in query order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "download/dbTypes.h"
#include "download/download.h"
#include "download/jobParam.h"
#include "download/session.h"
#include "platform/memoryPlatform.h"
#include "platform/widget.h"
#include "tests/download/cutProxy.h"
#include "tests/download/jobGlobals.h"

namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

const char kConnectFailed[] = "Can't connect to MySql server on xx:xx:xx:xx (10053)";

// What the download jobs are given through their parameter record.
T_dbConnOverride testConn;
T_dbDropped testDropped;

class RecordingPlatform : public MemoryPlatform {
public:
    std::vector<int> downProgress;

protected:
    void onProgress(const std::string& bar, int pos) override {
        if (bar == "progDown") downProgress.push_back(pos);
    }
};

T_dbConnValues testDb(const char* name) {
    return {"127.0.0.1", "vauser", "vapass1", name, "", VA_TEST_DB_PORT};
}

// First column of the first row, or a marker text.
std::string scalar(const char* dbName, const std::string& sql) {
    DbSession s;
    DbResult r;
    if (!s.open(testDb(dbName))) return "<no connection: " + s.error() + ">";
    if (!s.query(sql, &r)) return "<error: " + s.error() + ">";
    return r.next() ? r.row().text(0) : "<no row>";
}
std::string counterOf(const char* app, const char* dbName = "velartis") {
    return scalar(dbName, std::string("SELECT counter FROM BrenikToolsCounter WHERE "
                                      "application='") +
                              app + "'");
}
int counter(const char* app) { return toInt(counterOf(app).c_str()); }

std::string num(int v) { return std::to_string(v); }

// fmt of records 1..n, joined.
template <typename T, typename F>
std::string list(const T* recs, uint32_t n, F fmt, const char* sep = " ") {
    std::string s;
    for (uint32_t i = 1; i <= n; ++i) s += (i > 1 ? sep : "") + fmt(recs[i]);
    return s;
}
std::string chKey(const T_dbCh& c) { return strFormat("%s/%d", c.sid, c.groupId); }
std::string tpKey(const T_dbTp& t) { return strFormat("%d:%d/%d", t.sat_id, t.stp_id, t.groupId); }
std::string linkKey(const T_dbChFav& l) { return strFormat("%d>%d", l.fav_id, l.chIndex); }
std::string favKey(const T_dbFav& f) { return strFormat("%d %s", f.fav_id, f.fav_name); }
std::string satKey(const T_dbSat& s) { return strFormat("%d %s", s.sat_id, s.satName); }
std::string channels() { return list(chDB.ch, chDB.count, chKey); }
std::string tps() { return list(tpDB.tp, tpDB.count, tpKey); }
std::string links() { return list(chFavDB.chFav, chFavDB.count, linkKey); }
std::string favs() { return list(favDB.fav, favDB.count, favKey, "|"); }
std::string sats() { return list(satDB.sat, satDB.count, satKey, "|"); }

// Whole records.
std::string satText(const T_dbSat& s) {
    return strFormat("%d/%d/%d %s|%s|%s|%d", s.sat_id, s.realSatId, s.groupId, s.satName,
                     s.sat_name, s.location, s.position);
}
std::string setupText(const T_dbSat& s) {
    return strFormat("%d %d %d %d %d %d %d %d %d %d %d %d %d %s %s %s", s.lnbType, s.freqLo,
                     s.freqHi, s.power, s.tone22k, s.out12V, s.switchType, s.switch10, s.switch11,
                     s.diseqc, s.positionerId, s.skew, s.feedTp, s.radioFilter, s.tvFilter,
                     s.catFilter);
}
std::string tpText(const T_dbTp& t) {
    return strFormat("%d:%d/%d %d %s %d %d %d %d %d %s %s %d", t.sat_id, t.stp_id, t.groupId,
                     t.realSatId, t.tp_name, t.frequency, t.polarity, t.sr, t.fec, t.modulation,
                     t.nid, t.tid, t.pilot);
}
// The seven digits: subtitle scrambled locked skip dupdpid dupdname dupdsid.
std::string chText(const T_dbCh& c) {
    return strFormat("%s/%d %d/%d:%d b%d f%d t%d %s|%s %s %s %s %s %d%d%d%d%d%d%d c%d h%d d%d n%d",
                     c.sid, c.groupId, c.sat_id, c.realSatId, c.stp_id, c.bou_id, c.fake, c.ch_type,
                     c.ch_name, c.groupName, c.vpid, c.pmt_pid, c.pcr_pid, c.txt_pid, c.subtitle,
                     c.scrambled, c.locked, c.skip, c.dupdpid, c.dupdname, c.dupdsid, c.cat_id,
                     c.hd, c.d3, c.nat_id);
}
std::string linkText(const T_dbChFav& l) {
    return strFormat("%d>%d %d/%d:%d/%d %s t%d", l.fav_id, l.chIndex, l.sat_id, l.realSatId,
                     l.stp_id, l.groupId, l.sid, l.ch_type);
}
// Audio tracks (apid:lang_id:lang_name:ac3 dts) and CAS ids of every
// channel that has any.
std::string media() {
    std::string s;
    for (uint32_t i = 1; i <= chDB.count; ++i) {
        const T_dbCh& c = chDB.ch[i];
        if (!c.audioCount && !c.casCount) continue;
        s += (s.empty() ? "" : " | ") + chKey(c);
        for (uint32_t a = 1; a <= c.audioCount && a < kAudioSlots; ++a)
            s += strFormat(" %s:%d:%s:%d%d", c.audio[a].apid, c.audio[a].lang_id,
                           c.audio[a].lang_name, c.audio[a].ac3, c.audio[a].dts);
        for (uint32_t k = 1; k <= c.casCount && k < kCasSlots; ++k) s += " c" + num(c.cas[k]);
    }
    return s;
}
// The counts the limits act on.
std::string counts() {
    const T_dbReport& r = Report;
    return strFormat("sats=%u bou=%u vsat=%u tv=%u tvFake=%u radio=%u favG=%u", satDB.count,
                     r.bouquets, r.fakeSatellites, r.tvChannels, r.tvFake, r.radioChannels,
                     r.favGroups);
}

const T_dbCh& channel(const std::string& key) {
    for (uint32_t i = 1; i <= chDB.count; ++i)
        if (chKey(chDB.ch[i]) == key) return chDB.ch[i];
    ADD_FAILURE() << "no channel " << key;
    static T_dbCh none{};
    return none;
}
// chText of the first channel of each key, one a line.
std::string chTexts(std::initializer_list<const char*> keys) {
    std::string s;
    for (const char* k : keys) s += chText(channel(k)) + "\n";
    return s;
}

// The channels 192 gives with no filter and no markers, less `gone`.
std::string allBut(const std::string& gone) {
    const std::string all =
        "0101/10 0102/10 0103/10 0104/10 0101/20 0201/20 0202/20 0105/20 "
        "0301/30 0203/50 0204/50 ";
    std::string out;
    for (size_t at = 0, end; (end = all.find(' ', at)) != std::string::npos; at = end + 1) {
        std::string key = all.substr(at, end - at);
        if ((" " + gone + " ").find(" " + key + " ") == std::string::npos)
            out += (out.empty() ? "" : " ") + key;
    }
    return out;
}

// A loopback port nobody listens on, or (listening) one that never answers.
int loopbackPort(bool listening, int* fd) {
    *fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (*fd < 0 || bind(*fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(*fd, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
        (listening && listen(*fd, 4) != 0))
        return -1;
    if (!listening) close(*fd);
    return ntohs(a.sin_port);
}

class Download : public ::testing::Test {
protected:
    std::unique_ptr<RecordingPlatform> ui;
    T_FnPARAM p{};

    void SetUp() override {
        ui = std::make_unique<RecordingPlatform>();
        resetJobGlobals(ui.get());
        cfgParam.chFake = 1;
        for (int i = 0; i < 4; ++i) {
            catParam.cat[i].catId = favParam.fav[i].favId = i + 1;
            favParam.fav[i].favOn = 1;
        }
        catParam.count = favParam.count = 4;
        setDatabase("velartis");
        p = globalJobParam();
        p.dbConn = &testConn;
        p.dropped = &testDropped;
    }
    void TearDown() override { testConn = T_dbConnOverride{}; }

    static void setDatabase(const char* name) {
        T_dbConnValues v = testDb(name);
        testConn = {v.host, v.user, v.password, v.name, "", v.port, false};
    }

    // Every set-up field distinct, so a download that mixes two up shows.
    static T_satRec& addSat(int id, const char* name = "Local") {
        T_satRec& s = satParam.sat[++satParam.count];
        s = T_satRec{id, "", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 1, "111", "11111", "1111"};
        copyText(s.satName, name);
        return s;
    }
    static void skipBouquets(std::initializer_list<int> ids) {
        for (int id : ids) bouIParam.bou[++bouIParam.count].bouId = id;
    }
    static void skipFavourites(std::initializer_list<int> ids) {
        for (int id : ids) favIParam.fav[++favIParam.count].favId = id;
    }
    void expectSetupCopied() {
        for (uint32_t i = 1; i <= satDB.count; ++i)
            EXPECT_EQ(setupText(satDB.sat[i]), "2 3 4 5 6 7 8 10 11 9 12 13 1 111 11111 1111");
    }

    // A fresh job on `satIds`; `tweak` changes the set-up after they are added.
    uint32_t download(JobFn fn, const std::function<void()>& tweak = {},
                      std::initializer_list<int> satIds = {192, 130}) {
        SetUp();
        for (int id : satIds) addSat(id);
        if (tweak) tweak();
        EXPECT_TRUE(ui->startJob(fn, &p));
        return ui->waitJob();
    }
    // The report fields of the window, in screen order.
    std::string fields() {
        std::string s;
        for (const char* f : {"Satelliti:", "Transponder:", "Bouquets:", "Canali TV:",
                              "Canali Radio:", "Gruppi Favoriti:", "Canali Favoriti:"})
            s += (s.empty() ? "" : "|") + ui->find(f)->text;
        return s;
    }

    // A successful end: closing texts, window restored for generation,
    // progress only forward and ending at 100. Gives the closing box text.
    std::string successfulEnd() {
        EXPECT_EQ(ui->find("status")->status[0], "");
        EXPECT_EQ(ui->find("status")->status[1], MsgLang.msgDbReadOk);
        EXPECT_TRUE(ui->enabled(Widget.hGenerate) && ui->enabled(Widget.hDownload));
        const std::vector<int>& pos = ui->downProgress;
        EXPECT_TRUE(!pos.empty() && pos.back() == 100 && std::is_sorted(pos.begin(), pos.end()));
        EXPECT_FALSE(ui->boxes.empty());
        if (ui->boxes.empty()) return "";
        EXPECT_EQ(ui->boxes.back().caption, "Message");
        EXPECT_EQ(ui->boxes.back().flags, kMbOk | kMbIconInformation);
        return ui->boxes.back().text;
    }
    // A failed end; gives the status text.
    std::string failedEnd() {
        EXPECT_EQ(ui->find("status")->status[0], " Error");
        EXPECT_FALSE(ui->enabled(Widget.hGenerate));
        EXPECT_TRUE(ui->enabled(Widget.hDownload));
        return ui->find("status")->status[1];
    }
};

// The audio and CAS data of the bouquet channels of 192 and 130: both
// copies of 0101 get its tracks in track order; 1101 not those of 130/0101.
const char kBouquetMedia[] =
    "0101/10 0111:4:deu:00 0112:2:eng:10 | 0102/10 0121:1:ita:00 c1 c5 | "
    "0101/20 0111:4:deu:00 0112:2:eng:10 | 0201/20 0211:3:fra:01 | 0202/20 c7 | 0105/20 c1 | "
    "0203/50 c3 | 1101/40 1111:1:ita:00 | 1201/40 c2";

// ---- the three list modes end to end ----

TEST_F(Download, BouquetsAsChannelsEndToEnd) {
    // 777 is not on the server; 282 is not selected.
    auto more = [] {
        addSat(777, "Unknown Sat");
        addSat(282).selected = 0;
    };
    ASSERT_EQ(download(DownloadDataCh, more), kDownloadOk);
    EXPECT_EQ(fields(), "2|5|5|16 (Fake=5, Fta=7, Cod=4) (HD=2)(3D=1)|3 (Fta=2, Cod=1)|3|8");
    // Server names cut to 24; the unknown satellite keeps its own.
    EXPECT_EQ(list(satDB.sat, satDB.count, satText, ", "),
              "192/192/0 Astra 19.2E|Astra 19.2E|19.2E|192, "
              "130/130/0 Hotbird 13.0E Extra Long|Hotbird 13.0E Extra Long|13.0E|130, "
              "777/777/0 Unknown Sat|||0");
    expectSetupCopied();
    // By satellite, ascending frequency, the feed included.
    EXPECT_EQ(tps(), "192:2/0 192:1/0 192:3/0 130:1/0 130:2/0");
    EXPECT_EQ(tpText(tpDB.tp[3]), "192:3/0 192 Feed TP 12603 1 6111 3 2 0002 1F40A0 2");

    // A marker before each bouquet, with the transponder of its first
    // channel; 0101 once in each of its two bouquets.
    EXPECT_EQ(channels(),
              "FFFF/10 0101/10 0102/10 0103/10 0104/10 FFFF/20 0101/20 0201/20 0202/20 0105/20 "
              "FFFF/30 0301/30 FFFF/50 0203/50 0204/50 FFFF/40 1101/40 1201/40 1102/40");
    EXPECT_EQ(chTexts({"FFFF/20", "0102/10", "0101/20", "0203/50"}),
              "FFFF/20 192/192:1 b20 f1 t0 @ Bouquet Beta Very Lo @|Bouquet Beta Very Lo "
              "0000 0000 0000 0000 0001010 c0 h0 d0 n0\n"
              "0102/10 192/192:1 b0 f0 t0 Alpha Two HD|Bouquet Alpha 0A02 0B02 0C02 0000 0100101 "
              "c2 h1 d0 n2\n"
              "0101/20 192/192:1 b0 f0 t0 Alpha One|Bouquet Beta Very Lo 0A01 0B01 0C01 0D01 "
              "1000000 c1 h0 d0 n3\n"
              "0203/50 192/192:2 b0 f0 t0 Adult Channel|Excluded One 0A23 0B23 0C23 0000 0111010 "
              "c4 h0 d0 n1\n");
    // Windows-1252 bytes arrive as they are stored; long names are cut.
    EXPECT_STREQ(channel("0103/10").ch_name, "T\xE9l\xE9 3D \x80");
    EXPECT_STREQ(channel("0204/50").ch_name, "A Channel Name That Is F");
    EXPECT_EQ(media(), kBouquetMedia);

    // Groups in sort order, links in row order then channel order.
    EXPECT_EQ(favs(), "2 Sport Fav|1 News Fav|4 Hot Fav Group Name Longer");
    EXPECT_EQ(links(), "2>8 2>6 1>1 1>7 1>4 4>13 4>16 4>18");
    EXPECT_EQ(linkText(chFavDB.chFav[5]), "1>4 192/192:1/10 0104 t1");

    EXPECT_EQ(successfulEnd(),
              std::string(MsgLang.msgDbReadOk) + "\r\n\r\nFixture server\r\nsecond line \\x kept");
    // The first row asks for the forum: told through the record, the live
    // configuration is the front end's to change.
    EXPECT_EQ(p.showForum, 1);
    EXPECT_EQ(cfgParam.showForum, 0);
    for (const char* step : {"Satelliti", "Transponders", "Channels", "Channels Audio and Cas Data",
                             "Favorite Groups", "Channels Favorite"})
        EXPECT_THAT(ui->statusLog[1], Contains(std::string(MsgLang.msgDbReading) + " -> " + step));
    EXPECT_THAT(ui->statusLog[0], Contains("Loading"));
}

TEST_F(Download, BouquetsAsSatellitesEndToEnd) {
    ASSERT_EQ(download(DownloadDataBSat), kDownloadOk);
    EXPECT_EQ(fields(), "Real=2 Fake=5|7|5|11 (Fta=7, Cod=4) (HD=2)(3D=1)|3 (Fta=2, Cod=1)|3|8");
    // The joined query takes the 31 characters uncut; the record keeps 29.
    EXPECT_EQ(list(satDB.sat, satDB.count, satText, ", "),
              "192010/192/10 Bouquet Alpha 19.2E|Astra 19.2E|19.2E|192, "
              "192020/192/20 Bouquet Beta Ver 19.2E|Astra 19.2E|19.2E|192, "
              "192030/192/30 Feeds 19.2E|Astra 19.2E|19.2E|192, "
              "192050/192/50 Excluded One 19.2E|Astra 19.2E|19.2E|192, "
              "130040/130/40 Hotbird Pack 13.0E|Hotbird 13.0E Extra Long Name|13.0E|130");
    expectSetupCopied();
    // One transponder per virtual satellite that uses it: stp 1 twice.
    EXPECT_EQ(tps(),
              "192010:1/10 192020:1/20 192020:2/20 192030:3/30 192050:2/50 130040:1/40 "
              "130040:2/40");
    EXPECT_EQ(tpText(tpDB.tp[4]) + ", " + tpText(tpDB.tp[7]),
              "192030:3/30 192 Feed TP 12603 1 6111 3 2 0002 1F40A0 2, "
              "130040:2/40 130 HB 2 12111 1 27500 3 1 013E 1389 0");
    EXPECT_EQ(channels(), allBut("") + " 1101/40 1201/40 1102/40");
    EXPECT_EQ(chTexts({"0201/20"}),
              "0201/20 192020/192:2 b20 f0 t0 Beta News|Bouquet Beta Ver "
              "0A21 0B21 0C21 0D21 0000000 c2 h0 d0 n3\n");
    EXPECT_EQ(media(), kBouquetMedia);
    EXPECT_EQ(links(), "2>6 2>4 1>0 1>5 1>3 4>9 4>11 4>13");
    EXPECT_EQ(linkText(chFavDB.chFav[8]), "4>13 130040/130:1/40 1102 t1");
    successfulEnd();
    EXPECT_THAT(ui->statusLog[1], Contains(std::string(MsgLang.msgDbReading) +
                                           " -> Satelliti, Transponders and Channels"));
}

TEST_F(Download, FavouritesAsSatellitesEndToEnd) {
    ASSERT_EQ(download(DownloadDataFSat), kDownloadOk);
    EXPECT_EQ(fields(), "Real=2 Fake=4|6|4|6 (Fta=4, Cod=2) (HD=0)(3D=0)|2 (Fta=2, Cod=0)|3|8");
    EXPECT_EQ(list(satDB.sat, satDB.count, satText, ", "),
              "192002/192/2 Sport Fav|Astra 19.2E|19.2E|192, "
              "192001/192/1 News Fav|Astra 19.2E|19.2E|192, "
              "192004/192/4 Hot Fav Group Na|Astra 19.2E|19.2E|192, "
              "130004/130/4 Hot Fav Group Na|Hotbird 13.0E Extra Long Name|13.0E|130");
    expectSetupCopied();
    EXPECT_EQ(tps(), "192002:2/2 192002:1/2 192001:1/1 192001:2/1 192004:2/4 130004:1/4");

    // 0101 is in groups 2 and 1, through different bouquets.
    EXPECT_EQ(channels(), "0202/2 0101/2 0101/1 0201/1 0104/1 0203/4 1101/4 1102/4");
    EXPECT_EQ(list(chDB.ch, chDB.count, [](const T_dbCh& c) { return num(c.bou_id); }),
              "20 20 10 20 10 50 40 40");
    EXPECT_EQ(chTexts({"0202/2"}),
              "0202/2 192002/192:2 b20 f0 t0 Beta Sport Coded|Sport Fav "
              "0A22 0B22 0C22 0000 0100000 c3 h0 d0 n3\n");
    EXPECT_EQ(media(),
              "0202/2 c7 | 0101/2 0111:4:deu:00 0112:2:eng:10 | "
              "0101/1 0111:4:deu:00 0112:2:eng:10 | 0201/1 0211:3:fra:01 | 0203/4 c3 | "
              "1101/4 1111:1:ita:00");
    EXPECT_EQ(links(), "2>0 2>1 1>2 1>3 1>4 4>5 4>6 4>7");
    EXPECT_EQ(linkText(chFavDB.chFav[3]), "1>2 192001/192:1/1 0101 t0");
    successfulEnd();
}

// ---- filters and limits ----

TEST_F(Download, FiltersNarrowTheChannels) {
    // Filters: radio, TV and category filter of the satellite, cut by
    // their sizes out of one text.
    const std::string tvOnly = allBut("0104/10 0105/20");
    struct Case {
        const char *name, *filters;
        void (*set)(T_satRec& s);
        std::string expect;
    } cases[] = {
        {"category 2 off", "111 11111 1011", nullptr, allBut("0102/10 0201/20 0105/20")},
        {"categories 1 and 4 off", "111 11111 0110", nullptr, "0102/10 0201/20 0202/20 0105/20"},
        {"radio only", "111 01111 1111", nullptr, "0104/10 0105/20"},
        {"radio only, radio off for the list", "111 01111 1111",
         [](T_satRec&) { cfgParam.gRad = 0; }, tvOnly},
        {"tv only", "011 11111 1111", nullptr, tvOnly},
        {"radio and tv off", "011 01111 1111", nullptr, ""},
        {"HD off for the list", "111 11111 1111", [](T_satRec&) { cfgParam.gHD = 0; },
         allBut("0102/10")},
        {"HD off for the satellite", "111 11101 1111", nullptr, allBut("0102/10")},
        {"3D off for the list", "111 11111 1111", [](T_satRec&) { cfgParam.g3D = 0; },
         allBut("0103/10")},
        {"3D off for the satellite", "111 11110 1111", nullptr, allBut("0103/10")},
        {"feeds off for the list", "111 11111 1111", [](T_satRec&) { cfgParam.gTP = 0; },
         allBut("0301/30")},
        {"feeds off for the satellite", "111 11111 1111", [](T_satRec& s) { s.feedTp = 0; },
         allBut("0301/30")},
        {"free-to-air TV", "111 11011 1111", nullptr, allBut("0102/10 0202/20 0203/50")},
        {"scrambled TV", "111 10111 1111", nullptr, "0102/10 0104/10 0202/20 0105/20 0203/50"},
        {"neither free nor scrambled means both", "111 10011 1111", nullptr, allBut("")},
        {"scrambled radio", "101 11111 1111", nullptr, allBut("0104/10")},
        {"free-to-air radio", "110 11111 1111", nullptr, allBut("0105/20")},
        {"two bouquets excluded", "111 11111 1111",
         [](T_satRec&) {
             skipBouquets({50, 30});
         },
         allBut("0301/30 0203/50 0204/50")},
        {"one bouquet excluded", "111 11111 1111", [](T_satRec&) { skipBouquets({20}); },
         allBut("0101/20 0201/20 0202/20 0105/20")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto set = [&] {
            T_satRec& s = satParam.sat[1];
            copyText(s.radioFilter, c.filters);
            copyText(s.tvFilter, c.filters + 4);
            copyText(s.catFilter, c.filters + 10);
            cfgParam.chFake = 0;
            if (c.set) c.set(s);
        };
        ASSERT_EQ(download(DownloadDataCh, set, {192}), kDownloadOk);
        EXPECT_EQ(channels(), c.expect);
        EXPECT_EQ(Report.tvChannels + Report.radioChannels, chDB.count);
    }
    // The feed clause also narrows the transponders of the satellite.
    ASSERT_EQ(download(DownloadDataCh, [] { cfgParam.gTP = 0; }, {192}), kDownloadOk);
    EXPECT_EQ(tps(), "192:2/0 192:1/0");
}

TEST_F(Download, LimitsOnBouquetsAndChannels) {
    // maxBou: the second bouquet keeps only its first channel, the next
    // satellite gives nothing.
    ASSERT_EQ(download(DownloadDataCh,
                       [] {
                           cfgParam.chFake = 0;
                           cfgParam.maxBou = 2;
                       }),
              kDownloadOk);
    EXPECT_EQ(channels(), "0101/10 0102/10 0103/10 0104/10 0101/20");
    EXPECT_EQ(counts(), "sats=2 bou=2 vsat=0 tv=4 tvFake=0 radio=1 favG=3");

    // The marker counts as TV; at the TV limit no more markers, radio goes on.
    ASSERT_EQ(download(DownloadDataCh, [] { cfgParam.maxCTv = 3; }), kDownloadOk);
    EXPECT_EQ(channels(), "FFFF/10 0101/10 0102/10 0104/10 0105/20 1102/40");
    EXPECT_EQ(counts(), "sats=2 bou=3 vsat=0 tv=2 tvFake=1 radio=3 favG=3");

    ASSERT_EQ(download(DownloadDataCh,
                       [] {
                           cfgParam.chFake = 0;
                           cfgParam.maxCRa = 1;
                       }),
              kDownloadOk);
    EXPECT_EQ(channels(), allBut("0105/20") + " 1101/40 1201/40");

    // A radio-only satellite: bouquets counted, no markers.
    auto radioOnly = [] { copyText(satParam.sat[1].tvFilter, "01111"); };
    ASSERT_EQ(download(DownloadDataCh, radioOnly, {130}), kDownloadOk);
    EXPECT_EQ(channels(), "1102/40");
    EXPECT_EQ(counts(), "sats=1 bou=1 vsat=0 tv=0 tvFake=0 radio=1 favG=3");

    // Bouquets as satellites: maxBou stops as in the channel list.
    ASSERT_EQ(download(DownloadDataBSat, [] { cfgParam.maxBou = 2; }), kDownloadOk);
    EXPECT_EQ(channels(), "0101/10 0102/10 0103/10 0104/10 0101/20");
    EXPECT_EQ(sats(), "192010 Bouquet Alpha 19.2E|192020 Bouquet Beta Ver 19.2E");

    // At the TV limit no virtual satellite is made; the bouquet still counts
    // and its channels are kept.
    ASSERT_EQ(download(DownloadDataBSat, [] { cfgParam.maxCTv = 2; }), kDownloadOk);
    EXPECT_EQ(channels(), "0101/10 0102/10 0104/10 0105/20 1102/40");
    EXPECT_EQ(sats(), "192010 Bouquet Alpha 19.2E");
    EXPECT_EQ(counts(), "sats=1 bou=3 vsat=1 tv=2 tvFake=0 radio=3 favG=3");

    // Favourites as satellites: maxBou does not apply; TV off makes no
    // virtual satellite and counts no group.
    ASSERT_EQ(download(DownloadDataFSat, [] { cfgParam.maxBou = 1; }), kDownloadOk);
    EXPECT_EQ(counts(), "sats=4 bou=4 vsat=4 tv=6 tvFake=0 radio=2 favG=3");
    ASSERT_EQ(download(DownloadDataFSat, radioOnly, {192}), kDownloadOk);
    EXPECT_EQ(channels(), "0104/1");
    EXPECT_EQ(counts(), "sats=0 bou=0 vsat=0 tv=0 tvFake=0 radio=1 favG=3");
}

TEST_F(Download, ExcludedFavouriteGroupsAndBouquets) {
    ASSERT_EQ(download(DownloadDataCh, [] { skipFavourites({1, 3}); }), kDownloadOk);
    EXPECT_EQ(favs(), "2 Sport Fav|4 Hot Fav Group Name Longer");
    EXPECT_EQ(links(), "2>8 2>6 4>13 4>16 4>18");

    // As satellites: the excluded group gives neither a satellite nor links;
    // with bouquet 50 excluded, group 4 has nothing on 192.
    auto skip = [] {
        skipFavourites({1});
        skipBouquets({50});
    };
    ASSERT_EQ(download(DownloadDataFSat, skip), kDownloadOk);
    EXPECT_EQ(sats(), "192002 Sport Fav|130004 Hot Fav Group Na");
    EXPECT_EQ(channels(), "0202/2 0101/2 1101/4 1102/4");
    EXPECT_EQ(links(), "2>0 2>1 4>2 4>3");
    EXPECT_EQ(counts(), "sats=2 bou=2 vsat=2 tv=3 tvFake=0 radio=1 favG=2");
}

TEST_F(Download, FirstBouquetMatchingTheStartPairIsStillABouquet) {
    // Satellite 1000 carries bouquet 1000: the pair the jobs start from.
    ASSERT_EQ(download(DownloadDataCh, {}, {1000}), kDownloadOk);
    EXPECT_EQ(channels(), "FFFF/1000 E001/1000");
    EXPECT_EQ(counts(), "sats=1 bou=1 vsat=0 tv=1 tvFake=1 radio=0 favG=3");
    ASSERT_EQ(download(DownloadDataBSat, {}, {1000}), kDownloadOk);
    EXPECT_EQ(sats(), "1001000 Edge Bouquet 100.0E");
    EXPECT_EQ(chDB.ch[1].sat_id, 1001000);
    // Favourites as satellites start their remembered satellite at 1000 too:
    // satellite 1000 still gets its favourite links.
    ASSERT_EQ(download(DownloadDataFSat, {}, {1000}), kDownloadOk);
    EXPECT_EQ(sats(), "1000002 Sport Fav");
    EXPECT_EQ(list(chFavDB.chFav, chFavDB.count, linkText), "2>0 1000002/1000:1/2 E001 t0");
}

TEST_F(Download, ChannelAudioAndCasBeyondCapacityAreDropped) {
    ASSERT_EQ(download(DownloadDataCh, {}, {300}), kDownloadOk);
    const T_dbCh& c = channel("3001/60");
    ASSERT_EQ(c.audioCount, 29u);
    ASSERT_EQ(c.casCount, 29u);
    EXPECT_EQ(strFormat("%s %s %d %d", c.audio[1].apid, c.audio[29].apid, c.cas[1], c.cas[29]),
              "0301 031D 0 28");
    EXPECT_EQ(testDropped.channelAudio, 2u);
    EXPECT_EQ(testDropped.channelCas, 2u);
    std::string box = successfulEnd();
    EXPECT_THAT(box, HasSubstr("\r\nDropped: 2 audio tracks over the channel capacity of 29"));
    EXPECT_THAT(box, HasSubstr("\r\nDropped: 2 CAS ids over the channel capacity of 29"));
}

TEST_F(Download, BadIdsAreDroppedAndReported) {
    // Rows of velartis_badids (tests/data/db/badids.sql): each dropped row
    // is counted once, under its first bad column.
    const std::string dropped =
        "\r\nDropped: 1 transponders whose nid is not hexadecimal"
        "\r\nDropped: 1 transponders whose tid is NULL"
        "\r\nDropped: 1 transponders whose tid is longer than 6 hexadecimal digits"
        "\r\nDropped: 2 channels whose sid is not hexadecimal"
        "\r\nDropped: 1 channels whose sid is longer than 4 hexadecimal digits"
        "\r\nDropped: 1 channels whose vpid is not hexadecimal"
        "\r\nDropped: 1 channels whose pmt_pid is empty"
        "\r\nDropped: 1 channels whose pcr_pid is NULL"
        "\r\nDropped: 1 channels whose txt_pid is longer than 4 hexadecimal digits"
        "\r\nDropped: 1 audio rows whose sid is NULL"
        "\r\nDropped: 1 audio rows whose apid is NULL"
        "\r\nDropped: 1 audio rows whose apid is not hexadecimal"
        "\r\nDropped: 1 CAS rows whose sid is NULL"
        "\r\nDropped: 1 CAS rows whose sid is not hexadecimal"
        "\r\nDropped: 1 favourite rows whose sid is not hexadecimal"
        "\r\nDropped: 4 channels on transponders dropped for a bad id";
    auto bad = [] {
        setDatabase("velartis_badids");
        cfgParam.chFake = 0;
    };
    for (JobFn fn : {DownloadDataCh, DownloadDataBSat}) {
        const bool virt = fn == DownloadDataBSat;
        SCOPED_TRACE(virt ? "bouquets as satellites" : "bouquets as channels");
        ASSERT_EQ(download(fn, bad, {500}), kDownloadOk);
        EXPECT_EQ(droppedLines(testDropped), dropped);
        EXPECT_EQ(successfulEnd(), std::string(MsgLang.msgDbReadOk) + "\r\n\r\nBad ids" + dropped);
        // The good rows as they are, lower case included.
        EXPECT_EQ(channels(), "0101/70 010a/70 0401/70 0109/70");
        EXPECT_EQ(list(tpDB.tp, tpDB.count, tpText, ", "),
                  virt ? "500070:1/70 500 Good 11001 0 27500 3 0 0001 0010 0, "
                         "500070:4/70 500 Good too 11004 1 27500 3 0 ab12 1F40A0 0"
                       : "500:1/0 500 Good 11001 0 27500 3 0 0001 0010 0, "
                         "500:4/0 500 Good too 11004 1 27500 3 0 ab12 1F40A0 0");
        const int sat = virt ? 500070 : 500;
        EXPECT_EQ(chTexts({"0101/70", "010a/70"}),
                  strFormat("0101/70 %d/500:1 b%d f0 t0 Good One|Bad Bouquet 0A01 0B01 0C01 0D01 "
                            "0000000 c1 h0 d0 n1\n"
                            "010a/70 %d/500:1 b%d f0 t0 Lower Case|Bad Bouquet 0a0a 0b0a 0c0a 0000 "
                            "0000000 c1 h0 d0 n1\n",
                            sat, virt ? 70 : 0, sat, virt ? 70 : 0));
        // Audio and favourite rows join "010a" under "010A", as the server's
        // comparison does, and the link carries the channel's own text.
        EXPECT_EQ(media(), "0101/70 0111:1:ita:00 0115:1:ita:10 c5 | 010a/70 011a:1:ita:00");
        EXPECT_EQ(links(), "1>0 1>2 1>1");
        EXPECT_STREQ(chFavDB.chFav[3].sid, "010a");
        EXPECT_EQ(counts(), strFormat("sats=1 bou=1 vsat=%d tv=3 tvFake=0 radio=1 favG=1", virt));
        EXPECT_EQ(Report.transponders, 2u);
    }
    // Favourites as satellites: the group's channel with a bad sid goes,
    // and so does its favourite row.
    ASSERT_EQ(download(DownloadDataFSat, bad, {500}), kDownloadOk);
    EXPECT_EQ(channels(), "0101/1 0401/1 010a/1");
    EXPECT_EQ(links(), "1>0 1>1 1>2");
    const std::string lines = droppedLines(testDropped);
    EXPECT_THAT(lines, HasSubstr("\r\nDropped: 1 channels whose sid is not hexadecimal\r\n"));
    EXPECT_THAT(lines, HasSubstr("\r\nDropped: 1 favourite rows whose sid is not hexadecimal"));
}

// ---- failures ----

TEST_F(Download, ServerDownFailsFastWithTheFixedText) {
    int fd = -1, port = loopbackPort(false, &fd);  // was free a moment ago
    ASSERT_GT(port, 0);
    auto there = [&] { testConn.port = port; };
    ASSERT_EQ(download(DownloadDataCh, there, {192}), kDownloadFailed);
    EXPECT_EQ(failedEnd(), kConnectFailed);
    EXPECT_TRUE(ui->boxes.empty());
    EXPECT_EQ(satDB.count, 0u);

    // A server that takes the connection and never speaks: still bounded.
    ASSERT_GT(port = loopbackPort(true, &fd), 0);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(download(DownloadDataBSat, there, {192}), kDownloadFailed);
    auto secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    close(fd);
    EXPECT_LT(secs, 3.0 * (kDbConnectTimeout + kDbReadTimeout));
    EXPECT_EQ(failedEnd(), kConnectFailed);
}

TEST_F(Download, MessageRowStopsOldAndOutdatedBuilds) {
    // 0.9 has only a row not in use: an old version. 9.9's CRCLinux names
    // another build: outdated, with a result of its own.
    struct {
        const char* version;
        JobFn fn;
        uint32_t result;
        int showForum;
    } cases[] = {{"0.9", DownloadDataFSat, kDownloadFailed, 2},
                 {"9.9", DownloadDataCh, kDownloadOutdated, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        ASSERT_EQ(download(c.fn, [&] { copyText(cfgParam.appVersion, c.version); }, {192}),
                  c.result);
        EXPECT_EQ(failedEnd(), "Operation canceled.");
        EXPECT_EQ(p.showForum, c.showForum);
        ASSERT_EQ(ui->boxes.size(), 1u);
        EXPECT_EQ(ui->boxes[0].text,
                  "This is one old version of Velartis!\r\n"
                  "Visit our Forum and download a new version.");
        EXPECT_EQ(ui->boxes[0].caption, " Error");
        EXPECT_EQ(ui->boxes[0].flags, kMbOk | kMbIconError);
        EXPECT_EQ(satDB.count, 0u);
    }
}

TEST_F(Download, FailingQueriesReportTheServerError) {
    // No tables at all: the message query fails.
    ASSERT_EQ(download(DownloadDataCh, [] { setDatabase("velartis_empty"); }, {192}),
              kDownloadFailed);
    EXPECT_THAT(failedEnd(), HasSubstr("TeamMsg"));
    EXPECT_TRUE(ui->boxes.empty());

    // No ChannelCas: the data read before the failure stays, nothing counted.
    for (JobFn fn : {DownloadDataCh, DownloadDataBSat}) {
        ASSERT_EQ(download(fn, [] { setDatabase("velartis_nocas"); }), kDownloadFailed);
        EXPECT_THAT(failedEnd(), HasSubstr("ChannelCas"));
        EXPECT_EQ(chDB.count, fn == DownloadDataCh ? 19u : 14u);
        EXPECT_EQ(favDB.count, 0u);
        EXPECT_TRUE(ui->boxes.empty());
        EXPECT_EQ(counterOf("Velartis1.3", "velartis_nocas"), "0");
    }
}

// ---- a connection lost while a result arrives ----

struct AnswerSpan {
    std::string sql;
    int64_t begin, end;  // server-to-client bytes of the query's answer
};
CutProxy* tracedProxy = nullptr;
std::vector<AnswerSpan> traced;
// A query is sent only once the answer before it is read whole, so the
// bytes served so far are where its own answer starts.
void traceQuery(const std::string& sql) {
    if (!traced.empty()) traced.back().end = tracedProxy->served();
    traced.push_back({sql, tracedProxy->served(), -1});
}

TEST_F(Download, ConnectionLostDuringAResultFailsTheJob) {
    CutProxy proxy(VA_TEST_DB_PORT);
    ASSERT_GT(proxy.port(), 0);
    tracedProxy = &proxy;
    // The small fixture reaches every query of every mode; its answers come
    // in one packet each, so a cut fails the query itself. The generated
    // database's large answers come in many packets: a cut there leaves the
    // query sent and the result short.
    struct Case {
        const char* db;
        JobFn fn;
        std::vector<int> sats;
    };
    std::vector<Case> cases;
    for (JobFn fn : {DownloadDataCh, DownloadDataBSat, DownloadDataFSat})
        cases.push_back({"velartis", fn, {192, 130}});
    if (scalar("velartis_big", "SELECT COUNT(*) FROM Channels").rfind('<', 0) != 0)
        for (JobFn fn : {DownloadDataCh, DownloadDataBSat, DownloadDataFSat})
            cases.push_back({"velartis_big", fn, {1}});
    else
        ADD_FAILURE() << "velartis_big is not loaded: no cut inside a long result";

    std::set<std::string> bigCut;
    for (const Case& c : cases) {
        const bool big = std::string(c.db) == "velartis_big";
        auto run = [&](int64_t cut) {
            SetUp();
            for (int id : c.sats) addSat(id);
            setDatabase(c.db);
            testConn.port = static_cast<unsigned>(proxy.port());
            cfgParam.chFake = 0;
            proxy.cutAfter(cut);
            EXPECT_TRUE(ui->startJob(c.fn, &p));
            return ui->waitJob();
        };
        traced.clear();
        dbQueryTrace = traceQuery;
        uint32_t rc = run(-1);
        dbQueryTrace = nullptr;
        ASSERT_EQ(rc, kDownloadOk);
        // One statement per table for both satellites: message,
        // (satellites, transponders, channels | joined channels), audio,
        // CAS, groups, links, counter.
        if (!big) {
            EXPECT_EQ(traced.size(), c.fn == DownloadDataCh ? 9u : 7u);
        }
        ASSERT_GE(traced.size(), 7u);
        traced.back().end = proxy.served();
        const std::vector<AnswerSpan> spans = traced;
        const uint32_t fullCh = chDB.count, fullLinks = chFavDB.count;

        for (const AnswerSpan& a : spans) {
            ASSERT_GT(a.end, a.begin + 1) << a.sql;
            std::vector<int64_t> cuts = {a.begin + 1, (a.begin + a.end) / 2, a.end - 1};
            // The big runs take long: only the middle of each long answer,
            // once per query text (the modes share their later steps).
            if (big)
                cuts = {a.end - a.begin > 16384 && bigCut.insert(a.sql).second
                            ? (a.begin + a.end) / 2
                            : -1};
            const bool counter = a.sql.rfind("UPDATE BrenikToolsCounter", 0) == 0;
            for (int64_t cut : cuts) {
                if (cut < 0) continue;
                SCOPED_TRACE(std::string(c.db) + ", cut at " + std::to_string(cut) + " in [" +
                             std::to_string(a.begin) + "," + std::to_string(a.end) + ") of " +
                             a.sql.substr(0, 60));
                rc = run(cut);
                if (counter) {
                    // The count is not list data; every row is in by then.
                    EXPECT_EQ(rc, kDownloadOk);
                    EXPECT_EQ(chDB.count, fullCh);
                    EXPECT_EQ(chFavDB.count, fullLinks);
                    continue;
                }
                EXPECT_EQ(rc, kDownloadFailed);
                EXPECT_THAT(failedEnd(), HasSubstr("Lost connection to server during query"));
                EXPECT_TRUE(ui->boxes.empty());
            }
        }
    }
    proxy.cutAfter(-1);
    tracedProxy = nullptr;
}

// ---- compression ----

TEST(Session, CompressedOnlyWhenTheValuesSaySo) {
    for (bool z : {false, true}) {
        T_dbConnValues v = testDb("velartis");
        v.compress = z;
        DbSession s;
        ASSERT_TRUE(s.open(v)) << s.error();
        DbResult r;
        ASSERT_TRUE(s.query("SHOW SESSION STATUS LIKE 'Compression'", &r)) << s.error();
        ASSERT_TRUE(r.next());
        EXPECT_STREQ(r.row().text(1), z ? "ON" : "OFF");
    }
}

// ---- usage counter ----

TEST_F(Download, CounterCountsEachSuccessfulDownloadOnce) {
    auto key = [] { copyText(cfgParam.appVersion, "1.3c"); };
    const int before = counter("Velartis1.3c");
    ASSERT_EQ(download(DownloadDataCh, key, {130}), kDownloadOk);
    EXPECT_EQ(counter("Velartis1.3c"), before + 1);
    ASSERT_EQ(download(DownloadDataFSat, key, {130}), kDownloadOk);
    EXPECT_EQ(counter("Velartis1.3c"), before + 2);

    // Without a counter row nothing changes and the download succeeds.
    ASSERT_EQ(download(DownloadDataCh, [] { copyText(cfgParam.appVersion, "1.3n"); }, {130}),
              kDownloadOk);
    EXPECT_EQ(counterOf("Velartis1.3n"), "<no row>");
}

TEST(UsageCounter, ConcurrentIncrementsAreNotLost) {
    const int kEach = 100, before = counter("VelartisRace");
    auto worker = [&] {
        DbSession db;
        ASSERT_TRUE(db.open(testDb("velartis"))) << db.error();
        for (int i = 0; i < kEach; ++i) dlCountUsage(db, "VelartisRace");
    };
    std::thread a(worker), b(worker);
    a.join();
    b.join();
    EXPECT_EQ(counter("VelartisRace"), before + 2 * kEach);
}

// ---- over capacity ----

TEST_F(Download, RowsBeyondEveryCapacityAreDroppedAndReported) {
    if (scalar("velartis_big", "SELECT COUNT(*) FROM Channels").rfind('<', 0) == 0)
        GTEST_SKIP() << "velartis_big is not loaded (velartis-gendb not built?)";
    auto big = [] {
        setDatabase("velartis_big");
        cfgParam.chFake = 0;
    };
    // A channel whose transponder did not fit would name nothing in a list.
    auto everyChannelHasItsTransponder = [] {
        std::set<std::pair<int32_t, int32_t>> tps;
        for (uint32_t i = 1; i <= tpDB.count; ++i)
            tps.insert({tpDB.tp[i].sat_id, tpDB.tp[i].stp_id});
        for (uint32_t i = 1; i <= chDB.count; ++i)
            ASSERT_TRUE(tps.count({chDB.ch[i].sat_id, chDB.ch[i].stp_id})) << "channel " << i;
        EXPECT_GT(testDropped.fullTpChannels, 0u);
    };
    ASSERT_EQ(download(DownloadDataCh, big, {1}), kDownloadOk);
    everyChannelHasItsTransponder();
    EXPECT_EQ(strFormat("%u %u %u %u", chDB.count, tpDB.count, Report.transponders,
                        Report.tvChannels + Report.radioChannels),
              "19999 4999 4999 19999");
    EXPECT_EQ(
        strFormat("%u %u %u", testDropped.transponders, testDropped.audioRows, testDropped.casRows),
        "101 3001 1001");
    EXPECT_GT(testDropped.channels, 0u);
    EXPECT_LE(chFavDB.count, kChFavDbSlots - 1);
    for (uint32_t i = 1; i <= chDB.count; ++i)
        ASSERT_TRUE(chDB.ch[i].audioCount <= 29u && chDB.ch[i].casCount <= 29u) << i;
    std::string box = successfulEnd();
    EXPECT_THAT(box, HasSubstr("\r\nDropped: " + std::to_string(testDropped.channels) +
                               " channels over the table capacity of 19999"));
    EXPECT_THAT(box, HasSubstr("\r\nDropped: 101 transponders over the table capacity of 4999"));
    EXPECT_THAT(box, HasSubstr("\r\nDropped: 3001 audio rows over the list capacity of 59999"));
    EXPECT_THAT(box, HasSubstr("\r\nDropped: " + std::to_string(testDropped.fullTpChannels) +
                               " channels on transponders over the table capacity of 4999"));

    // The virtual modes keep within the tables too.
    for (JobFn fn : {DownloadDataBSat, DownloadDataFSat}) {
        ASSERT_EQ(download(fn, big, {1}), kDownloadOk);
        EXPECT_LE(chDB.count, kChDbSlots - 1);
        EXPECT_LE(chFavDB.count, kChFavDbSlots - 1);
        EXPECT_EQ(Report.tvChannels + Report.radioChannels, chDB.count);
        EXPECT_EQ(Report.transponders, tpDB.count);
        everyChannelHasItsTransponder();
    }
}

}  // namespace

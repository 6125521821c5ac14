// The download jobs against the fixture server (tests/data/db); the whole
// tables each mode leaves are compared in test_db_dumps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "channels/dbTypes.h"
#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "download/download.h"
#include "download/jobSteps.h"
#include "tests/download/cutProxy.h"
#include "tests/download/jobGlobals.h"
#include "tests/support/loopbackPort.h"
#include "tests/support/recordingEvents.h"

namespace {

using ::testing::HasSubstr;

const char kConnectFailed[] = "Can't connect to MySql server on xx:xx:xx:xx (10053)";

// The connection the download jobs are given, and what the last one handed
// back: the rows it dropped and the server's forum request.
T_dbConnOverride testConn;
T_dbDropped testDropped;
int testShowForum = 0;

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

// fmt of records 1..n, joined.
template <typename T, typename F>
std::string list(const T* recs, uint32_t n, F fmt, const char* sep = " ") {
    std::string s;
    for (uint32_t i = 1; i <= n; ++i) s += (i > 1 ? sep : "") + fmt(recs[i]);
    return s;
}
std::string chKey(const T_dbCh& c) { return strFormat("%s/%d", c.sid, c.groupId); }
std::string tpKey(const T_dbTp& t) { return strFormat("%d:%d/%d", t.sat_id, t.stp_id, t.groupId); }
std::string satKey(const T_dbSat& s) { return strFormat("%d %s", s.sat_id, s.satName); }
std::string channels() { return list(chDB.ch, chDB.count, chKey); }
std::string tps() { return list(tpDB.tp, tpDB.count, tpKey); }
std::string sats() { return list(satDB.sat, satDB.count, satKey, "|"); }

// The counts the limits act on.
std::string counts() {
    const T_dbReport& r = Report;
    return strFormat("sats=%u bou=%u vsat=%u tv=%u tvFake=%u radio=%u favG=%u", satDB.count,
                     r.bouquets, r.fakeSatellites, r.tvChannels, r.tvFake, r.radioChannels,
                     r.favGroups);
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

class Download : public ::testing::Test {
protected:
    std::unique_ptr<RecordingEvents> ui;

    void SetUp() override {
        ui = std::make_unique<RecordingEvents>();
        resetJobGlobals();
        cfgParam.chFake = 1;
        for (int i = 0; i < 4; ++i) {
            catParam.cat[i].catId = favParam.fav[i].favId = i + 1;
            favParam.fav[i].favOn = 1;
        }
        catParam.count = favParam.count = 4;
        setDatabase("velartis");
    }
    void TearDown() override { testConn = T_dbConnOverride{}; }

    static void setDatabase(const char* name) {
        T_dbConnValues v = testDb(name);
        testConn = {v.host, v.user, v.password, v.name, "", v.port, false};
    }
    static T_satRec& addSat(int id) {
        T_satRec& s = satParam.sat[++satParam.count];
        s = T_satRec{id, "Local", 1,  2,  3,  4, 5,     6,       7,     8,
                     9,  10,      11, 12, 13, 1, "111", "11111", "1111"};
        return s;
    }

    // A fresh job on `satIds`; `tweak` changes the set-up after they are added.
    uint32_t download(JobFn fn, const std::function<void()>& tweak = {},
                      std::initializer_list<int> satIds = {192, 130}) {
        SetUp();
        for (int id : satIds) addSat(id);
        if (tweak) tweak();
        return run(fn);
    }
    // The job on a request made from the records as they are now.
    uint32_t run(JobFn fn) {
        auto p = globalRequest(ui.get(), testConn);
        const uint32_t code = fn(p.get());
        testDropped = p->dropped;
        testShowForum = p->showForum;
        return code;
    }

    // A successful end: closing texts, window restored for generation,
    // progress only forward and ending at 100. Gives the closing box text.
    std::string successfulEnd() {
        EXPECT_EQ(ui->shown[0], "");
        EXPECT_EQ(ui->shown[1], MsgLang.msgDbReadOk);
        EXPECT_TRUE(ui->restored() && ui->generate);
        const std::vector<int>& pos = ui->downloadProgress;
        EXPECT_TRUE(!pos.empty() && pos.back() == 100 && std::is_sorted(pos.begin(), pos.end()));
        EXPECT_FALSE(ui->boxes.empty());
        if (ui->boxes.empty()) return "";
        EXPECT_EQ(ui->boxes.back().caption, "Message");
        EXPECT_EQ(ui->boxes.back().flags, kMbOk | kMbIconInformation);
        return ui->boxes.back().text;
    }
    // The server's reason, also in one box that says the download stopped.
    void expectStopped() {
        ASSERT_EQ(ui->boxes.size(), 1u);
        EXPECT_EQ(ui->boxes[0].text, "The download stopped.\r\n" + ui->shown[1]);
        EXPECT_EQ(ui->boxes[0].flags, kMbOk | kMbIconError);
    }
    // A failed end; gives the status text.
    std::string failedEnd() {
        EXPECT_EQ(ui->shown[0], " Error");
        EXPECT_TRUE(ui->restored() && !ui->generate);
        return ui->shown[1];
    }
};

TEST_F(Download, FiltersNarrowTheChannels) {
    // Radio and TV filters of the satellite in one text, and the list's
    // switches; category and bouquet filters are in the dumps.
    const std::string tvOnly = allBut("0104/10 0105/20");
    struct Case {
        const char *name, *filters;
        void (*set)(T_satRec& s);
        std::string expect;
    } cases[] = {
        {"radio only, radio off for the list", "111 01111 1111",
         [](T_satRec&) { cfgParam.gRad = 0; }, tvOnly},
        {"HD off for the list", "111 11111 1111", [](T_satRec&) { cfgParam.gHD = 0; },
         allBut("0102/10")},
        {"3D off for the list", "111 11111 1111", [](T_satRec&) { cfgParam.g3D = 0; },
         allBut("0103/10")},
        {"feeds off for the list", "111 11111 1111", [](T_satRec&) { cfgParam.gTP = 0; },
         allBut("0301/30")},
        {"free-to-air TV", "111 11011 1111", nullptr, allBut("0102/10 0202/20 0203/50")},
        {"scrambled TV", "111 10111 1111", nullptr, "0102/10 0104/10 0202/20 0105/20 0203/50"},
        {"free-to-air radio", "110 11111 1111", nullptr, allBut("0105/20")},
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

TEST_F(Download, NumbersNoReceiverTunesAreDroppedAndNamed) {
    // velartis_badvalues: text in numeric columns and values out of range.
    auto run = [&](JobFn fn) {
        setDatabase("velartis_badvalues");
        return download(fn,
                        [] {
                            setDatabase("velartis_badvalues");
                            cfgParam.chFake = 0;
                        },
                        {600, 601, 602});
    };
    ASSERT_EQ(run(DownloadDataCh), kDownloadOk);
    EXPECT_EQ(sats(), "600 Bad Values Sat");
    EXPECT_EQ(tps(), "600:1/0 600:9/0");
    EXPECT_EQ(channels(), "0101/80 0901/80 0105/80");
    ASSERT_EQ(chDB.count, 3u);
    EXPECT_EQ(chDB.ch[1].audioCount, 1u);
    EXPECT_EQ(chDB.ch[1].casCount, 1u);
    EXPECT_EQ(droppedLines(testDropped),
              "\r\nDropped: 1 satellites whose position is not a whole number"
              "\r\nDropped: 1 satellites whose position is outside 0 to 3599 tenths of a degree"
              "\r\nDropped: 1 transponders whose frequency is not a whole number"
              "\r\nDropped: 3 transponders whose frequency is outside 2500 to 22000 MHz"
              "\r\nDropped: 1 transponders whose polarity is outside 0 to 3"
              "\r\nDropped: 1 transponders whose sr is NULL"
              "\r\nDropped: 1 transponders whose sr is outside 1000 to 65535 kS/s"
              "\r\nDropped: 1 channels whose scrambled is outside 0 to 1"
              "\r\nDropped: 1 channels whose cat_id is not a whole number"
              "\r\nDropped: 1 channels whose hd is not a whole number"
              "\r\nDropped: 1 audio rows whose ac3 is outside 0 to 1"
              "\r\nDropped: 1 CAS rows whose cas_id is outside 0 to 31"
              "\r\nDropped: 7 channels on transponders dropped for a bad id or value");
    EXPECT_THAT(successfulEnd(), HasSubstr("Dropped: 7 channels on transponders"));

    // Bouquets as satellites: a satellite without a position takes its rows.
    ASSERT_EQ(run(DownloadDataBSat), kDownloadOk);
    EXPECT_EQ(channels(), "0101/80 0901/80 0105/80");
    EXPECT_EQ(strFormat("%u %u", testDropped.satChannels, testDropped.orphanChannels), "2 7");
    for (uint32_t i = 1; i <= satDB.count; ++i) EXPECT_EQ(satDB.sat[i].position, 600);

    // Favourite groups as satellites: 0102's link goes with its channel.
    ASSERT_EQ(run(DownloadDataFSat), kDownloadOk);
    EXPECT_EQ(channels(), "0101/1 0901/1");
    EXPECT_EQ(testDropped.satChannels, 1u);
}

TEST_F(Download, LimitsOnBouquetsAndChannels) {
    // The edges the dumps' limit runs do not reach. maxBou: the second
    // bouquet keeps only its first channel, the next satellite gives nothing.
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

    // A radio-only satellite: bouquets counted, no markers.
    auto radioOnly = [] { copyText(satParam.sat[1].tvFilter, "01111"); };
    ASSERT_EQ(download(DownloadDataCh, radioOnly, {130}), kDownloadOk);
    EXPECT_EQ(channels(), "1102/40");
    EXPECT_EQ(counts(), "sats=1 bou=1 vsat=0 tv=0 tvFake=0 radio=1 favG=3");

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

// ---- failures ----

TEST_F(Download, ConnectFailuresKeepTheFixedTextAndSayWhatWasAskedAndWhatToCheck) {
    int fd = -1, port = loopbackPort(false, &fd);  // was free a moment ago
    ASSERT_GT(port, 0);
    auto there = [&] { testConn.port = port; };
    const std::string sp = std::to_string(VA_TEST_DB_PORT);
    const struct {
        std::function<void()> set;
        std::string asked, hint;
    } cases[] = {
        {there,
         "Server: 127.0.0.1:" + std::to_string(port) + "   User: vauser   Database: velartis",
         "Is the server running, and is this its address?"},
        {[] { testConn.password = "wrong"; },
         "Server: 127.0.0.1:" + sp + "   User: vauser   Database: velartis",
         "Check the user and the password."},
        {[] { testConn.name = "velartis_none"; },
         "Server: 127.0.0.1:" + sp + "   User: vauser   Database: velartis_none",
         "Check the name of the database."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hint);
        ASSERT_EQ(download(DownloadDataCh, c.set, {192}), kDownloadFailed);
        EXPECT_EQ(failedEnd(), kConnectFailed);
        ASSERT_EQ(ui->boxes.size(), 1u);
        const std::string& box = ui->boxes[0].text;
        EXPECT_EQ(box.rfind(std::string(kConnectFailed) + "\r\n" + c.asked + "\r\nReason: ", 0), 0u)
            << box;
        EXPECT_EQ(box.substr(box.rfind("\r\n") + 2), c.hint);
        EXPECT_EQ(ui->boxes[0].flags, kMbOk | kMbIconError);
        EXPECT_EQ(satDB.count, 0u);
    }

    // A server that takes the connection and never speaks: still bounded.
    ASSERT_GT(port = loopbackPort(true, &fd), 0);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(download(DownloadDataBSat, there, {192}), kDownloadFailed);
    auto secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    close(fd);
    EXPECT_LT(secs, 3.0 * (kDbConnectTimeout + kDbReadTimeout));
    EXPECT_EQ(failedEnd(), kConnectFailed);
}

TEST_F(Download, CancelEndsTheDownloadWithoutAListAndWithoutABox) {
    ASSERT_EQ(download(DownloadDataCh, [&] { ui->cancelWhen = [] { return true; }; }),
              kDownloadFailed);
    EXPECT_EQ(failedEnd(), "Operation canceled.");
    EXPECT_TRUE(ui->boxes.empty());
    EXPECT_EQ(chDB.count, 0u);
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
        EXPECT_EQ(testShowForum, c.showForum);
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
    expectStopped();

    // No ChannelCas: the data read before the failure stays, nothing counted.
    for (JobFn fn : {DownloadDataCh, DownloadDataBSat}) {
        ASSERT_EQ(download(fn, [] { setDatabase("velartis_nocas"); }), kDownloadFailed);
        EXPECT_THAT(failedEnd(), HasSubstr("ChannelCas"));
        EXPECT_EQ(chDB.count, fn == DownloadDataCh ? 19u : 14u);
        EXPECT_EQ(favDB.count, 0u);
        expectStopped();
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
    // Fixture answers are one packet each (the query fails); velartis_big's
    // span many (the query is sent, the result cut short).
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
            return Download::run(c.fn);
        };
        traced.clear();
        dbQueryTrace = traceQuery;
        uint32_t rc = run(-1);
        dbQueryTrace = nullptr;
        ASSERT_EQ(rc, kDownloadOk);
        // One statement per table for both satellites.
        if (!big) {
            EXPECT_EQ(traced.size(), c.fn == DownloadDataCh ? 12u : 10u);
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
            // The end of the snapshot and the count come after the last row.
            const bool counter =
                a.sql.rfind("UPDATE BrenikToolsCounter", 0) == 0 || a.sql == "COMMIT";
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
                expectStopped();
            }
        }
    }
    proxy.cutAfter(-1);
    tracedProxy = nullptr;
}

// ---- a server that trickles or falls silent ----

CutProxy* mutedProxy = nullptr;
void muteAtChannels(const std::string& sql) {
    if (sql.find(" Channels c") != std::string::npos) mutedProxy->silent(true);
}

TEST_F(Download, TricklingOrSilentServerTimesOut) {
    CutProxy proxy(VA_TEST_DB_PORT);
    ASSERT_GT(proxy.port(), 0);
    mutedProxy = &proxy;
    // A trickle: every packet well inside the read timeout, the whole far
    // beyond the deadline. Silence at the channel statement: the read timeout.
    for (bool trickle : {true, false}) {
        SCOPED_TRACE(trickle ? "trickle" : "silence");
        proxy.trickle(trickle ? 32 : 0, 50);
        dbQueryTrace = trickle ? nullptr : muteAtChannels;
        dbReadTimeout = trickle ? kDbReadTimeout : 1;
        const auto t0 = std::chrono::steady_clock::now();
        const uint32_t rc = download(DownloadDataCh, [&] {
            testConn.port = static_cast<unsigned>(proxy.port());
            testConn.deadline = trickle ? 2 : 60;
        });
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - t0;
        dbQueryTrace = nullptr;
        dbReadTimeout = kDbReadTimeout;
        proxy.silent(false);
        EXPECT_EQ(rc, kDownloadFailed);
        // Well before a trickled download would end on its own (about 10 s).
        EXPECT_LT(took.count(), 8.0);
        EXPECT_EQ(failedEnd(), trickle ? "The server did not send the data within 2 s, the limit "
                                         "for one download: timed out."
                                       : "The server sent nothing for 1 s: timed out.");
        expectStopped();
    }

    // A deadline that passes between statements fails the next one.
    DbSession s;
    T_dbConnValues v = testDb("velartis");
    v.deadline = 1;
    ASSERT_TRUE(s.open(v)) << s.error();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    DbResult r;
    EXPECT_FALSE(s.query("SELECT 1", &r));
    EXPECT_THAT(s.error(), HasSubstr("within 1 s"));
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

TEST_F(Download, CounterCountsEachSuccessOnceAndLosesNoConcurrentIncrement) {
    auto key = [] { copyText(cfgParam.appVersion, "1.3c"); };
    const int before = counter("Velartis1.3c");
    ASSERT_EQ(download(DownloadDataCh, key, {130}), kDownloadOk);
    ASSERT_EQ(download(DownloadDataFSat, key, {130}), kDownloadOk);
    EXPECT_EQ(counter("Velartis1.3c"), before + 2);
    // Without a counter row nothing changes and the download succeeds.
    ASSERT_EQ(download(DownloadDataCh, [] { copyText(cfgParam.appVersion, "1.3n"); }, {130}),
              kDownloadOk);
    EXPECT_EQ(counterOf("Velartis1.3n"), "<no row>");

    const int kEach = 100, race = counter("VelartisRace");
    auto worker = [&] {
        DbSession db;
        ASSERT_TRUE(db.open(testDb("velartis"))) << db.error();
        for (int i = 0; i < kEach; ++i) dlCountUsage(db, "VelartisRace");
    };
    std::thread a(worker), b(worker);
    a.join();
    b.join();
    EXPECT_EQ(counter("VelartisRace"), race + 2 * kEach);
}

// Tables filled past capacity (their counts are in the dumps): no channel may
// name a transponder that did not fit.
TEST_F(Download, EveryKeptChannelHasItsTransponderBeyondCapacity) {
    if (scalar("velartis_big", "SELECT COUNT(*) FROM Channels").rfind('<', 0) == 0)
        GTEST_SKIP() << "velartis_big is not loaded (velartis-gendb not built?)";
    for (JobFn fn : {DownloadDataCh, DownloadDataBSat, DownloadDataFSat}) {
        ASSERT_EQ(download(fn,
                           [] {
                               setDatabase("velartis_big");
                               cfgParam.chFake = 0;
                           },
                           {1}),
                  kDownloadOk);
        std::set<std::pair<int32_t, int32_t>> tps;
        for (uint32_t i = 1; i <= tpDB.count; ++i)
            tps.insert({tpDB.tp[i].sat_id, tpDB.tp[i].stp_id});
        for (uint32_t i = 1; i <= chDB.count; ++i)
            ASSERT_TRUE(tps.count({chDB.ch[i].sat_id, chDB.ch[i].stp_id})) << "channel " << i;
        EXPECT_GT(testDropped.fullTpChannels, 0u);
        EXPECT_LE(chDB.count, kChDbSlots - 1);
        EXPECT_LE(chFavDB.count, kChFavDbSlots - 1);
        EXPECT_EQ(Report.tvChannels + Report.radioChannels, chDB.count);
        successfulEnd();
    }
}

}  // namespace

// Everything a download leaves behind (tables, report, dropped rows, window
// texts, boxes) against golden dumps; generated databases keep a count and a
// hash per table. VA_UPDATE_DUMPS=1 rewrites the golden files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "channels/dbTypes.h"
#include "config/cfgTypes.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "download/download.h"
#include "download/downloadCommon.h"
#include "download/jobSteps.h"
#include "tests/download/jobGlobals.h"
#include "tests/support/recordingEvents.h"

namespace {

T_dbConnOverride conn;
T_dbDropped dropped;

// Bytes outside printable ASCII as \xNN, so the golden files stay text.
std::string esc(const char* s) {
    std::string out;
    for (; *s; ++s) {
        unsigned char c = static_cast<unsigned char>(*s);
        if (c < 0x20 || c >= 0x7F || c == '\\')
            out += strFormat("\\x%02X", c);
        else
            out += static_cast<char>(c);
    }
    return out;
}
std::string esc(const std::string& s) { return esc(s.c_str()); }

std::string satLine(const T_dbSat& s) {
    return strFormat("%d %d %d [%s] [%s] [%s] %d | %d %d %d %d %d %d %d %d %d %d %d %d %d %s %s %s",
                     s.sat_id, s.realSatId, s.groupId, esc(s.satName).c_str(),
                     esc(s.sat_name).c_str(), esc(s.location).c_str(), s.position, s.lnbType,
                     s.freqLo, s.freqHi, s.power, s.tone22k, s.out12V, s.switchType, s.switch10,
                     s.switch11, s.diseqc, s.positionerId, s.skew, s.feedTp, s.radioFilter,
                     s.tvFilter, s.catFilter);
}
std::string tpLine(const T_dbTp& t) {
    return strFormat("%d %d %d %d [%s] %d %d %d %d %d %s %s %d", t.sat_id, t.realSatId, t.stp_id,
                     t.groupId, esc(t.tp_name).c_str(), t.frequency, t.polarity, t.sr, t.fec,
                     t.modulation, esc(t.nid).c_str(), esc(t.tid).c_str(), t.pilot);
}
std::string chLine(const T_dbCh& c) {
    std::string s = strFormat(
        "%d %d %d %d %d %d [%s] %d %d %d %d %d [%s] %s %s %s %s %s %d%d%d%d%d%d%d", c.fake,
        c.sat_id, c.realSatId, c.stp_id, c.groupId, c.bou_id, esc(c.groupName).c_str(), c.nat_id,
        c.cat_id, c.ch_type, c.hd, c.d3, esc(c.ch_name).c_str(), esc(c.sid).c_str(),
        esc(c.vpid).c_str(), esc(c.pmt_pid).c_str(), esc(c.pcr_pid).c_str(), esc(c.txt_pid).c_str(),
        c.subtitle, c.scrambled, c.locked, c.skip, c.dupdpid, c.dupdname, c.dupdsid);
    s += strFormat(" a%u", c.audioCount);
    for (uint32_t a = 1; a <= c.audioCount && a < kAudioSlots; ++a)
        s += strFormat(" %s:%d:%s:%d:%d", esc(c.audio[a].apid).c_str(), c.audio[a].lang_id,
                       esc(c.audio[a].lang_name).c_str(), c.audio[a].dts, c.audio[a].ac3);
    s += strFormat(" c%u", c.casCount);
    for (uint32_t k = 1; k <= c.casCount && k < kCasSlots; ++k) s += strFormat(" %d", c.cas[k]);
    return s;
}
std::string favLine(const T_dbFav& f) {
    return strFormat("%d [%s]", f.fav_id, esc(f.fav_name).c_str());
}
std::string linkLine(const T_dbChFav& l) {
    return strFormat("%d %d %d %d %s %d %d %d", l.sat_id, l.realSatId, l.stp_id, l.groupId,
                     esc(l.sid).c_str(), l.ch_type, l.fav_id, l.chIndex);
}

struct Section {
    std::string name;
    std::vector<std::string> lines;
    bool table = false;  // kept as a count and a hash for generated data
};

template <typename Rec, typename F>
Section tableSection(const char* name, const Rec* recs, uint32_t n, F line) {
    Section s{name, {}, true};
    for (uint32_t i = 1; i <= n; ++i) s.lines.push_back(line(recs[i]));
    return s;
}

uint64_t fnv64(const std::vector<std::string>& lines) {
    uint64_t h = 1469598103934665603ull;
    for (const std::string& l : lines)
        for (char c : l + "\n") h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

std::string render(const std::vector<Section>& sections, bool condensed) {
    std::string out;
    for (const Section& s : sections) {
        if (condensed && s.table) {
            out += strFormat("[%s] %zu lines, fnv64 %016llx\n", s.name.c_str(), s.lines.size(),
                             static_cast<unsigned long long>(fnv64(s.lines)));
            continue;
        }
        out += "[" + s.name + "]\n";
        for (const std::string& l : s.lines) out += l + "\n";
    }
    return out;
}

// Texts a status part was given, a repeat of the text before it left out.
std::vector<std::string> texts(const std::vector<std::string>& log) {
    std::vector<std::string> out;
    for (const std::string& t : log)
        if (out.empty() || out.back() != esc(t)) out.push_back(esc(t));
    return out;
}

// One download: the database, the job, and the configuration on top of
// the defaults (every filter on, marker channels off).
struct Case {
    std::string name;
    const char* db;
    JobFn fn;
    std::function<void()> setup;
};

class DownloadDumps : public ::testing::Test {
protected:
    std::unique_ptr<RecordingEvents> ui;

    void reset(const char* db) {
        ui = std::make_unique<RecordingEvents>();
        resetJobGlobals();
        for (int i = 0; i < 4; ++i) {
            catParam.cat[i].catId = favParam.fav[i].favId = i + 1;
            favParam.fav[i].favOn = 1;
        }
        catParam.count = favParam.count = 4;
        conn = {"127.0.0.1", "vauser", "vapass1", db, "", VA_TEST_DB_PORT, false};
    }

    std::vector<Section> run(const Case& c) {
        reset(c.db);
        if (c.setup) c.setup();
        auto p = globalRequest(ui.get(), conn);
        uint32_t rc = c.fn(p.get());
        dropped = p->dropped;

        std::vector<Section> out;
        Section w{"window", {}, false};
        w.lines.push_back(strFormat("result %u showForum %d", rc, p->showForum));
        for (int f = 0; f < kReportFieldCount; ++f)
            w.lines.push_back(std::string(reportFieldLabel(static_cast<ReportField>(f))) + " " +
                              esc(ui->reported[f]));
        for (int part = 0; part < 2; ++part)
            for (const std::string& t : texts(ui->statusLog[part]))
                w.lines.push_back(strFormat("status %d: %s", part, t.c_str()));
        for (const BoxCall& b : ui->boxes)
            w.lines.push_back(
                strFormat("box %s %u: %s", esc(b.caption).c_str(), b.flags, esc(b.text).c_str()));
        out.push_back(w);

        const T_dbReport& r = Report;
        Section rep{"report", {}, false};
        rep.lines.push_back(strFormat("%u %u %u %u %u %u %u %u %u %u %u %u %u %u %u", r.satellites,
                                      r.fakeSatellites, r.transponders, r.bouquets, r.tvChannels,
                                      r.tvFake, r.tvFta, r.tvCod, r.tvHd, r.tv3d, r.radioChannels,
                                      r.radioFta, r.radioCod, r.favGroups, r.favChannels));
        out.push_back(rep);

        Section d{"dropped", {}, false};
        const T_dbDropped& x = dropped;
        d.lines.push_back(strFormat("%u %u %u %u %u %u %u %u %u %u %u", x.satellites,
                                    x.transponders, x.channels, x.audioRows, x.casRows,
                                    x.channelAudio, x.channelCas, x.favGroups, x.favLinks,
                                    x.orphanChannels, x.fullTpChannels));
        for (int f = 0; f < kIdFields; ++f)
            for (int k = 0; k < kHexIdFaults; ++k)
                if (x.badId[f][k])
                    d.lines.push_back(strFormat("badId %d %d: %u", f, k, x.badId[f][k]));
        for (int f = 0; f < kNumFields; ++f)
            for (int k = 0; k < kNumberFaults; ++k)
                if (x.badNumber[f][k])
                    d.lines.push_back(strFormat("badNumber %d %d: %u", f, k, x.badNumber[f][k]));
        if (x.satChannels) d.lines.push_back(strFormat("satChannels %u", x.satChannels));
        out.push_back(d);

        out.push_back(tableSection("satDB", satDB.sat, satDB.count, satLine));
        out.push_back(tableSection("tpDB", tpDB.tp, tpDB.count, tpLine));
        out.push_back(tableSection("chDB", chDB.ch, chDB.count, chLine));
        out.push_back(tableSection("favDB", favDB.fav, favDB.count, favLine));
        out.push_back(tableSection("chFavDB", chFavDB.chFav, chFavDB.count, linkLine));
        return out;
    }

    // With idsPerStatement, again with the rows fetched that many ids at a time.
    void check(const std::string& file, const std::vector<Case>& cases, bool condensed,
               size_t idsPerStatement = 0) {
        for (size_t ids : {dlIdsPerStatement, idsPerStatement}) {
            if (ids == 0) continue;
            SCOPED_TRACE(std::to_string(ids) + " ids per statement");
            const size_t before = dlIdsPerStatement;
            dlIdsPerStatement = ids;
            compare(file, cases, condensed);
            dlIdsPerStatement = before;
        }
    }
    void compare(const std::string& file, const std::vector<Case>& cases, bool condensed) {
        const std::string path = std::string(VA_TEST_DATA) + "/db/dumps/" + file;
        std::string actual, full;
        for (const Case& c : cases) {
            std::vector<Section> s = run(c);
            actual += "== " + c.name + "\n" + render(s, condensed);
            full += "== " + c.name + "\n" + render(s, false);
        }
        const char* update = std::getenv("VA_UPDATE_DUMPS");
        if (update && std::string(update) == "1") {
            std::ofstream(path, std::ios::binary) << actual;
            GTEST_SKIP() << "rewrote " << path;
        }
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << "no golden file " << path;
        std::stringstream golden;
        golden << in.rdbuf();
        if (golden.str() == actual) return;
        const std::string dump = ::testing::TempDir() + "dump-" + file;
        std::ofstream(dump, std::ios::binary) << full;
        EXPECT_EQ(golden.str(), actual) << "whole dump in " << dump;
    }

    static T_satRec& addSat(int id, const char* radio = "111", const char* tv = "11111",
                            const char* cat = "1111", int feedTp = 1) {
        T_satRec& s = satParam.sat[++satParam.count];
        s = T_satRec{id, "", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, feedTp, "", "", ""};
        copyText(s.satName, strFormat("Sat %d", id).c_str());
        copyText(s.radioFilter, radio);
        copyText(s.tvFilter, tv);
        copyText(s.catFilter, cat);
        return s;
    }
    static bool available(const char* db) {
        DbSession s;
        DbResult r;
        return s.open({"127.0.0.1", "vauser", "vapass1", db, "", VA_TEST_DB_PORT}) &&
               s.query("SELECT COUNT(*) FROM Channels", &r) && r.next();
    }
};

const JobFn kModes[] = {DownloadDataCh, DownloadDataBSat, DownloadDataFSat};
const char* const kModeNames[] = {"ch", "bsat", "fsat"};

TEST_F(DownloadDumps, Fixture) {
    std::vector<Case> cases;
    for (int m = 0; m < 3; ++m) {
        const std::string mode = kModeNames[m];
        // Markers on; an unknown satellite, one not selected.
        cases.push_back({mode + " plain", "velartis", kModes[m], [] {
                             cfgParam.chFake = 1;
                             addSat(192);
                             addSat(130);
                             addSat(777);
                             addSat(282).selected = 0;
                         }});
        // Satellites out of id order, one twice, each with filters of its
        // own: every per-satellite clause differs somewhere.
        cases.push_back({mode + " mixed", "velartis", kModes[m], [] {
                             cfgParam.chFake = 1;
                             addSat(1000);
                             addSat(130, "111", "01111");
                             addSat(192, "011", "11101", "1011", 0);
                             addSat(300, "111", "10011");
                             addSat(192, "101", "11110", "0111");
                             addSat(130, "011", "01111");
                             bouIParam.bou[++bouIParam.count].bouId = 50;
                             favIParam.fav[++favIParam.count].favId = 1;
                         }});
        // Limits that stop in the middle of a satellite.
        cases.push_back({mode + " limits", "velartis", kModes[m], [] {
                             cfgParam.chFake = 1;
                             cfgParam.maxCTv = 5;
                             cfgParam.maxCRa = 2;
                             cfgParam.maxBou = 4;
                             addSat(130);
                             addSat(192);
                             addSat(1000);
                         }});
        cases.push_back({mode + " bad ids", "velartis_badids", kModes[m], [] { addSat(500); }});
    }
    check("fixture.txt", cases, false, 1);
}

TEST_F(DownloadDumps, BeyondEveryCapacity) {
    if (!available("velartis_big")) GTEST_SKIP() << "velartis_big is not loaded";
    std::vector<Case> cases;
    for (int m = 0; m < 3; ++m)
        cases.push_back({std::string(kModeNames[m]) + " one satellite", "velartis_big", kModes[m],
                         [] { addSat(1); }});
    cases.push_back({"ch markers", "velartis_big", DownloadDataCh, [] {
                         cfgParam.chFake = 1;
                         cfgParam.gTP = 0;
                         addSat(1);
                     }});
    check("big.txt", cases, true);
}

TEST_F(DownloadDumps, ManySatellitesInMixedOrder) {
    if (!available("velartis_wide")) GTEST_SKIP() << "velartis_wide is not loaded";
    // 160 satellites out of order with varied filters, one twice; the
    // channel table fills up in the middle of a satellite.
    auto mixed = [] {
        cfgParam.chFake = 1;
        for (int k = 0; k < 160; ++k) {
            T_satRec& s = addSat((k * 37) % 160 + 1);
            if (k % 5 == 1) copyText(s.tvFilter, "11101");
            if (k % 7 == 2) copyText(s.radioFilter, "011");
            if (k % 11 == 3) copyText(s.catFilter, "1011");
            if (k % 13 == 4) s.feedTp = 0;
            if (k % 17 == 5) copyText(s.tvFilter, "01111");
            if (k % 19 == 6) copyText(s.tvFilter, "10111");
            if (k == 50) {
                copyText(s.tvFilter, "01111");
                copyText(s.radioFilter, "011");
            }
        }
        addSat(38);
        bouIParam.bou[++bouIParam.count].bouId = 7;
        favIParam.fav[++favIParam.count].favId = 3;
    };
    std::vector<Case> cases;
    for (int m = 0; m < 3; ++m)
        cases.push_back({std::string(kModeNames[m]) + " mixed", "velartis_wide", kModes[m], mixed});
    for (int m = 0; m < 2; ++m)
        cases.push_back({std::string(kModeNames[m]) + " limits", "velartis_wide", kModes[m], [=] {
                             mixed();
                             cfgParam.maxCTv = 9000;
                             cfgParam.maxCRa = 1500;
                             cfgParam.maxBou = 600;
                         }});
    check("wide.txt", cases, true, 7);
}

}  // namespace

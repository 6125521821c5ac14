// Imports against the test server, each into a database of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "config/fileIo.h"
#include "config/unicodeText.h"
#include "download/dbLink.h"
#include "import/import.h"
#include "tests/cli/cliRun.h"
#include "tests/download/cutProxy.h"
#include "tests/readback/ndfReader.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

namespace {

int shell(const std::string& cmd) { return std::system(cmd.c_str()); }

std::string dbServer() {
    return std::string("VA_DB_DIR='") + VA_TEST_DB_DIR +
           "' VA_DB_PORT=" + std::to_string(VA_TEST_DB_PORT) + " bash '" + VA_SOURCE_DIR +
           "/tools/dbserver.sh' ";
}

class DbImport : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        name = "va_imp_" + std::to_string(getpid()) + "_" + test;
        dir = fs::temp_directory_path() / name;
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        shell(dbServer() + "sql -e 'DROP DATABASE IF EXISTS " + name + "'");
        fs::remove_all(dir);
    }
    // The test's own database: the schema, and the bundled data when asked.
    void makeDb(bool sample) {
        ASSERT_EQ(
            shell(dbServer() + "sql -e \"DROP DATABASE IF EXISTS " + name + "; CREATE DATABASE " +
                  name + " CHARACTER SET latin1; GRANT ALL PRIVILEGES ON " + name +
                  ".* TO 'vauser'@'127.0.0.1'; GRANT ALL PRIVILEGES ON " + name +
                  ".* TO 'vauser'@'localhost';\""),
            0);
        std::string files = std::string("'") + VA_SOURCE_DIR + "/tools/schema.sql'";
        if (sample) files += std::string(" '") + VA_SOURCE_DIR + "/tools/sample_data.sql'";
        ASSERT_EQ(shell("cat " + files + " | " + dbServer() + "sql --database=" + name), 0);
    }
    T_dbConnOverride conn(int port = VA_TEST_DB_PORT) const {
        T_dbConnOverride c;
        c.host = "127.0.0.1";
        c.port = static_cast<unsigned>(port);
        c.name = name;
        return c;
    }
    std::vector<std::vector<std::string>> query(const std::string& sql) const {
        DbLink db;
        EXPECT_TRUE(db.open(conn())) << db.error();
        std::vector<std::vector<std::string>> rows;
        EXPECT_TRUE(db.query(sql, &rows)) << db.error();
        return rows;
    }
    // Every row of every table, sorted: equal dumps are equal databases.
    std::string dump() const {
        std::string out;
        for (const char* t : {"Sats", "Transponders", "Channels", "Bouquets", "ChannelBouquet",
                              "Languages", "ChannelAudio", "ChannelCas", "Favorites",
                              "ChannelFavorite", "TeamMsg", "BrenikToolsCounter"}) {
            std::vector<std::string> lines;
            for (const auto& r : query(std::string("SELECT * FROM ") + t)) {
                std::string l = t;
                for (const std::string& c : r) l += "|" + c;
                lines.push_back(l);
            }
            std::sort(lines.begin(), lines.end());
            for (const std::string& l : lines) out += l + "\n";
        }
        return out;
    }
    std::string rowsOf(const std::string& sql) const {
        std::string out;
        for (const auto& r : query(sql)) {
            for (const std::string& c : r) out += c + " ";
            out += "\n";
        }
        return out;
    }
    // Copies of the shipped configuration files in the test's folder.
    void copyConfig(const fs::path& to) {
        fs::create_directories(to);
        fs::copy_file(fs::path(VA_SOURCE_DIR) / "data/VAconfig.vac", to / "VAconfig.vac");
        fs::copy_file(fs::path(VA_SOURCE_DIR) / "data/Default.cfg", to / "Default.cfg");
    }
    ImportRequest request(ImportKind kind, std::vector<std::string> paths) {
        ImportRequest r;
        r.kind = kind;
        r.paths = std::move(paths);
        r.conn = conn();
        r.masterPath = (dir / "VAconfig.vac").string();
        r.userPath = (dir / "Default.cfg").string();
        return r;
    }
    // velartis-cli's options for a database and the configuration files of a folder.
    static std::string cliArgs(const std::string& db, const fs::path& cfg) {
        return "--db-host 127.0.0.1 --db-port " + std::to_string(VA_TEST_DB_PORT) + " --db-name " +
               db + " --config '" + (cfg / "Default.cfg").string() + "' --master '" +
               (cfg / "VAconfig.vac").string() + "' ";
    }
    // Writes the Enigma2 list into a new folder; gives the list's folder.
    static fs::path writeList(const std::string& args, const fs::path& out) {
        fs::create_directories(out);
        CliResult w = runCliTool(args + "--format e2 -q --output '" + out.string() + "'");
        EXPECT_EQ(w.exitCode, 0) << w.out;
        return w.exitCode == 0 ? fs::directory_iterator(out)->path() : out;
    }
    std::string write(const std::string& file, const std::string& text) {
        std::ofstream(dir / file, std::ios::binary) << text;
        return (dir / file).string();
    }

    std::string name;
    fs::path dir;
};

const char* const kChannels =
    ":ARD\n"
    "Das Erste "
    "HD;ARD:11494:HC23M5O35P0S1N1:S19.2E:22000:5101=27:5102=deu@3,5103=mis@3;5106=deu@106:"
    "5104:0:10301:1:1019:0\n"
    "Bayern 3;ARD:12265:HC34M2S0:S19.2E:27500:0:3001=deu@3:0:0:28400:1:1093:0\n"
    ":Neu am Start\n"
    "Sky "
    "Cin\xC3\xA9ma;Sky:11914:HC34M5O35S1:S19.2E:27500:255=27:256=ger,257=eng:32:1702,0B00:10:133:4:"
    "0\n"
    "NRK1;NRK:10872:VC34M2S0:S0.8W:25000:512=2:640=nor:576:B00:1:70:20:0\n";

// The same data twice gives the same database and files; satellites the
// import does not carry, and the user's entries, are left alone.
TEST_F(DbImport, ReimportKeepsIdsAndTouchesOnlyItsSatellites) {
    makeDb(true);
    copyConfig(dir);
    const std::string conf = write("channels.conf", kChannels);
    const std::string before = dump();
    const std::string others =
        rowsOf("SELECT * FROM Channels WHERE sat_id IN (130, 282) ORDER BY 1, 2, 3");
    const std::string master0 = slurp(dir / "VAconfig.vac"), user0 = slurp(dir / "Default.cfg");

    ImportRequest req = request(ImportKind::kVdr, {conf});
    req.replace = true;
    req.dryRun = true;
    ImportOutcome dry = runImport(req);
    ASSERT_TRUE(dry.ok) << dry.error;
    EXPECT_EQ(dump(), before);
    EXPECT_EQ(slurp(dir / "VAconfig.vac"), master0);

    req.dryRun = false;
    ImportOutcome first = runImport(req);
    ASSERT_TRUE(first.ok) << first.error;
    // The dry run told the same rows.
    EXPECT_EQ(std::vector<std::string>(dry.lines.begin() + 2, dry.lines.begin() + 13),
              std::vector<std::string>(first.lines.begin() + 2, first.lines.begin() + 13));
    const std::string after = dump();
    EXPECT_NE(after, before);
    EXPECT_EQ(rowsOf("SELECT * FROM Channels WHERE sat_id IN (130, 282) ORDER BY 1, 2, 3"), others);
    EXPECT_EQ(rowsOf("SELECT COUNT(*) FROM Channels WHERE sat_id=192"), "3 \n");
    // ARD keeps its id; the new group takes one above every id the files use.
    EXPECT_EQ(rowsOf("SELECT cb.bou_id, c.ch_name FROM ChannelBouquet cb, Channels c WHERE "
                     "cb.sat_id=c.sat_id AND cb.stp_id=c.stp_id AND cb.sid=c.sid AND c.sat_id IN "
                     "(192, 3592) "
                     "ORDER BY 1, 2"),
              "1 Bayern 3 \n1 Das Erste HD \n91 NRK1 \n91 Sky Cin\xC3\xA9ma \n");
    // Transponders keep the ids of the same frequency and polarity.
    EXPECT_EQ(
        rowsOf("SELECT sat_id, stp_id, frequency, polarity, modulation, pilot FROM Transponders "
               "WHERE sat_id IN (192, 3592) ORDER BY 1, 2"),
        "192 3 11494 1 2 1 \n192 8 12265 1 0 0 \n192 11 11914 1 2 2 \n3592 2 10872 0 0 0 \n");
    EXPECT_EQ(rowsOf("SELECT sid, cas_id FROM ChannelCas WHERE sat_id=192 ORDER BY 1, 2"),
              "000A 4 \n000A 5 \n");
    // "ger" is the "deu" the database has.
    EXPECT_EQ(rowsOf("SELECT apid, lang_id, ac3 FROM ChannelAudio WHERE sat_id=192 AND sid='000A' "
                     "ORDER BY sort_id"),
              "0100 4 0 \n0101 2 0 \n");
    const std::string master1 = slurp(dir / "VAconfig.vac");
    EXPECT_NE(master1.find("\r\n91#Neu am Start#11#International#\r\n[/BOU]"), std::string::npos);
    EXPECT_EQ(slurp(dir / "Default.cfg"), user0);  // it has both satellites already

    ImportOutcome second = runImport(req);
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_EQ(dump(), after);
    EXPECT_EQ(slurp(dir / "VAconfig.vac"), master1);
}

// A source with two channels of a satellite the database holds many of
// (one known, renamed, and one new): refused unless the user says how, then
// replaced or merged as asked.
TEST_F(DbImport, SmallSourceOnALargerSatellite) {
    makeDb(true);
    copyConfig(dir);
    const std::string conf =
        write("two.conf",
              ":ARD\n"
              "Das Erste neu;ARD:11494:HC23M5O35P0S1N1:S19.2E:22000:5101=27:5102=deu@3:5104:0:"
              "10301:1:1019:0\n"
              "Neu TV;ARD:11494:HC23M5O35P0S1N1:S19.2E:22000:5201=27:5202=deu@3:0:0:10399:1:1019:"
              "0\n");
    const std::string before = dump();
    const std::string user0 = slurp(dir / "Default.cfg");
    const int channels = std::stoi(rowsOf("SELECT COUNT(*) FROM Channels WHERE sat_id=192"));
    const std::string others = rowsOf(
        "SELECT * FROM Channels WHERE sat_id=192 AND sid NOT IN ('283D', '289F') ORDER BY 2, 3");
    const std::string args = "import vdr '" + conf + "' " + cliArgs(name, dir);

    for (const std::string opt : {"", "--dry-run", "--replace --dry-run"}) {
        CliResult r = runCliTool(args + opt);
        EXPECT_EQ(dump(), before) << opt;
        EXPECT_EQ(slurp(dir / "Default.cfg"), user0);
        EXPECT_EQ(r.out.find("replaced"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("Channels         1 added, 1 updated, " +
                             std::to_string(channels - 1) + " removed"),
                  std::string::npos)
            << r.out;
        if (opt == "--replace --dry-run") {
            EXPECT_EQ(r.exitCode, 0) << r.out;
            EXPECT_NE(r.out.find("dry run: nothing was changed"), std::string::npos) << r.out;
        } else {
            EXPECT_EQ(r.exitCode, 1) << opt << r.out;
            EXPECT_NE(r.out.find("(" + std::to_string(channels - 1) +
                                 " of them channels) of its satellites that the source "
                                 "lacks, and add only "),
                      std::string::npos)
                << r.out;
            EXPECT_NE(r.out.find("Nothing was changed. Give --replace"), std::string::npos)
                << r.out;
        }
    }
    EXPECT_EQ(runCliTool(args + "--merge --replace").exitCode, 64);

    // A merge keeps every other row, the known channel's bouquet places
    // included, and puts the new channel at the end of its bouquet.
    CliResult r = runCliTool(args + "--merge");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("Channels         1 added, 1 updated\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ChannelBouquet   1 added\n"), std::string::npos) << r.out;
    EXPECT_EQ(rowsOf("SELECT COUNT(*) FROM Channels WHERE sat_id=192"),
              std::to_string(channels + 1) + " \n");
    EXPECT_EQ(rowsOf("SELECT * FROM Channels WHERE sat_id=192 AND sid NOT IN ('283D', '289F') "
                     "ORDER BY 2, 3"),
              others);
    EXPECT_EQ(
        rowsOf("SELECT cb.bou_id, cb.sort_id, c.ch_name FROM ChannelBouquet cb JOIN Channels "
               "c USING (sat_id, stp_id, sid) WHERE cb.sid IN ('283D', '289F') ORDER BY 1, 2"),
        "1 1 Das Erste neu \n" +
            rowsOf("SELECT 1, MAX(sort_id) + 1, 'Neu TV' FROM ChannelBouquet WHERE "
                   "sat_id=192 AND bou_id=1 AND sid <> '289F'") +
            "8 1 Das Erste neu \n");
    // An updated channel takes the source's audio tracks: three became one.
    EXPECT_EQ(rowsOf("SELECT apid FROM ChannelAudio WHERE sid='283D'"), "13EE \n");

    r = runCliTool(args + "--replace");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("Channels         0 added, 2 unchanged, " + std::to_string(channels - 1) +
                         " removed"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(rowsOf("SELECT ch_name FROM Channels WHERE sat_id=192 ORDER BY 1"),
              "Das Erste neu \nNeu TV \n");
    EXPECT_EQ(slurp(dir / "Default.cfg"), user0);
}

// A transponder table named after a satellite the database has adds
// transponders and keeps its name, unless --sat-name names it; a new
// satellite takes the file's name, and the user configuration gains it
// with every entry and the dish position it had kept.
TEST_F(DbImport, TransponderTableKeepsNamesAndConfiguration) {
    makeDb(true);
    copyConfig(dir);
    const std::string table =
        "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 12603000\n"
        "\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 22000000\n\tINNER_FEC = 2/3\n";
    const std::string astra = write("Astra-1L-19.2E", table);
    const std::string other = write("Eutelsat-16.0E", table);
    const std::string user0 = slurp(dir / "Default.cfg");
    ImportOutcome r = runImport(request(ImportKind::kDvbv5, {astra, other}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(rowsOf("SELECT sat_id, sat_name FROM Sats WHERE sat_id IN (160, 192) ORDER BY 1"),
              "160 Eutelsat 16.0E \n192 Astra 19.2E \n");
    const std::string user1 = slurp(dir / "Default.cfg");
    // Every line of the shipped file stays (its satellites, the dish position).
    size_t kept = 0;
    for (size_t at = 0, end; (end = user0.find("\r\n", at)) != std::string::npos; at = end + 2)
        kept += user1.find(user0.substr(at, end + 2 - at)) != std::string::npos;
    EXPECT_EQ(kept, static_cast<size_t>(countOf(user0, "\r\n")));
    EXPECT_NE(user1.find("\r\n160#Eutelsat 16.0E#1#"), std::string::npos) << user1;

    ImportRequest named = request(ImportKind::kDvbv5, {astra});
    named.source.satName = "Astra 1KR";
    r = runImport(named);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(rowsOf("SELECT sat_name FROM Sats WHERE sat_id=192"), "Astra 1KR \n");
    EXPECT_EQ(r.lines[2], "  Sats             0 added, 1 updated");
    // The configuration's entry keeps its name: the file's entries stay.
    EXPECT_EQ(slurp(dir / "Default.cfg"), user1);
}

// A refused source, and a connection that breaks halfway, leave the
// database and the files as they were.
TEST_F(DbImport, FailingImportChangesNothing) {
    makeDb(true);
    copyConfig(dir);
    const std::string before = dump();
    const std::string master0 = slurp(dir / "VAconfig.vac");
    const std::string bad = write(
        "bad.conf", std::string(kChannels) + "Last;X:11494:HC23:S19.2E:22000:0:1:0:ZZZ:9:1:1:0\n");
    ImportOutcome r = runImport(request(ImportKind::kVdr, {bad}));
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("bad.conf:7: CA id 'ZZZ'"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("nothing was imported"), std::string::npos);
    EXPECT_EQ(dump(), before);
    EXPECT_EQ(slurp(dir / "VAconfig.vac"), master0);

    // A configuration file that cannot be written (its folder is missing) is
    // found before the commit, not after it.
    const std::string conf = write("channels.conf", kChannels);
    ImportRequest lost = request(ImportKind::kVdr, {conf});
    lost.replace = true;
    lost.userPath = (dir / "gone" / "Default.cfg").string();
    r = runImport(lost);
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("gone does not exist"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("nothing was imported"), std::string::npos) << r.error;
    EXPECT_EQ(dump(), before);
    EXPECT_EQ(slurp(dir / "VAconfig.vac"), master0);

    // Through a proxy: how many bytes a whole (dry) import takes from the
    // server, then a break at half of them.
    CutProxy proxy(VA_TEST_DB_PORT);
    ASSERT_GT(proxy.port(), 0);
    ImportRequest req = request(ImportKind::kVdr, {conf});
    req.replace = true;
    req.conn = conn(proxy.port());
    req.dryRun = true;
    ASSERT_TRUE(runImport(req).ok);
    const int64_t whole = proxy.served();
    ASSERT_GT(whole, 1000);
    for (int64_t cut : {whole / 2, whole * 9 / 10}) {
        proxy.cutAfter(cut);
        req.dryRun = false;
        r = runImport(req);
        EXPECT_FALSE(r.ok) << "cut after " << cut << " of " << whole;
        EXPECT_EQ(dump(), before);
        EXPECT_EQ(slurp(dir / "VAconfig.vac"), master0);
    }
}

// The distinct (frequency, polarisation) pairs of a table, as its satellite
// should hold them.
std::set<std::pair<long, std::string>> tableTransponders(const std::string& path) {
    std::set<std::pair<long, std::string>> s;
    std::ifstream in(path);
    std::string line, pol;
    long freq = 0;
    bool sat = true;
    auto flush = [&] {
        if (freq && sat) s.insert({freq / 1000, pol});
        freq = 0;
        sat = true;
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') flush();
        if (line.find("FREQUENCY = ") != std::string::npos)
            freq = std::stol(line.substr(line.find('=') + 1));
        if (line.find("POLARIZATION = ") != std::string::npos)
            pol = line.substr(line.find('=') + 2);
        if (line.find("DELIVERY_SYSTEM = ") != std::string::npos &&
            line.find("DVBS") == std::string::npos)
            sat = false;
    }
    flush();
    return s;
}

TEST_F(DbImport, DebianTransponderTablesOfTwoSatellites) {
    const std::string astra = "/usr/share/dvb/dvb-s/Astra-28.2E";
    const std::string hotbird = "/usr/share/dvb/dvb-s/Hotbird-13.0E";
    ASSERT_TRUE(fs::exists(astra) && fs::exists(hotbird))
        << "the transponder tables are missing: install dtv-scan-tables (tools/deps.sh)";
    makeDb(false);
    ImportOutcome r = runImport(request(ImportKind::kDvbv5, {astra, hotbird}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(rowsOf("SELECT sat_id, sat_name, location FROM Sats ORDER BY 1"),
              "130 Hotbird 13.0E 13.0E \n282 Astra 28.2E 28.2E \n");
    EXPECT_EQ(rowsOf("SELECT COUNT(*) FROM Transponders WHERE sat_id=282"),
              std::to_string(tableTransponders(astra).size()) + " \n");
    EXPECT_EQ(rowsOf("SELECT COUNT(*) FROM Transponders WHERE sat_id=130"),
              std::to_string(tableTransponders(hotbird).size()) + " \n");
    // Transponders only: a second import adds none and removes none.
    const std::string once = dump();
    ASSERT_TRUE(runImport(request(ImportKind::kDvbv5, {astra, hotbird})).ok);
    EXPECT_EQ(dump(), once);
    EXPECT_NE(slurp(dir / "Default.cfg").find("\r\n282#Astra 28.2E#1#"), std::string::npos);
}

// A transponder a source gives twice, or bare beside one with ids and
// channels, is stored once; a repeated channel and a carrier receivers
// cannot tune are named in the report.
TEST_F(DbImport, RepeatedTransponderStoredOnce) {
    makeDb(false);
    const std::string tp11216 =
        "\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11216000\n"
        "\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 24500000\n\tINNER_FEC = 7/8\n";
    const std::string nrk =
        "[NRK1]\n\tSERVICE_ID = 1\n\tNETWORK_ID = 70\n\tTRANSPORT_ID = 20\n"
        "\tVIDEO_PID = 512\n\tAUDIO_PID = 640\n\tDELIVERY_SYSTEM = DVBS\n"
        "\tFREQUENCY = 10872000\n\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 25000000\n"
        "\tINNER_FEC = 3/4\n";
    std::string narrow = tp11216;
    narrow.replace(narrow.find("24500000"), 8, "128000");
    const std::string f =
        write("Thor-5-0.8W.conf",
              nrk +
                  "\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 10872000\n"
                  "\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 25000000\n\tINNER_FEC = 3/4\n" +
                  tp11216 + tp11216 + narrow + "\n" + nrk);
    ImportOutcome r = runImport(request(ImportKind::kDvbv5, {f}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(rowsOf("SELECT frequency, polarity, nid, tid FROM Transponders ORDER BY stp_id"),
              "10872 0 0046 0014 \n11216 0 0000 0000 \n");
    std::string report;
    for (const std::string& l : r.lines) report += l + "\n";
    EXPECT_NE(report.find("Dropped: 1 channel with the same transponder and service id as one read "
                          "before, whose values are kept: " +
                          f + ":41 (as " + f + ":1).\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("Passed over: 1 transponder without channels outside the bounds "
                          "receivers tune: " +
                          f + ":38 (SYMBOL_RATE 128000 is not"),
              std::string::npos)
        << report;
}

// The Enigma2 list of the bundled data, imported into an empty database and
// written again, is the same list byte for byte (but lamedb's time line).
TEST_F(DbImport, EnigmaListRoundTrip) {
    const fs::path cfg = dir / "cfg";
    copyConfig(cfg);
    const fs::path list1 =
        writeList(cliArgs("velartis_sample", fs::path(VA_SOURCE_DIR) / "data"), dir / "first");
    makeDb(false);
    const std::string mine = cliArgs(name, cfg);
    CliResult imp = runCliTool("import enigma2 '" + list1.string() + "' " + mine);
    ASSERT_EQ(imp.exitCode, 0) << imp.out;
    EXPECT_NE(imp.out.find("Channels         109 added"), std::string::npos) << imp.out;
    const fs::path list2 = writeList(mine, dir / "second");

    std::set<std::string> names1, names2;
    for (auto& e : fs::directory_iterator(list1)) names1.insert(e.path().filename().string());
    for (auto& e : fs::directory_iterator(list2)) names2.insert(e.path().filename().string());
    EXPECT_EQ(names1, names2);
    EXPECT_GT(names1.size(), 20u);
    for (const std::string& f : names1) {
        if (f == "Velartis.log") continue;
        std::string a = slurp(list1 / f), b = slurp(list2 / f);
        if (f == "lamedb") {
            ASSERT_NE(a.rfind("\nProduced with "), std::string::npos);
            ASSERT_NE(b.rfind("\nProduced with "), std::string::npos);
            a.resize(a.rfind("\nProduced with "));
            b.resize(b.rfind("\nProduced with "));
        }
        EXPECT_EQ(a, b) << f;
    }
}

// A satellite name longer than the lists hold, with a location spelt with
// a degree sign, comes back from an Enigma2 list as it was, and so do the
// provider bouquets named after that location and a name that holds its
// own position.
TEST_F(DbImport, EnigmaListKeepsALongSatelliteName) {
    makeDb(true);
    const std::string longName = "Eutelsat Hot Bird 13B/13C/13E";
    {
        DbLink db;
        ASSERT_TRUE(db.open(conn())) << db.error();
        ASSERT_TRUE(db.exec("UPDATE Sats SET sat_name='" + longName +
                            "', location='13.0\xC2\260E' WHERE sat_id=130"))
            << db.error();
    }
    const std::string favourites = rowsOf("SELECT * FROM Favorites ORDER BY 1");
    const fs::path cfg = dir / "cfg";
    copyConfig(cfg);
    const std::string args = cliArgs(name, cfg);
    const fs::path list = writeList(args, dir / "out");
    ASSERT_NE(slurp(list / "satellites.xml").find("\"Eutelsat Hot Bird 13B/13 13.0\260E\""),
              std::string::npos);
    // A name that holds its position is written once and read back whole.
    ASSERT_NE(slurp(list / "satellites.xml").find("<sat name=\"Astra 19.2E\" "), std::string::npos);

    // The list holds less than the database (no CA systems): --replace.
    CliResult imp = runCliTool("import enigma2 '" + list.string() + "' --replace " + args);
    ASSERT_EQ(imp.exitCode, 0) << imp.out;
    EXPECT_EQ(rowsOf("SELECT sat_name FROM Sats WHERE sat_id=130"), longName + " \n");
    EXPECT_EQ(rowsOf("SELECT sat_name FROM Sats WHERE sat_id=192"), "Astra 19.2E \n");
    EXPECT_EQ(rowsOf("SELECT * FROM Favorites ORDER BY 1"), favourites);
}

}  // namespace

namespace {

// --if-changed leaves the list alone while the data and the settings are
// the same, and writes it again after an import or a changed setting; an
// import raises the version in its transaction, a refused or dry one not.
TEST_F(DbImport, IfChangedSkipsUntilAnImportOrAChangedSetting) {
    makeDb(true);
    const fs::path cfg = dir / "cfg", out = dir / "out";
    copyConfig(cfg);
    const std::string args = cliArgs(name, cfg) + "--format ndf --if-changed --output '" +
                             out.string() + "' --report-json '" + (dir / "r.json").string() +
                             "' ";
    auto run = [&](const std::string& extra) {
        CliResult r = runCliTool(args + extra);
        EXPECT_EQ(r.exitCode, 0) << r.out;
        return r.out + slurp(dir / "r.json");
    };
    auto version = [&] { return rowsOf("SELECT version FROM DataVersion"); };
    const std::string first = run("");
    EXPECT_NE(first.find("\"unchanged\": false"), std::string::npos) << first;
    EXPECT_TRUE(fs::exists(out / ".velartis-stamp"));
    const std::string same = run("");
    EXPECT_NE(same.find("Nothing written: the channel database has not changed"), std::string::npos)
        << same;
    EXPECT_NE(same.find("\"unchanged\": true"), std::string::npos);

    const std::string v0 = version();
    ImportRequest dry = request(ImportKind::kVdr, {write("channels.conf", kChannels)});
    dry.dryRun = true;
    dry.replace = true;
    ASSERT_TRUE(runImport(dry).ok);
    EXPECT_EQ(version(), v0);
    ImportRequest real = dry;
    real.dryRun = false;
    ASSERT_TRUE(runImport(real).ok);
    EXPECT_EQ(std::stoll(version()), std::stoll(v0) + 1);
    EXPECT_NE(run("").find("\"unchanged\": false"), std::string::npos);
    EXPECT_NE(run("").find("\"unchanged\": true"), std::string::npos);

    // Another setting, or a list gone from the folder: written again.
    EXPECT_NE(run("--lang de").find("\"unchanged\": false"), std::string::npos);
    for (auto& e : fs::directory_iterator(out))
        if (e.path().extension() == ".ndf") fs::remove(e.path());
    EXPECT_NE(run("--lang de").find("\"unchanged\": false"), std::string::npos);
}

}  // namespace

// A VDR list of Turkish, Greek and Ukrainian channels: a Unicode database
// stores every name as it is, so the Enigma2 list shows it whole and the
// NDF list spelled in Latin letters; a database with the old latin1 columns
// takes the names spelled, says how many, and imports them again unchanged.
TEST_F(DbImport, NamesInEveryScriptFromAVdrList) {
    const std::string conf = VA_SOURCE_DIR "/tests/data/import/scripts_vdr.conf";
    std::vector<std::string> names;  // as the file holds them, short names apart
    {
        std::ifstream in(conf);
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line[0] != ':')
                names.push_back(line.substr(0, line.find_first_of(",;")));
    }
    ASSERT_EQ(names.size(), 13u);
    for (const bool latin1 : {false, true}) {
        SCOPED_TRACE(latin1 ? "latin1 columns" : "utf8mb4 columns");
        const fs::path cfg = dir / (latin1 ? "cfg1" : "cfg8");
        copyConfig(cfg);
        makeDb(false);
        if (latin1) {
            DbLink db;
            ASSERT_TRUE(db.open(conn())) << db.error();
            for (const char* t : {"Sats", "Channels", "Bouquets", "Favorites"})
                ASSERT_TRUE(db.exec(std::string("ALTER TABLE ") + t +
                                    " CONVERT TO CHARACTER SET latin1 COLLATE latin1_swedish_ci"))
                    << db.error();
        }
        const std::string mine = cliArgs(name, cfg);
        CliResult imp = runCliTool("import vdr '" + conf + "' " + mine);
        ASSERT_EQ(imp.exitCode, 0) << imp.out;
        EXPECT_EQ(imp.out.find("replaced by '?'"), std::string::npos) << imp.out;
        const bool saysSpelled =
            imp.out.find("were stored spelled in Latin letters") != std::string::npos;
        EXPECT_EQ(saysSpelled, latin1) << imp.out;
        // The master list names the bouquets as the database does: in UTF-8
        // after a byte order mark, or in Windows-1252 as before.
        const std::string master = slurp(cfg / "VAconfig.vac");
        EXPECT_EQ(master.rfind("\xEF\xBB\xBF", 0) == 0, !latin1);
        EXPECT_NE(
            master.find(latin1
                            ? "#Ellenik\xE1#"
                            : "#\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC#"),
            std::string::npos);

        const fs::path lists = dir / (latin1 ? "lists1" : "lists8");
        CliResult gen =
            runCliTool(mine + "--format e2,ndf --no-log --output '" + lists.string() + "'");
        ASSERT_EQ(gen.exitCode, 0) << gen.out;
        std::string lamedb, image;
        for (const auto& e : fs::recursive_directory_iterator(lists)) {
            if (e.path().filename() == "lamedb") lamedb = slurp(e.path());
            if (e.path().extension() == ".ndf") image = slurp(e.path());
        }
        const NdfRead ndf = readNdf(image);
        EXPECT_TRUE(ndf.faults.ok());
        std::set<std::string> shown(ndf.channelNames.begin(), ndf.channelNames.end());
        for (const std::string& n : names) {
            // The list's name: as it is, or spelled where the columns are latin1.
            const std::string inList = latin1 ? latin1ToUtf8(toCp1252Latin(n)) : n;
            EXPECT_NE(lamedb.find("\n" + inList + "\n"), std::string::npos) << inList;
            EXPECT_TRUE(shown.count(toCp1252Latin(n))) << n;
        }
        for (const std::string& s : shown) EXPECT_EQ(s.find('?'), std::string::npos) << s;
        EXPECT_TRUE(shown.count("Radyo Simsek"));
        EXPECT_TRUE(shown.count("Kyyiv TB"));
        // Spelled already in the database, nothing more to spell in the list.
        EXPECT_EQ(gen.out.find("names are spelled in Latin letters") != std::string::npos, !latin1)
            << gen.out;

        // The same list again finds every row as it was.
        const std::string before = dump();
        CliResult again = runCliTool("import vdr '" + conf + "' " + mine);
        ASSERT_EQ(again.exitCode, 0) << again.out;
        EXPECT_NE(again.out.find("Channels         0 added, 13 unchanged"), std::string::npos)
            << again.out;
        EXPECT_EQ(dump(), before);
    }
}

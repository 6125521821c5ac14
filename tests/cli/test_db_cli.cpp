#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "config/fileIo.h"
#include "tests/cli/cliRun.h"
#include "tests/cli/miniJson.h"
#include "tests/download/cutProxy.h"
#include "tests/readback/neutrinoReader.h"
#include "tests/readback/vdrReader.h"
#include "tests/support/files.h"
#include "tests/support/loopbackPort.h"

namespace fs = std::filesystem;

namespace {

// The tool against the test server, loaded with the bundled sample data.
class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        out = fs::temp_directory_path() /
              ("va_cli_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(out);
        fs::create_directories(out);
    }
    void TearDown() override { fs::remove_all(out); }

    std::string db(const std::string& name = "velartis_sample") {
        return "--db-host 127.0.0.1 --db-port " + std::to_string(VA_TEST_DB_PORT) + " --db-name " +
               name + " ";
    }
    std::string files(const std::string& cfg = std::string(VA_SOURCE_DIR) + "/data/Default.cfg") {
        return "--config '" + cfg + "' --master '" + VA_SOURCE_DIR + "/data/VAconfig.vac' ";
    }
    // A copy of the shipped user file with what matches `from` replaced.
    std::string cfgEdited(const std::string& from, const std::string& to, const std::string& name) {
        std::string text, err;
        EXPECT_TRUE(readFileWhole(std::string(VA_SOURCE_DIR) + "/data/Default.cfg", &text));
        const std::string path = (out / name).string();
        EXPECT_TRUE(writeFileWhole(path, std::regex_replace(text, std::regex(from), to), &err))
            << err;
        return path;
    }
    std::string cfgWith(const std::string& key, const std::string& value) {
        return cfgEdited("\r\n" + key + "=[0-9]+\r\n", "\r\n" + key + "=" + value + "\r\n",
                         key + value + ".cfg");
    }
    // Only satellite `id`, every filter open.
    std::string cfgWithOnlySat(int id) {
        return cfgEdited("\\[SAT\\][\\s\\S]*\\[/SAT\\]",
                         "[SAT]\r\n" + std::to_string(id) +
                             "#S#1#1#3#6#3#0#0#1#0#0#0#0#0#1#111#11111#11111111111#\r\n[/SAT]",
                         "sat" + std::to_string(id) + ".cfg");
    }
    static fs::path onlyDir(const fs::path& parent, const std::string& prefix) {
        for (auto& e : fs::directory_iterator(parent))
            if (e.is_directory() && e.path().filename().string().rfind(prefix, 0) == 0)
                return e.path();
        return {};
    }
    fs::path out;
};

TEST_F(CliEndToEnd, WritesEveryFamilyWithLogs) {
    fs::path lists = out / "lists";
    fs::create_directories(lists);
    CliResult r =
        runCliTool(db() + files() + "--format all --log --output '" + lists.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("Welcome to the Velartis channel server."), std::string::npos);
    // The report speaks the configuration's language; the log keeps its
    // fixed labels for the scripts that read it.
    EXPECT_NE(r.out.find("\nLanguage: English\n"), std::string::npos) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("\nReport:\n  Satellites: +4\n"))) << r.out;
    EXPECT_EQ(r.out.find("Canali"), std::string::npos) << r.out;

    for (const char* family :
         {"DalmeroListE2_", "DalmeroListE1_", "DalmeroListAZbox_", "DalmeroListNeutrino_"})
        EXPECT_TRUE(fs::exists(onlyDir(lists, family) / "Velartis.log")) << family;
    // All is every list: lamedb5 too, beside lamedb.
    EXPECT_TRUE(fs::exists(onlyDir(lists, "DalmeroListE2_") / "lamedb5"));
    ListFiles neutrino;
    for (const char* name : {"services.xml", "ubouquets.xml", "bouquets.xml"})
        neutrino[name] = slurp(onlyDir(lists, "DalmeroListNeutrino_") / name);
    const NeutrinoRead back = readNeutrino(neutrino);
    EXPECT_TRUE(readsBack(back.faults));
    EXPECT_GT(back.services, 20u);
    EXPECT_NE(neutrino["ubouquets.xml"].find(" n=\"WDR K\xC3\xB6ln\""), std::string::npos);
    EXPECT_NE(slurp(onlyDir(lists, "DalmeroListE2_") / "Velartis.log")
                  .find("Satelliti:               Real=4 Fake=0\r\n"),
              std::string::npos);

    // The single-file formats land in the folder under their default names.
    int single = 0;
    for (auto& e : fs::directory_iterator(lists)) {
        if (e.path().filename().string().rfind("DMlist", 0) != 0) continue;
        ++single;
        if (e.path().extension() == ".bin") {
            EXPECT_TRUE(fs::exists(fs::path(e.path()).replace_extension(".log"))) << e.path();
        }
    }
    EXPECT_EQ(single, 12);  // six lists and their logs
}

TEST_F(CliEndToEnd, VdrListInUtf8ReadsBackWithItsLog) {
    // FILE=8 in the configuration, a file named by --output.
    const fs::path list = out / "channels.conf";
    CliResult r = runCliTool(db() + files(cfgWith("FILE", "8")) + "--format vdr --log --output '" +
                             list.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string text = slurp(list);
    const VdrRead back = readVdrList(text);
    EXPECT_TRUE(readsBack(back.faults));
    EXPECT_GT(back.channels, 20u);
    EXPECT_GT(back.groups, 4u);
    // "WDR Köln" as the database holds it, not spelled.
    EXPECT_NE(text.find("\nWDR K\xC3\xB6ln:"), std::string::npos);
    EXPECT_NE(slurp(out / "channels.conf.log").find("REPORT:"), std::string::npos);
    EXPECT_EQ(r.out.find("spelled in Latin letters"), std::string::npos) << r.out;
}

TEST_F(CliEndToEnd, EnigmaNamesInUtf8UnlessWindows1252IsAsked) {
    // The sample channel "WDR Köln" is stored in Windows-1252.
    for (const std::string option : {"", "--enigma-text utf8 ", "--enigma-text cp1252 "}) {
        fs::path dir = out / std::to_string(option.size());
        fs::create_directories(dir);
        CliResult r =
            runCliTool(db() + files() + option + "--format e2 --output '" + dir.string() + "'");
        ASSERT_EQ(r.exitCode, 0) << r.out;
        const std::string lamedb = slurp(onlyDir(dir, "DalmeroListE2_") / "lamedb");
        const bool cp1252 = option.find("cp1252") != std::string::npos;
        EXPECT_NE(lamedb.find(cp1252 ? "\nWDR K\xF6ln\n" : "\nWDR K\xC3\xB6ln\n"),
                  std::string::npos)
            << option;
    }
}

TEST_F(CliEndToEnd, ListTypesShapeTheSatellites) {
    // Bouquets as satellites: every bouquet of a satellite becomes one.
    CliResult r = runCliTool(db() + files(cfgWith("LIST", "1")) + "--format e2 --output '" +
                             out.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("Satellites: +Real=(\\d+) Fake=(\\d+)")))
        << r.out;
    EXPECT_EQ(m[1], "4");
    EXPECT_GT(std::stoi(m[2]), 4);
    std::string xml = slurp(onlyDir(out, "DalmeroListE2_") / "satellites.xml");
    // The first bouquet of Astra 19.2E by sort order names its position.
    EXPECT_NE(xml.find("<sat name=\"HD Deutschland 19.2E"), std::string::npos)
        << xml.substr(0, 300);

    fs::remove_all(onlyDir(out, "DalmeroListE2_"));
    r = runCliTool(db() + files(cfgWith("LIST", "2")) + "--format e2 --output '" + out.string() +
                   "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    xml = slurp(onlyDir(out, "DalmeroListE2_") / "satellites.xml");
    EXPECT_NE(xml.find("News"), std::string::npos) << xml.substr(0, 400);
}

TEST_F(CliEndToEnd, MissingOutputFolderIsMadeOnceTheDownloadSucceeded) {
    fs::path made = out / "no" / "such" / "folder";
    CliResult r = runCliTool(db() + files() + "--format e2,ndf --output '" + made.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_FALSE(onlyDir(made, "DalmeroListE2_").empty());
    EXPECT_NE(r.out.find("  wrote " + made.string() + "/DMlistNDF-"), std::string::npos) << r.out;

    // A single-file list may name its file; the folders above it are made.
    // A new name without an extension is a folder, for that list too.
    fs::path named = out / "a" / "b" / "mine.ndf";
    r = runCliTool(db() + files() + "--format ndf --output '" + named.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_GT(fs::file_size(named), 0u);
    r = runCliTool(db() + files() + "--format ndf --output '" + (out / "c").string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(fs::is_directory(out / "c")) << r.out;
}

TEST_F(CliEndToEnd, FailuresGiveTheirExitCodes) {
    // The server declares this build outdated.
    CliResult r = runCliTool(db("velartis_outdated") + files() + "--format e2 --output '" +
                             out.string() + "'");
    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_NE(r.out.find("This is one old version of Velartis!"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(out) || onlyDir(out, "DalmeroListE2_").empty());

    // Without --format nothing is written, and the tool says so.
    r = runCliTool(db() + files());
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("\nNo list written: no --format was given.\n"), std::string::npos)
        << r.out;
}

TEST_F(CliEndToEnd, LostConnectionDuringTheFavouritesFailsAndWritesNothing) {
    // The generated database's one satellite, whose favourite links come
    // in many packets: the last data query before the usage counter.
    const std::string cfg = cfgWithOnlySat(1);
    CutProxy proxy(VA_TEST_DB_PORT);
    ASSERT_GT(proxy.port(), 0);
    const std::string via = "--db-host 127.0.0.1 --db-port " + std::to_string(proxy.port()) +
                            " --db-name velartis_big " + files(cfg);
    CliResult r = runCliTool(via);
    if (r.out.find("Unknown database") != std::string::npos)
        GTEST_SKIP() << "velartis_big is not loaded";
    ASSERT_EQ(r.exitCode, 0) << r.out;
    ASSERT_NE(r.out.find("Favorite Channels:"), std::string::npos) << r.out;
    // The answer to the counter's UPDATE is some 60 bytes; 4 KiB before the
    // end lies well inside the favourite links.
    proxy.cutAfter(proxy.served() - 4096);
    fs::path lists = out / "lists";
    fs::create_directories(lists);
    r = runCliTool(via + "--format e2,ndf --output '" + lists.string() + "'");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("Lost connection to server during query"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("All data were read correctly."), std::string::npos) << r.out;
    EXPECT_TRUE(fs::is_empty(lists));
}

// A failed connection names what to do about its kind and prints no
// report: nothing was read, and zeros would pass for an empty server.
TEST_F(CliEndToEnd, FailedConnectionTellsWhatToDoAndPrintsNoReport) {
    int fd = -1;
    const int freePort = loopbackPort(false, &fd);
    ASSERT_GT(freePort, 0);
    const std::string json = (out / "r.json").string();
    const struct {
        std::string server, env, hint, failure;
    } cases[] = {
        {"--db-host 127.0.0.1 --db-port " + std::to_string(freePort) + " ", "",
         "A local server starts with: tools/dbserver.sh start", "unreachable"},
        {db(), "VELARTIS_DB_PASSWORD=wrong",
         "Check the user and the password: --db-user, VELARTIS_DB_PASSWORD or ~/.my.cnf.",
         "accessDenied"},
        {db("velartis_none"), "", "Check the name of the database: --db-name.", "unknownDatabase"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        CliResult r = runCliTool(c.server + files() + "--format e2 --output '" +
                                     (out / "never").string() + "' --report-json '" + json + "'",
                                 c.env);
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_NE(r.out.find("FAILED: Can't connect to MySql server on xx:xx:xx:xx (10053)"),
                  std::string::npos)
            << r.out;
        EXPECT_FALSE(fs::exists(out / "never"));  // no download, no folder
        EXPECT_EQ(countOf(r.out, c.hint), 1u) << r.out;
        EXPECT_EQ(r.out.find("Report:"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("TV Channels:"), std::string::npos) << r.out;
        const std::string text = slurp(json);
        Json j;
        ASSERT_TRUE(JsonReader(text).parse(&j)) << text;
        EXPECT_EQ(j["connected"].kind, Json::kBool) << text;
        EXPECT_FALSE(j["connected"].boolean);
        EXPECT_EQ(j["connectFailure"].text, c.failure);
        for (const char* key : {"report", "counts", "dropped"})
            EXPECT_NE(text.find("\"" + std::string(key) + "\": null"), std::string::npos) << key;
        EXPECT_EQ(j["jobs"][0]["result"].text, "failed");
    }
}

// Options, environment, option files, built-in values, in that order (a wrong
// password shows which one was used); no password is ever printed.
TEST_F(CliEndToEnd, PasswordFromEnvironmentAndOptionFilesNeverPrinted) {
    const std::string wrongEnv = "Env-Wr0ng-9d1", wrongFile = "File-Wr0ng-7c3";
    const fs::path home = out / "home";
    fs::create_directories(home);
    const std::string homeEnv = "HOME='" + home.string() + "' ";
    auto write = [](const fs::path& p, const std::string& text) {
        std::string err;
        ASSERT_TRUE(writeFileWhole(p.string(), text, &err)) << err;
    };
    const std::string json = (out / "r.json").string();
    const std::string args =
        files() + "--format e2 --output '" + out.string() + "' --report-json '" + json + "' ";
    std::string printed;
    auto run = [&](const std::string& extra, const std::string& env) {
        CliResult r = runCliTool(args + extra, env);
        printed += r.out + slurp(json);
        return r;
    };
    // A refused login reads as any failed connection.
    const std::string refused = "Can't connect to MySql server";
    CliResult r = run(db(), "VELARTIS_DB_PASSWORD=" + wrongEnv);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find(refused), std::string::npos) << r.out;
    r = run(db() + "--db-password vapass1", "VELARTIS_DB_PASSWORD=" + wrongEnv);
    EXPECT_EQ(r.exitCode, 0) << r.out;

    // The [velartis] group of ~/.my.cnf names the whole server. Its
    // character set must not change what the rows arrive in.
    const std::string server =
        "host=127.0.0.1\nport=" + std::to_string(VA_TEST_DB_PORT) + "\ndatabase=velartis_sample\n";
    write(home / ".my.cnf",
          "[velartis]\n" + server + "password=vapass1\ndefault-character-set=utf8mb4\n");
    r = run("", homeEnv);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(slurp(onlyDir(out, "DalmeroListE2_") / "lamedb").find("\nWDR K\xC3\xB6ln\n"),
              std::string::npos);
    write(home / ".my.cnf", "[velartis]\n" + server + "password=" + wrongFile + "\n");
    r = run("", homeEnv);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find(refused), std::string::npos) << r.out;
    r = run("", homeEnv + "VELARTIS_DB_PASSWORD=vapass1");
    EXPECT_EQ(r.exitCode, 0) << r.out;

    // --defaults-file is read instead of ~/.my.cnf.
    write(out / "velartis.cnf", "[client]\n" + server + "[velartis]\npassword=vapass1\n");
    r = run("--defaults-file '" + (out / "velartis.cnf").string() + "'", homeEnv);
    EXPECT_EQ(r.exitCode, 0) << r.out;

    // The server's own socket alone reaches it, though the built-in host is
    // an address.
    const std::string socket = std::string(VA_TEST_DB_DIR) + "/mariadbd.sock";
    if (fs::exists(socket)) {
        r = run("--db-name velartis_sample", "VELARTIS_DB_SOCKET='" + socket + "'");
        EXPECT_EQ(r.exitCode, 0) << r.out;
    }

    for (const std::string& secret : {std::string("vapass1"), wrongEnv, wrongFile})
        EXPECT_EQ(printed.find(secret), std::string::npos) << secret << "\n" << printed;
}

TEST_F(CliEndToEnd, ProgressLineOnATerminalPlainLinesElsewhereEachMessageOnce) {
    const std::string args = db() + files() + "--format ndf --output '" + out.string() + "'";
    CliResult tty = runCliOnTerminal(args);
    ASSERT_EQ(tty.exitCode, 0) << tty.out;
    // The terminal shows "\n" as "\r\n"; a job's line is redrawn after each
    // "\r" and its last drawing is the result.
    const std::string text = std::regex_replace(tty.out, std::regex("\r\n"), "\n");
    auto lastDrawing = [&](const std::string& label) {
        size_t at = text.find("\r" + label + " ");
        if (at == std::string::npos) return std::string("<no line for " + label + ">");
        std::string line = text.substr(at, text.find('\n', at) - at);
        EXPECT_GE(countOf(line, "\r"), 2u) << line;  // updated in place
        line = line.substr(line.rfind('\r') + 1);
        return line.substr(0, line.find_last_not_of(' ') + 1);
    };
    EXPECT_TRUE(std::regex_match(lastDrawing("Download"),
                                 std::regex("Download 100% 0:0\\d  done: All data were read "
                                            "correctly\\. You can now save .*")))
        << text;
    EXPECT_TRUE(std::regex_match(lastDrawing("NDF"),
                                 std::regex("NDF 100% 0:0\\d  done: The file was written "
                                            "correctly\\.")))
        << text;

    CliResult plain = runCliTool(args);
    ASSERT_EQ(plain.exitCode, 0) << plain.out;
    // Nobody watches a pipe: its percentages only when asked for.
    EXPECT_EQ(plain.out.find("progress "), std::string::npos) << plain.out;
    CliResult asked = runCliTool(args + " --progress");
    ASSERT_EQ(asked.exitCode, 0) << asked.out;
    EXPECT_EQ(countOf(asked.out, "\nprogress download: 100%\n"), 1u) << asked.out;
    EXPECT_EQ(countOf(asked.out, "\nprogress generate: 100%\n"), 1u) << asked.out;
    for (char c : plain.out) {
        if (c == '\n') continue;
        ASSERT_TRUE(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            << "control character " << static_cast<int>(c) << " in\n"
            << plain.out;
    }
    for (const CliResult* r : {&tty, &plain}) {
        for (const char* once :
             {"All data were read correctly.", "You can now save the list",
              "Welcome to the Velartis channel server.", "The file was written correctly."})
            EXPECT_EQ(countOf(r->out, once), 1u) << once << "\n" << r->out;
    }

    // Quiet: the path written and nothing else.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(plain.out, m, std::regex("\n  wrote ([^\n]+)\n"))) << plain.out;
    CliResult quiet = runCliTool(args + " -q");
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out, m[1].str() + "\n");
}

TEST_F(CliEndToEnd, AFailedJobGivesItsErrorWithWarningsApart) {
    // Switch 1.0/1.1 on one satellite: SB-5 warns, then cannot write a
    // name longer than a file system takes.
    const std::string cfg = cfgEdited("\r\n192#Astra 19.2E#1#1#3#6#3#0#0#1#",
                                      "\r\n192#Astra 19.2E#1#1#3#6#3#0#0#2#", "switch.cfg");
    const std::string json = (out / "r.json").string();
    const std::string tooLong = (out / (std::string(300, 'n') + ".bin")).string();
    CliResult r = runCliTool(db() + files(cfg) + "--format sb5 --output '" + tooLong +
                             "' --report-json '" + json + "'");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    const std::string sw = "Switch 1.0/1.1 is not supported. Will use the Switch 1.0 port.";
    EXPECT_TRUE(std::regex_search(r.out, std::regex("\nSB-5 .*FAILED: Unable to open file\\. \\(")))
        << r.out;
    EXPECT_NE(r.out.find("\nWarning: " + sw + "\n"), std::string::npos) << r.out;
    Json j;
    ASSERT_TRUE(JsonReader(slurp(json)).parse(&j)) << slurp(json);
    ASSERT_EQ(j["jobs"].items.size(), 2u);
    EXPECT_EQ(j["jobs"][1]["message"].text.rfind("Unable to open file. (", 0), 0u);
    ASSERT_EQ(j["jobs"][1]["warnings"].items.size(), 1u);
    EXPECT_EQ(j["jobs"][1]["warnings"][0].text, sw);

    // Run from a folder removed since: a relative or no --output is refused
    // before the download.
    const fs::path gone = out / "gone";
    fs::create_directory(gone);
    const fs::path here = fs::current_path();
    fs::current_path(gone);
    fs::remove(gone);
    CliResult rel = runCliTool(db() + files() + "--format e2,ndf --output lists");
    CliResult none = runCliTool(db() + files() + "--format ndf");
    fs::current_path(here);
    EXPECT_EQ(rel.exitCode, 64);
    EXPECT_EQ(rel.out,
              "velartis-cli: --output 'lists' cannot be resolved: the current folder no longer "
              "exists\n");
    EXPECT_EQ(none.exitCode, 64);
    EXPECT_EQ(none.out, "velartis-cli: no --output, and the current folder no longer exists\n");
}

TEST_F(CliEndToEnd, JsonReportAgreesWithThePrintedReport) {
    // velartis_badids: a download that drops rows for their ids.
    const std::string cfg = cfgWithOnlySat(500);
    const fs::path lists = out / "lists";
    const std::string json = (out / "report.json").string();
    CliResult r = runCliTool(db("velartis_badids") + files(cfg) + "--format e2,ndf --output '" +
                             lists.string() + "' --report-json '" + json + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    Json j;
    ASSERT_TRUE(JsonReader(slurp(json)).parse(&j)) << slurp(json);
    EXPECT_EQ(j["exitCode"].number, 0);
    EXPECT_EQ(j["connected"].kind, Json::kBool);
    EXPECT_TRUE(j["connected"].boolean);

    const std::pair<const char*, const char*> fields[] = {
        {"Satellites:", "satellites"},
        {"Transponders:", "transponders"},
        {"Bouquets:", "bouquets"},
        {"TV Channels:", "tvChannels"},
        {"Radio Channels:", "radioChannels"},
        {"Favorite Groups:", "favouriteGroups"},
        {"Favorite Channels:", "favouriteChannels"}};
    for (const auto& [label, key] : fields) {
        std::smatch m;
        ASSERT_TRUE(
            std::regex_search(r.out, m, std::regex("\n  " + std::string(label) + " +([^\n]*)\n")))
            << label;
        EXPECT_EQ(j["report"][key].text, m[1].str()) << key;
    }
    EXPECT_EQ(j["counts"]["transponders"].number, 2);

    std::vector<std::string> dropped;
    std::smatch m;
    for (std::string rest = r.out; std::regex_search(rest, m, std::regex("\nDropped: [^\n]*"));
         rest = m.suffix())
        dropped.push_back(m.str().substr(1));
    const Json& reasons = j["dropped"]["reasons"];
    ASSERT_EQ(reasons.items.size(), dropped.size()) << r.out;  // each line printed once
    ASSERT_GT(dropped.size(), 3u);
    double total = 0;
    for (size_t i = 0; i < dropped.size(); ++i) {
        EXPECT_EQ("Dropped: " + std::to_string(static_cast<int>(reasons[i]["rows"].number)) + " " +
                      reasons[i]["reason"].text,
                  dropped[i]);
        total += reasons[i]["rows"].number;
    }
    EXPECT_EQ(j["dropped"]["rows"].number, total);

    const Json& jobs = j["jobs"];
    ASSERT_EQ(jobs.items.size(), 3u);
    EXPECT_EQ(jobs[0]["job"].text, "download");
    EXPECT_EQ(jobs[0]["result"].text, "done");
    EXPECT_EQ(jobs[0]["message"].text.rfind("All data were read correctly.", 0), 0u);
    EXPECT_NE(jobs[0]["messages"][0].text.find("Bad ids"), std::string::npos);
    EXPECT_EQ(jobs[2]["job"].text, "ndf");
    EXPECT_EQ(jobs[2]["files"].items.size(), 1u);
    for (size_t k = 1; k < 3; ++k) {
        EXPECT_EQ(jobs[k]["result"].text, "done");
        ASSERT_FALSE(jobs[k]["files"].items.empty());
        for (const Json& f : jobs[k]["files"].items) {
            EXPECT_EQ(f["path"].text.rfind(lists.string(), 0), 0u) << f["path"].text;
            EXPECT_EQ(f["bytes"].number, static_cast<double>(fs::file_size(f["path"].text)));
        }
    }

    // A run that fails is reported too, with its exit code.
    r = runCliTool(db("velartis_outdated") + files() + "--format e2 --output '" + lists.string() +
                   "' --report-json '" + json + "'");
    EXPECT_EQ(r.exitCode, 2) << r.out;
    Json failed;
    ASSERT_TRUE(JsonReader(slurp(json)).parse(&failed)) << slurp(json);
    EXPECT_EQ(failed["exitCode"].number, 2);
    ASSERT_EQ(failed["jobs"].items.size(), 1u);
    EXPECT_EQ(failed["jobs"][0]["result"].text, "outdated");
}

}  // namespace

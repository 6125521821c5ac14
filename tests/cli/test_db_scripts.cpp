// Channel names in many scripts through the tool: the Enigma lists carry
// them as the database holds them, the Windows-1252 formats show them
// spelled in Latin letters and say how many, and a server whose name
// columns are still latin1 gives the same lists as a Unicode one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include "config/codepage.h"
#include "config/fileIo.h"
#include "tests/cli/cliRun.h"
#include "tests/readback/azboxReader.h"
#include "tests/readback/ecdfReader.h"
#include "tests/readback/jstReader.h"
#include "tests/readback/lamedb5Reader.h"
#include "tests/readback/ndfReader.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

// The same moment for every run, so that lists of two runs compare whole.
std::string fixedClock() {
    return std::system("command -v faketime >/dev/null 2>&1") == 0
               // A sanitizer build must accept the library faketime preloads.
               ? "ASAN_OPTIONS=verify_asan_link_order=0 faketime -f '2026-12-07 10:11:12'"
               : "";
}

std::string dbArgs(const std::string& db, const fs::path& cfg) {
    return "--db-host 127.0.0.1 --db-port " + std::to_string(VA_TEST_DB_PORT) + " --db-name " + db +
           " --config '" + cfg.string() + "' --master '" VA_SOURCE_DIR "/data/VAconfig.vac' ";
}

std::map<std::string, std::string> filesBelow(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out[fs::relative(e.path(), root).string()] = slurp(e.path());
    return out;
}

const std::string* fileNamed(const std::map<std::string, std::string>& files,
                             const std::string& suffix) {
    for (const auto& [name, bytes] : files)
        if (name.ends_with(suffix)) return &bytes;
    return nullptr;
}

struct Dir {
    fs::path path;
    explicit Dir(const std::string& what)
        : path(fs::temp_directory_path() / ("va_scripts_" + what + std::to_string(getpid()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Dir() { fs::remove_all(path); }
};

}  // namespace

TEST(CliScripts, ALatin1ServerGivesTheListsOfAUnicodeOne) {
    const std::string clock = fixedClock();
    if (clock.empty()) GTEST_SKIP() << "faketime is not installed";
    Dir dir("latin1");
    std::map<std::string, std::string> lists[2];
    const char* dbs[] = {"velartis_sample", "velartis_sample_latin1"};
    for (int i = 0; i < 2; ++i) {
        const fs::path out = dir.path / dbs[i];
        CliResult r = runCliTool(dbArgs(dbs[i], VA_SOURCE_DIR "/data/Default.cfg") +
                                     "--format all --log --output '" + out.string() + "'",
                                 clock);
        ASSERT_EQ(r.exitCode, 0) << r.out;
        lists[i] = filesBelow(out);
    }
    ASSERT_GT(lists[0].size(), 20u);
    EXPECT_EQ(lists[0], lists[1]);
    // The sample's accented names are there in both code pages.
    const std::string* lamedb = fileNamed(lists[1], "/lamedb");
    ASSERT_TRUE(lamedb);
    EXPECT_THAT(*lamedb, HasSubstr("\nBR Fernsehen S\xC3\xBC"
                                   "d\n"));
    const std::string* ndf = fileNamed(lists[1], ".ndf");
    ASSERT_TRUE(ndf);
    EXPECT_THAT(*ndf, HasSubstr("BR Fernsehen S\xFC"
                                "d"));
}

TEST(CliScripts, EveryScriptWholeInTheEnigmaListsAndSpelledInTheOthers) {
    Dir dir("utf8");
    // The five satellites of the database, everything taken.
    std::string cfg = slurp(VA_SOURCE_DIR "/data/Default.cfg");
    const size_t from = cfg.find("[SAT]\r\n") + 7, to = cfg.find("[/SAT]");
    std::string sats;
    int port = 0;
    for (const char* s : {"420#T\xFCrksat", "390#Hellas", "70#Eutelsat", "130#Hotbird", "360#Sat"})
        sats += std::string(s) + "#1#1#3#6#3#0#0#1#" + std::to_string(port++ % 4) +
                "#0#0#0#0#0#111#11111#11111111111#\r\n";
    cfg.replace(from, to - from, sats);
    // No bouquet or favourite group set aside.
    for (const char* section : {"BOUI", "FAVI"}) {
        const size_t a = cfg.find(std::string("[") + section + "]\r\n") + 8;
        cfg.erase(a, cfg.find(std::string("[/") + section + "]") - a);
    }
    ASSERT_TRUE(writeFileWhole((dir.path / "Scripts.cfg").string(), cfg, nullptr));

    const fs::path out = dir.path / "lists";
    CliResult r =
        runCliTool(dbArgs("velartis_scripts", dir.path / "Scripts.cfg") +
                   "--format e2,ndf,sb5,st1,azbox --enigma-lamedb5 --no-log --output '" +
                   out.string() + "' --report-json '" + (dir.path / "run.json").string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const auto files = filesBelow(out);

    // Enigma2: the names as the database holds them, cut on characters
    // to 24 where longer, whatever their bytes.
    const std::string* lamedb = fileNamed(files, "/lamedb");
    ASSERT_TRUE(lamedb);
    for (const char* whole :
         {"Kanal Do\xC4\x9Fu Anadolu Haber",
          "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAE "
          "\xCE\xA4\xCE\xB7\xCE\xBB\xCE\xB5\xCF\x8C\xCF\x81\xCE\xB1\xCF\x83\xCE\xB7 "
          "\xCE\x9A\xCF\x81\xCE\xAE\xCF\x84\xCE\xB7",
          "\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2 \xD0\xA2\xD0\x91 \xD0\x9D\xD0\xBE\xD0\xB2\xD0\xB8"
          "\xD0\xBD\xD0\xB8 \xD1\x82\xD0\xB0 \xD0\x9F\xD0\xBE\xD0\xB3\xD0\xBE\xD0\xB4\xD0\xB0",
          "\xE4\xB8\xAD\xE5\xA4\xAE\xE7\x94\xB5\xE8\xA7\x86\xE5\x8F\xB0\xE4\xB8\xAD\xE6\x96\x87"
          "\xE5\x9B\xBD\xE9\x99\x85\xE9\xA2\x91\xE9\x81\x93 CCTV-4 "
          "\xE6\xAC\xA7\xE6\xB4\xB2\xE7\xBE\x8E\xE6\xB4\xB2\xE7\x89\x88",
          "\xF0\x9F\x93\xBA Kids TV",
          "T\xC3\xA9l\xC3\xA9 S\xC3\xBC"
          "d",
          // 25 characters in the database: the 25th goes, never half of it.
          "\xC4\xB0stanbul \xC5\x9E"
          "ehir Televizyo",
          "\xD0\x9F\xD0\xB5\xD1\x80\xD1\x88\xD0\xB8\xD0\xB9 \xD0\x97\xD0\xB0\xD1\x85\xD1\x96"
          "\xD0\xB4\xD0\xBD\xD0\xB8\xD0\xB9 \xD1\x82\xD0\xB5\xD0\xBB\xD0\xB5\xD0\xBA\xD0\xB0"
          "\xD0\xBD\xD0\xB0"})
        EXPECT_THAT(*lamedb, HasSubstr(std::string("\n") + whole + "\n")) << whole;
    // lamedb5 holds the same services, names in every script whole.
    const std::string* lamedb5 = fileNamed(files, "/lamedb5");
    ASSERT_TRUE(lamedb5);
    E2ServiceDb v4, v5;
    EXPECT_TRUE(readsBack(readLamedb(*lamedb, &v4)));
    EXPECT_TRUE(readsBack(readLamedb5(*lamedb5, &v5)));
    EXPECT_GT(v5.services.size(), 30u);
    quotesAsLamedb5(&v4);
    EXPECT_EQ(v5, v4);
    for (const auto& [name, bytes] : files) {
        if (name.find("DalmeroListE2_") == 0 && name.find("satellites.xml") == std::string::npos) {
            EXPECT_TRUE(isValidUtf8(bytes)) << name;
        }
    }
    // satellites.xml stays ISO-8859-1 and names the Greek satellite by
    // character references.
    const std::string* xml = fileNamed(files, "/satellites.xml");
    ASSERT_TRUE(xml);
    EXPECT_THAT(*xml, HasSubstr("<sat name=\"&#x395;&#x3BB;&#x3BB;&#x3AC;&#x3C2; "));

    // NDF: Latin letters, never a '?', and the report counts them.
    const std::string* image = fileNamed(files, ".ndf");
    ASSERT_TRUE(image);
    const NdfRead ndf = readNdf(*image);
    EXPECT_TRUE(ndf.faults.lines.empty());
    ASSERT_GT(ndf.channelNames.size(), 20u);
    std::string names;
    for (const std::string& n : ndf.channelNames) {
        EXPECT_EQ(n.find('?'), std::string::npos) << n;
        names += n + "\n";
    }
    for (const char* spelled :
         {"Kanal Dogu Anadolu Haber\n", "Radyo Simsek\n", "Kyyiv TB Novyny ta Poho", "Kids TV\n",
          "T\xE9l\xE9 S\xFC"
          "d\n"})
        EXPECT_THAT(names, HasSubstr(spelled));
    // The other Windows-1252 formats read back whole as their receivers read them.
    size_t binaries = 0;
    for (const auto& [name, bytes] : files) {
        if (name.find("DMlistSB5") == 0 || name.find("DMlistPvr-ST1") == 0) {
            EXPECT_TRUE((name[6] == 'S' ? readEcdf(bytes).faults : readJst(bytes).faults).ok())
                << name;
            ++binaries;
        }
    }
    EXPECT_EQ(binaries, 2u);
    ListFiles azbox;
    for (const auto& [name, bytes] : files)
        if (name.find("DalmeroListAZbox_") == 0) azbox[fs::path(name).filename().string()] = bytes;
    ASSERT_EQ(azbox.size(), 3u);
    EXPECT_TRUE(readAzbox(azbox).faults.ok());

    const std::regex said(
        R"((\d+) names are spelled in Latin letters: this list holds Windows-1252 only)");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, said)) << r.out;
    const std::string json = slurp(dir.path / "run.json");
    EXPECT_THAT(json, HasSubstr("\"job\": \"ndf\", \"label\": \"NDF\", \"code\": 0, \"result\": "
                                "\"done\""));
    EXPECT_THAT(json, HasSubstr("\"spelledNames\": " + m[1].str()));
    EXPECT_THAT(json, HasSubstr("\"job\": \"e2\""));
    EXPECT_EQ(countOf(r.out, "names are spelled in Latin letters"), 4u);  // not for Enigma2
    EXPECT_GT(std::stoi(m[1].str()), 20);
}

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#include "config/fileIo.h"
#include "tests/cli/cliRun.h"
#include "tests/cli/miniJson.h"

namespace {
const std::string kFiles = std::string("--config '") + VA_TEST_DATA +
                           "/config/user.cfg' --master '" + VA_TEST_DATA + "/config/master.vac' ";

TEST(CliUsage, SummaryOfTheLoadedConfiguration) {
    CliResult r = runCliTool(kFiles + "--summary");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    // In the configuration's language, which it names, labels and values alike.
    EXPECT_NE(r.out.find("Tipo di lista: 2 Favoriti come Satelliti"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nLingua: Italiano\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Famiglia di ricevitori: 6 Pvr-ST1"), std::string::npos);
    EXPECT_NE(r.out.find("Astra 19.2\xC2\xB0"
                         "E"),
              std::string::npos);  // printed as UTF-8
    EXPECT_NE(r.out.find("LNB Universale 9750/10600 MHz, alimentazione Acceso (Auto)"),
              std::string::npos)
        << r.out;
    CliResult fr = runCliTool(kFiles + "--summary --lang fr");
    EXPECT_NE(fr.out.find("\nFamille de r\xC3\xA9"
                          "cepteurs : 6 Pvr-ST1\n"),
              std::string::npos)
        << fr.out;
    EXPECT_EQ(fr.out.find("Limits"), std::string::npos) << fr.out;
    // Output that never arrived is no success.
    EXPECT_EQ(runCliTool(kFiles + "--summary >/dev/full").exitCode, 1);
}

TEST(CliUsage, BadUsageAndLoadErrors) {
    CliResult noLang = runCliTool(kFiles + "--lang '' --summary");  // not silently the file's
    EXPECT_EQ(noLang.exitCode, 64) << noLang.out;
    EXPECT_NE(noLang.out.find("unknown language ''"), std::string::npos) << noLang.out;
    EXPECT_EQ(runCliTool("--log --no-log").exitCode, 64);
    // An unknown option or value is a one-line reason, then the pointer to
    // the help; a port that is none is refused before any download.
    const std::string tryHelp = "\nTry 'velartis-cli --help'.\n";
    for (const std::string& bad :
         {std::string("--no-such-option"), std::string("--format foo"), std::string("--lang xx"),
          std::string("--db-port 0"), kFiles + "--db-port 68842",
          kFiles + "--enigma-text latin1 --summary"}) {
        CliResult r = runCliTool(bad);
        EXPECT_EQ(r.exitCode, 64) << bad;
        EXPECT_EQ(r.out.rfind(tryHelp), r.out.size() - tryHelp.size()) << bad << "\n" << r.out;
        EXPECT_EQ(countOf(r.out, "\n"), 2u) << r.out;
    }
    CliResult importBad = runCliTool("import dvbv5 x.conf --position north");
    EXPECT_EQ(importBad.exitCode, 64);
    EXPECT_NE(importBad.out.find("\nTry 'velartis-cli import --help'.\n"), std::string::npos)
        << importBad.out;
    for (const char* deadline : {"0", "-5", "2s", "86401"})
        EXPECT_EQ(runCliTool(kFiles + "--db-deadline " + deadline + " --summary").exitCode, 64)
            << deadline;
    EXPECT_EQ(runCliTool(kFiles + "--db-deadline 30 --summary").exitCode, 0);
    // The folder forgotten: the next option is no folder name.
    CliResult forgotten = runCliTool(kFiles + "--summary --output --quiet");
    EXPECT_EQ(forgotten.exitCode, 64) << forgotten.out;
    EXPECT_EQ(forgotten.out,
              "velartis-cli: --output needs a value, not the option --quiet\n"
              "Try 'velartis-cli --help'.\n");
    EXPECT_EQ(runCliTool(kFiles + "--summary --report-json=-q").exitCode, 64);
    EXPECT_EQ(runCliTool("import vdr x.conf --sat-name --dry-run").exitCode, 64);
    CliResult typo = runCliTool("--db-pasword Sekr3t");  // the error quotes what it did not take
    EXPECT_EQ(typo.exitCode, 64);
    EXPECT_EQ(typo.out.find("Sekr3t"), std::string::npos) << typo.out;
    EXPECT_EQ(runCliTool(kFiles + "--summary", "VELARTIS_DB_PORT=33a").exitCode, 64);
    CliResult noFile = runCliTool(kFiles + "--defaults-file /nonexistent/my.cnf --summary");
    EXPECT_EQ(noFile.exitCode, 64) << noFile.out;  // not silently passed over
    EXPECT_NE(noFile.out.find("/nonexistent/my.cnf"), std::string::npos) << noFile.out;
    CliResult folder = runCliTool(kFiles + "--defaults-file '" + VA_TEST_DATA + "' --summary");
    EXPECT_EQ(folder.exitCode, 64) << folder.out;
    EXPECT_NE(folder.out.find("Is a directory"), std::string::npos) << folder.out;

    // A file where a folder is needed: refused before any download, and
    // the file is left as it was.
    const std::string file = std::string(::testing::TempDir()) + "va_cli_one_file.bin";
    ASSERT_TRUE(writeFileWhole(file, std::string("keep"), nullptr));
    for (const std::string& use :
         {"--format ndf,st1 --output '" + file + "'",  // one name, two lists
          "--format e2 --output '" + file + "'",
          "--format ndf --output '" + file + "/sub/list.ndf'"}) {
        CliResult r = runCliTool(kFiles + use);
        EXPECT_EQ(r.exitCode, 64) << use << r.out;
        EXPECT_NE(r.out.find("is a file"), std::string::npos) << r.out;
    }
    std::string kept;
    readFileWhole(file, &kept);
    std::remove(file.c_str());
    EXPECT_EQ(kept, "keep");

    // A pipe cannot take a list and its log: refused, and left a pipe.
    const std::string fifo = std::string(::testing::TempDir()) + "va_cli_fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CliResult pipe = runCliTool(kFiles + "--format ndf --output '" + fifo + "'");
    EXPECT_EQ(pipe.exitCode, 64) << pipe.out;
    EXPECT_NE(pipe.out.find("is no folder or file"), std::string::npos) << pipe.out;
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    std::remove(fifo.c_str());

    CliResult help = runCliTool("--help");
    EXPECT_EQ(help.exitCode, 0);
    // The built-in connection values beside their options, not the password.
    for (const char* shown :
         {"host[^\n]*\n?[^-\n]*built-in: 127\\.0\\.0\\.1", "port[^\n]*\n?[^-\n]*built-in: 3306",
          "user[^\n]*\n?[^-\n]*built-in: vauser", "name[^\n]*\n?[^-\n]*built-in: velartis\\)"})
        EXPECT_TRUE(std::regex_search(help.out, std::regex(std::string("\n  --db-") + shown)))
            << shown << "\n"
            << help.out;
    EXPECT_EQ(help.out.find("vapass1"), std::string::npos);
    EXPECT_EQ(help.out.find("browser"), std::string::npos);  // the user's terms, not the window's
    EXPECT_EQ(runCliTool("--version").out, "velartis-cli (Velartis " VA_PROJECT_VERSION ")\n");
    EXPECT_EQ(runCliTool(kFiles + "--db-compress yes --summary").exitCode, 64);

    const std::string json = std::string(::testing::TempDir()) + "va_cli_usage.json";
    CliResult missing = runCliTool(
        std::string("--master '") + VA_TEST_DATA +
        "/config/master.vac' --config /nonexistent/x.cfg --summary --report-json '" + json + "'");
    EXPECT_EQ(missing.exitCode, 1);
    const std::string why =
        "Unable to open configuration file.\n/nonexistent/x.cfg: No such file or directory";
    EXPECT_EQ(countOf(missing.out, why), 1u) << missing.out;
    // The report of a run that failed before any job says why, in valid JSON.
    std::string text;
    ASSERT_TRUE(readFileWhole(json, &text));
    std::remove(json.c_str());
    Json j;
    ASSERT_TRUE(JsonReader(text).parse(&j)) << text;
    EXPECT_EQ(j["exitCode"].number, 1);
    EXPECT_NE(j["error"].text.find(why), std::string::npos) << text;
    EXPECT_TRUE(j["jobs"].items.empty());

    // The report through a link keeps the link; to standard output it is
    // printed there, after the summary.
    const std::string target = std::string(::testing::TempDir()) + "va_cli_report_target.json";
    const std::string link = std::string(::testing::TempDir()) + "va_cli_report_link.json";
    std::remove(link.c_str());
    ASSERT_TRUE(writeFileWhole(target, std::string("old"), nullptr));
    std::filesystem::create_symlink(target, link);
    CliResult linked = runCliTool(kFiles + "--summary --report-json '" + link + "'");
    EXPECT_EQ(linked.exitCode, 0) << linked.out;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    ASSERT_TRUE(readFileWhole(target, &text));
    EXPECT_TRUE(JsonReader(text).parse(&j)) << text;
    std::remove(link.c_str());
    std::remove(target.c_str());
    CliResult toStdout = runCliTool(kFiles + "--summary --report-json /dev/fd/1");
    EXPECT_EQ(toStdout.exitCode, 0) << toStdout.out;
    const size_t summaryAt = toStdout.out.find("Tipo di lista:");
    const size_t reportAt = toStdout.out.find("{\n  \"program\": \"velartis-cli\"");
    ASSERT_NE(reportAt, std::string::npos) << toStdout.out;
    EXPECT_LT(summaryAt, reportAt) << toStdout.out;
}

// Nothing the run writes may land on a file it reads, whatever the spelling,
// and no pipe blocks the run: a configuration on a pipe is refused, a
// report into a pipe that nobody reads fails instead of waiting.
TEST(CliUsage, OutputsNeverLandOnInputsAndPipesNeverBlock) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "va_cli_clash";
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    const std::string cfg = (dir / "user.cfg").string(), vac = (dir / "master.vac").string();
    fs::copy_file(std::string(VA_TEST_DATA) + "/config/user.cfg", cfg);
    fs::copy_file(std::string(VA_TEST_DATA) + "/config/master.vac", vac);
    fs::create_symlink(vac, dir / "link.vac");
    std::string before;
    ASSERT_TRUE(readFileWhole(cfg, &before));
    const std::string files = "--config '" + cfg + "' --master '" + vac + "' ";
    const std::string d = dir.string();
    for (const std::string& use :
         {"--format ndf --output '" + cfg + "'",
          "--format ndf --output '" + d + "/sub/../user.cfg'",  // another spelling
          "--summary --report-json '" + d + "/./master.vac'",
          "--summary --report-json '" + d + "/link.vac'",  // through a link
          "--format ndf --output '" + d + "/l.ndf' --report-json '" + d + "/l.log'"}) {
        CliResult r = runCliTool(files + use);
        EXPECT_EQ(r.exitCode, 64) << use << "\n" << r.out;
        EXPECT_EQ(countOf(r.out, "\n"), 1u) << r.out;
    }
    std::string after;
    ASSERT_TRUE(readFileWhole(cfg, &after));
    EXPECT_EQ(after, before);
    EXPECT_TRUE(fs::is_symlink(dir / "link.vac"));
    // The log beside a list clashes only when a log is written.
    fs::copy_file(vac, dir / "m.log");
    const std::string logged = "--config '" + cfg + "' --master '" + d +
                               "/m.log' --format ndf --output '" + d + "/m.ndf' ";
    EXPECT_EQ(runCliTool(logged + "--log").exitCode, 64);
    EXPECT_EQ(runCliTool(logged + "--no-log --summary").exitCode, 0);

    const std::string fifo = d + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CliResult cfgPipe =
        runCliTool("--config '" + fifo + "' --master '" + vac + "' --summary", "timeout 30");
    EXPECT_EQ(cfgPipe.exitCode, 1) << cfgPipe.out;
    EXPECT_NE(cfgPipe.out.find(fifo + ": it is not a regular file"), std::string::npos)
        << cfgPipe.out;
    CliResult reportPipe =
        runCliTool(files + "--summary --report-json '" + fifo + "'", "timeout 30");
    EXPECT_EQ(reportPipe.exitCode, 1) << reportPipe.out;
    EXPECT_NE(reportPipe.out.find("no process reads this pipe"), std::string::npos)
        << reportPipe.out;
    fs::remove_all(dir);
}

}  // namespace

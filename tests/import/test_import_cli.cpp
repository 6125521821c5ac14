// The import subcommand's usage and refusals, without a server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/cli/cliRun.h"

namespace fs = std::filesystem;

TEST(ImportCli, UsageRefusalsAndTheToolWithoutIt) {
    const fs::path dir = fs::temp_directory_path() / ("va_imp_cli_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "bad.conf") << "Ok;P:11494:H:S19.2E:22000:0:1:0:0:1:1:1:0\nX;P:11494:H\n";

    CliResult r = runCliTool("import cable '" + (dir / "bad.conf").string() + "'");
    EXPECT_EQ(r.exitCode, 64) << r.out;
    r = runCliTool("import dvbv5 x.conf --position 19.2Q");
    EXPECT_EQ(r.exitCode, 64) << r.out;
    EXPECT_NE(r.out.find("--position '19.2Q'"), std::string::npos) << r.out;
    r = runCliTool("import vdr x.conf --db-pasword s3cret");
    EXPECT_EQ(r.exitCode, 64) << r.out;
    EXPECT_EQ(r.out.find("s3cret"), std::string::npos) << r.out;

    // A refused source is told with its file and line before any connection,
    // and the configuration files are not made.
    r = runCliTool("import vdr '" + (dir / "bad.conf").string() + "' --db-port 1 --master '" +
                   (dir / "m.vac").string() + "' --config '" + (dir / "u.cfg").string() + "'");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("bad.conf:2: a channel line has 13 fields"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir / "m.vac") || fs::exists(dir / "u.cfg"));

    // Without the word the tool is the download and generation it was.
    r = runCliTool("--help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--format"), std::string::npos);
    r = runCliTool("import --help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--dry-run"), std::string::npos);
    EXPECT_EQ(r.out.find("--format"), std::string::npos);
    fs::remove_all(dir);
}

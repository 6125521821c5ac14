// The import subcommand's usage and refusals, without a server.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/cli/cliRun.h"

namespace fs = std::filesystem;

TEST(ImportCli, UsageAndHelp) {
    CliResult r = runCliTool("import cable x.conf");
    EXPECT_EQ(r.exitCode, 64) << r.out;
    r = runCliTool("import dvbv5 x.conf --position 19.2Q");
    EXPECT_EQ(r.exitCode, 64) << r.out;
    EXPECT_NE(r.out.find("--position '19.2Q'"), std::string::npos) << r.out;
    // A mistyped option is not echoed with its value.
    r = runCliTool("import vdr x.conf --db-pasword s3cret");
    EXPECT_EQ(r.exitCode, 64) << r.out;
    EXPECT_EQ(r.out.find("s3cret"), std::string::npos) << r.out;
    r = runCliTool("import --help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--dry-run"), std::string::npos);
    EXPECT_EQ(r.out.find("--format"), std::string::npos);
}

// A malformed source, a folder, a pipe, a device or a huge file is refused
// with its reason before any connection, and the configuration files are
// not made (timeout(1) ends a run that hangs).
TEST(ImportCli, RefusedSourcesChangeNothing) {
    const fs::path dir = fs::temp_directory_path() / ("va_imp_odd_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "e2");
    const std::string good = (dir / "good.conf").string();
    std::ofstream(good) << "Ok;P:11494:H:S19.2E:22000:0:1:0:0:1:1:1:0\n";
    std::ofstream(dir / "bad.conf") << "Ok;P:11494:H:S19.2E:22000:0:1:0:0:1:1:1:0\nX;P:11494:H\n";
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::ofstream(dir / "huge.conf").close();
    fs::resize_file(dir / "huge.conf", 17u << 20);  // sparse
    const std::string master = " --master '" + (dir / "m.vac").string() + "'";
    const struct {
        std::string args, reason;
    } cases[] = {
        {"vdr '" + (dir / "bad.conf").string() + "'" + master,
         "bad.conf:2: a channel line has 13 fields"},
        {"vdr '" + dir.string() + "'" + master, "it is a folder"},
        {"vdr '" + (dir / "pipe").string() + "'" + master, "not a regular file"},
        {"dvbv5 /dev/zero --position 19.2E" + master, "not a regular file"},
        {"vdr '" + (dir / "huge.conf").string() + "'" + master, "larger than 16 MB"},
        {"vdr '" + good + "' --master '" + (dir / "pipe").string() + "'", "not a regular file"},
        // In a settings folder, also a file the import could do without.
        {"enigma2 '" + (dir / "e2").string() + "'" + master, "blacklist: it is not a regular file"},
        {"enigma2 '" + (dir / "e2").string() + "'" + master, "lamedb is larger than"},
    };
    std::ofstream(dir / "e2/lamedb") << "eDVB services /4/\ntransponders\n"
                                        "00c00000:0001:0001\n\ts 11494000:22000000:0:2:192:2:0\n/\n"
                                        "end\nservices\n0001:00c00000:0001:0001:1:0\nX\np:P\nend\n";
    ASSERT_EQ(mkfifo((dir / "e2/blacklist").c_str(), 0600), 0);
    for (const auto& c : cases) {
        if (c.reason == "lamedb is larger than") {
            fs::remove(dir / "e2/blacklist");
            fs::resize_file(dir / "e2/lamedb", 17u << 20);
        }
        const std::string args =
            "import " + c.args + " --db-port 1 --config '" + (dir / "u.cfg").string() + "'";
        CliResult r = runCliTool(args, "timeout 20");
        EXPECT_EQ(r.exitCode, 1) << args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.reason), std::string::npos) << args << "\n" << r.out;
        EXPECT_NE(r.out.find("nothing was imported"), std::string::npos) << r.out;
    }
    EXPECT_FALSE(fs::exists(dir / "m.vac") || fs::exists(dir / "u.cfg"));
    fs::remove_all(dir);
}

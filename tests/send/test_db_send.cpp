// One command: a list generated from the bundled database goes to the box,
// which then holds exactly the list's files beside its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "config/fileIo.h"
#include "tests/cli/cliRun.h"
#include "tests/support/fakebox/fakeBox.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> filesIn(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file()) out[e.path().filename().string()] = slurp(e.path());
    return out;
}

TEST(SendFromTheDatabase, GeneratedAndSentInOneCommand) {
    if (!FakeBox::available()) GTEST_SKIP() << "python3-pyftpdlib is not installed";
    const fs::path dir = fs::temp_directory_path() / ("va_dbsend_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "box/etc/enigma2");
    ASSERT_TRUE(writeFileWhole((dir / "box/etc/enigma2/settings").string(), "own\n", nullptr));
    ASSERT_TRUE(writeFileWhole((dir / "box/etc/enigma2/userbouquet.stale.tv").string(),
                               "#NAME Stale\n", nullptr));
    ASSERT_TRUE(writeFileWhole((dir / "pw").string(), "secret\n", nullptr));
    FakeBox box;
    ASSERT_TRUE(box.start(dir / "box", dir / "faults.json", dir / "ready.json"));
    const std::string args = "--db-host 127.0.0.1 --db-port " + std::to_string(VA_TEST_DB_PORT) +
                             " --db-name velartis_sample --config '" VA_SOURCE_DIR
                             "/data/Default.cfg' --master '" VA_SOURCE_DIR
                             "/data/VAconfig.vac' --format e2 --no-log --output '" +
                             (dir / "out").string() + "' --send 127.0.0.1 --ftp-port " +
                             std::to_string(box.address.ftpPort) + " --http-port " +
                             std::to_string(box.address.httpPort) + " --password-file '" +
                             (dir / "pw").string() + "' --backup-dir '" +
                             (dir / "backups").string() + "'";
    const fs::path json = dir / "run.json";
    CliResult r = runCliTool(args + " --report-json '" + json.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string report = slurp(json);
    EXPECT_NE(report.find("\"send\": {\n    \"ok\": true,"), std::string::npos) << report;
    EXPECT_EQ(report.find("secret"), std::string::npos);
    EXPECT_NE(r.out.find("the receiver holds the new list"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Checked: the receiver shows the list's"), std::string::npos) << r.out;

    // The box: the list's files, satellites.xml under /etc/tuxbox, its own
    // settings kept, the stale bouquet gone.
    const fs::path list = fs::directory_iterator(dir / "out")->path();
    std::map<std::string, std::string> want = filesIn(list);
    const std::string satellites = want["satellites.xml"];
    want.erase("satellites.xml");
    want["settings"] = "own\n";
    EXPECT_EQ(filesIn(dir / "box/etc/enigma2"), want);
    EXPECT_EQ(slurp(dir / "box/etc/tuxbox/satellites.xml"), satellites);

    // Anything but one Enigma list cannot be sent.
    EXPECT_EQ(runCliTool(args + " --format ndf").exitCode, 64);
    box.stop();
    fs::remove_all(dir);
}

}  // namespace

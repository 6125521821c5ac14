// The user's edits through the tool against the sample database: the file
// beside the configuration shapes every list written, its report says what
// matched nothing, and a broken file stops the run before anything is read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "config/fileIo.h"
#include "tests/cli/cliRun.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

std::string slurp(const fs::path& p) {
    std::string s;
    readFileWhole(p.string(), &s);
    return s;
}

// The bouquet file of the list whose #NAME is name.
std::string bouquet(const fs::path& list, const std::string& name) {
    for (const auto& e : fs::directory_iterator(list)) {
        const std::string text = slurp(e.path());
        if (e.path().filename().string().rfind("userbouquet.", 0) == 0 &&
            text.rfind("#NAME " + name + "\n", 0) == 0)
            return text;
    }
    return {};
}

fs::path listIn(const fs::path& dir) {
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind("DalmeroListE2_", 0) == 0) return e.path();
    return {};
}

TEST(CliEdits, TheFileBesideTheConfigurationShapesTheListsAndReportsWhatIsGone) {
    const fs::path dir = fs::temp_directory_path() / ("va_edits_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(std::string(VA_SOURCE_DIR) + "/data/Default.cfg", dir / "Mine.cfg");
    ASSERT_TRUE(writeFileWhole(
        (dir / "Mine.edits").string(),
        "# kept across downloads\n"
        "order \"ARD\" 19.2E:0001:044D:7031 \"tagesschau24\" 19.2E:0001:03FB:283E \"arte HD\"\n"
        "rename 19.2E:0001:044D:6DCA \"Das Erste\" to \"ARD Erste\"\n"
        "hide 19.2E:0001:044D:7034 \"x\" in \"ARD\"\n"
        "bouquet \"Mine\" 19.2E:0001:0437:6D66 \"ZDF\" 13.0E:013E:3401:0D49 \"Rai 1\"\n"
        "hide 19.2E:0001:0437:FFFE \"Gone channel\"\n",
        nullptr));
    const std::string args = "--db-host 127.0.0.1 --db-port " + std::to_string(VA_TEST_DB_PORT) +
                             " --db-name velartis_sample --config '" + (dir / "Mine.cfg").string() +
                             "' --master '" VA_SOURCE_DIR "/data/VAconfig.vac' --no-log ";
    CliResult r = runCliTool(args + "--format e2,ndf --output '" + (dir / "edited").string() +
                             "' --report-json '" + (dir / "run.json").string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_THAT(r.out, HasSubstr("Edits: 4 of 5 applied from " + (dir / "Mine.edits").string()));
    EXPECT_THAT(r.out, HasSubstr("Edit that matches nothing now (kept): hide "
                                 "19.2E:0001:0437:FFFE \"Gone channel\""));
    EXPECT_THAT(slurp(dir / "run.json"), HasSubstr("\"applied\": 4, \"unmatched\": [\"hide "));
    bool ndf = false;
    for (const auto& e : fs::directory_iterator(dir / "edited"))
        ndf = ndf || e.path().extension() == ".ndf";
    EXPECT_TRUE(ndf);  // the edited tables suit every family

    const fs::path list = listIn(dir / "edited");
    ASSERT_FALSE(list.empty()) << r.out;
    // ARD: the two first, the hidden one gone, the rest after.
    EXPECT_EQ(bouquet(list, "ARD 19.2E"),
              "#NAME ARD 19.2E\n"
              "#SERVICE 1:0:1:7031:44d:1:c02e3c:0:0:0:\n"
              "#SERVICE 1:0:1:283e:3fb:1:c02ce6:0:0:0:\n"
              "#SERVICE 1:0:1:283d:3fb:1:c02ce6:0:0:0:\n"
              "#SERVICE 1:0:1:6dca:44d:1:c02e3c:0:0:0:\n"
              "#SERVICE 1:0:1:6dcb:441:1:c02f13:0:0:0:\n"
              "#SERVICE 1:0:1:6dd5:441:1:c02f13:0:0:0:\n");
    // Renamed wherever it is; a bouquet of the user's own on each of the
    // two satellites its channels are on.
    const std::string lamedb = slurp(list / "lamedb");
    EXPECT_THAT(lamedb, HasSubstr("\nARD Erste\n"));
    EXPECT_EQ(lamedb.find("\nDas Erste\n"), std::string::npos);
    EXPECT_EQ(bouquet(list, "Mine 19.2E"),
              "#NAME Mine 19.2E\n#SERVICE 1:0:1:6d66:437:1:c02eb1:0:0:0:\n");
    EXPECT_EQ(bouquet(list, "Mine 13.0E"),
              "#NAME Mine 13.0E\n#SERVICE 1:0:1:d49:3401:13e:822af0:0:0:0:\n");

    // --no-edits: the download's own order.
    r = runCliTool(args + "--no-edits --format e2 --output '" + (dir / "plain").string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_THAT(bouquet(listIn(dir / "plain"), "ARD 19.2E"),
                HasSubstr("#NAME ARD 19.2E\n#SERVICE 1:0:1:283d:"));
    EXPECT_EQ(r.out.find("Edits:"), std::string::npos);

    // A broken line stops the run before the download, with its place.
    ASSERT_TRUE(writeFileWhole((dir / "bad.edits").string(), "order \"News\"\nlock x\n", nullptr));
    r = runCliTool(args + "--edits '" + (dir / "bad.edits").string() + "' --format e2 --output '" +
                   (dir / "bad").string() + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.out, HasSubstr("bad.edits, line 1: order: expected at least one channel"));
    EXPECT_FALSE(fs::exists(dir / "bad"));
    fs::remove_all(dir);
}

}  // namespace

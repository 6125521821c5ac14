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
#include "tests/support/files.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

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
        "hide 19.2E:0001:0437:FFFE \"Gone channel\"\n"
        "rename 19.2E:0001:0437:6D66 \"ZDF\" to \"ZDF Zweites Deutsches Fernsehen\"\n"
        "lock 19.2E:0001:044D:7031 \"tagesschau24\" on\n",
        nullptr));
    const std::string args = "--db-host 127.0.0.1 --db-port " + std::to_string(VA_TEST_DB_PORT) +
                             " --db-name velartis_sample --config '" + (dir / "Mine.cfg").string() +
                             "' --master '" VA_SOURCE_DIR "/data/VAconfig.vac' --no-log ";
    CliResult r = runCliTool(args + "--format e2,ndf,st1 --output '" + (dir / "edited").string() +
                             "' --report-json '" + (dir / "run.json").string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_THAT(r.out, HasSubstr("Edits: 6 of 7 applied from " + (dir / "Mine.edits").string()));
    EXPECT_THAT(r.out, HasSubstr("Edit that matches nothing now (kept): hide "
                                 "19.2E:0001:0437:FFFE \"Gone channel\""));
    EXPECT_THAT(slurp(dir / "run.json"), HasSubstr("\"applied\": 6, \"unmatched\": [\"hide "));
    // What a format cannot show is said with its list, not dropped.
    EXPECT_THAT(r.out,
                HasSubstr("Pvr-ST1 shows this name cut to 14 characters: rename "
                          "19.2E:0001:0437:6D66 \"ZDF\" to \"ZDF Zweites Deutsches Fernsehen\""));
    EXPECT_THAT(r.out, HasSubstr("Enigma2 has no lock per channel (it locks by category): lock "
                                 "19.2E:0001:044D:7031 \"tagesschau24\" on"));
    EXPECT_EQ(r.out.find("NDF has no lock"), std::string::npos);
    // Cut in the tables already, and said once: not again per format.
    EXPECT_THAT(r.out, HasSubstr("Name cut to its field: rename 19.2E:0001:0437:6D66 \"ZDF\" to "
                                 "\"ZDF Zweites Deutsches Fernsehen\" \xE2\x86\x92 \"ZDF Zweites "
                                 "Deutsches Fe\""));
    EXPECT_EQ(r.out.find("Enigma2 shows this name cut"), std::string::npos);
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

    // A list made by hand on the box: its ARD turned round, a channel
    // named its own way and a bouquet of its own. Its order and names
    // become edits, kept in the file, and shape the list written.
    const fs::path box = dir / "box";
    fs::create_directories(box);
    std::string lamedbBox = slurp(listIn(dir / "plain") / "lamedb");
    lamedbBox.replace(lamedbBox.find("\ntagesschau24\n"), 14, "\nTagesschau 24\n");
    ASSERT_TRUE(writeFileWhole((box / "lamedb").string(), lamedbBox, nullptr));
    ASSERT_TRUE(writeFileWhole(
        (box / "bouquets.tv").string(),
        "#NAME Bouquets (TV)\n"
        "#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.a.tv\" ORDER BY bouquet\n"
        "#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.b.tv\" ORDER BY bouquet\n",
        nullptr));
    ASSERT_TRUE(writeFileWhole((box / "userbouquet.a.tv").string(),
                               "#NAME ARD 19.2E\n"
                               "#SERVICE 1:0:1:6dd5:441:1:c02f13:0:0:0:\n"
                               "#SERVICE 1:0:1:7031:44d:1:c02e3c:0:0:0:\n",
                               nullptr));
    ASSERT_TRUE(writeFileWhole((box / "userbouquet.b.tv").string(),
                               "#NAME Evening\n"
                               "#SERVICE 1:0:1:6d66:437:1:c02eb1:0:0:0:\n",
                               nullptr));
    r = runCliTool(args + "--edits '" + (dir / "taken.edits").string() +
                   "' --edits-from-enigma2 '" + box.string() + "' --format e2 --output '" +
                   (dir / "taken").string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_THAT(r.out, HasSubstr("1 bouquets ordered, 1 made, 1 channels renamed"));
    const std::string kept = slurp(dir / "taken.edits");
    EXPECT_THAT(kept,
                HasSubstr("rename 19.2E:0001:044D:7031 \"tagesschau24\" to \"Tagesschau 24\"\n"));
    EXPECT_THAT(kept, HasSubstr("order \"ARD\" 19.2E:0001:0441:6DD5 "));
    EXPECT_THAT(kept, HasSubstr("bouquet \"Evening\" 19.2E:0001:0437:6D66 \"ZDF\"\n"));
    const fs::path taken = listIn(dir / "taken");
    EXPECT_THAT(bouquet(taken, "ARD 19.2E"),
                HasSubstr("#NAME ARD 19.2E\n#SERVICE 1:0:1:6dd5:441:1:c02f13:0:0:0:\n"
                          "#SERVICE 1:0:1:7031:44d:1:c02e3c:0:0:0:\n#SERVICE 1:0:1:283d:"));
    EXPECT_EQ(bouquet(taken, "Evening 19.2E"),
              "#NAME Evening 19.2E\n#SERVICE 1:0:1:6d66:437:1:c02eb1:0:0:0:\n");
    EXPECT_THAT(slurp(taken / "lamedb"), HasSubstr("\nTagesschau 24\n"));

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

#include <algorithm>

#include "tests/writers/writerFixture.h"

namespace {

const std::string kFolderName = "DalmeroListE2_2024-03-07_09-05";
const std::string kWritten = "The file was written correctly.";

// A small folder format: two files with a milestone between them.
FolderFormat twoFiles(Job* j, bool* greyedDuringBuild = nullptr) {
    FolderFormat f;
    f.folderPrefix = "DalmeroListE2";
    f.staleFiles = {"a.txt", "b.txt", "Velartis.log"};
    f.lastMilestone = 80;
    f.build = [j, greyedDuringBuild](const WriterInput&, const std::function<bool(OutFile&&)>& emit,
                                     const std::function<void(int)>& milestone) {
        if (greyedDuringBuild)
            *greyedDuringBuild =
                !j->ui.find("hDownload")->enabled && !j->ui.find("hGenerate")->enabled;
        if (!emit(OutFile{"a.txt", "alpha"})) return BuildResult::fail({}, false);
        milestone(50);
        if (!emit(OutFile{"keep.txt", "new"})) return BuildResult::fail({}, false);
        return BuildResult{};
    };
    return f;
}

std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> v;
    for (auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
}

// The failure text of the message table, then the reason in brackets.
void expectFailed(Job& j, const std::string& reason) {
    ASSERT_FALSE(j.ui.statusLog[0].empty());
    EXPECT_EQ(j.ui.statusLog[0].back(), " Error");
    const std::string& detail = j.ui.statusLog[1].back();
    EXPECT_EQ(detail.rfind("Unable to open file. (", 0), 0u) << detail;
    EXPECT_NE(detail.find(reason), std::string::npos) << detail;
    EXPECT_TRUE(j.ui.boxes.empty());
    EXPECT_TRUE(j.restored());
}

}  // namespace

TEST(FolderFrame, CancelledBrowserEndsQuietly) {
    Job j;
    j.ui.answerFolder(std::nullopt);
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 1u);
    EXPECT_TRUE(j.ui.boxes.empty());
    EXPECT_TRUE(j.ui.statusLog[0].empty() && j.ui.statusLog[1].empty());
    EXPECT_EQ(std::count(j.ui.calls.begin(), j.ui.calls.end(),
                         "browse Dalmero TEAM\n\nChoose Destination Folder:"), 1);
    EXPECT_TRUE(j.restored());
}

TEST(FolderFrame, WritesEachFileIntoTheDatedFolderAfterDeletingOnlyTheStaleOnes) {
    Job j;
    fs::path folder = j.tmp.path / kFolderName;
    fs::create_directory(folder);
    for (const char* n : {"a.txt", "b.txt", "c.txt", "keep.txt"})
        ASSERT_TRUE(writeFileWhole((folder / n).string(), std::string("old"), nullptr));
    j.ui.answerFolder(j.tmp.path.string());
    bool greyed = false;
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j, &greyed)), 0u);
    EXPECT_TRUE(greyed);
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"a.txt", "c.txt", "keep.txt"}));  // no log
    EXPECT_EQ(fileText(folder / "a.txt") + fileText(folder / "c.txt") + fileText(folder / "keep.txt"),
              "alphaoldnew");
    const std::string a = (folder / "a.txt").string(), k = (folder / "keep.txt").string();
    EXPECT_EQ(j.ui.statusLog[0],
              (std::vector<std::string>{"Writing", "Written", "Writing", "Written", "Message"}));
    EXPECT_EQ(j.ui.statusLog[1], (std::vector<std::string>{a, a, k, k, kWritten}));
    EXPECT_EQ(j.boxes(), (std::vector<std::string>{"Message|info|" + kWritten}));
    EXPECT_EQ(j.ui.progress, (std::vector<int>{0, 50, 80, 100}));
    EXPECT_TRUE(j.restored());
}

TEST(FolderFrame, BadDestinationFailsBeforeWriting) {
    TempDir tmp;
    fs::path deep = tmp.path / std::string(200, 'd');  // would pass the platform's path limit
    fs::create_directory(deep);
    ASSERT_TRUE(writeFileWhole((tmp.path / kFolderName).string(), std::string("x"), nullptr));
    const std::pair<std::string, const char*> cases[] = {
        {(tmp.path / "gone").string(), "No such file or directory"},
        {tmp.path.string(), "Not a directory"},  // the dated name is taken by a plain file
        {"", "no folder was chosen"},            // must not land at the root
        {deep.string(), "path too long"},
    };
    for (const auto& [answer, reason] : cases) {
        Job j;
        j.ui.answerFolder(answer);
        EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 1u);
        expectFailed(j, reason);
    }
    EXPECT_EQ(fileText(tmp.path / kFolderName), "x");
    EXPECT_TRUE(fs::is_empty(deep));
}

TEST(FolderFrame, FailedWriteKeepsTheOldFileAndFailsTheJob) {
    Job j;
    fs::path folder = j.tmp.path / kFolderName;
    fs::create_directory(folder);
    ASSERT_TRUE(writeFileWhole((folder / "keep.txt").string(), std::string("old"), nullptr));
    FaultHook hook([](const std::string& path, size_t) {
        return path.size() < 8 || path.substr(path.size() - 8) != "keep.txt";
    });
    j.ui.answerFolder(j.tmp.path.string());
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 1u);
    expectFailed(j, "No space left on device");
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"a.txt", "keep.txt"}));
    EXPECT_EQ(fileText(folder / "keep.txt"), "old");

    // A builder that carries on after a refused file does not turn the
    // job into a success either.
    Job k;
    FolderFormat stubborn = twoFiles(&k);
    stubborn.build = [](const WriterInput&, const std::function<bool(OutFile&&)>& emit,
                        const std::function<void(int)>&) {
        emit(OutFile{"keep.txt", "new"});
        emit(OutFile{"later.txt", "x"});
        return BuildResult{};
    };
    k.ui.answerFolder(j.tmp.path.string());
    EXPECT_EQ(runFolderJob(&k.param, stubborn), 1u);
    EXPECT_FALSE(fs::exists(folder / "later.txt"));
    EXPECT_EQ(fileText(folder / "keep.txt"), "old");
    EXPECT_TRUE(k.ui.boxes.empty());
}

TEST(LogFile, ReportTextBesideTheListAndAnUnwritableLogDoesNotFailTheJob) {
    Job j;
    const char* sats[][3] = {{"Hot Bird", "13.0E"}, {"Hot Bird", "13.0E"}, {"Amos", "5.0W"},
                             {"Hot Bird", "13.0E"}};
    for (auto& s : sats) {
        T_dbSat& r = j.addSat(130, "virtual", 130);
        copyText(r.sat_name, s[0]), copyText(r.location, s[1]);
    }
    j.report = T_dbReport{2, 4, 120, 7, 50, 3, 30, 20, 5, 1, 12, 10, 2, 2, 6};
    j.bouI.count = 2;
    j.bouI.bou[1] = {0, "Sky Calcio", 0, "Italia"};
    j.bouI.bou[2] = {0, "Canal+", 0, "France"};
    const std::string head =
        "Velartis1.3 by Dalmero Team - 2024-03-07 09:05:02\r\n\r\nREPORT:\r\n\r\n"
        "Satelliti:               Real=2 Fake=4\r\n"
        "Transponder:             120\r\n"
        "Bouquets:                7\r\n"
        "Canali TV:               53 (Fake=3, Fta=30, Cod=20) (HD=5)(3D=1)\r\n"
        "Canali Radio:            12 (Fta=10, Cod=2)\r\n"
        "Gruppi Favoriti:         2\r\n"
        "Canali Favoriti:         6\r\n\r\n"
        "Satelliti:               1 Hot Bird 13.0E\r\n"
        "                         2 Amos 5.0W\r\n"
        "                         3 Hot Bird 13.0E\r\n"
        "\r\n";
    EXPECT_EQ(logText(j.input(), kClock), head +
                                              "Bouquet Esclusi:         Sky Calcio (Italia)\r\n"
                                              "                         Canal+ (France)\r\n\r\n"
                                              "Gruppi Favoriti Esclusi: -\r\n\r\n");
    j.bouI.count = 0;
    j.favI.count = 2;
    copyText(j.favI.fav[1].favName, "Cinema");
    copyText(j.favI.fav[2].favName, "Sport");
    const std::string swapped = head +
                                "Bouquet Esclusi:         -\r\n\r\n"
                                "Gruppi Favoriti Esclusi: Cinema\r\n"
                                "                         Sport\r\n\r\n";
    EXPECT_EQ(logText(j.input(), kClock), swapped);
    Tables none;  // without any satellite the list block shows "-" like the others
    EXPECT_NE(logText(none.input(), kClock).find("\r\n\r\nSatelliti:               -\r\n\r\n"),
              std::string::npos);

    // The job writes exactly that beside the list, named after the program.
    const fs::path log = j.tmp.path / kFolderName / "Velartis.log";
    j.cfg.logFile = 1;
    j.ui.answerFolder(j.tmp.path.string());
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 0u);
    EXPECT_EQ(fileText(log), swapped);

    // A log that cannot be written leaves the job successful.
    fs::remove(log);
    fs::create_directory(log);
    j.ui.statusLog[0].clear(), j.ui.boxes.clear();
    j.ui.answerFolder(j.tmp.path.string());
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 0u);
    auto& s0 = j.ui.statusLog[0];
    EXPECT_NE(std::find(s0.begin(), s0.end(), " Error"), s0.end());
    EXPECT_EQ(s0.back(), "Message");
    EXPECT_EQ(j.boxes(), (std::vector<std::string>{"Message|info|" + kWritten}));
    EXPECT_EQ(LogWriter(&j.param, log.string()), 1u);
}

namespace {
SingleFileFormat ndfLike(size_t size, BuildResult result = {}) {
    SingleFileFormat f{"DMlistNDF-%04d%02d%02d.ndf", "Files ndf (*.ndf)", "*.ndf", "ndf", {}};
    f.build = [size, result](const WriterInput&, std::string* image) {
        image->assign(size, '\x5A');
        return result;
    };
    return f;
}
}  // namespace

TEST(SingleFileFrame, DefaultNameExtensionProgressAndLog) {
    Job j;
    j.cfg.logFile = 1;
    j.ui.answerSave((j.tmp.path / "mylist").string());
    EXPECT_EQ(runSingleFileJob(&j.param, ndfLike(1000)), 0u);
    EXPECT_EQ(std::count(j.ui.calls.begin(), j.ui.calls.end(),
                         "save Save default DMlistNDF-20240307.ndf"), 1);
    EXPECT_EQ(fileText(j.tmp.path / "mylist.ndf"), std::string(1000, '\x5A'));
    EXPECT_EQ(fileText(j.tmp.path / "mylist.log"), logText(j.input(), kClock));
    EXPECT_EQ(j.ui.progress,
              (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 100, 100, 100}));
    const std::string saved = (j.tmp.path / "mylist.ndf").string();
    EXPECT_EQ(std::vector<std::string>(j.ui.statusLog[1].begin(), j.ui.statusLog[1].begin() + 2),
              (std::vector<std::string>{saved, saved}));
    EXPECT_EQ(j.ui.statusLog[0].back(), "Message");
    EXPECT_TRUE(j.restored());
}

TEST(SingleFileFrame, CancelLimitAndWriteFailureStopTheJob) {
    Job cancel;
    cancel.ui.answerSave(std::nullopt);
    EXPECT_EQ(runSingleFileJob(&cancel.param, ndfLike(10)), 1u);
    EXPECT_EQ(cancel.ui.statusLog[0], (std::vector<std::string>{" Error"}));
    EXPECT_EQ(cancel.ui.statusLog[1], (std::vector<std::string>{"Unable to open file."}));
    EXPECT_TRUE(cancel.ui.boxes.empty());
    EXPECT_TRUE(cancel.restored());

    Job limit;
    const std::string text = "Too many satellites for NDF format. (61 max)";
    EXPECT_EQ(runSingleFileJob(&limit.param, ndfLike(10, BuildResult::fail(text))), 1u);
    EXPECT_EQ(limit.ui.statusLog[1], (std::vector<std::string>{text}));
    EXPECT_EQ(limit.boxes(), (std::vector<std::string>{" Error|error|" + text}));
    EXPECT_EQ(limit.ui.lastDefaultName, "");  // no save dialog was shown

    Job fail;
    FaultHook hook([](const std::string&, size_t) { return false; });
    fail.ui.answerSave((fail.tmp.path / "list.ndf").string());
    EXPECT_EQ(runSingleFileJob(&fail.param, ndfLike(10)), 1u);
    expectFailed(fail, "No space left on device");
    EXPECT_TRUE(fs::is_empty(fail.tmp.path));
    EXPECT_EQ(fail.ui.progress, (std::vector<int>{0}));  // a failed write moves no bar
}

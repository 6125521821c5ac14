#include <sys/stat.h>

#include <algorithm>

#include "tests/writers/enigma/enigmaFixture.h"

namespace {

const std::string kFolderName = "DalmeroListE2_2024-03-07_09-05";

// A small folder format: two files with a milestone between them.
FolderFormat twoFiles(JobFixture* j, bool* greyedDuringBuild = nullptr) {
    FolderFormat f;
    f.folderPrefix = "DalmeroListE2";
    f.staleFiles = {"a.txt", "b.txt", "Velartis.log"};
    f.lastMilestone = 80;
    f.build = [j, greyedDuringBuild](const WriterInput&, const OutFileSink& emit,
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

std::string fileText(const fs::path& p) {
    std::string s;
    return readFileWhole(p.string(), &s) ? s : "<missing>";
}

std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> v;
    for (auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
}

void expectRestored(JobFixture& j) {
    EXPECT_TRUE(j.ui.find("hDownload")->enabled);
    EXPECT_TRUE(j.ui.find("hGenerate")->enabled);
    EXPECT_TRUE(j.ui.find("satCheck1")->enabled);
}

// The failure text of the message table, then the reason in brackets.
void expectFailed(JobFixture& j, const std::string& reason) {
    ASSERT_FALSE(j.ui.statusLog[0].empty());
    EXPECT_EQ(j.ui.statusLog[0].back(), " Error");
    const std::string& detail = j.ui.statusLog[1].back();
    EXPECT_EQ(detail.rfind("Unable to open file. (", 0), 0u) << detail;
    EXPECT_NE(detail.find(reason), std::string::npos) << detail;
    EXPECT_TRUE(j.ui.boxes.empty());
    expectRestored(j);
}

struct ClearHook {
    ~ClearHook() { setWriteFaultHook(nullptr); }
};

}  // namespace

TEST(FolderFrame, CancelledBrowserEndsQuietly) {
    JobFixture j;
    j.ui.answerFolder(std::nullopt);
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 1u);
    EXPECT_TRUE(j.ui.boxes.empty());
    EXPECT_TRUE(j.ui.statusLog[0].empty());
    EXPECT_TRUE(j.ui.statusLog[1].empty());
    EXPECT_NE(std::find(j.ui.calls.begin(), j.ui.calls.end(),
                        "browse Dalmero TEAM\n\nChoose Destination Folder:"),
              j.ui.calls.end());
    expectRestored(j);
}

TEST(FolderFrame, WritesEachFileThenReportsSuccess) {
    TempDir tmp;
    JobFixture j;
    j.ui.answerFolder(tmp.path.string());
    bool greyed = false;
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j, &greyed)), 0u);
    EXPECT_TRUE(greyed);
    fs::path folder = tmp.path / kFolderName;
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"a.txt", "keep.txt"}));  // no log: logFile 0
    EXPECT_EQ(fileText(folder / "a.txt"), "alpha");
    const std::string a = (folder / "a.txt").string(), k = (folder / "keep.txt").string();
    EXPECT_EQ(j.ui.statusLog[0],
              (std::vector<std::string>{"Writing", "Written", "Writing", "Written", "Message"}));
    EXPECT_EQ(j.ui.statusLog[1],
              (std::vector<std::string>{a, a, k, k, "The file was written correctly."}));
    ASSERT_EQ(j.ui.boxes.size(), 1u);
    EXPECT_EQ(j.ui.boxes[0].text, "The file was written correctly.");
    EXPECT_EQ(j.ui.boxes[0].caption, "Message");
    EXPECT_EQ(j.ui.boxes[0].flags, unsigned{kMbIconInformation});
    EXPECT_EQ(j.ui.progress, (std::vector<int>{0, 50, 80, 100}));
    expectRestored(j);
}

TEST(FolderFrame, ExistingFolderLosesOnlyTheStaleFiles) {
    TempDir tmp;
    JobFixture j;
    fs::path folder = tmp.path / kFolderName;
    fs::create_directory(folder);
    for (const char* n : {"a.txt", "b.txt", "c.txt", "keep.txt"})
        ASSERT_TRUE(writeFileWhole((folder / n).string(), std::string("old"), nullptr));
    j.ui.answerFolder(tmp.path.string());
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 0u);
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"a.txt", "c.txt", "keep.txt"}));
    EXPECT_EQ(fileText(folder / "a.txt"), "alpha");
    EXPECT_EQ(fileText(folder / "c.txt"), "old");
    EXPECT_EQ(fileText(folder / "keep.txt"), "new");
}

TEST(FolderFrame, BadDestinationFailsBeforeWriting) {
    TempDir tmp;
    {  // The chosen folder vanished.
        JobFixture j;
        j.ui.answerFolder((tmp.path / "gone").string());
        EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 1u);
        expectFailed(j, "No such file or directory");
    }
    {  // The dated name is taken by a plain file.
        JobFixture j;
        ASSERT_TRUE(writeFileWhole((tmp.path / kFolderName).string(), std::string("x"), nullptr));
        j.ui.answerFolder(tmp.path.string());
        EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 1u);
        expectFailed(j, "Not a directory");
        EXPECT_EQ(fileText(tmp.path / kFolderName), "x");
        fs::remove(tmp.path / kFolderName);
    }
    {  // A choice without a file-system path must not land at the root.
        JobFixture j;
        j.ui.answerFolder(std::string());
        EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 1u);
        expectFailed(j, "no folder was chosen");
    }
    {  // The path would pass the platform's limit.
        JobFixture j;
        fs::path deep = tmp.path / std::string(200, 'd');
        fs::create_directory(deep);
        j.ui.answerFolder(deep.string());
        EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 1u);
        expectFailed(j, "path too long");
        EXPECT_TRUE(fs::is_empty(deep));
    }
}

TEST(FolderFrame, FailedWriteKeepsTheOldFileAndFailsTheJob) {
    ClearHook clear;
    TempDir tmp;
    fs::path folder = tmp.path / kFolderName;
    fs::create_directory(folder);
    ASSERT_TRUE(writeFileWhole((folder / "keep.txt").string(), std::string("old"), nullptr));
    setWriteFaultHook([](const std::string& path, size_t) {
        return path.size() < 8 || path.substr(path.size() - 8) != "keep.txt";
    });
    JobFixture j;
    j.ui.answerFolder(tmp.path.string());
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 1u);
    expectFailed(j, "No space left on device");
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"a.txt", "keep.txt"}));
    EXPECT_EQ(fileText(folder / "keep.txt"), "old");

    // A builder that carries on after a refused file does not turn the
    // job into a success either.
    JobFixture k;
    FolderFormat stubborn = twoFiles(&k);
    stubborn.build = [](const WriterInput&, const OutFileSink& emit,
                        const std::function<void(int)>&) {
        emit(OutFile{"keep.txt", "new"});
        emit(OutFile{"later.txt", "x"});
        return BuildResult{};
    };
    k.ui.answerFolder(tmp.path.string());
    EXPECT_EQ(runFolderJob(&k.param, stubborn), 1u);
    EXPECT_FALSE(fs::exists(folder / "later.txt"));
    EXPECT_EQ(fileText(folder / "keep.txt"), "old");
    EXPECT_TRUE(k.ui.boxes.empty());
}

TEST(LogFile, ReportTextWithCrLfAndAdjacentSatellitesMerged) {
    JobFixture j;
    j.addSat(130, "Sky Italia 13.0E", "Hot Bird", "13.0E", 130, 10);
    j.addSat(130, "Rai 13.0E", "Hot Bird", "13.0E", 130, 20);
    j.addSat(50, "Yes 5.0W", "Amos", "5.0W", 3550, 30);
    j.addSat(130, "Mediaset 13.0E", "Hot Bird", "13.0E", 130, 40);
    j.report = T_dbReport{2, 4, 120, 7, 50, 3, 30, 20, 5, 1, 12, 10, 2, 2, 6};
    j.bouI->count = 2;
    copyText(j.bouI->bou[1].bouName, "Sky Calcio");
    copyText(j.bouI->bou[1].bouNation, "Italia");
    copyText(j.bouI->bou[2].bouName, "Canal+");
    copyText(j.bouI->bou[2].bouNation, "France");
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
                                             "                         Canal+ (France)\r\n"
                                             "\r\n"
                                             "Gruppi Favoriti Esclusi: -\r\n"
                                             "\r\n");
    j.bouI->count = 0;
    j.favI->count = 2;
    copyText(j.favI->fav[1].favName, "Cinema");
    copyText(j.favI->fav[2].favName, "Sport");
    const std::string swapped = head +
                                "Bouquet Esclusi:         -\r\n"
                                "\r\n"
                                "Gruppi Favoriti Esclusi: Cinema\r\n"
                                "                         Sport\r\n"
                                "\r\n";
    EXPECT_EQ(logText(j.input(), kClock), swapped);

    // Without any satellite the list block shows "-" like the others.
    ListFixture none;
    EXPECT_NE(logText(none.input(), kClock).find("\r\n\r\nSatelliti:               -\r\n\r\n"),
              std::string::npos);

    // The job writes exactly that beside the list, named after the program.
    TempDir tmp;
    j.cfg->logFile = 1;
    j.ui.answerFolder(tmp.path.string());
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 0u);
    EXPECT_EQ(fileText(tmp.path / kFolderName / "Velartis.log"), swapped);
}

TEST(LogFile, UnwritableLogLeavesTheJobSuccessful) {
    TempDir tmp;
    JobFixture j;
    j.cfg->logFile = 1;
    fs::create_directories(tmp.path / kFolderName / "Velartis.log");
    j.ui.answerFolder(tmp.path.string());
    EXPECT_EQ(runFolderJob(&j.param, twoFiles(&j)), 0u);
    auto& s0 = j.ui.statusLog[0];
    EXPECT_NE(std::find(s0.begin(), s0.end(), " Error"), s0.end());
    EXPECT_EQ(s0.back(), "Message");
    ASSERT_EQ(j.ui.boxes.size(), 1u);
    EXPECT_EQ(j.ui.boxes[0].caption, "Message");
    EXPECT_EQ(LogWriter(&j.param, (tmp.path / kFolderName / "Velartis.log").string()), 1u);
}

namespace {
SingleFileFormat ndfLike(size_t size, BuildResult result = {}) {
    SingleFileFormat f;
    f.defaultNameFmt = "DMlistNDF-%04d%02d%02d.ndf";
    f.filterDesc = "Files ndf (*.ndf)";
    f.filterPattern = "*.ndf";
    f.defExt = "ndf";
    f.build = [size, result](const WriterInput&, std::string* image) {
        image->assign(size, '\x5A');
        return result;
    };
    return f;
}
}  // namespace

TEST(SingleFileFrame, DefaultNameExtensionProgressAndLog) {
    TempDir tmp;
    JobFixture j;
    j.cfg->logFile = 1;
    j.ui.answerSave((tmp.path / "mylist").string());
    EXPECT_EQ(runSingleFileJob(&j.param, ndfLike(1000)), 0u);
    EXPECT_EQ(j.ui.lastDefaultName, "DMlistNDF-20240307.ndf");
    EXPECT_NE(std::find(j.ui.calls.begin(), j.ui.calls.end(), "save Save default DMlistNDF-20240307.ndf"),
              j.ui.calls.end());
    EXPECT_EQ(fileText(tmp.path / "mylist.ndf"), std::string(1000, '\x5A'));
    EXPECT_EQ(fileText(tmp.path / "mylist.log"), logText(j.input(), kClock));
    EXPECT_EQ(j.ui.progress,
              (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 100, 100, 100}));
    const std::string saved = (tmp.path / "mylist.ndf").string();
    EXPECT_EQ(std::vector<std::string>(j.ui.statusLog[1].begin(), j.ui.statusLog[1].begin() + 2),
              (std::vector<std::string>{saved, saved}));
    EXPECT_EQ(j.ui.statusLog[0].back(), "Message");
    expectRestored(j);
}

TEST(SingleFileFrame, CancelLimitAndWriteFailureStopTheJob) {
    ClearHook clear;
    TempDir tmp;
    {
        JobFixture j;
        j.ui.answerSave(std::nullopt);
        EXPECT_EQ(runSingleFileJob(&j.param, ndfLike(10)), 1u);
        EXPECT_EQ(j.ui.statusLog[0], (std::vector<std::string>{" Error"}));
        EXPECT_EQ(j.ui.statusLog[1], (std::vector<std::string>{"Unable to open file."}));
        EXPECT_TRUE(j.ui.boxes.empty());
        expectRestored(j);
    }
    {
        JobFixture j;
        const std::string limit = "Too many satellites for NDF format. (61 max)";
        EXPECT_EQ(runSingleFileJob(&j.param, ndfLike(10, BuildResult::fail(limit))), 1u);
        EXPECT_EQ(j.ui.statusLog[1], (std::vector<std::string>{limit}));
        ASSERT_EQ(j.ui.boxes.size(), 1u);
        EXPECT_EQ(j.ui.boxes[0].text, limit);
        EXPECT_EQ(j.ui.boxes[0].caption, " Error");
        EXPECT_EQ(j.ui.boxes[0].flags, unsigned{kMbIconError});
        EXPECT_EQ(j.ui.lastDefaultName, "");  // no save dialog was shown
    }
    {
        JobFixture j;
        setWriteFaultHook([](const std::string&, size_t) { return false; });
        j.ui.answerSave((tmp.path / "list.ndf").string());
        EXPECT_EQ(runSingleFileJob(&j.param, ndfLike(10)), 1u);
        expectFailed(j, "No space left on device");
        EXPECT_TRUE(fs::is_empty(tmp.path));
        EXPECT_EQ(j.ui.progress, (std::vector<int>{0}));  // a failed write moves no bar
    }
}

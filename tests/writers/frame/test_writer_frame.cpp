#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/writers/writerFixture.h"

namespace {

const std::string kFolderName = "DalmeroListE2_2024-03-07_09-05";
const std::string kWritten = "The file was written correctly.";

// A small folder format: two files with a milestone between them.
FolderFormat twoFiles(Job* j, bool* greyedDuringBuild = nullptr) {
    FolderFormat f;
    f.folderPrefix = "DalmeroListE2";
    f.lastMilestone = 80;
    f.build = [j, greyedDuringBuild](const WriterInput&,
                                     const std::function<bool(OutFile &&)>& emit,
                                     const std::function<void(int)>& milestone) {
        if (greyedDuringBuild) *greyedDuringBuild = j->ui.greyed;
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

// The failure text of the message table, then the reason in brackets; the
// same in one error box, the reason on a line of its own.
void expectFailed(Job& j, const std::string& reason) {
    ASSERT_FALSE(j.ui.statusLog[0].empty());
    EXPECT_EQ(j.ui.statusLog[0].back(), " Error");
    const std::string& detail = j.ui.statusLog[1].back();
    EXPECT_EQ(detail.rfind("Unable to open file. (", 0), 0u) << detail;
    EXPECT_NE(detail.find(reason), std::string::npos) << detail;
    ASSERT_EQ(j.ui.boxes.size(), 1u);
    EXPECT_EQ(j.ui.boxes[0].text.rfind("Unable to open file.\n", 0), 0u) << j.ui.boxes[0].text;
    EXPECT_NE(j.ui.boxes[0].text.find(reason), std::string::npos);
    EXPECT_EQ(j.ui.boxes[0].flags, unsigned{kMbIconError});
    EXPECT_TRUE(j.restored());
}

SingleFileFormat ndfLike(size_t size, BuildResult result = {}) {
    SingleFileFormat f{"DMlistNDF-%04d%02d%02d.ndf", "*.ndf", "ndf", {}};
    f.build = [size, result](const WriterInput&, std::string* image) {
        image->assign(size, '\x5A');
        return result;
    };
    return f;
}

// Runs the scope as on a file system without anonymous temporary files and
// atomic exchange, or as on this one.
struct PlainFs {
    explicit PlainFs(bool plain) { setPlainFileSystem(plain); }
    ~PlainFs() { setPlainFileSystem(false); }
};

}  // namespace

TEST(FolderFrame, WritesEachFileIntoTheDatedFolderReplacingAnEarlierRunWhole) {
    Job j;
    fs::path folder = j.tmp.path / kFolderName;
    fs::create_directory(folder);
    // Whatever an earlier run of the same minute wrote, up to the last user
    // bouquet of a full list, is gone: two runs never mix.
    for (const char* n : {"a.txt", "c.txt", "keep.txt", "userbouquet.dbe2002.tv"})
        ASSERT_TRUE(writeFileWhole((folder / n).string(), std::string("old"), nullptr));
    j.target(j.tmp.path.string());
    bool greyed = false;
    EXPECT_EQ(runFolderJob(j.req(), twoFiles(&j, &greyed)), 0u);
    EXPECT_TRUE(greyed);
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"a.txt", "keep.txt"}));  // no log
    EXPECT_EQ(fileText(folder / "a.txt") + fileText(folder / "keep.txt"), "alphanew");
    EXPECT_EQ(listing(j.tmp.path), (std::vector<std::string>{kFolderName}));
    const std::string a = (folder / "a.txt").string(), k = (folder / "keep.txt").string();
    EXPECT_EQ(j.ui.statusLog[0],
              (std::vector<std::string>{"Writing", "Written", "Writing", "Written", "Message"}));
    EXPECT_EQ(j.ui.statusLog[1], (std::vector<std::string>{a, a, k, k, kWritten}));
    EXPECT_EQ(j.boxes(), (std::vector<std::string>{"Message|info|" + kWritten}));
    EXPECT_EQ(j.ui.generateSteps, (std::vector<int>{0, 50, 80, 100}));
    EXPECT_TRUE(j.restored());
}

TEST(Frame, CancelLeavesTheListInPlaceWholeAndSaysSo) {
    // Asked before the second file: the earlier folder stays as it was.
    Job j;
    const fs::path folder = j.tmp.path / kFolderName;
    fs::create_directory(folder);
    ASSERT_TRUE(writeFileWhole((folder / "a.txt").string(), std::string("old"), nullptr));
    int asked = 0;
    j.ui.cancelWhen = [&] { return ++asked > 1; };
    j.target(j.tmp.path.string());
    EXPECT_EQ(runFolderJob(j.req(), twoFiles(&j)), 1u);
    EXPECT_EQ(listing(j.tmp.path), (std::vector<std::string>{kFolderName}));
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ(fileText(folder / "a.txt"), "old");
    EXPECT_EQ(j.status(1), "Operation canceled.");
    EXPECT_TRUE(j.ui.boxes.empty());
    EXPECT_TRUE(j.restored());

    // A single file is cancelled before it takes the old one's place.
    Job k;
    const fs::path list = k.tmp.path / "list.ndf";
    ASSERT_TRUE(writeFileWhole(list.string(), std::string("old"), nullptr));
    k.ui.cancelWhen = [] { return true; };
    k.target(list);
    EXPECT_EQ(runSingleFileJob(k.req(), ndfLike(10)), 1u);
    EXPECT_EQ(listing(k.tmp.path), (std::vector<std::string>{"list.ndf"}));
    EXPECT_EQ(fileText(list), "old");
    EXPECT_EQ(k.status(1), "Operation canceled.");
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
        j.target(answer);
        EXPECT_EQ(runFolderJob(j.req(), twoFiles(&j)), 1u);
        expectFailed(j, reason);
    }
    EXPECT_EQ(fileText(tmp.path / kFolderName), "x");
    EXPECT_TRUE(fs::is_empty(deep));
}

TEST(FolderFrame, FailedWriteKeepsTheOldListWholeAndFailsTheJob) {
    for (bool plain : {false, true}) {
        PlainFs fsKind(plain);
        Job j;
        fs::path folder = j.tmp.path / kFolderName;
        fs::create_directory(folder);
        for (const char* n : {"a.txt", "keep.txt"})
            ASSERT_TRUE(writeFileWhole((folder / n).string(), std::string("old"), nullptr));
        FaultHook hook([](const std::string& path, size_t) { return !path.ends_with("keep.txt"); });
        j.target(j.tmp.path.string());
        EXPECT_EQ(runFolderJob(j.req(), twoFiles(&j)), 1u);
        expectFailed(j, "No space left on device");
        // The reason names the file where the user looks for it.
        EXPECT_NE(j.ui.statusLog[1].back().find((folder / "keep.txt").string()), std::string::npos);
        EXPECT_EQ(fileText(folder / "a.txt") + fileText(folder / "keep.txt"), "oldold");
        EXPECT_EQ(listing(j.tmp.path), (std::vector<std::string>{kFolderName}));

        // A builder that carries on after a refused file does not turn the
        // job into a success either.
        Job k;
        FolderFormat stubborn = twoFiles(&k);
        stubborn.build = [](const WriterInput&, const std::function<bool(OutFile &&)>& emit,
                            const std::function<void(int)>&) {
            emit(OutFile{"keep.txt", "new"});
            emit(OutFile{"later.txt", "x"});
            return BuildResult{};
        };
        k.target(j.tmp.path.string());
        EXPECT_EQ(runFolderJob(k.req(), stubborn), 1u);
        EXPECT_EQ(listing(folder), (std::vector<std::string>{"a.txt", "keep.txt"}));
        EXPECT_EQ(fileText(folder / "keep.txt"), "old");
        ASSERT_EQ(k.ui.boxes.size(), 1u);  // the failure, no success
        EXPECT_EQ(k.ui.boxes[0].flags, unsigned{kMbIconError});
    }
}

TEST(FolderFrame, KilledRewriteLeavesTheOldListAndTheNextRunCleansUp) {
    for (bool plain : {false, true}) {
        PlainFs fsKind(plain);
        Job j;
        fs::path folder = j.tmp.path / kFolderName;
        fs::create_directory(folder);
        const std::vector<std::string> old = {"a.txt", "keep.txt", "userbouquet.dbe2002.tv"};
        for (const std::string& n : old)
            ASSERT_TRUE(writeFileWhole((folder / n).string(), std::string("old"), nullptr));
        j.target(j.tmp.path.string());
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Killed in the middle: one file written, the next one on its way.
            setWriteFaultHook([](const std::string& path, size_t) {
                if (path.ends_with("keep.txt")) ::kill(::getpid(), SIGKILL);
                return true;
            });
            runFolderJob(j.req(), twoFiles(&j));
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        EXPECT_EQ(listing(folder), old);
        for (const std::string& n : old) EXPECT_EQ(fileText(folder / n), "old");
        const std::string leftover = ".vatmp-" + std::to_string(child) + "-";
        auto left = listing(j.tmp.path);
        ASSERT_EQ(left.size(), 2u);
        EXPECT_EQ(left[0].rfind(leftover, 0), 0u) << left[0];

        EXPECT_EQ(runFolderJob(j.req(), twoFiles(&j)), 0u);
        EXPECT_EQ(listing(folder), (std::vector<std::string>{"a.txt", "keep.txt"}));
        EXPECT_EQ(fileText(folder / "a.txt") + fileText(folder / "keep.txt"), "alphanew");
        EXPECT_EQ(listing(j.tmp.path), (std::vector<std::string>{kFolderName}));
    }
}

namespace {
// Holds first at its first write while second runs into the same destination
// (until second returns, or for releaseAfterMs); gives second's result.
uint32_t whileAnotherRunWrites(const std::function<uint32_t()>& first,
                               const std::function<uint32_t()>& second, int releaseAfterMs = -1) {
    std::mutex mu;
    std::condition_variable cv;
    bool inside = false, released = false, held = false;
    FaultHook hook([&](const std::string&, size_t) {
        std::unique_lock<std::mutex> lock(mu);
        if (held) return true;
        held = inside = true;
        cv.notify_all();
        cv.wait(lock, [&] { return released; });
        return true;
    });
    auto release = [&] {
        std::lock_guard<std::mutex> lock(mu);
        released = true;
        cv.notify_all();
    };
    uint32_t firstRc = 9;
    std::thread a([&] { firstRc = first(); });
    {
        std::unique_lock<std::mutex> lock(mu);
        cv.wait(lock, [&] { return inside; });
    }
    std::thread releaser([&] {
        if (releaseAfterMs < 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(releaseAfterMs));
        release();
    });
    uint32_t rc = second();
    releaser.join();
    release();
    a.join();
    EXPECT_EQ(firstRc, 0u);
    return rc;
}

struct RestoreLockWait {
    ~RestoreLockWait() { setDestinationLockWait(5000); }
};
}  // namespace

TEST(Frame, SecondRunIntoTheSameDestinationWaitsBrieflyThenFails) {
    RestoreLockWait restore;
    TempDir tmp;
    const fs::path folder = tmp.path / kFolderName;
    FolderFormat other;
    other.folderPrefix = "DalmeroListE2";
    other.build = [](const WriterInput&, const std::function<bool(OutFile &&)>& emit,
                     const std::function<void(int)>&) {
        emit(OutFile{"other.txt", "B"});
        return BuildResult{};
    };
    Job a, b;
    auto runA = [&] {
        a.target(tmp.path.string());
        return runFolderJob(a.req(), twoFiles(&a));
    };
    auto runB = [&] {
        b.target(tmp.path.string());
        return runFolderJob(b.req(), other);
    };
    // Held past the wait: the second run fails naming the destination.
    setDestinationLockWait(200);
    EXPECT_EQ(whileAnotherRunWrites(runA, runB), 1u);
    EXPECT_EQ(b.ui.statusLog[1].back(),
              "Unable to open file. (" + folder.string() + " is being written by another run)");
    EXPECT_TRUE(b.restored());
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"a.txt", "keep.txt"}));
    // Released within the wait: the second run follows and replaces it whole.
    setDestinationLockWait(5000);
    EXPECT_EQ(whileAnotherRunWrites(runA, runB, 50), 0u);
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"other.txt"}));
    EXPECT_EQ(listing(tmp.path), (std::vector<std::string>{kFolderName}));

    // The same for one file: never the bytes of one with the log of the other.
    const fs::path list = tmp.path / "list.ndf";
    a.cfg.logFile = b.cfg.logFile = 1;
    auto saveA = [&] {
        a.target(list.string());
        return runSingleFileJob(a.req(), ndfLike(10));
    };
    auto saveB = [&] {
        b.target(list.string());
        return runSingleFileJob(b.req(), ndfLike(20));
    };
    setDestinationLockWait(200);
    EXPECT_EQ(whileAnotherRunWrites(saveA, saveB), 1u);
    EXPECT_EQ(b.ui.statusLog[1].back(),
              "Unable to open file. (" + list.string() + " is being written by another run)");
    EXPECT_EQ(fileText(list), std::string(10, '\x5A'));
}

TEST(LogFile, ReportTextBesideTheListAndAnUnwritableLogFailsTheJobButNotTheList) {
    Job j;
    const char* sats[][3] = {
        {"Hot Bird", "13.0E"}, {"Hot Bird", "13.0E"}, {"Amos", "5.0W"}, {"Hot Bird", "13.0E"}};
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
    // Beside a UTF-8 list the log is UTF-8 too: a name as it is, the
    // configuration's Windows-1252 texts converted; beside the others the
    // name is spelled.
    copyText(j.satDB->sat[1].sat_name, "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCF\x82");
    copyText(j.favI.fav[2].favName, "Sport \xC3\xA9t\xC3\xA9");
    const std::string utf8 = logText(j.input(), kClock, true);
    EXPECT_NE(
        utf8.find("Satelliti:               1 \xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCF\x82 13.0E"),
        std::string::npos);
    EXPECT_NE(utf8.find("                         Sport \xC3\xA9t\xC3\xA9\r\n"), std::string::npos);
    const std::string latin = logText(j.input(), kClock);
    EXPECT_NE(latin.find("Satelliti:               1 Ell\xE1s 13.0E"), std::string::npos);
    EXPECT_NE(latin.find("                         Sport \xE9t\xE9\r\n"), std::string::npos);
    copyText(j.satDB->sat[1].sat_name, "Hot Bird");
    copyText(j.favI.fav[2].favName, "Sport");
    Tables none;  // without any satellite the list block shows "-" like the others
    EXPECT_NE(logText(none.input(), kClock).find("\r\n\r\nSatelliti:               -\r\n\r\n"),
              std::string::npos);

    // The job writes exactly that beside the list, named after the program.
    const fs::path log = j.tmp.path / kFolderName / "Velartis.log";
    j.cfg.logFile = 1;
    j.target(j.tmp.path.string());
    EXPECT_EQ(runFolderJob(j.req(), twoFiles(&j)), 0u);
    EXPECT_EQ(fileText(log), swapped);

    // A log that cannot be written (a full disk) fails the job; the list
    // is written all the same and the box says which of the two is there.
    FaultHook full([](const std::string& path, size_t) { return !path.ends_with(".log"); });
    j.ui.statusLog[0].clear(), j.ui.boxes.clear();
    j.target(j.tmp.path.string());
    EXPECT_EQ(runFolderJob(j.req(), twoFiles(&j)), 1u);
    const std::string notWritten =
        "The list was written correctly, but its log file could not be written.";
    const std::string reason = "cannot write " + log.string() + ": No space left on device";
    EXPECT_EQ(j.boxes(), (std::vector<std::string>{" Error|error|" + notWritten + "\n" + reason}));
    EXPECT_EQ(j.ui.statusLog[1].back(), notWritten + " (" + reason + ")");
    EXPECT_EQ(listing(log.parent_path()), (std::vector<std::string>{"a.txt", "keep.txt"}));
    EXPECT_TRUE(j.restored());
    EXPECT_EQ(LogWriter(j.req(), log.string()), 1u);

    Job one;
    one.cfg.logFile = 1;
    one.target((one.tmp.path / "mylist.ndf").string());
    EXPECT_EQ(runSingleFileJob(one.req(), ndfLike(10)), 1u);
    EXPECT_EQ(fileText(one.tmp.path / "mylist.ndf"), std::string(10, '\x5A'));
    EXPECT_EQ(listing(one.tmp.path), (std::vector<std::string>{"mylist.ndf"}));
    ASSERT_EQ(one.boxes().size(), 1u);
    EXPECT_EQ(one.boxes()[0].rfind(" Error|error|" + notWritten + "\n", 0), 0u);
}

TEST(SingleFileFrame, TheLogNeverTakesTheListsName) {
    const std::pair<std::string, std::string> names[] = {
        {"channels.log", "channels.log.log"},  // the list keeps the name the user gave
        {"channels.LOG", "channels.LOG.log"},  // one file on a case-blind stick
        {"x.b", "x.b.log"},                    // shorter than the extension it would lose
        {"list.ndf", "list.log"},
    };
    for (const auto& [list, log] : names) {
        Job j;
        j.cfg.logFile = 1;
        j.target((j.tmp.path / list).string());
        EXPECT_EQ(runSingleFileJob(j.req(), ndfLike(10)), 0u) << list;
        EXPECT_EQ(fileText(j.tmp.path / list), std::string(10, '\x5A')) << list;
        EXPECT_EQ(fileText(j.tmp.path / log), logText(j.input(), kClock)) << list;
    }
    EXPECT_EQ(logPathFor("/x/ab"), "/x/ab.log");
    EXPECT_EQ(logPathFor("/x/.ndf"), "/x/.log");
}

TEST(SingleFileFrame, DefaultNameExtensionProgressAndLog) {
    Job j;
    j.cfg.logFile = 1;
    j.target((j.tmp.path / "mylist").string());
    EXPECT_EQ(runSingleFileJob(j.req(), ndfLike(1000)), 0u);
    EXPECT_EQ(fileText(j.tmp.path / "mylist.ndf"), std::string(1000, '\x5A'));
    EXPECT_EQ(fileText(j.tmp.path / "mylist.log"), logText(j.input(), kClock));
    EXPECT_EQ(j.ui.generateSteps,
              (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 100, 100, 100}));
    const std::string saved = (j.tmp.path / "mylist.ndf").string();
    EXPECT_EQ(std::vector<std::string>(j.ui.statusLog[1].begin(), j.ui.statusLog[1].begin() + 2),
              (std::vector<std::string>{saved, saved}));
    EXPECT_EQ(j.ui.statusLog[0].back(), "Message");
    EXPECT_TRUE(j.restored());
}

TEST(SingleFileFrame, NoDestinationLimitAndWriteFailureStopTheJob) {
    Job none;
    none.target("");
    EXPECT_EQ(runSingleFileJob(none.req(), ndfLike(10)), 1u);
    EXPECT_EQ(none.ui.statusLog[0], (std::vector<std::string>{" Error"}));
    EXPECT_EQ(none.ui.statusLog[1], (std::vector<std::string>{"Unable to open file."}));
    EXPECT_EQ(none.boxes(), (std::vector<std::string>{" Error|error|Unable to open file."}));
    EXPECT_TRUE(none.restored());

    Job limit;
    const std::string text = "Too many satellites for NDF format. (61 max)";
    EXPECT_EQ(runSingleFileJob(limit.req(), ndfLike(10, BuildResult::fail(text))), 1u);
    EXPECT_EQ(limit.ui.statusLog[1], (std::vector<std::string>{text}));
    EXPECT_EQ(limit.boxes(), (std::vector<std::string>{" Error|error|" + text}));

    Job fail;
    FaultHook hook([](const std::string&, size_t) { return false; });
    fail.target((fail.tmp.path / "list.ndf").string());
    EXPECT_EQ(runSingleFileJob(fail.req(), ndfLike(10)), 1u);
    expectFailed(fail, "No space left on device");
    EXPECT_TRUE(fs::is_empty(fail.tmp.path));
    EXPECT_EQ(fail.ui.generateSteps, (std::vector<int>{0}));  // a failed write moves no bar
}

namespace {
// Runs job in a child that is killed at its step-th file step; false when
// the job finished before it had that many.
bool killedAtStep(int step, const std::function<void()>& job) {
    pid_t child = fork();
    if (child == 0) {
        int n = 0;
        setStepHook([step, &n](const std::string&) {
            if (++n == step) ::kill(::getpid(), SIGKILL);
        });
        job();
        _exit(0);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// "new" when the file holds fresh, "none" when it is missing, else "old".
std::string which(const fs::path& file, const std::string& fresh) {
    const std::string text = fileText(file);
    return text == "<missing>" ? "none" : text == fresh ? "new" : "old";
}
}  // namespace

TEST(Frame, KillBetweenAnyTwoStepsNeverLeavesAListBesideAnotherRunsLog) {
    // One file and the log beside it: the earlier log goes first, then the
    // list, then the new log.
    Job j;
    const fs::path list = j.tmp.path / "list.ndf", log = j.tmp.path / "list.log";
    j.cfg.logFile = 1;
    std::string newLog = logText(j.input(), kClock), oldLog = newLog;
    oldLog.replace(oldLog.find("2024-03-07"), 10, "2023-01-01");
    std::vector<std::string> seen;
    int step = 1;
    for (;; ++step) {
        ASSERT_TRUE(writeFileWhole(list.string(), std::string("old"), nullptr));
        ASSERT_TRUE(writeFileWhole(log.string(), oldLog, nullptr));
        j.target(list.string());
        if (!killedAtStep(step, [&] { runSingleFileJob(j.req(), ndfLike(20)); })) break;
        seen.push_back(which(list, std::string(20, '\x5A')) + "+" + which(log, newLog));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"old+none", "new+none", "new+new"}));
    EXPECT_EQ(fileText(log), newLog);
    // Without a log this time the earlier one goes all the same; a file of
    // that name that is no log of ours stays.
    j.cfg.logFile = 0;
    ASSERT_TRUE(writeFileWhole(log.string(), oldLog, nullptr));
    EXPECT_EQ(runSingleFileJob(j.req(), ndfLike(20)), 0u);
    EXPECT_FALSE(fs::exists(log));
    ASSERT_TRUE(writeFileWhole(log.string(), std::string("my notes"), nullptr));
    EXPECT_EQ(runSingleFileJob(j.req(), ndfLike(20)), 0u);
    EXPECT_EQ(fileText(log), "my notes");

    // A folder with its log inside is swapped whole; where the file system
    // cannot exchange two names, a folder moved aside by a killed run comes
    // back with the next write into its parent.
    for (bool plain : {false, true}) {
        PlainFs fsKind(plain);
        Job f;
        f.cfg.logFile = 1;
        const fs::path folder = f.tmp.path / kFolderName;
        seen.clear();
        for (step = 1;; ++step) {
            fs::remove_all(folder);
            fs::create_directory(folder);
            ASSERT_TRUE(writeFileWhole((folder / "a.txt").string(), std::string("old"), nullptr));
            ASSERT_TRUE(writeFileWhole((folder / "Velartis.log").string(), oldLog, nullptr));
            f.target(f.tmp.path.string());
            if (!killedAtStep(step, [&] { runFolderJob(f.req(), twoFiles(&f)); })) break;
            const std::string gone = fs::exists(folder) ? "" : "gone, back: ";
            removeStaleTemps(f.tmp.path.string());
            seen.push_back(gone + which(folder / "a.txt", "alpha") + "+" +
                           which(folder / "Velartis.log", newLog));
            EXPECT_EQ(listing(f.tmp.path), (std::vector<std::string>{kFolderName}));
        }
        const std::vector<std::string> expected =
            plain ? std::vector<std::string>{"gone, back: old+old", "new+new"}
                  : std::vector<std::string>{"new+new"};
        EXPECT_EQ(seen, expected);
    }
}

TEST(Frame, RelativeDestinationInARemovedCurrentFolderSaysSo) {
    TempDir tmp;
    const fs::path gone = tmp.path / "gone";
    fs::create_directory(gone);
    const int back = ::open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(back, 0);
    ASSERT_EQ(::chdir(gone.c_str()), 0);
    fs::remove(gone);
    Job folderJob, fileJob;
    folderJob.target(".");
    fileJob.target("list.ndf");
    EXPECT_EQ(runFolderJob(folderJob.req(), twoFiles(&folderJob)), 1u);
    EXPECT_EQ(runSingleFileJob(fileJob.req(), ndfLike(10)), 1u);
    EXPECT_EQ(::fchdir(back), 0);
    ::close(back);
    expectFailed(folderJob, ": the current folder no longer exists");
    expectFailed(fileJob, "cannot write list.ndf: the current folder no longer exists");
}

// The job launcher with the writer jobs: every family, on a request of its own.
#include <map>

#include "jobs/families.h"
#include "jobs/jobLauncher.h"
#include "platform/threadRunner.h"
#include "tests/writers/writerFixture.h"

namespace {

using Files = std::map<std::string, std::string>;

// One satellite with a TV and a radio channel, a favourite group, exclusions.
struct Front : Tables {
    RecordingEvents ui;
    ThreadRunner runner;
    TempDir tmp;
    std::vector<T_jobEnd> ends;

    Front() {
        ui.setClock(kClock);
        addSat(130, "Hot Bird", 130);
        copyText(satDB->sat[1].sat_name, "Hot Bird"), copyText(satDB->sat[1].location, "13.0E");
        addTp(130, 1, 10719);
        for (T_dbCh* c : {&addCh(0, 130, 1, "Uno", "0D49"), &addCh(1, 130, 1, "Radio", "0E10")}) {
            c->bou_id = c->groupId = 10, c->cat_id = 1;
            copyText(c->groupName, "Sky");
        }
        addFav(5, "Cinema");
        addLink(5, 1).sat_id = 130;
        report.satellites = 1, report.bouquets = 1, report.favGroups = 1, report.favChannels = 1;
        bou.bou[bou.count++] = T_bouRec{10, "Sky", 1, "Italia"};
        cat.cat[cat.count++] = T_catRec{1, "Generalist"};
        fav.fav[fav.count++] = T_favRec{5, "Cinema", 1};
        nat.nat[++nat.count] = T_natRec{1, "Italia"};
        bouI.bou[++bouI.count] = T_bouRec{20, "Excluded", 1, "Italia"};
        favI.fav[++favI.count] = T_favRec{6, "Sport", 0};
        cfg.logFile = 1;
    }
    T_jobSource source() {
        T_jobSource s;
        s.cfg = &cfg, s.sat = &sat, s.bou = &bou, s.bouI = &bouI, s.cat = &cat, s.fav = &fav;
        s.favI = &favI, s.nat = &nat, s.lang = &lang;
        s.db = {satDB.get(), tpDB.get(), chDB.get(), favDB.get(), chFavDB.get(), &report};
        s.events = &ui, s.runner = &runner;
        return s;
    }
    JobEndHandler onEnd() {
        return [this](const T_jobEnd& e) { ends.push_back(e); };
    }
    // Runs the writer of a family into a folder of its own; the files it
    // left there, by name (a folder list's files as "folder/name").
    Files write(int family) {
        const fs::path dir = tmp.path / std::to_string(ends.size());
        fs::create_directory(dir);
        const T_family& f = *familyByType(family);
        const std::string target =
            f.fileFormat ? (dir / defaultListName(f, kClock)).string() : dir.string();
        EXPECT_TRUE(startWriterJob(source(), family, target, false, onEnd()));
        runner.waitJob();
        Files files;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            if (e.is_regular_file())
                files[fs::relative(e.path(), dir).string()] = fileText(e.path());
        return files;
    }
};

TEST(JobLauncher, EveryFamilyWritesAsTheTableSaysFromItsOwnThread) {
    for (const T_family& f : kFamilies) {
        SCOPED_TRACE(f.label);
        Front front;
        const Files files = front.write(f.fileType);
        ASSERT_EQ(front.ends.size(), 1u);
        EXPECT_EQ(front.ends[0].code, 0u);
        EXPECT_FALSE(front.ends[0].download);
        EXPECT_EQ(front.ends[0].type, f.fileType);
        // A single-file family writes a list and its log; a folder family
        // its dated folder.
        ASSERT_FALSE(files.empty());
        for (const auto& file : files) {
            EXPECT_EQ(file.first.find('/') != std::string::npos, !f.fileFormat) << file.first;
            // The window asks before replacing a folder by this name.
            if (f.folderPrefix) {
                EXPECT_EQ(file.first.rfind(f.folderPrefix, 0), 0u) << file.first;
            }
        }
        EXPECT_EQ(front.ui.files.size(), files.size() - 1);  // all but the log
        // Every event comes from one thread, not this one.
        std::thread::id job;
        for (const auto& call : front.ui.taken()) {
            EXPECT_NE(call.thread, std::this_thread::get_id()) << call.what;
            if (job == std::thread::id()) job = call.thread;
            EXPECT_EQ(call.thread, job) << call.what;
        }
    }
}

TEST(JobLauncher, CheckWarnsOnTheCallersThreadAndTheJobDoesNotRepeatIt) {
    Front f;
    f.chDB->ch[2].ch_type = 3;  // neither TV nor radio: left out with a warning
    const size_t boxes = [&] {
        EXPECT_EQ(checkWriterJob(f.source(), 5), 0u);
        return f.ui.boxes.size();
    }();
    ASSERT_EQ(boxes, 1u);
    EXPECT_EQ(f.ui.taken().at(0).thread, std::this_thread::get_id());
    EXPECT_EQ(f.ui.starts, 0);  // a check greys nothing and writes nothing
    EXPECT_TRUE(fs::is_empty(f.tmp.path));
    ASSERT_TRUE(startWriterJob(f.source(), 5, (f.tmp.path / "l.bin").string(), true, f.onEnd()));
    f.runner.waitJob();
    EXPECT_EQ(f.ui.boxes.size(), 2u);  // only the closing box
    EXPECT_EQ(f.ui.boxes.back().caption, "Message");
    EXPECT_TRUE(fs::exists(f.tmp.path / "l.bin"));
}

TEST(JobLauncher, RunningJobReadsItsOwnCopyWhileTheWindowChangesTheRecords) {
    // Every record a writer reads changes as soon as the job has started.
    auto changeAll = [](Front& f) {
        f.cfg.e2Type = 2, f.cfg.logFile = 0, f.cfg.fileType = 0;
        copyText(f.cfg.appName, "Changed");
        f.bouI.bou[++f.bouI.count] = T_bouRec{30, "Late", 1, "Italia"};
        f.favI.fav[++f.favI.count] = T_favRec{7, "Late", 0};
        copyText(f.nat.nat[1].natName, "Changed");
        copyText(f.bou.bou[0].bouName, "Changed");
        copyText(f.cat.cat[0].catName, "Changed");
        f.lang = *langTable(kLangGerman);
    };
    for (int family : {2, 3}) {
        SCOPED_TRACE(family);
        Front quiet, busy;
        const Files expected = quiet.write(family);
        ASSERT_GE(expected.size(), 3u);
        busy.ui.onCall = [&](const std::string& what) {
            if (what == "started") changeAll(busy);
        };
        EXPECT_EQ(busy.write(family), expected);
        EXPECT_EQ(busy.ui.boxes.back().text, quiet.ui.boxes.back().text);
        EXPECT_EQ(busy.ends.at(0).code, 0u);
    }
}

TEST(JobLauncher, FailedStartsStartNothingAndTheRequestGoesWithTheEnd) {
    Front f;
    auto token = std::make_shared<int>(0);
    auto handler = [&f, token](const T_jobEnd& e) { f.ends.push_back(e); };
    const std::string dir = f.tmp.path.string();

    EXPECT_FALSE(startWriterJob(f.source(), kFamilyCount, dir, false, handler));  // no such family
    f.cfg.listType = 3;
    EXPECT_FALSE(startDownloadJob(f.source(), handler));
    T_jobSource noEvents = f.source();
    noEvents.events = nullptr;
    EXPECT_FALSE(startWriterJob(noEvents, 2, dir, false, handler));
    T_jobSource noRunner = f.source();
    noRunner.runner = nullptr;
    EXPECT_FALSE(startWriterJob(noRunner, 2, dir, false, handler));
    EXPECT_EQ(checkWriterJob(noEvents, 2), 1u);
    EXPECT_EQ(token.use_count(), 2);  // this test's and the handler's: nothing kept

    // A second start while a job runs is refused at once; the first
    // finishes untouched.
    std::mutex hold;
    hold.lock();
    f.ui.onCall = [&](const std::string& what) {
        if (what == "started") std::lock_guard<std::mutex> wait(hold);
    };
    ASSERT_TRUE(startWriterJob(f.source(), 2, dir, false, handler));
    EXPECT_GT(token.use_count(), 2);  // held with the job's request
    EXPECT_FALSE(startWriterJob(f.source(), 2, dir, false, handler));
    hold.unlock();
    f.runner.waitJob();
    ASSERT_EQ(f.ends.size(), 1u);
    EXPECT_EQ(f.ends[0].code, 0u);
    EXPECT_TRUE(fs::exists(f.tmp.path / "DalmeroListE2_2024-03-07_09-05" / "lamedb"));
    EXPECT_EQ(token.use_count(), 2);  // the request went with the end
}

}  // namespace

// The job launcher with the writer jobs: every family, on a record of its own.
#include <map>

#include "jobs/families.h"
#include "jobs/jobLauncher.h"
#include "platform/widget.h"
#include "tests/platform/threadCheckPlatform.h"
#include "tests/writers/writerFixture.h"

namespace {

using Files = std::map<std::string, std::string>;

// One satellite with a TV and a radio channel, a favourite group, exclusions.
struct Front : Tables {
    ThreadCheckPlatform ui;
    T_Widget widget{};
    T_FnPARAM shared{};
    T_idxSat sat{};
    TempDir tmp;
    std::vector<T_jobEnd> ends;
    size_t firstJobCall = 0;  // what the backend noted before the last job

    Front() {
        createWidgetHandles(&widget, &ui);
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
        shared = {nullptr,    &cfg,        &sat,          &bou,    &bouI,       &cat,
                  &fav,       &favI,       &nat,          &lang,   satDB.get(), tpDB.get(),
                  chDB.get(), favDB.get(), chFavDB.get(), &report, &widget};
    }
    JobEndHandler onEnd() {
        return [this](const T_jobEnd& e) { ends.push_back(e); };
    }
    // Runs the writer of fileType into a folder of its own; the files it
    // left there, by name (a folder list's files as "folder/name").
    Files write(int fileType) {
        const fs::path dir = tmp.path / std::to_string(ends.size());
        fs::create_directory(dir);
        ui.answerFolder(dir.string());
        ui.answerSave(dir.string());
        cfg.fileType = fileType;
        firstJobCall = ui.taken().size();
        EXPECT_TRUE(startWriterJob(shared, onEnd()));
        ui.waitJob();
        Files files;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            if (e.is_regular_file())
                files[fs::relative(e.path(), dir).string()] = fileText(e.path());
        return files;
    }
};

TEST(JobLauncher, EveryFamilyWritesAsTheTableSaysWithTheThreadContractKept) {
    for (const T_family& f : kFamilies) {
        SCOPED_TRACE(f.label);
        Front front;
        const Files files = front.write(f.fileType);
        ASSERT_EQ(front.ends.size(), 1u);
        EXPECT_EQ(front.ends[0].code, 0u);
        EXPECT_FALSE(front.ends[0].download);
        EXPECT_EQ(front.ends[0].type, f.fileType);
        // A single-file family asks the save dialog and writes a list and
        // its log; a folder family asks the folder browser for its folder.
        std::vector<std::string> asked;
        for (const auto& call : front.ui.taken())
            if (call.what == "save" || call.what == "folder") asked.push_back(call.what);
        EXPECT_EQ(asked, std::vector<std::string>{f.singleFile ? "save" : "folder"});
        ASSERT_FALSE(files.empty());
        for (const auto& file : files)
            EXPECT_EQ(file.first.find('/') != std::string::npos, !f.singleFile) << file.first;

        // The job's calls all come from one thread other than this one;
        // boxes and dialogs are shown by this one.
        const std::thread::id front_ = std::this_thread::get_id();
        std::thread::id job;
        const auto calls = front.ui.taken();
        for (size_t i = front.firstJobCall; i < calls.size(); ++i) {
            const auto& call = calls[i];
            const bool shown = call.what.rfind("show", 0) == 0;
            EXPECT_EQ(call.thread == front_, shown) << call.what;
            if (shown) continue;
            if (job == std::thread::id()) job = call.thread;
            EXPECT_EQ(call.thread, job) << call.what;
        }
    }
}

TEST(JobLauncher, RunningJobReadsItsOwnCopyWhileTheWindowChangesTheRecords) {
    // Every record a writer reads changes while the job waits for its folder.
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
    for (int family : {2, 3}) {  // Enigma2, AZbox: everything is built after the browser
        SCOPED_TRACE(family);
        Front quiet, busy;
        const Files expected = quiet.write(family);
        ASSERT_GE(expected.size(), 3u);
        busy.ui.onCall = [&](const std::string& what) {
            if (what == "show folder") changeAll(busy);
        };
        EXPECT_EQ(busy.write(family), expected);
        EXPECT_EQ(busy.ui.boxes.back().text, quiet.ui.boxes.back().text);
        EXPECT_EQ(busy.ends.at(0).code, 0u);
    }
}

TEST(JobLauncher, FailedStartsStartNothingAndTheRecordGoesWithTheEnd) {
    Front f;
    auto token = std::make_shared<int>(0);
    auto handler = [&f, token](const T_jobEnd& e) { f.ends.push_back(e); };

    f.cfg.fileType = 8;  // no such family
    EXPECT_FALSE(startWriterJob(f.shared, handler));
    f.cfg.listType = 3;
    EXPECT_FALSE(startDownloadJob(f.shared, handler));
    f.cfg.fileType = 2;
    T_Widget noUi{};
    T_FnPARAM headless = f.shared;
    headless.Widget = &noUi;
    EXPECT_FALSE(startWriterJob(headless, handler));
    f.ui.setThreadStartFails(true);
    EXPECT_FALSE(startWriterJob(f.shared, handler));
    f.ui.setThreadStartFails(false);
    EXPECT_EQ(token.use_count(), 2);  // this test's and the handler's: nothing kept

    // A job waits for its folder: a second start is refused at once and
    // the first finishes untouched.
    f.ui.answerFolder(f.tmp.path.string());
    ASSERT_TRUE(startWriterJob(f.shared, handler));
    EXPECT_GT(token.use_count(), 2);  // held with the job's record
    EXPECT_FALSE(startWriterJob(f.shared, handler));
    f.ui.waitJob();
    ASSERT_EQ(f.ends.size(), 1u);
    EXPECT_EQ(f.ends[0].code, 0u);
    EXPECT_TRUE(fs::exists(f.tmp.path / "DalmeroListE2_2024-03-07_09-05" / "lamedb"));
    EXPECT_EQ(token.use_count(), 2);  // the record went with the end
}

}  // namespace

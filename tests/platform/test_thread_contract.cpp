// The platform layer's thread contract, on the memory backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>

#include "platform/widget.h"
#include "tests/platform/threadCheckPlatform.h"

namespace {

struct JobSeen {
    explicit JobSeen(T_Widget* widget) : w(widget) {}
    T_Widget* w;
    int box = 0;
    bool folder = false, save = false, open = false;
    std::string folderPath, savePath = "list.ndf", openPath;
    std::thread::id thread;
    std::promise<void> release;  // set by the test once startJob returned
    bool released = false;
};

// Greys the window, reports, asks everything a job may ask, and ends with 5.
uint32_t askingJob(void* param) {
    auto* s = static_cast<JobSeen*>(param);
    s->thread = std::this_thread::get_id();
    T_Widget* w = s->w;
    // startJob must have returned while this job ran: it waited for nothing.
    s->released =
        s->release.get_future().wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    ghostWidget4Job(w, 2, 2);
    setStatusText(w, "Loading", "step");
    setProgressPos(w, w->hProgGen, 40);
    setControlText(w, w->hRepSat, "3");
    s->box = showMessage(w, "Go on?", "Warning", kMbYesNo | kMbIconWarning);
    s->folder = w->ui->browseFolder(w->hMain, "Folder", &s->folderPath);
    s->save = w->ui->saveFileDialog(w->hMain, "Save", {"Files ndf (*.ndf)", "*.ndf"}, "ndf",
                                    &s->savePath);
    s->open = w->ui->openFileDialog(w->hMain, "Open", {}, &s->openPath);
    showWidget4Job(w, 2, 2, true);
    return 5;
}

TEST(ThreadContract, JobAsksFromItsThreadAndTheFrontEndShowsAndHearsTheEnd) {
    ThreadCheckPlatform ui;
    T_Widget w{};
    createWidgetHandles(&w, &ui);
    ui.answerMessageBox(kIdNo);
    ui.answerFolder("/tmp");
    ui.answerSave("/tmp/mine");
    ui.answerOpen(std::nullopt);
    const std::thread::id front = std::this_thread::get_id();

    JobSeen seen(&w);
    std::vector<std::pair<uint32_t, std::thread::id>> ends;
    ASSERT_TRUE(ui.startJob(askingJob, reinterpret_cast<T_FnPARAM*>(&seen), [&](uint32_t code) {
        ends.push_back({code, std::this_thread::get_id()});
    }));
    // The job is stopped before its first box, which only this thread
    // shows: a second start is refused at once instead of waiting for it.
    EXPECT_TRUE(ui.jobRunning());
    EXPECT_FALSE(ui.startJob([](void*) -> uint32_t { return 9; }, nullptr));
    seen.release.set_value();
    EXPECT_EQ(ui.waitJob(), 5u);
    EXPECT_FALSE(ui.jobRunning());

    EXPECT_TRUE(seen.released);
    EXPECT_EQ(seen.box, kIdNo);
    EXPECT_TRUE(seen.folder);
    EXPECT_EQ(seen.folderPath, "/tmp");
    EXPECT_TRUE(seen.save);
    EXPECT_EQ(seen.savePath, "/tmp/mine.ndf");
    EXPECT_FALSE(seen.open);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].first, 5u);
    EXPECT_EQ(ends[0].second, front);

    // Every call of the job came from its thread; every box and dialog was
    // shown by this one, and only those.
    ASSERT_NE(seen.thread, front);
    std::vector<std::string> onJob = ui.madeOn(seen.thread);
    for (const char* call :
         {"enabled", "status", "progress", "text", "read checked", "box", "folder", "save", "open"})
        EXPECT_NE(std::find(onJob.begin(), onJob.end(), call), onJob.end()) << call;
    for (const std::string& call : onJob) EXPECT_NE(call.rfind("show", 0), 0u) << call;
    std::vector<std::string> shown;
    for (const std::string& call : ui.madeOn(front))
        if (call.rfind("show", 0) == 0) shown.push_back(call);
    EXPECT_EQ(shown,
              (std::vector<std::string>{"show box", "show folder", "show save", "show open"}));

    // The front end's own boxes are shown at once, and a finished job does
    // not stand in the way of the next, whose end is told too.
    EXPECT_EQ(ui.messageBox(w.hMain, "q", "c", kMbOk), kIdOk);
    ASSERT_TRUE(ui.startJob([](void*) -> uint32_t { return 1; }, nullptr,
                            [&](uint32_t code) {
                                ends.push_back({code, std::this_thread::get_id()});
                            }));
    EXPECT_EQ(ui.waitJob(), 1u);
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[1].first, 1u);
    EXPECT_EQ(ui.waitJob(), 1u);  // nothing more to wait for, nothing told twice
    EXPECT_EQ(ends.size(), 2u);
}

TEST(ThreadContract, EndNotWaitedForIsToldByTheNextStartAndAFailedStartDropsItsHandler) {
    MemoryPlatform ui;
    int told = 0;
    auto shared = std::make_shared<int>(0);
    ASSERT_TRUE(ui.startJob([](void*) -> uint32_t { return 3; }, nullptr,
                            [&, shared](uint32_t code) { told += static_cast<int>(code); }));
    while (ui.jobRunning()) std::this_thread::yield();
    EXPECT_EQ(told, 0);  // not behind the front end's back
    ASSERT_TRUE(ui.startJob([](void*) -> uint32_t { return 4; }, nullptr));
    EXPECT_EQ(told, 3);
    ui.waitJob();
    EXPECT_EQ(shared.use_count(), 1);  // the first handler is gone once told

    ui.setThreadStartFails(true);
    EXPECT_FALSE(ui.startJob([](void*) -> uint32_t { return 0; }, nullptr, [shared](uint32_t) {}));
    EXPECT_EQ(shared.use_count(), 1);
}

}  // namespace

// The console backend: each message once, boxes printed by the waiting thread.
#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <thread>

#include "cli/lib/consolePlatform.h"
#include "config/lang.h"
#include "platform/widget.h"

namespace {

// A stream that keeps what is written and which threads wrote it.
struct Sink {
    std::mutex mu;
    std::string text;
    std::vector<std::pair<std::thread::id, std::string>> writes;
};

ssize_t sinkWrite(void* cookie, const char* buf, size_t n) {
    auto* s = static_cast<Sink*>(cookie);
    std::lock_guard<std::mutex> lock(s->mu);
    s->text.append(buf, n);
    s->writes.push_back({std::this_thread::get_id(), std::string(buf, n)});
    return static_cast<ssize_t>(n);
}

FILE* sinkFile(Sink* sink) {
    cookie_io_functions_t io{nullptr, sinkWrite, nullptr, nullptr};
    FILE* out = fopencookie(sink, "w", io);
    if (out) setvbuf(out, nullptr, _IONBF, 0);
    return out;
}

struct Asked {
    T_Widget* w;
    JobFn body;
    std::string folder;
    bool chosen = false;
};

// Runs body as a job between beginJob and endJob on a fresh backend.
std::string runJob(bool terminal, bool quiet, int width, JobFn body, bool ok = true,
                   Asked* asked = nullptr, std::thread::id* boxWriter = nullptr,
                   std::vector<std::string>* warnings = nullptr) {
    Sink sink;
    FILE* out = sinkFile(&sink);
    {
        ConsolePlatform ui(out, terminal, quiet, width);
        ui.setLanguage(langTable(kLangEnglish));
        T_Widget w{};
        createWidgetHandles(&w, &ui);
        ui.setDestination("/tmp/lists");
        Asked local{&w, body, {}, false};
        Asked* a = asked ? asked : &local;
        a->w = &w;
        a->body = body;
        ui.beginJob("Job");
        EXPECT_TRUE(ui.startJob(
            [](void* p) -> uint32_t {
                auto* job = static_cast<Asked*>(p);
                job->chosen = job->w->ui->browseFolder(job->w->hMain, "Folder", &job->folder);
                return job->body(job);
            },
            reinterpret_cast<T_FnPARAM*>(a)));
        ui.waitJob();
        ui.endJob(ok);
        if (warnings) *warnings = ui.jobWarnings();
    }
    std::fclose(out);
    if (boxWriter) {
        for (const auto& write : sink.writes)
            if (write.second.find("Second line") != std::string::npos) *boxWriter = write.first;
    }
    return sink.text;
}

T_Widget* widgetOf(void* p) { return static_cast<Asked*>(p)->w; }

TEST(ConsolePlatform, EachMessageOnceAfterTheResultLineFromTheWaitingThread) {
    // A writer's ending: the box, then the same text as the closing status.
    JobFn written = [](void* p) -> uint32_t {
        setStatusText(widgetOf(p), "Loading", "Reading");
        showMessage(widgetOf(p), "Caf\xE9 ready\r\nSecond line", " Message", kMbIconInformation);
        setStatusText(widgetOf(p), "Message", "Caf\xE9 ready");
        return 0;
    };
    Asked asked{nullptr, nullptr, {}, false};
    std::thread::id boxWriter;
    EXPECT_EQ(runJob(false, false, 80, written, true, &asked, &boxWriter),
              "[Loading] Reading\nJob   0% 0:00  done: Caf\xC3\xA9 ready\nSecond line\n");
    EXPECT_EQ(boxWriter, std::this_thread::get_id());
    EXPECT_TRUE(asked.chosen);
    EXPECT_EQ(asked.folder, "/tmp/lists");

    // A failure told twice, by the status and a box, and a server text that
    // would steer the terminal: the error once, the escape made harmless.
    JobFn failed = [](void* p) -> uint32_t {
        setStatusText(widgetOf(p), " Error", "Bad \x1b[2Jthing");
        showMessage(widgetOf(p), "Bad \x1b[2Jthing", " Error", kMbIconError);
        showMessage(widgetOf(p), "Just so you know", " Message", kMbIconInformation);
        return 1;
    };
    EXPECT_EQ(runJob(false, false, 80, failed, false),
              "Job   0% 0:00  FAILED: Bad ?[2Jthing\nJust so you know\n");
    // Quiet: the error only, and nothing for a job that went well.
    EXPECT_EQ(runJob(false, true, 80, failed, false), "Job   0% 0:00  FAILED: Bad ?[2Jthing\n");
    EXPECT_EQ(runJob(false, true, 80, written), "");

    // Warnings before the error neither stand for the result nor hide it.
    JobFn warnedThenFailed = [](void* p) -> uint32_t {
        setStatusText(widgetOf(p), "Warning", "Port 1 used");
        showMessage(widgetOf(p), "Port 1 used", "Warning", kMbIconWarning);
        showMessage(widgetOf(p), "Left out:\nChannel 2", "Warning", kMbIconWarning);
        setStatusText(widgetOf(p), " Error", "Disk full");
        return 1;
    };
    std::vector<std::string> warnings;
    EXPECT_EQ(runJob(false, false, 80, warnedThenFailed, false, nullptr, nullptr, &warnings),
              "Job   0% 0:00  FAILED: Disk full\nWarning: Port 1 used\nWarning: Left out:\n"
              "Channel 2\n");
    EXPECT_EQ(warnings, (std::vector<std::string>{"Port 1 used", "Left out:\nChannel 2"}));
}

TEST(ConsolePlatform, FilesWrittenAreTheOnesToldWhateverTheStatusSays) {
    // The tool lists what the writers report as written, not status words,
    // which are translated.
    Sink sink;
    FILE* out = sinkFile(&sink);
    {
        ConsolePlatform ui(out, false, true, 80);
        T_Widget w{};
        createWidgetHandles(&w, &ui);
        setStatusWithPath(&w, "Written", "/lists/status-only.ndf");
        statusWritten(&w, "Geschrieben", "/lists/a.ndf");
        statusWritten(&w, "Scritto", "/lists/a.log");
        EXPECT_EQ(ui.written, (std::vector<std::string>{"/lists/a.ndf", "/lists/a.log"}));
    }
    std::fclose(out);
}

TEST(ConsolePlatform, TerminalLineStaysWithinTheWidthAndEndsWithTheResult) {
    JobFn steps = [](void* p) -> uint32_t {
        T_Widget* w = widgetOf(p);
        setStatusText(w, "Loading", "A step whose text is far longer than the terminal is wide");
        setProgressPos(w, w->hProgDown, 50);
        setStatusText(w, "", "Done\r\nSecond line");
        return 0;
    };
    const std::string out = runJob(true, false, 30, steps);
    ASSERT_EQ(out.back(), '\n');
    ASSERT_EQ(out.find('\n'), out.size() - 1) << out;  // one line, redrawn in place
    const std::string finalLine = out.substr(out.rfind('\r') + 1);
    EXPECT_EQ(finalLine.substr(0, finalLine.find_last_not_of(" \n") + 1),
              "Job  50% 0:00  done: Done Second line");
    size_t start = 0;
    while ((start = out.find('\r', start)) != std::string::npos) {
        size_t end = out.find_first_of("\r\n", start + 1);
        const std::string drawn = out.substr(start + 1, end - start - 1);
        if (end != out.size() - 1) {
            EXPECT_LE(drawn.size(), 29u) << drawn;
        }
        start = end;
    }
    EXPECT_NE(out.find("\rJob  50% 0:00  A step whose"), std::string::npos) << out;
}

}  // namespace

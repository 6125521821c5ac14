// The tool's side of a job's events: each message once, after the result line.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <mutex>

#include "cli/lib/consoleEvents.h"
#include "config/lang.h"
#include "platform/threadRunner.h"

namespace {

// A stream that keeps what is written.
struct Sink {
    std::mutex mu;
    std::string text;
};

ssize_t sinkWrite(void* cookie, const char* buf, size_t n) {
    auto* s = static_cast<Sink*>(cookie);
    std::lock_guard<std::mutex> lock(s->mu);
    s->text.append(buf, n);
    return static_cast<ssize_t>(n);
}

using Body = std::function<void(JobEvents&)>;

// Runs body as a job on its own thread between beginJob and endJob.
std::string runJob(bool terminal, bool quiet, int width, const Body& body, bool ok = true,
                   std::vector<std::string>* warnings = nullptr) {
    Sink sink;
    cookie_io_functions_t io{nullptr, sinkWrite, nullptr, nullptr};
    FILE* out = fopencookie(&sink, "w", io);
    setvbuf(out, nullptr, _IONBF, 0);
    {
        ConsoleEvents ui(out, terminal, quiet, width);
        ui.setLanguage(langTable(kLangEnglish));
        struct Job {
            ConsoleEvents* ui;
            const Body* body;
        } job{&ui, &body};
        ThreadRunner runner;
        ui.beginJob("Job");
        EXPECT_TRUE(runner.startJob(
            [](void* p) -> uint32_t {
                auto* j = static_cast<Job*>(p);
                (*j->body)(*j->ui);
                return 0;
            },
            &job));
        runner.waitJob();
        ui.endJob(ok);
        if (warnings) *warnings = ui.jobWarnings();
    }
    std::fclose(out);
    return sink.text;
}

TEST(ConsoleEvents, EachMessageOnceAfterTheResultLine) {
    // A writer's ending: the box, then the same text as the closing status.
    Body written = [](JobEvents& e) {
        e.status(JobStatus::kStep, "Loading", "Reading");
        e.message("Caf\xE9 ready\r\nSecond line", " Message", kMbIconInformation);
        e.status(JobStatus::kDone, "Message", "Caf\xE9 ready");
    };
    EXPECT_EQ(runJob(false, false, 80, written),
              "[Loading] Reading\nJob   0% 0:00  done: Caf\xC3\xA9 ready\nSecond line\n");

    // A failure told twice, by the status and a box, and a server text that
    // would steer the terminal: the error once, the escape made harmless.
    Body failed = [](JobEvents& e) {
        e.status(JobStatus::kError, " Fehler", "Bad \x1b[2Jthing");
        e.message("Bad \x1b[2Jthing", " Error", kMbIconError);
        e.message("Just so you know", " Message", kMbIconInformation);
    };
    EXPECT_EQ(runJob(false, false, 80, failed, false),
              "Job   0% 0:00  FAILED: Bad ?[2Jthing\nJust so you know\n");
    // Quiet: the error only, and nothing for a job that went well.
    EXPECT_EQ(runJob(false, true, 80, failed, false), "Job   0% 0:00  FAILED: Bad ?[2Jthing\n");
    EXPECT_EQ(runJob(false, true, 80, written), "");

    // Warnings before the error neither stand for the result nor hide it;
    // the kind tells them, whatever the words are.
    Body warnedThenFailed = [](JobEvents& e) {
        e.status(JobStatus::kWarning, "Avviso", "Port 1 used");
        e.message("Port 1 used", "Warning", kMbIconWarning);
        e.message("Left out:\nChannel 2", "Warning", kMbIconWarning);
        e.status(JobStatus::kError, " Error", "Disk full");
    };
    std::vector<std::string> warnings;
    EXPECT_EQ(runJob(false, false, 80, warnedThenFailed, false, &warnings),
              "Job   0% 0:00  FAILED: Disk full\nWarning: Port 1 used\nWarning: Left out:\n"
              "Channel 2\n");
    EXPECT_EQ(warnings, (std::vector<std::string>{"Port 1 used", "Left out:\nChannel 2"}));
}

TEST(ConsoleEvents, TerminalLineStaysWithinTheWidthAndEndsWithTheResult) {
    Body steps = [](JobEvents& e) {
        e.status(JobStatus::kStep, "Loading",
                 "A step whose text is far longer than the terminal is wide");
        e.progress(JobBar::kDownload, 50);
        e.status(JobStatus::kWriting, "Schreiben", "/lists/x/a.ndf");
        e.fileWritten("/lists/x/a.ndf", 3);
        e.status(JobStatus::kDone, "", "Done\r\nSecond line");
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
    // A file being written shows under the kind's word, in any language.
    EXPECT_NE(out.find("\rJob  50% 0:00  Schreiben a.nd"), std::string::npos) << out;
}

}  // namespace

#pragma once
// The command-line tool's side of a job's events: status texts, progress
// and message boxes go to stderr; the report fields and the files written
// are kept for the tool's own output and its JSON report.
//
// The tool brackets each job with beginJob and endJob. On a terminal the
// job shows one line that updates in place (label, percentage, elapsed
// time, step) and ends with its result; elsewhere the steps come as plain
// lines, and the same result line ends the job; the lines of a job's
// percentage only when asked (progressLines). The job's boxes follow the
// result line, and every message is printed once: a line already shown in
// the job (by a status text, the result or another box) is not repeated.
// Warnings (a status or a box the job marks as one) come after the errors as
// "Warning: ..." lines and never stand for the job's result.
// Quiet prints only a failed job's result and its error boxes.
//
// Events arrive on the job's thread, the tool's own output on its thread;
// one lock keeps the two from mixing. A box needs no answer from a tool: a
// question gets its default (Yes, OK).
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "jobs/jobEvents.h"

struct LangStruct;

class ConsoleEvents : public JobEvents {
public:
    // terminal: updates a progress line in place (out is a terminal of
    // width columns). progressLines: elsewhere, a line for each tenth of a
    // job's percentage.
    explicit ConsoleEvents(FILE* out = stderr, bool terminal = false, bool quiet = false,
                           int width = 80, bool progressLines = true)
        : out_(out),
          terminal_(terminal && !quiet),
          quiet_(quiet),
          progressLines_(progressLines),
          width_(width) {}
    // The tool's events on stderr: a job line updated in place when stderr
    // is a terminal; progress lines only for a person watching stdout,
    // unless asked for.
    static ConsoleEvents onStderr(bool quiet, bool progressLines);
    // The words "Error" and "Warning" of the language, which prefix the
    // lines of errors and warnings after the result.
    void setLanguage(const LangStruct* lang) { lang_ = lang; }
    // A message outside a job (loading the configuration): printed at once.
    void say(const std::string& text, const std::string& caption, unsigned flags);

    void beginJob(const std::string& label);
    // Prints the result line and the job's boxes.
    void endJob(bool ok);
    // What the last job ended with, in UTF-8 on one line: its first error,
    // else its closing text.
    std::string jobResult() const;
    // The texts of the last job's boxes, in UTF-8.
    std::vector<std::string> jobMessages() const;
    // The last job's warnings, each once, in UTF-8: its warning statuses
    // and the texts of its warning boxes.
    std::vector<std::string> jobWarnings() const;

    // Files the jobs wrote, in order. Read once the job has ended.
    std::vector<std::string> written;
    // The download's report fields, in UTF-8, by ReportField.
    std::string reportText[kReportFieldCount];

    void started() override {}
    void finished(bool) override {}
    void status(JobStatus kind, const std::string& word, const std::string& detail) override;
    void step(const std::string& detail) override;
    void progress(JobBar bar, int pos) override;
    void report(ReportField field, const std::string& text) override;
    void fileWritten(const std::string& path, size_t size) override;
    int message(const std::string& text, const std::string& caption, unsigned flags) override;

private:
    struct Box {
        std::string text;  // UTF-8
        std::string caption;
        bool error;
        bool warning;
    };
    void addWarning(const std::string& text);
    // The status detail as the window's second part, told its kind.
    void detail(JobStatus kind, const std::string& text);
    std::string jobLine(bool ended, bool ok) const;
    void drawLine();
    void clearLine();
    // Prints the lines of text not shown yet in this job.
    void printOnce(const std::string& text, const std::string& prefix);

    FILE* out_;
    const bool terminal_;
    const bool quiet_;
    const bool progressLines_;
    const int width_;
    const LangStruct* lang_ = nullptr;

    mutable std::mutex mu_;
    // The status line's word and kind, which a step keeps.
    std::string part0_;
    JobStatus kind_ = JobStatus::kStep;
    std::string lastLine_;
    int lastProgress_ = -1;
    // The running job; all texts in UTF-8.
    bool inJob_ = false;
    std::string label_;
    std::chrono::steady_clock::time_point start_;
    int percent_ = 0;
    std::string step_;
    std::string closing_;
    std::vector<std::string> errors_;
    std::vector<std::string> warnings_;        // statuses and boxes
    std::vector<std::string> statusWarnings_;  // those that came as status texts
    std::vector<Box> boxes_;
    std::vector<std::string> shown_;  // lines printed in this job
    size_t drawn_ = 0;                // columns of the progress line on screen
};

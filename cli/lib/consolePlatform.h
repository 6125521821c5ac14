#pragma once
// The backend of the command-line tool: status texts, progress and message
// boxes go to stderr, dialogs are answered from options.
//
// The tool brackets each job with beginJob and endJob. On a terminal the
// job shows one line that updates in place (label, percentage, elapsed
// time, step) and ends with its result; elsewhere the steps come as plain
// lines, and the same result line ends the job. The job's boxes follow the
// result line, and every message is printed once: a line already shown in
// the job (by a status text, the result or another box) is not repeated.
// Warnings (a status or a box the job marks as one) come after the errors as
// "Warning: ..." lines and never stand for the job's result.
// Quiet prints only a failed job's result and its error boxes.
//
// Boxes and dialogs of a job are answered by the tool's own thread while it
// waits for the job (see MemoryPlatform); status and progress arrive on the
// job's thread. One lock keeps the two from mixing their output.
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/memoryPlatform.h"

struct LangStruct;

class ConsolePlatform : public MemoryPlatform {
public:
    // terminal: updates a progress line in place (out is a terminal of
    // width columns).
    explicit ConsolePlatform(FILE* out = stderr, bool terminal = false, bool quiet = false,
                             int width = 80)
        : out_(out), terminal_(terminal && !quiet), quiet_(quiet), width_(width) {}
    // The job thread prints through this object's members: end it first.
    ~ConsolePlatform() override { waitJob(); }
    // The folder the folder browser and the save dialog return; empty
    // answers "cancel".
    void setDestination(const std::string& path) { dest_ = path; }
    // The language's state words tell a job's errors and closing text from
    // its steps; until then only boxes with an error icon count as errors.
    void setLanguage(const LangStruct* lang) { lang_ = lang; }

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
    void fileWritten(const std::string& path) override;

protected:
    bool showFolderDialog(const std::string& title, std::string* path) override;
    bool showSaveDialog(const std::string& title, const std::vector<std::string>& filter,
                        const std::string& defExt, std::string* path) override;
    bool showOpenDialog(const std::string& title, const std::vector<std::string>& filter,
                        std::string* path) override;
    void onStatus(int part, const std::string& text) override;
    void onProgress(const std::string& bar, int pos) override;
    void onMessageBox(const MessageBoxCall& box) override;

private:
    struct Box {
        std::string text;  // UTF-8
        std::string caption;
        bool error;
        bool warning;
    };
    bool isError(const std::string& state) const;
    bool isWarning(const std::string& state) const;
    void addWarning(const std::string& text);
    bool isClosing(const std::string& state) const;
    std::string jobLine(bool ended, bool ok) const;
    void drawLine();
    void clearLine();
    // Prints the lines of text not shown yet in this job.
    void printOnce(const std::string& text, const std::string& prefix);

    FILE* out_;
    const bool terminal_;
    const bool quiet_;
    const int width_;
    const LangStruct* lang_ = nullptr;
    std::string dest_;

    mutable std::mutex mu_;
    std::string part0_;
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

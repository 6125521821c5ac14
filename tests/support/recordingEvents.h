#pragma once
// A job's events kept in memory, with the thread of each, so tests read what
// a front end would have shown and hold jobs to the thread contract.
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "jobs/jobEvents.h"

struct BoxCall {
    std::string text;
    std::string caption;
    unsigned flags;
};

class RecordingEvents : public JobEvents {
public:
    struct Call {
        std::string what;  // "status", "box", "progress", ...
        std::thread::id thread;
    };

    // What was shown, as a window would show it.
    std::string shown[2];
    std::vector<std::string> statusLog[2];  // every text each part was given
    std::vector<JobStatus> kinds;           // the kind of each status
    std::vector<int> generateSteps;         // the generate bar's positions
    std::vector<int> downloadProgress;
    int bar[2] = {0, 0};  // the bars' last positions: download, generate
    std::vector<BoxCall> boxes;
    std::string reported[kReportFieldCount];
    std::vector<std::string> files;
    bool greyed = false;    // between started and finished
    bool generate = false;  // what the last finished said
    int starts = 0, ends = 0;
    std::vector<bool> greyedAtBox;
    std::vector<std::string> calls;  // one line per event
    // Told of each event on its thread, before a box is answered.
    std::function<void(const std::string& what)> onCall;
    // Asked whether the user cancelled; never, unless set.
    std::function<bool()> cancelWhen;

    void answer(int a) {
        std::lock_guard<std::mutex> l(mu_);
        answers_.push_back(a);
    }
    void setClock(VaTime t) {
        std::lock_guard<std::mutex> l(mu_);
        clock_ = t;
    }
    std::vector<Call> taken() {
        std::lock_guard<std::mutex> l(mu_);
        return threads_;
    }
    // The window was told to come back and is not greyed.
    bool restored() {
        std::lock_guard<std::mutex> l(mu_);
        return ends > 0 && !greyed;
    }

    void started() override {
        note("started", [&] { greyed = true, ++starts; });
    }
    void finished(bool gen) override {
        note("finished", [&] { greyed = false, generate = gen, ++ends; });
    }
    void status(JobStatus kind, const std::string& word, const std::string& detail) override {
        note("status " + word + " " + detail, [&] {
            kinds.push_back(kind);
            set(0, word);
            set(1, detail);
        });
    }
    void step(const std::string& detail) override {
        note("step " + detail, [&] { set(1, detail); });
    }
    void progress(JobBar b, int pos) override {
        note("progress", [&] {
            (b == JobBar::kGenerate ? generateSteps : downloadProgress).push_back(pos);
            bar[b == JobBar::kGenerate] = pos;
        });
    }
    void report(ReportField f, const std::string& text) override {
        note("report", [&] { reported[static_cast<int>(f)] = text; });
    }
    void fileWritten(const std::string& path, size_t) override {
        note("file " + path, [&] { files.push_back(path); });
    }
    int message(const std::string& text, const std::string& caption, unsigned flags) override {
        int a = (flags & 0xFu) == kMbYesNo ? kIdYes : kIdOk;
        note("box " + caption + ": " + text, [&] {
            boxes.push_back({text, caption, flags});
            greyedAtBox.push_back(greyed);
            if (!answers_.empty()) a = answers_.front(), answers_.pop_front();
        });
        return a;
    }
    bool cancelled() override { return cancelWhen && cancelWhen(); }
    VaTime localTime() override {
        std::lock_guard<std::mutex> l(mu_);
        return clock_ ? *clock_ : systemLocalTime();
    }

private:
    void set(int part, const std::string& text) {
        shown[part] = text;
        statusLog[part].push_back(text);
    }
    template <typename F>
    void note(const std::string& what, F f) {
        if (onCall) onCall(what);
        std::lock_guard<std::mutex> l(mu_);
        calls.push_back(what);
        threads_.push_back({what.substr(0, what.find(' ')), std::this_thread::get_id()});
        f();
    }

    std::mutex mu_;
    std::deque<int> answers_;
    std::optional<VaTime> clock_;
    std::vector<Call> threads_;
};

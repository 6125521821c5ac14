#pragma once
// A backend that keeps every control's state in memory and records each call.
// Tests script the answers of dialogs and message boxes; the console backend
// of the command-line tool builds on it.
//
// It keeps the thread contract of platform.h without an event loop: the
// front end's thread is the one that starts a job, and it serves the job's
// boxes and dialogs while it waits in waitJob (or in the destructor). Calls
// of every other kind act at once, under a lock, on the calling thread.
// Only the calls of its own job are handed over; a thread that is not its
// job is served where it calls.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/platform.h"

struct VaControl {
    std::string name;
    std::string text;
    bool enabled = true;
    bool checked = false;
    bool visible = true;
    std::vector<std::string> rows;
    std::string status[2];
    int lo = 0, hi = 100, pos = 0;
};

struct MessageBoxCall {
    std::string text;
    std::string caption;
    unsigned flags;
};

class MemoryPlatform : public Platform {
public:
    MemoryPlatform();
    ~MemoryPlatform() override;

    HCtl createControl(const std::string& name) override;
    void setText(HCtl c, const std::string& text) override;
    std::string text(HCtl c) override;
    void setEnabled(HCtl c, bool on) override;
    bool enabled(HCtl c) override;
    void setChecked(HCtl c, bool on) override;
    bool checked(HCtl c) override;
    void setVisible(HCtl c, bool on) override;
    void setRows(HCtl c, const std::vector<std::string>& rows) override;
    void setStatus(HCtl bar, int part, const std::string& text) override;
    void setProgressRange(HCtl bar, int lo, int hi) override;
    void setProgress(HCtl bar, int pos) override;
    int messageBox(HCtl owner, const std::string& text, const std::string& caption,
                   unsigned flags) override;
    bool browseFolder(HCtl owner, const std::string& title, std::string* path) override;
    bool saveFileDialog(HCtl owner, const std::string& title,
                        const std::vector<std::string>& filter, const std::string& defExt,
                        std::string* path) override;
    bool openFileDialog(HCtl owner, const std::string& title,
                        const std::vector<std::string>& filter, std::string* path) override;
    bool startJob(JobFn fn, T_FnPARAM* param, JobEndFn onEnd = {}) override;
    bool jobRunning() override;
    uint32_t waitJob() override;
    void openUrl(const std::string& url) override;
    void destroyWindow(HCtl window) override;
    VaTime localTime() override;

    // Scripting. An empty optional answers "cancel".
    // A job thread may be reading the script meanwhile, hence the lock.
    void answerFolder(std::optional<std::string> path) {
        std::lock_guard<std::mutex> lock(mu_);
        folders_.push_back(std::move(path));
    }
    // For the save dialog: the path typed; the default name is kept in
    // lastDefaultName. A path that is a folder gets the default name appended.
    void answerSave(std::optional<std::string> path) {
        std::lock_guard<std::mutex> lock(mu_);
        saves_.push_back(std::move(path));
    }
    void answerOpen(std::optional<std::string> path) {
        std::lock_guard<std::mutex> lock(mu_);
        opens_.push_back(std::move(path));
    }
    void answerMessageBox(int answer) {
        std::lock_guard<std::mutex> lock(mu_);
        boxAnswers_.push_back(answer);
    }
    void setClock(VaTime t) {
        std::lock_guard<std::mutex> lock(mu_);
        clock_ = t;
    }
    void setThreadStartFails(bool f) {
        std::lock_guard<std::mutex> lock(mu_);
        threadFails_ = f;
    }

    // What happened.
    std::vector<std::string> calls;  // one line per call, for debugging tests
    std::vector<MessageBoxCall> boxes;
    std::vector<std::string> urls;
    std::vector<std::string> destroyed;
    std::string lastDefaultName;
    std::vector<std::string> statusLog[2];  // every text each status part was given
    VaControl* find(const std::string& name);

protected:
    // Showing a box or a dialog: always run on the front end's thread. The
    // defaults record the call and take the scripted answer.
    virtual int showMessageBox(const MessageBoxCall& box);
    virtual bool showFolderDialog(const std::string& title, std::string* path);
    virtual bool showSaveDialog(const std::string& title, const std::vector<std::string>& filter,
                                const std::string& defExt, std::string* path);
    virtual bool showOpenDialog(const std::string& title, const std::vector<std::string>& filter,
                                std::string* path);

    // Hooks for the console backend. onStatus and onProgress run on the
    // calling thread, onMessageBox on the front end's thread.
    virtual void onStatus(int /*part*/, const std::string& /*text*/) {}
    virtual void onProgress(const std::string& /*bar*/, int /*pos*/) {}
    virtual void onMessageBox(const MessageBoxCall& /*box*/) {}

private:
    // Runs show on the front end's thread: at once when called there (or
    // from a thread that is not the job), else handed over and waited for.
    template <typename F>
    auto onFrontThread(F show) -> decltype(show());
    // Serves handed-over calls until the job function has returned.
    void serveUntilJobReturns();
    // Joins a job that has returned and reports its end.
    void collectJob();

    struct Request {
        std::function<void()> run;
        bool done = false;
    };

    std::mutex mu_;
    std::vector<std::unique_ptr<VaControl>> controls_;
    std::deque<std::optional<std::string>> folders_, saves_, opens_;
    std::deque<int> boxAnswers_;
    std::optional<VaTime> clock_;
    bool threadFails_ = false;

    // The job and the calls it hands over; guarded by jobMu_.
    std::mutex jobMu_;
    std::condition_variable jobCv_;
    std::deque<Request*> requests_;
    std::thread::id jobThread_;
    bool jobReturned_ = false;
    std::atomic<bool> running_{false};
    std::thread job_;
    JobEndFn onEnd_;
    uint32_t jobResult_ = 0;
};

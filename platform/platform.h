#pragma once
// The small layer that stands in for the window system: the job thread
// (JobRunner) and, for the window, control texts and states, the status
// bar, progress bars, message boxes, file dialogs, the clock, a browser.
//
// Thread contract
// ---------------
// A front end (the window, the command-line tool) calls its runner and its
// backend from one thread of its own, the front end's thread. It starts at
// most one job at a time; the job runs on a worker thread and reaches the
// user only through its JobEvents (jobs/jobEvents.h), from that thread. The
// window's events use these calls of its backend from the job's thread:
//
//   setText, setEnabled, setStatus, setStatusPath, setProgress (the events
//   that only tell): do not wait. A backend may post them to the front
//   end's thread and return before they show; they take effect in the
//   order made.
//   checked: gives the state after every change the job's events made
//   before (a window backend asks its own thread and waits for that thread,
//   never for the user).
//   messageBox (the one event that asks): blocks the job until the user
//   answers. It is always shown by the front end's thread, never by the
//   job's, and that thread keeps serving it while a job runs (the window
//   from its event loop, a test while it waits in waitJob), so a job
//   waiting for an answer never deadlocks the front end.
//   localTime.
//
// No job opens a dialog: a writer's destination is chosen by the front end
// before the job starts. The same calls made by the front end's own thread
// act at once. Since a job may be waiting for it, the front end's thread
// never waits for a job, except a tool or a test inside waitJob.
//
// startJob never blocks its caller: it starts the job and returns true, or
// returns false at once when a job is still running (one job at a time) or
// no thread could be had; the front end then says so, nothing ends the
// process. When the job function has returned, the onEnd given to startJob
// is called once, with the job's code, on the front end's thread: the window
// learns of it from its event loop and never waits; a tool waits for it in
// waitJob. A job that has returned but whose end was not reported yet is
// reported by the next startJob before that starts anything.
//
// A job writes no configuration record the front end owns. What it hands
// back (the forum request of the server's message row, the rows a download
// dropped) goes into its request, and the front end takes it from there in
// onEnd, on its own thread (see jobs/jobLauncher.h).
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

// Opaque control handle; only the backend that created it knows its shape.
struct VaControl;
using HCtl = VaControl*;

// Message box flags and answers (the values the window system uses).
enum : unsigned {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbYesNo = 0x4,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

using JobFn = uint32_t (*)(void* param);
// Told the code of a job that ended; runs on the front end's thread.
using JobEndFn = std::function<void(uint32_t code)>;

// Local date and time as the jobs name folders and files with it.
struct VaTime {
    int year, month, day, hour, minute, second;
};
// The machine's clock, as a platform without a clock of its own tells it.
VaTime systemLocalTime();

// Runs one job at a time on a worker thread (see the contract above).
class JobRunner {
public:
    virtual ~JobRunner() = default;
    // Starts fn(param) on a worker thread without waiting for anything;
    // false when a job is running or no thread could be had. onEnd (may be
    // empty) is told the job's code once it ended, on the front end's thread.
    virtual bool startJob(JobFn fn, void* param, JobEndFn onEnd = {}) = 0;
    // True from a successful startJob until the job function has returned.
    virtual bool jobRunning() = 0;
    // Tools and tests only (the window never waits): serves the job's boxes
    // until it ends, reports its end and gives its code; the code of the
    // last job when none runs.
    virtual uint32_t waitJob() = 0;
};

class Platform : public JobRunner {
public:
    // Controls.
    virtual HCtl createControl(const std::string& name) = 0;
    virtual void setText(HCtl c, const std::string& text) = 0;
    virtual std::string text(HCtl c) = 0;
    virtual void setEnabled(HCtl c, bool on) = 0;
    virtual bool enabled(HCtl c) = 0;
    virtual void setChecked(HCtl c, bool on) = 0;
    virtual bool checked(HCtl c) = 0;
    virtual void setVisible(HCtl c, bool on) = 0;
    virtual void setRows(HCtl c, const std::vector<std::string>& rows) = 0;

    // Status bar part 0 (state word) and part 1 (detail).
    virtual void setStatus(HCtl bar, int part, const std::string& text) = 0;
    // A file-system path in a status part: its bytes are the file system's,
    // not Windows-1252 text, so a window shows them as such. Posted like
    // setStatus, which it is unless a backend knows better.
    virtual void setStatusPath(HCtl bar, int part, const std::string& path) {
        setStatus(bar, part, path);
    }
    virtual void setProgressRange(HCtl bar, int lo, int hi) = 0;
    virtual void setProgress(HCtl bar, int pos) = 0;

    // Modal boxes and dialogs; empty result or false means cancelled.
    virtual int messageBox(HCtl owner, const std::string& text, const std::string& caption,
                           unsigned flags) = 0;
    virtual bool browseFolder(HCtl owner, const std::string& title, std::string* path) = 0;
    // filter: description and pattern, e.g. {"Files ndf (*.ndf)", "*.ndf"}.
    virtual bool saveFileDialog(HCtl owner, const std::string& title,
                                const std::vector<std::string>& filter, const std::string& defExt,
                                std::string* path) = 0;
    virtual bool openFileDialog(HCtl owner, const std::string& title,
                                const std::vector<std::string>& filter, std::string* path) = 0;

    // False when no browser could be started.
    virtual bool openUrl(const std::string& url) = 0;
    // Closes a window (the main window ends the program's message loop).
    virtual void destroyWindow(HCtl window) = 0;

    // Local time, injectable for deterministic tests.
    virtual VaTime localTime() = 0;
};

// Gives a save-dialog answer the default extension when it has none.
std::string withDefaultExtension(const std::string& path, const std::string& ext);

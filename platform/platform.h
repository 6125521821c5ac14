#pragma once
// The small layer that stands in for the window system. Jobs talk to the
// user only through it: control texts and states, the status bar, progress
// bars, message boxes, file dialogs, the job thread, the clock, a browser.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct T_FnPARAM;

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

// Local date and time as the jobs name folders and files with it.
struct VaTime {
    int year, month, day, hour, minute, second;
};

class Platform {
public:
    virtual ~Platform() = default;

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

    // Starts a job on a worker thread; false when no thread could be had.
    virtual bool startJob(JobFn fn, T_FnPARAM* param) = 0;
    // Waits for the job last started (the window never does; tools do).
    virtual uint32_t waitJob() = 0;
    virtual void openUrl(const std::string& url) = 0;
    // Closes a window (the main window ends the program's message loop).
    virtual void destroyWindow(HCtl window) = 0;

    // Local time, injectable for deterministic tests.
    virtual VaTime localTime() = 0;
};

// Gives a save-dialog answer the default extension when it has none.
std::string withDefaultExtension(const std::string& path, const std::string& ext);

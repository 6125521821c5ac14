#pragma once
// A memory backend that notes the thread of every call made to it and of
// every box or dialog it shows, so tests can hold jobs and backends to the
// thread contract of platform/platform.h.
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/memoryPlatform.h"

class ThreadCheckPlatform : public MemoryPlatform {
public:
    struct Call {
        std::string what;  // "status", "box", "show box", ...
        std::thread::id thread;
    };

    // Called with every call noted, on its thread ("show ..." before the
    // answer). Set it before a job starts.
    std::function<void(const std::string& what)> onCall;

    std::vector<Call> taken() {
        std::lock_guard<std::mutex> lock(logMu_);
        return log_;
    }
    // Names of the calls made from thread t.
    std::vector<std::string> madeOn(std::thread::id t) {
        std::vector<std::string> out;
        for (const Call& c : taken())
            if (c.thread == t) out.push_back(c.what);
        return out;
    }

    HCtl createControl(const std::string& name) override {
        note("create");
        return MemoryPlatform::createControl(name);
    }
    void setText(HCtl c, const std::string& text) override {
        note("text");
        MemoryPlatform::setText(c, text);
    }
    std::string text(HCtl c) override {
        note("read text");
        return MemoryPlatform::text(c);
    }
    void setEnabled(HCtl c, bool on) override {
        note("enabled");
        MemoryPlatform::setEnabled(c, on);
    }
    bool enabled(HCtl c) override {
        note("read enabled");
        return MemoryPlatform::enabled(c);
    }
    void setChecked(HCtl c, bool on) override {
        note("checked");
        MemoryPlatform::setChecked(c, on);
    }
    void setVisible(HCtl c, bool on) override {
        note("visible");
        MemoryPlatform::setVisible(c, on);
    }
    void setRows(HCtl c, const std::vector<std::string>& rows) override {
        note("rows");
        MemoryPlatform::setRows(c, rows);
    }
    bool checked(HCtl c) override {
        note("read checked");
        return MemoryPlatform::checked(c);
    }
    void setStatus(HCtl bar, int part, const std::string& text) override {
        note("status");
        MemoryPlatform::setStatus(bar, part, text);
    }
    void setProgressRange(HCtl bar, int lo, int hi) override {
        note("progress range");
        MemoryPlatform::setProgressRange(bar, lo, hi);
    }
    void setProgress(HCtl bar, int pos) override {
        note("progress");
        MemoryPlatform::setProgress(bar, pos);
    }
    int messageBox(HCtl owner, const std::string& text, const std::string& caption,
                   unsigned flags) override {
        note("box");
        return MemoryPlatform::messageBox(owner, text, caption, flags);
    }
    bool browseFolder(HCtl owner, const std::string& title, std::string* path) override {
        note("folder");
        return MemoryPlatform::browseFolder(owner, title, path);
    }
    bool saveFileDialog(HCtl owner, const std::string& title,
                        const std::vector<std::string>& filter, const std::string& defExt,
                        std::string* path) override {
        note("save");
        return MemoryPlatform::saveFileDialog(owner, title, filter, defExt, path);
    }
    bool openFileDialog(HCtl owner, const std::string& title,
                        const std::vector<std::string>& filter, std::string* path) override {
        note("open");
        return MemoryPlatform::openFileDialog(owner, title, filter, path);
    }

    void openUrl(const std::string& url) override {
        note("url");
        MemoryPlatform::openUrl(url);
    }
    void destroyWindow(HCtl window) override {
        note("destroy");
        MemoryPlatform::destroyWindow(window);
    }
    VaTime localTime() override {
        note("time");
        return MemoryPlatform::localTime();
    }

protected:
    int showMessageBox(const MessageBoxCall& box) override {
        note("show box");
        return MemoryPlatform::showMessageBox(box);
    }
    bool showFolderDialog(const std::string& title, std::string* path) override {
        note("show folder");
        return MemoryPlatform::showFolderDialog(title, path);
    }
    bool showSaveDialog(const std::string& title, const std::vector<std::string>& filter,
                        const std::string& defExt, std::string* path) override {
        note("show save");
        return MemoryPlatform::showSaveDialog(title, filter, defExt, path);
    }
    bool showOpenDialog(const std::string& title, const std::vector<std::string>& filter,
                        std::string* path) override {
        note("show open");
        return MemoryPlatform::showOpenDialog(title, filter, path);
    }

private:
    void note(const char* what) {
        {
            std::lock_guard<std::mutex> lock(logMu_);
            log_.push_back({what, std::this_thread::get_id()});
        }
        if (onCall) onCall(what);
    }
    std::mutex logMu_;
    std::vector<Call> log_;
};

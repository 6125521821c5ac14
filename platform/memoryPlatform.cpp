#include "platform/memoryPlatform.h"

#include <filesystem>
#include <system_error>

std::string withDefaultExtension(const std::string& path, const std::string& ext) {
    if (ext.empty()) return path;
    std::filesystem::path p(path);
    if (p.has_extension()) return path;
    return path + "." + ext;
}

MemoryPlatform::MemoryPlatform() = default;

MemoryPlatform::~MemoryPlatform() {
    if (job_.joinable()) job_.join();
}

HCtl MemoryPlatform::createControl(const std::string& name) {
    std::lock_guard<std::mutex> lock(mu_);
    controls_.push_back(std::make_unique<VaControl>());
    controls_.back()->name = name;
    return controls_.back().get();
}

VaControl* MemoryPlatform::find(const std::string& name) {
    std::lock_guard<std::mutex> lock(mu_);
    for (auto& c : controls_)
        if (c->name == name) return c.get();
    return nullptr;
}

void MemoryPlatform::setText(HCtl c, const std::string& text) {
    std::lock_guard<std::mutex> lock(mu_);
    c->text = text;
    calls.push_back("text " + c->name + " = " + text);
}

std::string MemoryPlatform::text(HCtl c) {
    std::lock_guard<std::mutex> lock(mu_);
    return c->text;
}

void MemoryPlatform::setEnabled(HCtl c, bool on) {
    std::lock_guard<std::mutex> lock(mu_);
    c->enabled = on;
}

bool MemoryPlatform::enabled(HCtl c) {
    std::lock_guard<std::mutex> lock(mu_);
    return c->enabled;
}

void MemoryPlatform::setChecked(HCtl c, bool on) {
    std::lock_guard<std::mutex> lock(mu_);
    c->checked = on;
}

bool MemoryPlatform::checked(HCtl c) {
    std::lock_guard<std::mutex> lock(mu_);
    return c->checked;
}

void MemoryPlatform::setVisible(HCtl c, bool on) {
    std::lock_guard<std::mutex> lock(mu_);
    c->visible = on;
}

void MemoryPlatform::setRows(HCtl c, const std::vector<std::string>& rows) {
    std::lock_guard<std::mutex> lock(mu_);
    c->rows = rows;
}

void MemoryPlatform::setStatus(HCtl bar, int part, const std::string& text) {
    if (part < 0 || part > 1) return;
    {
        std::lock_guard<std::mutex> lock(mu_);
        bar->status[part] = text;
        statusLog[part].push_back(text);
        calls.push_back("status " + std::to_string(part) + " = " + text);
    }
    onStatus(part, text);
}

void MemoryPlatform::setProgressRange(HCtl bar, int lo, int hi) {
    std::lock_guard<std::mutex> lock(mu_);
    bar->lo = lo;
    bar->hi = hi;
}

void MemoryPlatform::setProgress(HCtl bar, int pos) {
    std::string name;
    {
        std::lock_guard<std::mutex> lock(mu_);
        bar->pos = pos;
        name = bar->name;
    }
    onProgress(name, pos);
}

int MemoryPlatform::messageBox(HCtl, const std::string& text, const std::string& caption,
                               unsigned flags) {
    MessageBoxCall box{text, caption, flags};
    int answer;
    {
        std::lock_guard<std::mutex> lock(mu_);
        boxes.push_back(box);
        calls.push_back("box " + caption + ": " + text);
        if (boxAnswers_.empty()) {
            answer = (flags & 0xF) == kMbYesNo ? kIdYes : kIdOk;
        } else {
            answer = boxAnswers_.front();
            boxAnswers_.pop_front();
        }
    }
    onMessageBox(box);
    return answer;
}

bool MemoryPlatform::browseFolder(HCtl, const std::string& title, std::string* path) {
    std::lock_guard<std::mutex> lock(mu_);
    calls.push_back("browse " + title);
    if (folders_.empty() || !folders_.front()) {
        if (!folders_.empty()) folders_.pop_front();
        return false;
    }
    *path = *folders_.front();
    folders_.pop_front();
    return true;
}

bool MemoryPlatform::saveFileDialog(HCtl, const std::string& title,
                                    const std::vector<std::string>&, const std::string& defExt,
                                    std::string* path) {
    std::lock_guard<std::mutex> lock(mu_);
    lastDefaultName = *path;
    calls.push_back("save " + title + " default " + *path);
    if (saves_.empty() || !saves_.front()) {
        if (!saves_.empty()) saves_.pop_front();
        return false;
    }
    std::string chosen = *saves_.front();
    saves_.pop_front();
    std::error_code ec;
    if (std::filesystem::is_directory(chosen, ec))
        chosen = (std::filesystem::path(chosen) / lastDefaultName).string();
    *path = withDefaultExtension(chosen, defExt);
    return true;
}

bool MemoryPlatform::openFileDialog(HCtl, const std::string& title,
                                    const std::vector<std::string>&, std::string* path) {
    std::lock_guard<std::mutex> lock(mu_);
    calls.push_back("open " + title);
    if (opens_.empty() || !opens_.front()) {
        if (!opens_.empty()) opens_.pop_front();
        return false;
    }
    *path = *opens_.front();
    opens_.pop_front();
    return true;
}

bool MemoryPlatform::startJob(JobFn fn, T_FnPARAM* param) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (threadFails_) return false;
    }
    if (job_.joinable()) job_.join();
    try {
        job_ = std::thread([this, fn, param] { jobResult_ = fn(param); });
    } catch (const std::system_error&) {
        return false;  // no thread to be had: the caller reports it
    }
    return true;
}

uint32_t MemoryPlatform::waitJob() {
    if (job_.joinable()) job_.join();
    return jobResult_;
}

void MemoryPlatform::openUrl(const std::string& url) {
    std::lock_guard<std::mutex> lock(mu_);
    urls.push_back(url);
}

void MemoryPlatform::destroyWindow(HCtl window) {
    std::lock_guard<std::mutex> lock(mu_);
    destroyed.push_back(window ? window->name : std::string());
}

VaTime MemoryPlatform::localTime() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (clock_) return *clock_;
    }
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return VaTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

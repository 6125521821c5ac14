#include "platform/memoryPlatform.h"

#include <filesystem>
#include <system_error>
#include <utility>

std::string withDefaultExtension(const std::string& path, const std::string& ext) {
    if (ext.empty()) return path;
    std::filesystem::path p(path);
    if (p.has_extension()) return path;
    return path + "." + ext;
}

MemoryPlatform::MemoryPlatform() = default;

// A job still running is served to its end; its end is not reported, since
// whoever would hear of it may be gone already.
MemoryPlatform::~MemoryPlatform() {
    if (!job_.joinable()) return;
    serveUntilJobReturns();
    job_.join();
}

template <typename F>
auto MemoryPlatform::onFrontThread(F show) -> decltype(show()) {
    std::unique_lock<std::mutex> lock(jobMu_);
    if (!running_ || std::this_thread::get_id() != jobThread_) {
        lock.unlock();
        return show();
    }
    decltype(show()) result{};
    Request req{[&] { result = show(); }};
    requests_.push_back(&req);
    jobCv_.notify_all();
    jobCv_.wait(lock, [&] { return req.done; });
    return result;
}

void MemoryPlatform::serveUntilJobReturns() {
    std::unique_lock<std::mutex> lock(jobMu_);
    for (;;) {
        jobCv_.wait(lock, [&] { return !requests_.empty() || jobReturned_; });
        if (requests_.empty()) return;
        Request* req = requests_.front();
        requests_.pop_front();
        lock.unlock();
        req->run();
        lock.lock();
        req->done = true;
        jobCv_.notify_all();
    }
}

void MemoryPlatform::collectJob() {
    if (!job_.joinable()) return;
    job_.join();
    JobEndFn onEnd;
    uint32_t code;
    {
        std::lock_guard<std::mutex> lock(jobMu_);
        onEnd = std::move(onEnd_);
        onEnd_ = nullptr;
        jobThread_ = std::thread::id();
        code = jobResult_;
    }
    if (onEnd) onEnd(code);
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
    return onFrontThread([&] { return showMessageBox(box); });
}

bool MemoryPlatform::browseFolder(HCtl, const std::string& title, std::string* path) {
    return onFrontThread([&] { return showFolderDialog(title, path); });
}

bool MemoryPlatform::saveFileDialog(HCtl, const std::string& title,
                                    const std::vector<std::string>& filter,
                                    const std::string& defExt, std::string* path) {
    return onFrontThread([&] { return showSaveDialog(title, filter, defExt, path); });
}

bool MemoryPlatform::openFileDialog(HCtl, const std::string& title,
                                    const std::vector<std::string>& filter, std::string* path) {
    return onFrontThread([&] { return showOpenDialog(title, filter, path); });
}

int MemoryPlatform::showMessageBox(const MessageBoxCall& box) {
    int answer;
    {
        std::lock_guard<std::mutex> lock(mu_);
        boxes.push_back(box);
        calls.push_back("box " + box.caption + ": " + box.text);
        if (boxAnswers_.empty()) {
            answer = (box.flags & 0xF) == kMbYesNo ? kIdYes : kIdOk;
        } else {
            answer = boxAnswers_.front();
            boxAnswers_.pop_front();
        }
    }
    onMessageBox(box);
    return answer;
}

bool MemoryPlatform::showFolderDialog(const std::string& title, std::string* path) {
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

bool MemoryPlatform::showSaveDialog(const std::string& title, const std::vector<std::string>&,
                                    const std::string& defExt, std::string* path) {
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

bool MemoryPlatform::showOpenDialog(const std::string& title, const std::vector<std::string>&,
                                    std::string* path) {
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

bool MemoryPlatform::startJob(JobFn fn, T_FnPARAM* param, JobEndFn onEnd) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (threadFails_) return false;
    }
    // One job at a time: a running one is not waited for, the start is refused.
    if (running_) return false;
    collectJob();
    {
        std::lock_guard<std::mutex> lock(jobMu_);
        jobReturned_ = false;
        onEnd_ = std::move(onEnd);
    }
    running_ = true;
    try {
        job_ = std::thread([this, fn, param] {
            {
                std::lock_guard<std::mutex> lock(jobMu_);
                jobThread_ = std::this_thread::get_id();
            }
            uint32_t code = fn(param);
            std::lock_guard<std::mutex> lock(jobMu_);
            jobResult_ = code;
            jobReturned_ = true;
            running_ = false;
            jobCv_.notify_all();
        });
    } catch (const std::system_error&) {
        running_ = false;
        std::lock_guard<std::mutex> lock(jobMu_);
        onEnd_ = nullptr;
        return false;  // no thread to be had: the caller reports it
    }
    return true;
}

bool MemoryPlatform::jobRunning() { return running_; }

uint32_t MemoryPlatform::waitJob() {
    if (job_.joinable()) {
        serveUntilJobReturns();
        collectJob();
    }
    std::lock_guard<std::mutex> lock(jobMu_);
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
    return systemLocalTime();
}

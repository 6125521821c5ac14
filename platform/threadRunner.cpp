#include "platform/threadRunner.h"

#include <system_error>

bool ThreadRunner::startJob(JobFn fn, void* param, JobEndFn onEnd) {
    if (running_) return false;
    collect();
    running_ = true;
    onEnd_ = std::move(onEnd);
    try {
        job_ = std::thread([this, fn, param] {
            code_ = fn(param);
            running_ = false;
        });
    } catch (const std::system_error&) {
        running_ = false;
        onEnd_ = nullptr;
        return false;
    }
    return true;
}

uint32_t ThreadRunner::waitJob() {
    collect();
    return code_;
}

void ThreadRunner::collect() {
    if (!job_.joinable()) return;
    job_.join();
    JobEndFn ended = std::move(onEnd_);
    onEnd_ = nullptr;
    if (ended) ended(code_);
}

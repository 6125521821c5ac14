#pragma once
// The job runner of a front end without an event loop (the command-line
// tool): a worker thread per job, whose end is told on the front end's
// thread when it waits for the job, or when it starts the next one.
#include <atomic>
#include <thread>

#include "platform/platform.h"

class ThreadRunner : public JobRunner {
public:
    ThreadRunner() = default;
    ThreadRunner(const ThreadRunner&) = delete;
    ThreadRunner& operator=(const ThreadRunner&) = delete;
    // A job still running is waited for: it works on what its owner keeps.
    ~ThreadRunner() override { waitJob(); }

    bool startJob(JobFn fn, void* param, JobEndFn onEnd = {}) override;
    bool jobRunning() override { return running_; }
    uint32_t waitJob() override;

private:
    // Joins a job that has returned and tells its end once.
    void collect();

    std::thread job_;
    std::atomic<bool> running_{false};
    std::atomic<uint32_t> code_{0};
    JobEndFn onEnd_;
};

#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "core/execution/TaskExecutorInterface.h"
#include "core/values/Object.h"
#include "platformShim/ThreadingServiceInterface.h"

namespace NuvraMobile {

// An executor without threads: tasks wait until the test runs them, one at a time and in order, on
// the test's thread. Disposal drops the waiting tasks; it finishes once no task is running.
class ManualTaskExecutor : public Object, public virtual TaskExecutorInterface {
public:
    bool AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) override;
    bool DisposeImpl(std::chrono::milliseconds timeout) override;
    bool IsDisposed() override;

    // Runs the first waiting task; false when none waits.
    bool RunNext();
    // Runs tasks, also those they add, until none waits; returns how many ran.
    int RunAll();
    size_t PendingCount();
    // Waits up to `timeout` until a task waits, for tasks that other threads add; true when one does.
    bool WaitForPending(std::chrono::milliseconds timeout);
    // Whether Dispose was called.
    bool DisposeRequested();

private:
    struct Entry {
        Task task;
        ErrorCallback errorCallback;
        std::string name;
    };

    std::mutex mutex_;
    std::condition_variable added_;
    std::deque<Entry> tasks_;
    bool disposed_ = false;
    bool running_ = false;
};

// A threading service that hands out one manual executor for every executor asked of it, so that the
// test runs their tasks on its own thread.
class ManualThreadingService : public Object, public virtual ThreadingServiceInterface {
public:
    explicit ManualThreadingService(std::shared_ptr<ManualTaskExecutor> executor)
        : executor_(std::move(executor)) {}
    std::shared_ptr<TaskExecutorInterface> CreateSequentialTaskExecutor(const std::string&) override {
        return executor_;
    }
    std::shared_ptr<TaskExecutorInterface> CreateParallelTaskExecutor(const std::string&) override {
        return executor_;
    }

private:
    const std::shared_ptr<ManualTaskExecutor> executor_;
};

}  // namespace NuvraMobile

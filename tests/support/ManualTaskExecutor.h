#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "core/execution/TaskExecutorInterface.h"
#include "core/values/Object.h"

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

}  // namespace NuvraMobile

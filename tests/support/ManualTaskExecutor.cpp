#include "support/ManualTaskExecutor.h"

#include "core/values/SdkError.h"

namespace NuvraMobile {

bool ManualTaskExecutor::AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (disposed_) {
        return false;
    }
    tasks_.push_back(Entry{std::move(task), std::move(errorCallback), name});
    added_.notify_all();
    return true;
}

bool ManualTaskExecutor::WaitForPending(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return added_.wait_for(lock, timeout, [this] { return !tasks_.empty(); });
}

bool ManualTaskExecutor::DisposeImpl(std::chrono::milliseconds) {
    std::deque<Entry> dropped;
    std::lock_guard<std::mutex> lock(mutex_);
    disposed_ = true;
    dropped.swap(tasks_);
    return !running_;
}

bool ManualTaskExecutor::IsDisposed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return disposed_ && !running_;
}

bool ManualTaskExecutor::RunNext() {
    Entry entry;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (tasks_.empty()) {
            return false;
        }
        entry = std::move(tasks_.front());
        tasks_.pop_front();
        running_ = true;
    }
    TryCatch(entry.task, [&entry](SdkError& error) {
        if (entry.errorCallback) {
            entry.errorCallback(entry.name, error);
        }
    });
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
    return true;
}

int ManualTaskExecutor::RunAll() {
    int count = 0;
    while (RunNext()) {
        ++count;
    }
    return count;
}

size_t ManualTaskExecutor::PendingCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return tasks_.size();
}

bool ManualTaskExecutor::DisposeRequested() {
    std::lock_guard<std::mutex> lock(mutex_);
    return disposed_;
}

}  // namespace NuvraMobile

#include "services/ui/MainQueueInterface.h"

#include <condition_variable>
#include <memory>
#include <mutex>

#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

/** Shared by the waiter and the queued task, so a task that outlives the wait touches live memory. */
struct Completion {
    Mutex mutex;
    std::condition_variable done;
    bool finished NVR_GUARDED_BY(mutex) = false;
};

/** Reports the task finished however it ends, also by throwing (the queue then logs the error). */
class FinishOnExit {
public:
    explicit FinishOnExit(std::shared_ptr<Completion> completion) : completion_(std::move(completion)) {}
    ~FinishOnExit() {
        MutexLock lock(completion_->mutex);
        completion_->finished = true;
        completion_->done.notify_all();
    }
    FinishOnExit(const FinishOnExit&) = delete;
    FinishOnExit& operator=(const FinishOnExit&) = delete;

private:
    std::shared_ptr<Completion> completion_;
};

}  // namespace

bool MainQueueInterface::RunAndWait(Task task, std::chrono::milliseconds timeout) {
    if (IsOnMainQueue()) {
        task();
        return true;
    }
    auto completion = std::make_shared<Completion>();
    Async([completion, task = std::move(task)] {
        FinishOnExit finish(completion);
        task();
    });
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    MutexLock lock(completion->mutex);
    while (!completion->finished) {
        if (!lock.WaitUntil(completion->done, deadline)) {
            return completion->finished;
        }
    }
    return true;
}

}  // namespace NuvraMobile

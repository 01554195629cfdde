#include "services/ui/MainQueueInterface.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace NuvraMobile {

namespace {

/** Shared by the waiter and the queued task, so a task that outlives the wait touches live memory. */
struct Completion {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
};

/** Reports the task finished however it ends, also by throwing (the queue then logs the error). */
class FinishOnExit {
public:
    explicit FinishOnExit(std::shared_ptr<Completion> completion) : completion_(std::move(completion)) {}
    ~FinishOnExit() {
        std::lock_guard<std::mutex> lock(completion_->mutex);
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
    std::unique_lock<std::mutex> lock(completion->mutex);
    return completion->done.wait_for(lock, timeout, [&] { return completion->finished; });
}

}  // namespace NuvraMobile

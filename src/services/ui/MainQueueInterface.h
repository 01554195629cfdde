#pragma once

#include <chrono>
#include <functional>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/**
 * The serial queue on which every drawing step and UI listener call runs, one task at a time in the
 * order they were queued. Any thread may queue; code asks the queue whether it runs on it.
 */
class MainQueueInterface : public virtual ObjectInterface {
public:
    using Task = std::function<void()>;

    /** Queues `task` and returns at once. A task queued after shutdown is dropped. */
    virtual void Async(Task task) = 0;

    /** True on the thread that runs the queue's tasks. */
    virtual bool IsOnMainQueue() const = 0;

    /**
     * Runs `task` on the queue and waits at most `timeout` for it; true when it ran within the bound.
     * A task that throws counts as run (the queue logs the error). Called on the queue itself it runs
     * `task` at once, since waiting there would wait for itself.
     * A task that the wait gave up on still runs later.
     */
    bool RunAndWait(Task task, std::chrono::milliseconds timeout);
};

}  // namespace NuvraMobile

#pragma once

#include <memory>

#include "core/values/Object.h"
#include "services/ui/MainQueueInterface.h"

namespace NuvraMobile {

class MainQueueData;

/**
 * The default main queue. Either it runs on a thread of its own (`StartOwnThread`), or the host
 * program's thread pumps it (`CreatePumped`, then `Pump` from that same thread, as a run loop would).
 * Tasks never run concurrently and run in queue order; a task that throws is logged and dropped.
 *
 * Shutdown: `Shutdown` (also run by the destructor) drops the queued tasks, lets the running one
 * finish and, for the own thread, joins it unless called from that thread, which then ends after its
 * task. Later tasks are dropped. All operations may be called from any thread.
 */
class MainQueue : public Object, public virtual MainQueueInterface {
public:
    /** A queue whose tasks run on a new thread of its own. */
    static std::shared_ptr<MainQueue> StartOwnThread();
    /** A queue whose tasks run when the calling thread, from now on its main thread, calls Pump. */
    static std::shared_ptr<MainQueue> CreatePumped();

    explicit MainQueue(std::shared_ptr<MainQueueData> data);
    ~MainQueue() override;

    void Async(Task task) override;
    bool IsOnMainQueue() const override;

    /**
     * Runs the tasks queued so far (not those they queue) and returns their number. Only the
     * main thread of a pumped queue may pump; elsewhere it logs and runs nothing.
     */
    size_t Pump();

    void Shutdown();

private:
    std::shared_ptr<MainQueueData> data_;
};

}  // namespace NuvraMobile

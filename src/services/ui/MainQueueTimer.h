#pragma once

#include <chrono>
#include <memory>

#include "core/values/Object.h"
#include "services/ui/MainQueueInterface.h"

namespace NuvraMobile {

class MainQueueTimerData;

/**
 * A repeating timer whose ticks run on the main queue, like a timer on the main run loop. A thread of
 * its own counts the interval and queues each tick; ticks that the queue has not run yet stay queued.
 *
 * Any thread may stop it, also the main queue from inside a tick. `Stop` (also run by the destructor)
 * ends the counting thread and lets the tick, and what it holds, go; no tick is queued after it.
 */
class MainQueueTimer : public Object {
public:
    static std::shared_ptr<MainQueueTimer> StartRepeating(std::shared_ptr<MainQueueInterface> mainQueue,
                                                          std::chrono::milliseconds interval,
                                                          MainQueueInterface::Task tick);

    explicit MainQueueTimer(std::shared_ptr<MainQueueTimerData> data);
    ~MainQueueTimer() override;

    void Stop();
    bool IsRunning() const;

private:
    std::shared_ptr<MainQueueTimerData> data_;
};

}  // namespace NuvraMobile

#include "services/ui/MainQueueTimer.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "util/Mutex.h"

namespace NuvraMobile {

class MainQueueTimerData {
public:
    Mutex mutex;
    std::condition_variable wake;
    bool stopped NVR_GUARDED_BY(mutex) = false;
    std::shared_ptr<MainQueueInterface> mainQueue;
    std::chrono::milliseconds interval{0};
    MainQueueInterface::Task tick NVR_GUARDED_BY(mutex);
    std::thread thread;
    std::once_flag threadEnded;

    void Count() {
        MutexLock lock(mutex);
        auto nextTick = std::chrono::steady_clock::now() + interval;
        while (!stopped) {
            if (!lock.WaitUntil(wake, nextTick) && !stopped) {
                // Async never waits for the queue's tasks, so holding the lock is safe.
                mainQueue->Async(tick);
                nextTick = std::chrono::steady_clock::now() + interval;
            }
        }
    }
};

std::shared_ptr<MainQueueTimer> MainQueueTimer::StartRepeating(std::shared_ptr<MainQueueInterface> mainQueue,
                                                               std::chrono::milliseconds interval,
                                                               MainQueueInterface::Task tick) {
    auto data = std::make_shared<MainQueueTimerData>();
    data->mainQueue = std::move(mainQueue);
    data->interval = interval;
    MutexLock lock(data->mutex);  // the thread starts counting once the data is complete
    data->tick = std::move(tick);
    data->thread = std::thread([data] { data->Count(); });
    return std::make_shared<MainQueueTimer>(data);
}

MainQueueTimer::MainQueueTimer(std::shared_ptr<MainQueueTimerData> data) : data_(std::move(data)) {}

MainQueueTimer::~MainQueueTimer() {
    Stop();
}

void MainQueueTimer::Stop() {
    // Released last and outside the lock: the tick may hold the timer's owner, and so the timer.
    MainQueueInterface::Task tick;
    const std::shared_ptr<MainQueueTimerData> data = data_;
    {
        MutexLock lock(data->mutex);
        data->stopped = true;
        data->wake.notify_all();
    }
    std::call_once(data->threadEnded, [&data] {
        if (data->thread.joinable()) {
            data->thread.join();
        }
    });
    MutexLock lock(data->mutex);
    tick.swap(data->tick);
}

bool MainQueueTimer::IsRunning() const {
    MutexLock lock(data_->mutex);
    return !data_->stopped;
}

}  // namespace NuvraMobile

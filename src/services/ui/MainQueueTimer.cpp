#include "services/ui/MainQueueTimer.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace NuvraMobile {

class MainQueueTimerData {
public:
    std::mutex mutex;
    std::condition_variable wake;
    bool stopped = false;
    std::shared_ptr<MainQueueInterface> mainQueue;
    std::chrono::milliseconds interval{0};
    MainQueueInterface::Task tick;
    std::thread thread;
    std::once_flag threadEnded;

    void Count() {
        std::unique_lock<std::mutex> lock(mutex);
        while (!wake.wait_for(lock, interval, [this] { return stopped; })) {
            mainQueue->Async(tick);  // Async never waits for the queue's tasks, so holding the lock is safe
        }
    }
};

std::shared_ptr<MainQueueTimer> MainQueueTimer::StartRepeating(std::shared_ptr<MainQueueInterface> mainQueue,
                                                               std::chrono::milliseconds interval,
                                                               MainQueueInterface::Task tick) {
    auto data = std::make_shared<MainQueueTimerData>();
    data->mainQueue = std::move(mainQueue);
    data->interval = interval;
    data->tick = std::move(tick);
    std::lock_guard<std::mutex> lock(data->mutex);  // the thread starts counting once the data is complete
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
        std::lock_guard<std::mutex> lock(data->mutex);
        data->stopped = true;
        data->wake.notify_all();
    }
    std::call_once(data->threadEnded, [&data] {
        if (data->thread.joinable()) {
            data->thread.join();
        }
    });
    std::lock_guard<std::mutex> lock(data->mutex);
    tick.swap(data->tick);
}

bool MainQueueTimer::IsRunning() const {
    std::lock_guard<std::mutex> lock(data_->mutex);
    return !data_->stopped;
}

}  // namespace NuvraMobile

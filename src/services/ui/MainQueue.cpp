#include "services/ui/MainQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "core/values/SdkError.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {
constexpr const char* LOG_TAG = "MainQueue";
}

class MainQueueData {
public:
    Mutex mutex;
    std::condition_variable wake;
    std::deque<MainQueueInterface::Task> tasks NVR_GUARDED_BY(mutex);
    bool stopped NVR_GUARDED_BY(mutex) = false;
    /** Written once before any task can run; read by IsOnMainQueue on any thread. */
    std::thread::id mainThread;
    std::thread ownThread;
    /** Set at creation; ownThread itself is not read once Shutdown may touch it. */
    bool ownsThread = false;
    std::once_flag ownThreadEnded;

    static void RunOne(const MainQueueInterface::Task& task) {
        TryCatch(task, [](SdkError& error) {
            Log::Error(LOG_TAG, "Task failed on the main queue (%s)", error.ToString());
        });
    }

    void RunOwnThread() {
        MutexLock lock(mutex);
        for (;;) {
            while (!stopped && tasks.empty()) {
                lock.Wait(wake);
            }
            if (stopped) {
                return;
            }
            MainQueueInterface::Task task = std::move(tasks.front());
            tasks.pop_front();
            lock.Unlock();
            RunOne(task);
            task = nullptr;  // captures are released outside the lock, like the task itself
            lock.Lock();
        }
    }
};

std::shared_ptr<MainQueue> MainQueue::StartOwnThread() {
    auto data = std::make_shared<MainQueueData>();
    MutexLock lock(data->mutex);  // mainThread is set before the thread reads anything
    data->ownThread = std::thread([data] { data->RunOwnThread(); });
    data->mainThread = data->ownThread.get_id();
    data->ownsThread = true;
    return std::make_shared<MainQueue>(data);
}

std::shared_ptr<MainQueue> MainQueue::CreatePumped() {
    auto data = std::make_shared<MainQueueData>();
    data->mainThread = std::this_thread::get_id();
    return std::make_shared<MainQueue>(data);
}

MainQueue::MainQueue(std::shared_ptr<MainQueueData> data) : data_(std::move(data)) {}

MainQueue::~MainQueue() {
    Shutdown();
}

void MainQueue::Async(Task task) {
    if (!task) {
        return;
    }
    MutexLock lock(data_->mutex);
    if (data_->stopped) {
        Log::Debug(LOG_TAG, "Dropping a task queued after shutdown");
        return;
    }
    data_->tasks.push_back(std::move(task));
    data_->wake.notify_one();
}

bool MainQueue::IsOnMainQueue() const {
    return std::this_thread::get_id() == data_->mainThread;
}

size_t MainQueue::Pump() {
    if (data_->ownsThread || !IsOnMainQueue()) {
        Log::Error(LOG_TAG, "Only the main thread of a pumped main queue may pump it");
        return 0;
    }
    std::deque<Task> batch;
    {
        MutexLock lock(data_->mutex);
        batch.swap(data_->tasks);
    }
    for (const Task& task : batch) {
        MainQueueData::RunOne(task);
    }
    return batch.size();
}

void MainQueue::Shutdown() {
    std::deque<Task> dropped;  // destroyed outside the lock: a capture's destructor may queue again
    {
        MutexLock lock(data_->mutex);
        data_->stopped = true;
        dropped.swap(data_->tasks);
        data_->wake.notify_all();
    }
    std::call_once(data_->ownThreadEnded, [this] {
        std::thread& thread = data_->ownThread;
        if (!thread.joinable()) {
            return;
        }
        if (thread.get_id() == std::this_thread::get_id()) {
            thread.detach();  // the thread holds the data and leaves its loop after the current task
        } else {
            thread.join();
        }
    });
}

}  // namespace NuvraMobile

#include "core/TaskExecutor.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <utility>

#include "core/ExecutorShutdown.h"
#include "core/SdkError.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_PREFIX = "TaskExecutor";
constexpr std::chrono::seconds IDLE_RECHECK_INTERVAL{1};

using Clock = std::chrono::steady_clock;

enum class WorkerState : int32_t { IDLE = 0, BUSY = 1, EXITED = 2 };

struct TaskExecutorTask {
    TaskExecutorInterface::Task task;
    TaskExecutorInterface::ErrorCallback errorCallback;
    std::string name;
};

using TaskQueue = std::deque<TaskExecutorTask>;

class TaskExecutorWorkerData : public Object {
public:
    uint8_t number = 0;
    WorkerState state = WorkerState::IDLE;
    TaskQueue tasks;
    std::shared_ptr<std::thread> thread;
    Clock::time_point idleSince = Clock::now();
};

}  // namespace

/** Everything an executor shares with its workers; every field is guarded by `mutex`. */
class TaskExecutorData : public Object {
public:
    bool disposed = false;
    std::mutex mutex;
    std::condition_variable condition;
    TaskQueue sharedTasks;
    std::list<std::shared_ptr<TaskExecutorWorkerData>> workers;
    std::string name;
    std::shared_ptr<SystemInfoServiceInterface> systemInfoService;
    uint32_t maxThreadCount = 1;
    std::chrono::milliseconds idleThreadTimeout{0};
    uint32_t nextWorkerNumber = 1;
};

namespace {

void RunTask(TaskExecutorTask& task) {
    TrySwallow([&task] {
        TryCatch(task.task, [&task](SdkError& error) {
            if (task.errorCallback) {
                task.errorCallback(task.name, error);
            }
        });
    });
}

bool TakeNextTask(TaskExecutorData& data, TaskExecutorWorkerData& worker, TaskExecutorTask& task) {
    TaskQueue& queue = !worker.tasks.empty() ? worker.tasks : data.sharedTasks;
    if (queue.empty()) {
        return false;
    }
    task = std::move(queue.front());
    queue.pop_front();
    return true;
}

void NameCurrentThread(const TaskExecutorData& data, const TaskExecutorWorkerData& worker) {
    if (data.systemInfoService && !data.name.empty()) {
        data.systemInfoService->SetCurrentThreadName(data.name + "/" + std::to_string(worker.number));
    }
}

/** Waits for work until the idle timeout; false when the worker has been idle for longer. */
bool WaitForWork(std::unique_lock<std::mutex>& lock, TaskExecutorData& data, TaskExecutorWorkerData& worker) {
    if (worker.state != WorkerState::IDLE) {
        worker.state = WorkerState::IDLE;
        worker.idleSince = Clock::now();
    }
    Clock::time_point now = Clock::now();
    auto idleTime = std::chrono::duration_cast<std::chrono::milliseconds>(now - worker.idleSince);
    if (idleTime > data.idleThreadTimeout) {
        return false;
    }
    // Wake just after the idle timeout when it comes before the regular re-check.
    std::chrono::milliseconds untilTimeout = data.idleThreadTimeout - idleTime + std::chrono::milliseconds(1);
    data.condition.wait_until(
        lock, now + std::min<std::chrono::milliseconds>(IDLE_RECHECK_INTERVAL, untilTimeout),
        [&data, &worker] { return data.disposed || !worker.tasks.empty() || !data.sharedTasks.empty(); });
    return true;
}

void WorkerMain(const std::shared_ptr<TaskExecutorData>& data,
                const std::shared_ptr<TaskExecutorWorkerData>& worker) {
    RunningTaskMark mark(data.get());
    std::unique_lock<std::mutex> lock(data->mutex);
    NameCurrentThread(*data, *worker);
    while (!data->disposed) {
        TaskExecutorTask task;
        if (TakeNextTask(*data, *worker, task)) {
            worker->state = WorkerState::BUSY;
            lock.unlock();
            RunTask(task);
            task = TaskExecutorTask();
            lock.lock();
        } else if (!WaitForWork(lock, *data, *worker)) {
            break;
        }
    }
    data->workers.remove(worker);
    worker->state = WorkerState::EXITED;
    lock.unlock();
    data->condition.notify_all();
    worker->thread->detach();
}

/** Called with `mutex` held. Null once disposed; throws std::system_error when no thread can be started. */
std::shared_ptr<TaskExecutorWorkerData> CreateWorkerThread(const std::shared_ptr<TaskExecutorData>& data) {
    if (data->disposed) {
        return nullptr;
    }
    auto worker = std::make_shared<TaskExecutorWorkerData>();
    worker->number = static_cast<uint8_t>(data->nextWorkerNumber++);
    worker->thread = std::make_shared<std::thread>([data, worker] { WorkerMain(data, worker); });
    data->workers.push_back(worker);
    return worker;
}

/**
 * Called with `mutex` held. A worker handed a task counts as busy at once, so that the next task of a
 * burst goes to another worker instead of waiting behind the first.
 */
TaskQueue& ChooseQueue(const std::shared_ptr<TaskExecutorData>& data) {
    for (const auto& worker : data->workers) {
        if (worker->state == WorkerState::IDLE) {
            worker->state = WorkerState::BUSY;
            return worker->tasks;
        }
    }
    if (data->workers.size() < data->maxThreadCount) {
        if (auto worker = CreateWorkerThread(data)) {
            worker->state = WorkerState::BUSY;
            return worker->tasks;
        }
        Log::Debug(LOG_PREFIX, "Unable to dynamically spawn worker thread.");
    }
    return data->sharedTasks;
}

}  // namespace

std::shared_ptr<TaskExecutorInterface> TaskExecutorInterface::Create(
    const std::shared_ptr<CreateArgs>& args) {
    if (!args) {
        Throw("general.unexpected", "args cannot be nullptr");
    }
    uint32_t maxThreadCount = std::max(args->maxThreadCount, args->minThreadCount);
    uint32_t initialThreadCount =
        std::max(std::min(args->initialThreadCount, maxThreadCount), args->minThreadCount);
    std::string name = args->name;
    if (!name.empty() && !args->systemInfoService) {
        Log::Debug(LOG_PREFIX, "System info services are required to set thread name");
        name.clear();
    }

    auto data = std::make_shared<TaskExecutorData>();
    auto executor = std::make_shared<TaskExecutor>(data);
    std::lock_guard<std::mutex> lock(data->mutex);
    data->name = std::move(name);
    data->systemInfoService = args->systemInfoService;
    data->maxThreadCount = maxThreadCount;
    data->idleThreadTimeout = args->idleThreadTimeout;
    while (data->workers.size() < initialThreadCount) {
        if (!CreateWorkerThread(data)) {
            Log::Debug(LOG_PREFIX, "Unable to spawn initial worker thread.");
            break;
        }
    }
    return executor;
}

std::shared_ptr<TaskExecutorInterface> TaskExecutorInterface::CreateFixedThreaded(uint32_t count) {
    return TaskExecutor::Create(count);
}

std::shared_ptr<TaskExecutor> TaskExecutor::Create(uint32_t count) {
    return Create(count, "", std::shared_ptr<SystemInfoServiceInterface>());
}

std::shared_ptr<TaskExecutor> TaskExecutor::Create(
    uint32_t count, const std::string& name,
    const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService) {
    auto args = CreateArgs::Create();
    args->SetFixedThreadCount(count);
    args->name = name;
    args->systemInfoService = systemInfoService;
    return std::dynamic_pointer_cast<TaskExecutor>(TaskExecutorInterface::Create(args));
}

std::shared_ptr<TaskExecutor> TaskExecutor::Create(
    uint32_t count, const std::string& name,
    const std::shared_ptr<PlatformServicesInterface>& platformServices) {
    return Create(count, name, platformServices ? platformServices->GetSystemInfoService() : nullptr);
}

TaskExecutor::TaskExecutor(std::shared_ptr<TaskExecutorData> data) : data_(std::move(data)) {}

TaskExecutor::~TaskExecutor() {
    DisposeOnDestruction(
        data_.get(), [this](std::chrono::milliseconds timeout) { return DisposeImpl(timeout); }, LOG_PREFIX);
}

bool TaskExecutor::AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) {
    {
        std::lock_guard<std::mutex> lock(data_->mutex);
        if (data_->disposed) {
            return false;
        }
        ChooseQueue(data_).push_back({std::move(task), std::move(errorCallback), name});
    }
    data_->condition.notify_all();
    return true;
}

bool TaskExecutor::DisposeImpl(std::chrono::milliseconds timeout) {
    Clock::time_point deadline = DisposeDeadline(timeout);
    std::deque<TaskQueue> droppedTasks;
    std::shared_ptr<SystemInfoServiceInterface> releasedService;
    bool ended = false;
    {
        std::unique_lock<std::mutex> lock(data_->mutex);
        if (!data_->disposed) {
            data_->disposed = true;
            releasedService = std::move(data_->systemInfoService);
            droppedTasks.push_back(std::exchange(data_->sharedTasks, {}));
            for (const auto& worker : data_->workers) {
                droppedTasks.push_back(std::exchange(worker->tasks, {}));
            }
        }
        data_->condition.notify_all();
        ended = data_->condition.wait_until(lock, deadline, [this] { return data_->workers.empty(); });
    }
    return ended;
}

bool TaskExecutor::IsDisposed() {
    std::lock_guard<std::mutex> lock(data_->mutex);
    return data_->disposed && data_->workers.empty();
}

}  // namespace NuvraMobile

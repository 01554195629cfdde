#include "core/execution/TaskExecutor.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <list>
#include <thread>
#include <utility>

#include "core/execution/ExecutorShutdown.h"
#include "core/values/SdkError.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "util/Log.h"
#include "util/Mutex.h"

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

/** A worker's part of the executor; read and written only under the executor's mutex. */
class TaskExecutorWorkerData : public Object {
public:
    uint8_t number = 0;
    WorkerState state = WorkerState::IDLE;
    TaskQueue tasks;
    std::shared_ptr<std::thread> thread;
    Clock::time_point idleSince = Clock::now();
};

}  // namespace

/** Everything an executor shares with its workers. */
class TaskExecutorData : public Object {
public:
    Mutex mutex;
    std::condition_variable condition;
    bool disposed NVR_GUARDED_BY(mutex) = false;
    TaskQueue sharedTasks NVR_GUARDED_BY(mutex);
    std::list<std::shared_ptr<TaskExecutorWorkerData>> workers NVR_GUARDED_BY(mutex);
    std::string name NVR_GUARDED_BY(mutex);
    std::shared_ptr<SystemInfoServiceInterface> systemInfoService NVR_GUARDED_BY(mutex);
    uint32_t maxThreadCount NVR_GUARDED_BY(mutex) = 1;
    std::chrono::milliseconds idleThreadTimeout NVR_GUARDED_BY(mutex){0};
    uint32_t nextWorkerNumber NVR_GUARDED_BY(mutex) = 1;
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

bool TakeNextTask(TaskExecutorData& data, TaskExecutorWorkerData& worker, TaskExecutorTask& task)
    NVR_REQUIRES(data.mutex) {
    TaskQueue& queue = !worker.tasks.empty() ? worker.tasks : data.sharedTasks;
    if (queue.empty()) {
        return false;
    }
    task = std::move(queue.front());
    queue.pop_front();
    return true;
}

void NameCurrentThread(const TaskExecutorData& data, const TaskExecutorWorkerData& worker)
    NVR_REQUIRES(data.mutex) {
    if (data.systemInfoService && !data.name.empty()) {
        data.systemInfoService->SetCurrentThreadName(data.name + "/" + std::to_string(worker.number));
    }
}

/** Waits for work until the idle timeout; false when the worker has been idle for longer. */
bool WaitForWork(MutexLock& lock, TaskExecutorData& data, TaskExecutorWorkerData& worker)
    NVR_REQUIRES(data.mutex) {
    if (worker.state != WorkerState::IDLE) {
        worker.state = WorkerState::IDLE;
        worker.idleSince = Clock::now();
    }
    Clock::time_point now = Clock::now();
    auto idleTime = std::chrono::duration_cast<std::chrono::milliseconds>(now - worker.idleSince);
    if (idleTime > data.idleThreadTimeout) {
        return false;
    }
    // Wake just after the idle timeout when it comes before the regular re-check. Both differences are
    // taken before anything is added, so that any timeout, up to milliseconds::max(), stays in range.
    const std::chrono::milliseconds untilTimeout = data.idleThreadTimeout - idleTime;
    const Clock::time_point wakeAt =
        now + (untilTimeout < IDLE_RECHECK_INTERVAL ? untilTimeout + std::chrono::milliseconds(1)
                                                    : std::chrono::milliseconds(IDLE_RECHECK_INTERVAL));
    while (!data.disposed && worker.tasks.empty() && data.sharedTasks.empty() &&
           lock.WaitUntil(data.condition, wakeAt)) {
    }
    return true;
}

void WorkerMain(const std::shared_ptr<TaskExecutorData>& data,
                const std::shared_ptr<TaskExecutorWorkerData>& worker) {
    RunningTaskMark mark(data.get());
    MutexLock lock(data->mutex);
    NameCurrentThread(*data, *worker);
    while (!data->disposed) {
        TaskExecutorTask task;
        if (TakeNextTask(*data, *worker, task)) {
            worker->state = WorkerState::BUSY;
            lock.Unlock();
            RunTask(task);
            task = TaskExecutorTask();
            lock.Lock();
        } else if (!WaitForWork(lock, *data, *worker)) {
            break;
        }
    }
    data->workers.remove(worker);
    worker->state = WorkerState::EXITED;
    lock.Unlock();
    data->condition.notify_all();
    worker->thread->detach();
}

/** Null once disposed; throws std::system_error when no thread can be started. */
std::shared_ptr<TaskExecutorWorkerData> CreateWorkerThread(const std::shared_ptr<TaskExecutorData>& data)
    NVR_REQUIRES(data->mutex) {
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
 * A worker handed a task counts as busy at once, so that the next task of a burst goes to another
 * worker instead of waiting behind the first.
 */
TaskQueue& ChooseQueue(const std::shared_ptr<TaskExecutorData>& data) NVR_REQUIRES(data->mutex) {
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
    MutexLock lock(data->mutex);
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
        MutexLock lock(data_->mutex);
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
        MutexLock lock(data_->mutex);
        if (!data_->disposed) {
            data_->disposed = true;
            releasedService = std::move(data_->systemInfoService);
            droppedTasks.push_back(std::exchange(data_->sharedTasks, {}));
            for (const auto& worker : data_->workers) {
                droppedTasks.push_back(std::exchange(worker->tasks, {}));
            }
        }
        data_->condition.notify_all();
        while (!data_->workers.empty() && lock.WaitUntil(data_->condition, deadline)) {
        }
        ended = data_->workers.empty();
    }
    return ended;
}

bool TaskExecutor::IsDisposed() {
    MutexLock lock(data_->mutex);
    return data_->disposed && data_->workers.empty();
}

}  // namespace NuvraMobile

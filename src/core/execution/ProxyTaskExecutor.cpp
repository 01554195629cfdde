#include "core/execution/ProxyTaskExecutor.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <utility>

#include "core/execution/ExecutorShutdown.h"
#include "core/values/SdkError.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "ProxyTaskExecutor";
constexpr std::chrono::seconds PARENT_RECHECK_INTERVAL{1};
/** Tasks a sequential proxy runs in one job on its parent before it queues the next job. */
constexpr int SEQUENTIAL_BATCH = 64;

using Clock = std::chrono::steady_clock;

enum class ProxyState : int32_t { ACTIVE = 0, DISPOSING = 1, DISPOSED = 2 };

struct ProxyTaskExecutorTask {
    /** The proxy's name, ".", and the name given to AddTask. */
    std::string name;
    TaskExecutorInterface::Task task;
    TaskExecutorInterface::ErrorCallback errorCallback;
};

using TaskQueue = std::deque<ProxyTaskExecutorTask>;

}  // namespace

/** What a proxy shares with its jobs on the parent. */
class ProxyTaskExecutorData : public Object {
public:
    ProxyTaskExecutorData(std::string name, std::shared_ptr<TaskExecutorInterface> parent, bool parallel)
        : name(std::move(name)), parallel(parallel), parent(std::move(parent)) {}

    const std::string name;
    const bool parallel;
    Mutex mutex;
    /** Released once disposal completes. */
    std::shared_ptr<TaskExecutorInterface> parent NVR_GUARDED_BY(mutex);
    ProxyState state NVR_GUARDED_BY(mutex) = ProxyState::ACTIVE;
    /** Jobs accepted by the parent and not yet started. */
    uint64_t pendingParentTasks NVR_GUARDED_BY(mutex) = 0;
    uint64_t runningTasks NVR_GUARDED_BY(mutex) = 0;
    TaskQueue tasks NVR_GUARDED_BY(mutex);
    std::condition_variable condition;
};

namespace {

using DataPtr = std::shared_ptr<ProxyTaskExecutorData>;

void RunParentJob(const DataPtr& data);

/** A refused job is logged; a thread-creation error of the parent passes on. */
bool SubmitParentJob(const DataPtr& data) NVR_REQUIRES(data->mutex) {
    if (!data->parent->AddTask([data] { RunParentJob(data); })) {
        Log::Debug(LOG_TAG, "Parent task executor AddTask(...) returned false.");
        return false;
    }
    ++data->pendingParentTasks;
    data->condition.notify_all();
    return true;
}

void RunProxyTask(ProxyTaskExecutorTask& task) {
    TryCatch(
        [&task] {
            if (task.task) {
                task.task();
            }
        },
        [&task](SdkError& error) {
            if (task.errorCallback) {
                TrySwallow([&task, &error] { task.errorCallback(task.name, error); });
            }
        });
}

/** Takes the next task to run, if the proxy is still active. */
bool TakeNextTask(ProxyTaskExecutorData& data, ProxyTaskExecutorTask& task) NVR_REQUIRES(data.mutex) {
    if (data.state != ProxyState::ACTIVE || data.tasks.empty()) {
        return false;
    }
    task = std::move(data.tasks.front());
    data.tasks.pop_front();
    ++data.runningTasks;
    data.condition.notify_all();
    return true;
}

/**
 * A job on the parent. A sequential proxy's job goes on with the tasks queued behind the one it ran,
 * up to a batch, before it hands its place back to the parent: passing every task to another parent
 * thread would cost a thread wake-up per task.
 */
void RunParentJob(const DataPtr& data) {
    MutexLock lock(data->mutex);
    --data->pendingParentTasks;
    int tasksLeftInBatch = data->parallel ? 1 : SEQUENTIAL_BATCH;
    ProxyTaskExecutorTask task;
    while (tasksLeftInBatch-- > 0 && TakeNextTask(*data, task)) {
        lock.Unlock();
        {
            // The task's captures may hold the last reference to the proxy: release them while marked.
            RunningTaskMark mark(data.get());
            RunProxyTask(task);
            task = ProxyTaskExecutorTask();
        }
        lock.Lock();
        --data->runningTasks;
        data->condition.notify_all();
    }
    data->condition.notify_all();
    if (data->state == ProxyState::ACTIVE && !data->parallel && !data->tasks.empty()) {
        // A parent that cannot start a thread now leaves the queue to the next AddTask.
        TrySwallow([&data] {
            data->mutex.AssertHeld();  // run here, inside the lock taken above
            SubmitParentJob(data);
        });
    }
}

std::shared_ptr<ProxyTaskExecutorInterface> CreateProxy(const std::string& name,
                                                        const std::shared_ptr<TaskExecutorInterface>& parent,
                                                        bool parallel) {
    if (!parent) {
        Throw("general.invalid_argument", "parent cannot be nullptr");
    }
    return std::make_shared<ProxyTaskExecutor>(
        std::make_shared<ProxyTaskExecutorData>(name, parent, parallel));
}

/** The parent is only there while the proxy is not yet disposed. */
bool ParentIsDisposed(const ProxyTaskExecutorData& data) NVR_REQUIRES(data.mutex) {
    return data.parent && data.parent->IsDisposed();
}

/** Stops taking tasks and hands back the dropped ones. */
TaskQueue StartDisposal(ProxyTaskExecutorData& data) NVR_REQUIRES(data.mutex) {
    if (data.state != ProxyState::ACTIVE) {
        return {};
    }
    data.state = ProxyState::DISPOSING;
    data.condition.notify_all();
    return std::exchange(data.tasks, {});
}

/** The proxy is disposed once none of its tasks runs, or at once when the parent is disposed. */
bool CompleteDisposalIfNeeded(ProxyTaskExecutorData& data) {
    TaskQueue droppedTasks;
    std::shared_ptr<TaskExecutorInterface> releasedParent;
    MutexLock lock(data.mutex);
    bool parentGone = ParentIsDisposed(data);
    if (parentGone) {
        droppedTasks = StartDisposal(data);
    }
    if (data.state == ProxyState::DISPOSING && (parentGone || data.runningTasks == 0)) {
        releasedParent = std::exchange(data.parent, nullptr);
        data.state = ProxyState::DISPOSED;
        data.condition.notify_all();
    }
    return data.state == ProxyState::DISPOSED;
}

}  // namespace

std::shared_ptr<ProxyTaskExecutorInterface> ProxyTaskExecutorInterface::CreateSequential(
    const std::string& name, const std::shared_ptr<TaskExecutorInterface>& parent) {
    return CreateProxy(name, parent, false);
}

std::shared_ptr<ProxyTaskExecutorInterface> ProxyTaskExecutorInterface::CreateParallel(
    const std::string& name, const std::shared_ptr<TaskExecutorInterface>& parent) {
    return CreateProxy(name, parent, true);
}

ProxyTaskExecutor::ProxyTaskExecutor(std::shared_ptr<ProxyTaskExecutorData> data) : data_(std::move(data)) {}

ProxyTaskExecutor::~ProxyTaskExecutor() {
    DisposeOnDestruction(
        data_.get(), [this](std::chrono::milliseconds timeout) { return DisposeImpl(timeout); }, LOG_TAG);
}

bool ProxyTaskExecutor::AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) {
    MutexLock lock(data_->mutex);
    if (data_->state != ProxyState::ACTIVE) {
        return false;
    }
    data_->tasks.push_back({data_->name + "." + name, std::move(task), std::move(errorCallback)});
    if (!data_->parallel && (data_->pendingParentTasks > 0 || data_->runningTasks > 0)) {
        return true;  // the job under way picks it up
    }
    bool accepted = false;
    try {
        accepted = SubmitParentJob(data_);
    } catch (...) {
        data_->tasks.pop_back();
        throw;
    }
    if (!accepted) {
        data_->tasks.pop_back();  // refused: no job will ever run it
    }
    return accepted;
}

bool ProxyTaskExecutor::DisposeImpl(std::chrono::milliseconds timeout) {
    Clock::time_point deadline = DisposeDeadline(timeout);
    TaskQueue droppedTasks;
    {
        MutexLock lock(data_->mutex);
        droppedTasks = StartDisposal(*data_);
        for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now()) {
            if (data_->state == ProxyState::DISPOSED || data_->runningTasks == 0 ||
                ParentIsDisposed(*data_)) {
                break;
            }
            lock.WaitUntil(data_->condition, std::min(deadline, now + PARENT_RECHECK_INTERVAL));
        }
    }
    droppedTasks.clear();
    return CompleteDisposalIfNeeded(*data_);
}

bool ProxyTaskExecutor::IsDisposed() { return CompleteDisposalIfNeeded(*data_); }

}  // namespace NuvraMobile

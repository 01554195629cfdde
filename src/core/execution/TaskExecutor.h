#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/execution/TaskExecutorInterface.h"
#include "core/values/Object.h"

namespace NuvraMobile {

class TaskExecutorData;
class PlatformServicesInterface;

/**
 * A pool of worker threads that grows on demand up to its maximum and whose workers exit after an idle
 * time. A task given to an idle worker goes to that worker's own queue; when no worker is idle and no
 * more may be started, tasks wait in a shared queue that every worker serves in order.
 *
 * Ordering: a one-thread executor runs its tasks in AddTask order; several threads give no order
 * between tasks that run on different workers (use a sequential proxy for that).
 * Shutdown: Dispose drops the queued tasks at once; running tasks are never interrupted, and their
 * workers exit when they return. The data lives as long as any worker, so a worker never touches
 * freed memory, whenever the executor object itself is destroyed.
 * All operations may be called from any thread, including the executor's own tasks.
 */
class TaskExecutor : public Object, public virtual TaskExecutorInterface {
public:
    /** An unnamed executor of exactly `count` threads. */
    static std::shared_ptr<TaskExecutor> Create(uint32_t count);
    /** `count` threads named `name`/worker number through `systemInfoService` (unnamed when it is null). */
    static std::shared_ptr<TaskExecutor> Create(
        uint32_t count, const std::string& name,
        const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService);
    /** As above with the system-info service of `platformServices` (none when they are null). */
    static std::shared_ptr<TaskExecutor> Create(
        uint32_t count, const std::string& name,
        const std::shared_ptr<PlatformServicesInterface>& platformServices);

    /** Use TaskExecutorInterface::Create or the factories above. */
    explicit TaskExecutor(std::shared_ptr<TaskExecutorData> data);
    ~TaskExecutor() override;

    bool AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) override;
    bool DisposeImpl(std::chrono::milliseconds timeout) override;
    bool IsDisposed() override;

private:
    std::shared_ptr<TaskExecutorData> data_;
};

}  // namespace NuvraMobile

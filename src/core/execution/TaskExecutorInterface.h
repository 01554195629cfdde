#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

class PlatformServicesInterface;
class SdkError;
class SystemInfoServiceInterface;

/**
 * Runs named tasks on worker threads. A task is never interrupted once it runs; disposing an executor
 * drops the tasks that have not started and waits, up to a timeout, for the running ones to end.
 * Every operation may be called from any thread, including from the executor's own tasks.
 */
class TaskExecutorInterface : public virtual ObjectInterface {
public:
    using Task = std::function<void()>;
    /** Receives the failed task's name and its error. */
    using ErrorCallback = std::function<void(std::string, SdkError&)>;

    static constexpr const char* DEFAULT_TASK_NAME = "default";
    static constexpr std::chrono::milliseconds DEFAULT_DISPOSE_TIMEOUT{10};

    /** How to build a TaskExecutor: thread counts, idle time before a worker exits, thread names. */
    class CreateArgs : public Object {
    public:
        /** Used for thread names only, and only when a system-info service is present. */
        std::string name;
        uint32_t initialThreadCount = 1;
        uint32_t minThreadCount = 1;
        uint32_t maxThreadCount = 1;
        std::chrono::milliseconds idleThreadTimeout{15000};
        std::shared_ptr<SystemInfoServiceInterface> systemInfoService;

        static std::shared_ptr<CreateArgs> Create();

        /** Sets the initial, minimum and maximum thread counts to `count`. */
        void SetFixedThreadCount(uint32_t count);
        /** Takes the system-info service of `platformServices`; none when they are null. */
        void SetPlatformServices(const std::shared_ptr<PlatformServicesInterface>& platformServices);
    };

    /** Throws SdkError "general.unexpected" when `args` is null. */
    static std::shared_ptr<TaskExecutorInterface> Create(const std::shared_ptr<CreateArgs>& args);

    /** An unnamed executor of exactly `count` threads. */
    static std::shared_ptr<TaskExecutorInterface> CreateFixedThreaded(uint32_t count);

    /**
     * Queue a task; true when queued, false when the executor is disposed (the task is then dropped).
     * Without an error callback failures are ignored; without a name the task is called "default".
     * When the system refuses a needed thread, std::system_error reaches the caller, nothing is queued,
     * and the executor stays usable.
     */
    bool AddTask(Task task);
    bool AddTask(Task task, ErrorCallback errorCallback);
    bool AddTask(Task task, ErrorCallback errorCallback, const std::string& name);

    /**
     * Start disposal and wait up to `timeout` (10 ms without argument) for the running tasks to end.
     * True when everything has ended in time; calling again waits again.
     */
    bool Dispose();
    bool Dispose(std::chrono::milliseconds timeout);

    /** The operations behind AddTask and Dispose, which implementations provide. */
    virtual bool AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) = 0;
    virtual bool DisposeImpl(std::chrono::milliseconds timeout) = 0;

    /** True once disposal has started and every task that was running has ended. */
    virtual bool IsDisposed() = 0;
};

}  // namespace NuvraMobile

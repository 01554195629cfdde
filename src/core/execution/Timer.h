#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/execution/TaskExecutorInterface.h"
#include "core/values/Object.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class PlatformServicesInterface;
class SystemInfoServiceInterface;

/**
 * Runs functions once at a due time, or repeatedly at a fixed period, on one thread of its own that the
 * first schedule starts. Functions of one timer never overlap. Due times are given on the wall clock but
 * kept on the steady clock from the moment they are scheduled, so changing the wall clock neither
 * stalls a timer nor makes it fire early.
 *
 * Shutdown: Cancel drops every entry, lets a running function return, and ends the thread. A scheduled
 * timer keeps itself alive until it is cancelled.
 * Every operation may be called from any thread, also from the timer's own functions.
 */
class Timer : public Object {
public:
    using Task = std::function<void()>;

    static std::shared_ptr<Timer> Create();
    /** The thread is named `name`/worker number through `systemInfoService` when that is present. */
    static std::shared_ptr<Timer> Create(
        const std::string& name, const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService);
    /** As above with the system-info service of `platformServices` (none when they are null). */
    static std::shared_ptr<Timer> Create(const std::string& name,
                                         const std::shared_ptr<PlatformServicesInterface>& platformServices);

    Timer(std::string name, std::shared_ptr<SystemInfoServiceInterface> systemInfoService);
    ~Timer() override;

    /**
     * Drops every entry and ends the timer's thread; true when it has ended within `timeout`. A timer
     * never scheduled stays usable and answers true.
     */
    virtual bool Cancel(std::chrono::milliseconds timeout);
    /** Runs `task` once when `dueTime` has passed; false, and nothing stored, once cancelled. */
    virtual bool Schedule(Task task, std::chrono::system_clock::time_point dueTime);
    /**
     * Runs `task` when `firstDueTime` has passed and then `period` after each time it was taken up
     * (lateness accumulates; a period of 0 runs it on every pass). False once cancelled.
     */
    virtual bool ScheduleAtFixedRate(Task task, std::chrono::system_clock::time_point firstDueTime,
                                     std::chrono::milliseconds period);

protected:
    /** Creates the executor and starts the loop; called by the first schedule. */
    virtual void StartTimerThread() NVR_REQUIRES(mutex_);

private:
    struct TimerTask {
        Task task;
        /** Negative for a one-shot entry. */
        std::chrono::milliseconds period;
    };
    using Clock = std::chrono::steady_clock;

    bool Add(Task task, std::chrono::system_clock::time_point dueTime, std::chrono::milliseconds period)
        NVR_EXCLUDES(mutex_);
    Clock::time_point ToSteadyTime(std::chrono::system_clock::time_point wallTime) NVR_REQUIRES(mutex_);
    void Loop(std::shared_ptr<Timer> self) NVR_EXCLUDES(mutex_);

    Mutex mutex_;
    std::condition_variable condition_;
    bool cancelled_ NVR_GUARDED_BY(mutex_) = false;
    std::shared_ptr<TaskExecutorInterface> executor_ NVR_GUARDED_BY(mutex_);
    /** Entries with equal due times keep their insertion order. */
    std::multimap<Clock::time_point, TimerTask> tasks_ NVR_GUARDED_BY(mutex_);
    const std::string name_;
    const std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;
    bool wakeRequested_ NVR_GUARDED_BY(mutex_) = false;
    /** Wall-clock time minus steady time, as last seen when the wall clock was set. */
    std::chrono::steady_clock::duration wallToSteadyOffset_ NVR_GUARDED_BY(mutex_){0};
};

}  // namespace NuvraMobile

#include "core/execution/Timer.h"

#include <algorithm>
#include <utility>

#include "core/execution/ExecutorShutdown.h"
#include "core/values/SdkError.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "Timer";
constexpr std::chrono::milliseconds ONE_SHOT{-1};
constexpr std::chrono::seconds MAX_WAIT{1};
constexpr std::chrono::milliseconds WALL_CLOCK_SET_THRESHOLD{50};

}  // namespace

std::shared_ptr<Timer> Timer::Create() { return Create("", std::shared_ptr<SystemInfoServiceInterface>()); }

std::shared_ptr<Timer> Timer::Create(const std::string& name,
                                     const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService) {
    return std::make_shared<Timer>(name, systemInfoService);
}

std::shared_ptr<Timer> Timer::Create(const std::string& name,
                                     const std::shared_ptr<PlatformServicesInterface>& platformServices) {
    return Create(name, platformServices ? platformServices->GetSystemInfoService() : nullptr);
}

Timer::Timer(std::string name, std::shared_ptr<SystemInfoServiceInterface> systemInfoService)
    : name_(std::move(name)), systemInfoService_(std::move(systemInfoService)) {}

Timer::~Timer() {
    DisposeOnDestruction(
        this, [this](std::chrono::milliseconds timeout) { return Cancel(timeout); }, LOG_TAG);
}

bool Timer::Schedule(Task task, std::chrono::system_clock::time_point dueTime) {
    return Add(std::move(task), dueTime, ONE_SHOT);
}

bool Timer::ScheduleAtFixedRate(Task task, std::chrono::system_clock::time_point firstDueTime,
                                std::chrono::milliseconds period) {
    return Add(std::move(task), firstDueTime, period);
}

bool Timer::Add(Task task, std::chrono::system_clock::time_point dueTime, std::chrono::milliseconds period) {
    {
        MutexLock lock(mutex_);
        if (cancelled_) {
            return false;
        }
        Clock::time_point steadyDueTime = ToSteadyTime(dueTime);
        if (!executor_) {
            StartTimerThread();
        }
        tasks_.emplace(steadyDueTime, TimerTask{std::move(task), period});
        wakeRequested_ = true;
    }
    condition_.notify_all();
    return true;
}

Timer::Clock::time_point Timer::ToSteadyTime(std::chrono::system_clock::time_point wallTime) {
    Clock::duration offset = std::chrono::duration_cast<Clock::duration>(
        std::chrono::system_clock::now().time_since_epoch() - Clock::now().time_since_epoch());
    // Follow the wall clock only when it was set: reading the two clocks afresh each time would make
    // equal due times unequal and lose their schedule order.
    if (offset - wallToSteadyOffset_ > WALL_CLOCK_SET_THRESHOLD ||
        wallToSteadyOffset_ - offset > WALL_CLOCK_SET_THRESHOLD) {
        wallToSteadyOffset_ = offset;
    }
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(wallTime.time_since_epoch()) -
                             wallToSteadyOffset_);
}

void Timer::StartTimerThread() {
    // The loop owns the timer from now on, so a scheduled timer lives until it is cancelled.
    std::shared_ptr<Timer> self = ObjectToSharedPtr<Timer>(*this);
    auto args = TaskExecutorInterface::CreateArgs::Create();
    args->name = name_;
    args->systemInfoService = systemInfoService_;
    std::shared_ptr<TaskExecutorInterface> executor = TaskExecutorInterface::Create(args);
    executor->AddTask([self = std::move(self)]() mutable {
        Timer* timer = self.get();
        timer->Loop(std::move(self));
    });
    executor_ = std::move(executor);
}

bool Timer::Cancel(std::chrono::milliseconds timeout) {
    std::multimap<Clock::time_point, TimerTask> droppedTasks;
    std::shared_ptr<TaskExecutorInterface> executor;
    {
        MutexLock lock(mutex_);
        if (!executor_) {
            return true;
        }
        if (!cancelled_) {
            cancelled_ = true;
            droppedTasks = std::exchange(tasks_, {});
        }
        executor = executor_;
    }
    condition_.notify_all();
    droppedTasks.clear();
    return executor->Dispose(timeout);
}

void Timer::Loop(std::shared_ptr<Timer> self) {
    // Declared before the lock so that the last reference, if it is ours, drops on this thread while
    // marked and unlocked.
    RunningTaskMark mark(this);
    std::shared_ptr<Timer> keepAlive = std::move(self);
    MutexLock lock(mutex_);
    while (!cancelled_) {
        Clock::time_point now = Clock::now();
        Clock::time_point waitUntil = now + MAX_WAIT;
        if (!tasks_.empty() && tasks_.begin()->first < now) {
            auto entry = tasks_.extract(tasks_.begin());
            Task task;
            if (entry.mapped().period.count() >= 0) {
                // Repeating entries are due again one period after they are taken up, not after they were
                // due.
                task = entry.mapped().task;
                entry.key() = Clock::now() + entry.mapped().period;
                tasks_.insert(std::move(entry));
            } else {
                task = std::move(entry.mapped().task);
            }
            lock.Unlock();
            TrySwallow(task);
            task = nullptr;
            lock.Lock();
            continue;
        }
        if (!tasks_.empty()) {
            waitUntil = std::min(tasks_.begin()->first, waitUntil);
        }
        while (!cancelled_ && !wakeRequested_ && lock.WaitUntil(condition_, waitUntil)) {
        }
        wakeRequested_ = false;
    }
}

}  // namespace NuvraMobile

#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class Module;
class TaskExecutorInterface;
class Timer;
struct ModulePassState;

/**
 * Runs one action for every module of a list, modules in parallel on a pool, and returns when every
 * action has ended: the hub's listener and idle passes.
 *
 * Listeners and idle work are meant to take microseconds, so the calling thread works through the
 * list itself, and a pass of quick modules costs no thread hand-off at all. A watchdog on a timer
 * looks at a running pass once it has run for the stall threshold: while modules are still waiting
 * for their turn, it hands one more worker of the pool to the pass, and looks again a threshold
 * later. So a slow module holds up the others by about one threshold, not by its own time, and k
 * slow modules run side by side after k thresholds. The state a pass shares with pool tasks lives
 * on the heap, so a task that starts after its pass has ended harms nothing; a refused task is
 * logged and the calling thread runs the remaining modules. Each action is timed against a budget,
 * and overruns are logged only. The hub's order needs the pass to end before the next one starts, so
 * Run waits for a blocked module for ever; meanwhile the watchdog looks at the pass every threshold and
 * names each module still running past its budget in a warning, once per report interval, so that a
 * frozen hub says which module holds it.
 *
 * Run is called by one thread at a time (the hub's executor); the watchdog runs on the timer thread.
 */
class ParallelModulePass : public Object {
public:
    using ModuleList = std::vector<std::shared_ptr<Module>>;
    using Action = std::function<void(const std::shared_ptr<Module>&)>;

    /** Log lines are written with `logTag`; a cancelled watchdog timer leaves every pass to its caller. */
    ParallelModulePass(std::string logTag, std::shared_ptr<TaskExecutorInterface> pool,
                       std::shared_ptr<Timer> watchdog, std::chrono::milliseconds stallThreshold,
                       std::chrono::milliseconds overrunReportInterval);

    /** `passName` names the pass in the log lines. */
    void Run(const char* passName, const std::shared_ptr<const ModuleList>& modules,
             std::chrono::milliseconds budget, Action action);

private:
    void ScheduleWatch() NVR_REQUIRES(mutex_);
    void Watch() NVR_EXCLUDES(mutex_);

    const std::string logTag_;
    const std::shared_ptr<TaskExecutorInterface> pool_;
    const std::shared_ptr<Timer> watchdog_;
    const std::chrono::milliseconds stallThreshold_;
    const std::chrono::milliseconds overrunReportInterval_;

    Mutex mutex_;
    std::shared_ptr<ModulePassState> currentPass_ NVR_GUARDED_BY(mutex_);
    bool watchScheduled_ NVR_GUARDED_BY(mutex_) = false;
    std::chrono::steady_clock::time_point nextOverrunReport_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile

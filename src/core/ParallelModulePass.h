#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/Object.h"

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
 * and overruns are logged only.
 *
 * Run is called by one thread at a time (the hub's executor); the watchdog runs on the timer thread.
 */
class ParallelModulePass : public Object {
public:
    using ModuleList = std::vector<std::shared_ptr<Module>>;
    using Action = std::function<void(const std::shared_ptr<Module>&)>;

    /** Log lines are written with `logTag`; a cancelled watchdog timer leaves every pass to its caller. */
    ParallelModulePass(std::string logTag, std::shared_ptr<TaskExecutorInterface> pool,
                       std::shared_ptr<Timer> watchdog, std::chrono::milliseconds stallThreshold);

    /** `passName` names the pass in the log lines. */
    void Run(const char* passName, const std::shared_ptr<const ModuleList>& modules,
             std::chrono::milliseconds budget, Action action);

private:
    void ScheduleWatch();
    void Watch();

    const std::string logTag_;
    const std::shared_ptr<TaskExecutorInterface> pool_;
    const std::shared_ptr<Timer> watchdog_;
    const std::chrono::milliseconds stallThreshold_;

    std::mutex mutex_;
    std::shared_ptr<ModulePassState> currentPass_;
    bool watchScheduled_ = false;
};

}  // namespace NuvraMobile

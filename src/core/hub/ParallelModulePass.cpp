#include "core/hub/ParallelModulePass.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <utility>
#include <vector>

#include "core/execution/TaskExecutorInterface.h"
#include "core/execution/Timer.h"
#include "core/module/Module.h"
#include "core/values/SdkError.h"
#include "util/Log.h"

namespace NuvraMobile {

struct ModulePassState {
    /** The runner's; only used while its Run is under way, so the runner outlives every use. */
    const std::string* logTag;
    const char* passName;
    std::shared_ptr<const ParallelModulePass::ModuleList> modules;
    std::chrono::milliseconds budget;
    ParallelModulePass::Action action;

    std::atomic<std::size_t> nextModule{0};
    std::atomic<bool> poolRefused{false};

    Mutex mutex;
    std::condition_variable allFinished;
    std::size_t finished NVR_GUARDED_BY(mutex) = 0;
    /** When each module's action began; empty once it ended or before it began. */
    std::vector<std::chrono::steady_clock::time_point> startedAt NVR_GUARDED_BY(mutex);

    bool HasWaitingModules() const { return nextModule.load() < modules->size(); }
};

namespace {

using Clock = std::chrono::steady_clock;

/** Runs the module's action; `start` is when it began and becomes when it ended. */
void RunAction(const ModulePassState& pass, const std::shared_ptr<Module>& module, Clock::time_point& start) {
    TrySwallow([&pass, &module, &start] {
        TrySwallow([&pass, &module] { pass.action(module); });
        const auto end = Clock::now();
        if (end - start > pass.budget) {
            Log::Warning(pass.logTag->c_str(), "%s - %s exceeded runtime limit of %d milliseconds",
                         module->GetModuleName(), pass.passName, static_cast<long long>(pass.budget.count()));
        }
        start = end;
    });
}

void MarkStarted(ModulePassState& pass, std::size_t index, Clock::time_point start) {
    MutexLock lock(pass.mutex);
    pass.startedAt[index] = start;
}

void MarkFinished(ModulePassState& pass, std::size_t index) {
    MutexLock lock(pass.mutex);
    pass.startedAt[index] = Clock::time_point();
    if (++pass.finished == pass.modules->size()) {
        pass.allFinished.notify_all();
    }
}

/** Names every module whose action, still running at `now`, has outlasted the budget. */
void ReportOverruns(const ModulePassState& pass, Clock::time_point now) NVR_REQUIRES(pass.mutex) {
    for (std::size_t index = 0; index < pass.startedAt.size(); ++index) {
        const auto started = pass.startedAt[index];
        if (started == Clock::time_point() || now - started <= pass.budget) {
            continue;
        }
        Log::Warning(pass.logTag->c_str(),
                     "%s - %s still running after %d milliseconds, over its runtime limit of %d milliseconds",
                     (*pass.modules)[index]->GetModuleName(), pass.passName,
                     static_cast<long long>(
                         std::chrono::duration_cast<std::chrono::milliseconds>(now - started).count()),
                     static_cast<long long>(pass.budget.count()));
    }
}

void WorkThrough(ModulePassState& pass) {
    const std::size_t count = pass.modules->size();
    // One clock reading per module: each action's end is the next one's start on this thread.
    auto start = Clock::now();
    for (std::size_t index = pass.nextModule.fetch_add(1); index < count;
         index = pass.nextModule.fetch_add(1)) {
        MarkStarted(pass, index, start);
        RunAction(pass, (*pass.modules)[index], start);
        MarkFinished(pass, index);
    }
}

void AddWorker(const std::shared_ptr<ModulePassState>& pass, TaskExecutorInterface& pool) {
    if (pass->poolRefused.load()) {
        return;
    }
    bool queued = false;
    TrySwallow([&] { queued = pool.AddTask([pass] { WorkThrough(*pass); }); });
    if (!queued) {
        pass->poolRefused.store(true);
        Log::Warning(pass->logTag->c_str(), "%s - the pool refused a task; the remaining modules run in turn",
                     pass->passName);
    }
}

}  // namespace

ParallelModulePass::ParallelModulePass(std::string logTag, std::shared_ptr<TaskExecutorInterface> pool,
                                       std::shared_ptr<Timer> watchdog,
                                       std::chrono::milliseconds stallThreshold,
                                       std::chrono::milliseconds overrunReportInterval)
    : logTag_(std::move(logTag)),
      pool_(std::move(pool)),
      watchdog_(std::move(watchdog)),
      stallThreshold_(stallThreshold),
      overrunReportInterval_(overrunReportInterval) {}

void ParallelModulePass::Run(const char* passName, const std::shared_ptr<const ModuleList>& modules,
                             std::chrono::milliseconds budget, Action action) {
    if (!modules || modules->empty()) {
        return;
    }
    auto pass = std::make_shared<ModulePassState>();
    pass->logTag = &logTag_;
    pass->passName = passName;
    pass->modules = modules;
    pass->budget = budget;
    pass->action = std::move(action);
    {
        MutexLock lock(pass->mutex);
        pass->startedAt.resize(modules->size());
    }
    {
        MutexLock lock(mutex_);
        currentPass_ = pass;
        nextOverrunReport_ = Clock::now() + overrunReportInterval_;
        if (!watchScheduled_) {
            ScheduleWatch();
        }
    }
    WorkThrough(*pass);
    {
        MutexLock lock(pass->mutex);
        while (pass->finished < pass->modules->size()) {
            lock.Wait(pass->allFinished);
        }
    }
    MutexLock lock(mutex_);
    currentPass_.reset();
}

void ParallelModulePass::ScheduleWatch() {
    std::weak_ptr<ParallelModulePass> weakSelf =
        std::static_pointer_cast<ParallelModulePass>(shared_from_this());
    watchScheduled_ = watchdog_->Schedule(
        [weakSelf] {
            if (auto self = weakSelf.lock()) {
                self->Watch();
            }
        },
        std::chrono::system_clock::now() + stallThreshold_);
}

void ParallelModulePass::Watch() {
    std::shared_ptr<ModulePassState> pass;
    bool stalled = false;
    bool reportDue = false;
    {
        MutexLock lock(mutex_);
        watchScheduled_ = false;
        if (!currentPass_) {
            return;
        }
        pass = currentPass_;
        stalled = pass->HasWaitingModules();
        const auto now = Clock::now();
        reportDue = now >= nextOverrunReport_;
        if (reportDue) {
            nextOverrunReport_ = now + overrunReportInterval_;
        }
        // Watched for as long as the pass runs: the calling thread may be the one a module holds.
        ScheduleWatch();
    }
    if (stalled) {
        AddWorker(pass, *pool_);
    }
    if (reportDue) {
        MutexLock lock(pass->mutex);
        ReportOverruns(*pass, Clock::now());
    }
}

}  // namespace NuvraMobile

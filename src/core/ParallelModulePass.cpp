#include "core/ParallelModulePass.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <utility>

#include "core/Module.h"
#include "core/SdkError.h"
#include "core/TaskExecutorInterface.h"
#include "core/Timer.h"
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

    std::mutex mutex;
    std::condition_variable allFinished;
    std::size_t finished = 0;

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

void MarkFinished(ModulePassState& pass) {
    std::lock_guard<std::mutex> lock(pass.mutex);
    if (++pass.finished == pass.modules->size()) {
        pass.allFinished.notify_all();
    }
}

void WorkThrough(ModulePassState& pass) {
    const std::size_t count = pass.modules->size();
    // One clock reading per module: each action's end is the next one's start on this thread.
    auto start = Clock::now();
    for (std::size_t index = pass.nextModule.fetch_add(1); index < count;
         index = pass.nextModule.fetch_add(1)) {
        RunAction(pass, (*pass.modules)[index], start);
        MarkFinished(pass);
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
                                       std::chrono::milliseconds stallThreshold)
    : logTag_(std::move(logTag)),
      pool_(std::move(pool)),
      watchdog_(std::move(watchdog)),
      stallThreshold_(stallThreshold) {}

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
        std::lock_guard<std::mutex> lock(mutex_);
        currentPass_ = pass;
        if (!watchScheduled_) {
            ScheduleWatch();
        }
    }
    WorkThrough(*pass);
    {
        std::unique_lock<std::mutex> lock(pass->mutex);
        pass->allFinished.wait(lock, [&pass] { return pass->finished == pass->modules->size(); });
    }
    std::lock_guard<std::mutex> lock(mutex_);
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
    std::shared_ptr<ModulePassState> stalled;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        watchScheduled_ = false;
        if (currentPass_ && currentPass_->HasWaitingModules()) {
            stalled = currentPass_;
            ScheduleWatch();
        }
    }
    if (stalled) {
        AddWorker(stalled, *pool_);
    }
}

}  // namespace NuvraMobile

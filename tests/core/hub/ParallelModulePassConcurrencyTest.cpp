#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "core/execution/DefaultThreadingServiceInterface.h"
#include "core/execution/TaskExecutorInterface.h"
#include "core/execution/Timer.h"
#include "core/hub/ParallelModulePass.h"
#include "core/values/SdkError.h"
#include "support/CapturingLoggingService.h"
#include "support/RecordingModule.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds BUDGET{100};
constexpr milliseconds STALL_THRESHOLD{1};
constexpr milliseconds OVERRUN_REPORT_INTERVAL{1};

/** A pool that refuses every task, as a disposed one does. */
class RefusingExecutor : public Object, public virtual TaskExecutorInterface {
public:
    bool AddTaskImpl(Task, ErrorCallback, const std::string&) override { return false; }
    bool DisposeImpl(milliseconds) override { return true; }
    bool IsDisposed() override { return true; }
};

std::shared_ptr<const ParallelModulePass::ModuleList> Modules(int count) {
    auto modules = std::make_shared<ParallelModulePass::ModuleList>();
    for (int index = 0; index < count; ++index) {
        modules->push_back(std::make_shared<RecordingModule>("module" + std::to_string(index)));
    }
    return modules;
}

class ParallelModulePassTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(watchdog_->Cancel(SIGNAL_TIMEOUT));
        EXPECT_TRUE(pool_->Dispose(SIGNAL_TIMEOUT));
    }

    std::shared_ptr<ParallelModulePass> MakePass(std::shared_ptr<TaskExecutorInterface> pool = nullptr) {
        return std::make_shared<ParallelModulePass>("Test", pool ? pool : pool_, watchdog_, STALL_THRESHOLD,
                                                    OVERRUN_REPORT_INTERVAL);
    }

    std::shared_ptr<TaskExecutorInterface> pool_ =
        DefaultThreadingServiceInterface::Create()->CreateParallelTaskExecutor("pool");
    std::shared_ptr<Timer> watchdog_ = Timer::Create();
};

TEST_F(ParallelModulePassTest, EveryModuleRunsExactlyOnce) {
    const auto pass = MakePass();
    for (int count : {0, 1, 2, 8}) {
        SCOPED_TRACE(count);
        const auto modules = Modules(count);
        std::mutex mutex;
        std::map<const Module*, int> runs;
        pass->Run("Listener", modules, BUDGET, [&](const std::shared_ptr<Module>& module) {
            std::lock_guard<std::mutex> lock(mutex);
            ++runs[module.get()];
        });
        ASSERT_EQ(static_cast<size_t>(count), runs.size());
        for (const auto& entry : runs) {
            EXPECT_EQ(1, entry.second);
        }
    }
}

TEST_F(ParallelModulePassTest, ASlowModuleDoesNotHoldUpTheOthers) {
    const auto modules = Modules(8);
    SignalCounter othersDone;
    std::atomic<bool> slowModuleReleased{false};
    MakePass()->Run("Listener", modules, BUDGET, [&](const std::shared_ptr<Module>& module) {
        if (module == modules->front()) {
            slowModuleReleased = othersDone.WaitFor(7);
        } else {
            othersDone.Raise();
        }
    });
    EXPECT_TRUE(slowModuleReleased);
}

TEST_F(ParallelModulePassTest, SlowModulesRunSideBySide) {
    const auto modules = Modules(6);
    SignalCounter slowStarted;
    std::atomic<int> metTheOthers{0};
    MakePass()->Run("Idle", modules, BUDGET, [&](const std::shared_ptr<Module>& module) {
        if (module == (*modules)[0] || module == (*modules)[1] || module == (*modules)[4]) {
            slowStarted.Raise();
            metTheOthers += slowStarted.WaitFor(3) ? 1 : 0;
        }
    });
    EXPECT_EQ(3, metTheOthers);
}

TEST_F(ParallelModulePassTest, ARefusingPoolLeavesTheModulesToTheCallingThread) {
    ScopedCapturingLog log(LoggingMode::Warning);
    const auto modules = Modules(4);
    std::vector<std::thread::id> threads;
    MakePass(std::make_shared<RefusingExecutor>())
        ->Run("Listener", modules, BUDGET, [&](const std::shared_ptr<Module>& module) {
            if (module == modules->front()) {
                EXPECT_TRUE(
                    WaitUntil([&] { return log.Service().Contains("Listener - the pool refused a task"); }));
            }
            threads.push_back(std::this_thread::get_id());
        });
    EXPECT_EQ(std::vector<std::thread::id>(4, std::this_thread::get_id()), threads);
}

TEST_F(ParallelModulePassTest, AFailingModuleDoesNotStopThePass) {
    const auto modules = Modules(5);
    std::atomic<int> ran{0};
    MakePass()->Run("Listener", modules, BUDGET, [&](const std::shared_ptr<Module>& module) {
        ++ran;
        if (module == (*modules)[2]) {
            Throw("general.unexpected", "listener failed");
        }
    });
    EXPECT_EQ(5, ran);
}

TEST_F(ParallelModulePassTest, OverrunsAreLoggedWithModuleAndPass) {
    ScopedCapturingLog log(LoggingMode::Warning);
    MakePass()->Run("Idle", Modules(1), milliseconds(0),
                    [](const std::shared_ptr<Module>&) { std::this_thread::sleep_for(milliseconds(2)); });
    EXPECT_TRUE(log.Service().Contains("module0 - Idle exceeded runtime limit of 0 milliseconds"));
}

TEST_F(ParallelModulePassTest, AModuleThatBlocksIsNamedWhileItStillRuns) {
    ScopedCapturingLog log(LoggingMode::Warning);
    const auto modules = Modules(2);
    Gate named;
    std::thread watcher([&] {
        EXPECT_TRUE(
            WaitUntil([&] { return log.Service().Contains("module1 - Listener still running after "); }));
        named.Open();
    });
    MakePass()->Run("Listener", modules, milliseconds(0), [&](const std::shared_ptr<Module>& module) {
        if (module == (*modules)[1]) {
            named.Hold();
        }
    });
    watcher.join();
    EXPECT_TRUE(log.Service().Contains("over its runtime limit of 0 milliseconds"));
}

TEST_F(ParallelModulePassTest, WithoutItsWatchdogAPassStillFinishesOnTheCallingThread) {
    // A timer never scheduled ignores Cancel, so give it something first.
    ASSERT_TRUE(watchdog_->Schedule([] {}, std::chrono::system_clock::now()));
    ASSERT_TRUE(watchdog_->Cancel(SIGNAL_TIMEOUT));
    const auto modules = Modules(3);
    std::vector<std::thread::id> threads;
    MakePass()->Run("Listener", modules, BUDGET,
                    [&](const std::shared_ptr<Module>&) { threads.push_back(std::this_thread::get_id()); });
    EXPECT_EQ(std::vector<std::thread::id>(3, std::this_thread::get_id()), threads);
}

}  // namespace
}  // namespace NuvraMobile

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/values/Object.h"
#include "core/values/SdkError.h"
#include "services/threading/NativeThreadingService.h"
#include "support/ExecutorRendezvous.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using std::chrono::milliseconds;

/** Counts the scopes it opens and remembers on which thread each piece of work ran inside one. */
class RecordingScopeHook : public Object, public virtual TaskScopeHookInterface {
public:
    void RunInScope(const std::function<void()>& work) const override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++scopes_;
            threads_.push_back(std::this_thread::get_id());
        }
        insideScope_ = true;
        work();
        insideScope_ = false;
    }

    int Scopes() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return scopes_;
    }

    std::vector<std::thread::id> Threads() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_;
    }

    static bool InsideScope() { return insideScope_; }

private:
    mutable std::mutex mutex_;
    mutable int scopes_ = 0;
    mutable std::vector<std::thread::id> threads_;
    static thread_local bool insideScope_;
};

thread_local bool RecordingScopeHook::insideScope_ = false;

class NativeThreadingServiceConcurrencyTest : public testing::Test {
protected:
    std::shared_ptr<RecordingScopeHook> hook_ = std::make_shared<RecordingScopeHook>();
    std::shared_ptr<ThreadingServiceInterface> service_ = CreateNativeThreadingService(hook_);
};

TEST_F(NativeThreadingServiceConcurrencyTest, EmptyTaskStillGetsItsScope) {
    auto executor = service_->CreateSequentialTaskExecutor("empty");
    SignalCounter ran;
    ASSERT_TRUE(executor->AddTask(nullptr));
    ASSERT_TRUE(executor->AddTask([&ran] { ran.Raise(); }));
    ASSERT_TRUE(ran.WaitFor(1));
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));
    EXPECT_EQ(hook_->Scopes(), 2);
}

TEST_F(NativeThreadingServiceConcurrencyTest,
       SequentialExecutorRunsTasksOneAfterAnotherOnOneThreadInsideScopes) {
    auto executor = service_->CreateSequentialTaskExecutor("sequential");
    std::atomic<int> outsideScope{0};
    Gate blocker;
    SignalCounter started;
    for (int i = 0; i < 2; ++i) {
        executor->AddTask([&] {
            outsideScope += RecordingScopeHook::InsideScope() ? 0 : 1;
            started.Raise();
            blocker.Hold();
        });
    }
    EXPECT_FALSE(started.WaitFor(2, milliseconds(50)));
    blocker.Open();
    ASSERT_TRUE(started.WaitFor(2));
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));

    std::vector<std::thread::id> threads = hook_->Threads();
    ASSERT_EQ(threads.size(), 2u);
    EXPECT_EQ(threads[0], threads[1]);
    EXPECT_NE(threads[0], std::this_thread::get_id());
    EXPECT_EQ(outsideScope.load(), 0);
}

TEST_F(NativeThreadingServiceConcurrencyTest, ParallelExecutorRunsTasksAtTheSameTime) {
    auto executor = service_->CreateParallelTaskExecutor("parallel");
    EXPECT_TRUE(RunTogether(*executor, *executor));
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));
}

TEST_F(NativeThreadingServiceConcurrencyTest, ErrorCallbackGetsTheTaskNameAndTheErrorInsideItsOwnScope) {
    auto executor = service_->CreateSequentialTaskExecutor("errors");
    std::mutex mutex;
    std::vector<std::string> reports;
    SignalCounter ran;
    executor->AddTask([] { Throw("general.unexpected", "failed"); },
                      [&](std::string name, SdkError& error) {
                          std::lock_guard<std::mutex> lock(mutex);
                          reports.push_back(name + " " + error.GetCode() +
                                            (RecordingScopeHook::InsideScope() ? " in scope" : " outside"));
                      },
                      "load");
    executor->AddTask([] { Throw("general.unexpected", "nobody hears"); }, nullptr, "unheard");
    executor->AddTask([&ran] { ran.Raise(); });
    ASSERT_TRUE(ran.WaitFor(1));
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));

    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(reports, std::vector<std::string>{"load general.unexpected in scope"});
    // Two failing tasks with their error callbacks, and the last task.
    EXPECT_EQ(hook_->Scopes(), 5);
}

TEST_F(NativeThreadingServiceConcurrencyTest, ExecutorsOfTheSameNameAreIndependent) {
    auto first = service_->CreateSequentialTaskExecutor("same");
    auto second = service_->CreateSequentialTaskExecutor("same");
    EXPECT_TRUE(first->Dispose(SIGNAL_TIMEOUT));
    EXPECT_TRUE(first->IsDisposed());
    EXPECT_FALSE(first->AddTask([] {}));

    EXPECT_FALSE(second->IsDisposed());
    SignalCounter ran;
    EXPECT_TRUE(second->AddTask([&ran] { ran.Raise(); }));
    EXPECT_TRUE(ran.WaitFor(1));
    EXPECT_TRUE(second->Dispose(SIGNAL_TIMEOUT));
    EXPECT_TRUE(second->IsDisposed());
}

TEST(NativeThreadingServiceWithoutHookConcurrencyTest, RunsTasksAsTheyAre) {
    auto executor = CreateNativeThreadingService()->CreateParallelTaskExecutor("plain");
    SignalCounter ran;
    ASSERT_TRUE(executor->AddTask(nullptr));
    ASSERT_TRUE(executor->AddTask([&ran] { ran.Raise(); }));
    EXPECT_TRUE(ran.WaitFor(1));
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));
}

}  // namespace
}  // namespace NuvraMobile

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/execution/DefaultThreadingService.h"
#include "core/execution/ProxyTaskExecutor.h"
#include "core/execution/TaskExecutor.h"
#include "core/values/SdkError.h"
#include "support/CapturingLoggingService.h"
#include "support/ExecutorRendezvous.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using std::chrono::milliseconds;

/**
 * A parent that forwards to a real executor, or refuses every task while `refuse` is set: by returning
 * false, or, with `refuseByThrowing`, as a parent that cannot start a thread.
 */
class RefusingExecutor : public Object, public virtual TaskExecutorInterface {
public:
    explicit RefusingExecutor(bool refuseByThrowing) : refuseByThrowing_(refuseByThrowing) {}

    std::atomic<bool> refuse{true};
    std::shared_ptr<TaskExecutorInterface> inner = TaskExecutor::Create(1);

    bool AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) override {
        if (refuse && refuseByThrowing_) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        return !refuse && inner->AddTask(std::move(task), std::move(errorCallback), name);
    }
    bool DisposeImpl(milliseconds timeout) override { return inner->Dispose(timeout); }
    bool IsDisposed() override { return inner->IsDisposed(); }

private:
    const bool refuseByThrowing_;
};

TEST(ProxyTaskExecutorConcurrencyTest, SequentialProxyRunsOneTaskAtATimeInAddOrder) {
    // Two producers: each one's tasks must run in the order it added them, and never two tasks at once.
    auto proxy = ProxyTaskExecutorInterface::CreateSequential("queue", TaskExecutor::Create(4));
    constexpr int TASKS_PER_PRODUCER = 2000;
    std::atomic<int> inFlight{0};
    std::atomic<bool> overlapped{false};
    std::vector<int> order[2];
    SignalCounter done;
    auto produce = [&](int producer) {
        for (int i = 0; i < TASKS_PER_PRODUCER; ++i) {
            proxy->AddTask([&, producer, i] {
                if (++inFlight > 1) {
                    overlapped = true;
                }
                order[producer].push_back(i);
                --inFlight;
                done.Raise();
            });
        }
    };
    std::thread first(produce, 0);
    std::thread second(produce, 1);
    first.join();
    second.join();

    ASSERT_TRUE(done.WaitFor(2 * TASKS_PER_PRODUCER));
    EXPECT_FALSE(overlapped);
    for (const auto& producerOrder : order) {
        ASSERT_EQ(producerOrder.size(), static_cast<size_t>(TASKS_PER_PRODUCER));
        for (int i = 0; i < TASKS_PER_PRODUCER; ++i) {
            ASSERT_EQ(producerOrder[i], i);
        }
    }
}

TEST(ProxyTaskExecutorConcurrencyTest, ParallelProxiesAndSequentialProxiesOnOnePoolRunAtTheSameTime) {
    auto pool = DefaultThreadingServiceInterface::Create()->CreateParallelTaskExecutor("");
    struct Case {
        const char* name;
        std::shared_ptr<TaskExecutorInterface> first;
        std::shared_ptr<TaskExecutorInterface> second;
    };
    auto parallel = ProxyTaskExecutorInterface::CreateParallel("parallel", pool);
    std::vector<Case> cases = {
        {"one parallel proxy", parallel, parallel},
        {"two sequential proxies", ProxyTaskExecutorInterface::CreateSequential("a", pool),
         ProxyTaskExecutorInterface::CreateSequential("b", pool)},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(RunTogether(*c.first, *c.second)) << c.name;
    }
}

TEST(ProxyTaskExecutorConcurrencyTest, ErrorCallbackReceivesProxyNameDotTaskName) {
    auto proxy = ProxyTaskExecutorInterface::CreateSequential("queue", TaskExecutor::Create(2));
    std::mutex mutex;
    std::vector<std::string> names;
    SignalCounter reported;
    auto record = [&](std::string name, SdkError&) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            names.push_back(name);
        }
        reported.Raise();
    };
    proxy->AddTask([] { Throw("general.unexpected", "load failed"); }, record, "load");
    proxy->AddTask([] { throw 42; }, record);
    proxy->AddTask(nullptr, record, "empty");
    proxy->AddTask([] { Throw("general.unexpected", "no callback"); }, nullptr, "silent");
    ASSERT_TRUE(reported.WaitFor(2));
    EXPECT_TRUE(proxy->Dispose(SIGNAL_TIMEOUT));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(names, (std::vector<std::string>{"queue.load", "queue.default"}));
}

TEST(ProxyTaskExecutorConcurrencyTest, DisposeDropsQueuedTasksAndLetsTheRunningOneFinish) {
    auto parent = TaskExecutor::Create(4);
    auto proxy = ProxyTaskExecutorInterface::CreateSequential("queue", parent);
    SignalCounter started;
    Gate release;
    std::atomic<bool> runningTaskFinished{false};
    std::atomic<int> droppedRuns{0};
    proxy->AddTask([&] {
        started.Raise();
        release.Hold();
        runningTaskFinished = true;
    });
    for (int i = 0; i < 3; ++i) {
        proxy->AddTask([&droppedRuns] { ++droppedRuns; });
    }
    ASSERT_TRUE(started.WaitFor(1));

    EXPECT_FALSE(proxy->Dispose());
    EXPECT_FALSE(proxy->IsDisposed());
    EXPECT_FALSE(proxy->AddTask([&droppedRuns] { ++droppedRuns; }));
    release.Open();
    // A timeout too long for the clock waits for as long as it takes.
    EXPECT_TRUE(proxy->Dispose(milliseconds::max()));
    EXPECT_TRUE(proxy->IsDisposed());
    EXPECT_TRUE(runningTaskFinished);

    // The parent goes on serving others; any leftover job of the proxy finds nothing to run.
    SignalCounter ran;
    parent->AddTask([&ran] { ran.Raise(); });
    ASSERT_TRUE(ran.WaitFor(1));
    EXPECT_TRUE(parent->Dispose(SIGNAL_TIMEOUT));
    EXPECT_EQ(droppedRuns.load(), 0);
}

TEST(ProxyTaskExecutorConcurrencyTest, DisposedParentDisposesTheProxy) {
    auto parent = TaskExecutor::Create(1);
    auto proxy = ProxyTaskExecutorInterface::CreateParallel("queue", parent);
    EXPECT_FALSE(proxy->IsDisposed());
    ASSERT_TRUE(parent->Dispose(SIGNAL_TIMEOUT));
    EXPECT_TRUE(proxy->IsDisposed());
    EXPECT_FALSE(proxy->AddTask([] {}));
}

TEST(ProxyTaskExecutorConcurrencyTest, TaskRefusedByTheParentIsReportedAndNotKept) {
    for (bool refuseByThrowing : {false, true}) {
        SCOPED_TRACE(refuseByThrowing ? "parent cannot start a thread" : "parent returns false");
        ScopedCapturingLog log(LoggingMode::Debug);
        auto parent = std::make_shared<RefusingExecutor>(refuseByThrowing);
        auto proxy = ProxyTaskExecutorInterface::CreateSequential("queue", parent);
        std::atomic<int> refusedRuns{0};
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (refuseByThrowing) {
                EXPECT_THROW(proxy->AddTask([&refusedRuns] { ++refusedRuns; }), std::system_error);
            } else {
                EXPECT_FALSE(proxy->AddTask([&refusedRuns] { ++refusedRuns; }));
            }
        }
        int refusalLines = 0;
        for (const std::string& message : log.Service().GetMessages()) {
            refusalLines += message == "Parent task executor AddTask(...) returned false." ? 1 : 0;
        }
        EXPECT_EQ(refusalLines, refuseByThrowing ? 0 : 2);

        parent->refuse = false;
        SignalCounter ran;
        EXPECT_TRUE(proxy->AddTask([&ran] { ran.Raise(); }));
        ASSERT_TRUE(ran.WaitFor(1));
        EXPECT_TRUE(proxy->Dispose(SIGNAL_TIMEOUT));
        EXPECT_EQ(refusedRuns.load(), 0);
    }
}

TEST(ProxyTaskExecutorConcurrencyTest, ProxyReleasedInsideItsOwnTaskIsDestroyedWithoutWaiting) {
    ScopedCapturingLog log;
    auto parent = TaskExecutor::Create(2);
    auto proxy = ProxyTaskExecutorInterface::CreateSequential("queue", parent);
    std::weak_ptr<ProxyTaskExecutorInterface> weak = proxy;
    SignalCounter started;
    Gate released;
    proxy->AddTask([&started, &released, owner = proxy] {
        started.Raise();
        released.Hold();
    });
    proxy.reset();
    ASSERT_TRUE(started.WaitFor(1));
    released.Open();

    // The parent's job ends only after the destructor it ran; one that waited for its own task would
    // end with the error line, after every dispose slice.
    ASSERT_TRUE(parent->Dispose(3 * SIGNAL_TIMEOUT));
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(log.Service().Contains("Destroyed while a task still runs"));
}

TEST(DefaultThreadingServiceConcurrencyTest, ParallelExecutorGrowsAndSequentialExecutorRunsOneAtATime) {
    ScopedCapturingLog log(LoggingMode::Debug);
    auto service = DefaultThreadingServiceInterface::Create();
    auto parallel = service->CreateParallelTaskExecutor("master");
    EXPECT_TRUE(log.Service().Contains("System info services are required to set thread name"));

    constexpr int TASKS = 16;
    SignalCounter started;
    Gate release;
    for (int i = 0; i < TASKS; ++i) {
        parallel->AddTask([&] {
            started.Raise();
            release.Hold();
        });
    }
    EXPECT_TRUE(started.WaitFor(TASKS));
    release.Open();
    EXPECT_TRUE(parallel->Dispose(SIGNAL_TIMEOUT));

    auto sequential = service->CreateSequentialTaskExecutor("hits");
    Gate blocker;
    SignalCounter sequentialStarted;
    for (int i = 0; i < 2; ++i) {
        sequential->AddTask([&] {
            sequentialStarted.Raise();
            blocker.Hold();
        });
    }
    EXPECT_FALSE(sequentialStarted.WaitFor(2, milliseconds(50)));
    blocker.Open();
    EXPECT_TRUE(sequentialStarted.WaitFor(2));
    EXPECT_TRUE(sequential->Dispose(SIGNAL_TIMEOUT));
}

}  // namespace
}  // namespace NuvraMobile

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "core/execution/TaskExecutor.h"
#include "core/values/SdkError.h"
#include "support/CapturingLoggingService.h"
#include "support/ExecutorRendezvous.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using std::chrono::milliseconds;

std::shared_ptr<TaskExecutorInterface> CreatePool(uint32_t initial, uint32_t min, uint32_t max,
                                                  const std::shared_ptr<FakeSystemInfoService>& systemInfo,
                                                  milliseconds idleTimeout = milliseconds(15000)) {
    auto args = TaskExecutorInterface::CreateArgs::Create();
    args->name = "pool";
    args->initialThreadCount = initial;
    args->minThreadCount = min;
    args->maxThreadCount = max;
    args->idleThreadTimeout = idleTimeout;
    args->systemInfoService = systemInfo;
    return TaskExecutorInterface::Create(args);
}

/** Adds `count` tasks that each raise `started` and then wait for `release`. */
void AddBlockingTasks(TaskExecutorInterface& executor, int count, SignalCounter& started,
                      const Gate& release) {
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(executor.AddTask([&started, &release] {
            started.Raise();
            release.Hold();
        }));
    }
}

struct ThreadCountCase {
    uint32_t initial;
    uint32_t min;
    uint32_t max;
    int expectedThreads;
};

class TaskExecutorThreadCountTest : public testing::TestWithParam<ThreadCountCase> {};

TEST_P(TaskExecutorThreadCountTest, StartsTheClampedInitialCountAndNeverExceedsTheLimit) {
    const ThreadCountCase& c = GetParam();
    auto systemInfo = std::make_shared<FakeSystemInfoService>();
    auto executor = CreatePool(c.initial, c.min, c.max, systemInfo);
    SignalCounter started;
    Gate release;
    AddBlockingTasks(*executor, c.expectedThreads + 1, started, release);

    ASSERT_TRUE(started.WaitFor(c.expectedThreads));
    EXPECT_FALSE(started.WaitFor(c.expectedThreads + 1, milliseconds(50)));
    EXPECT_EQ(systemInfo->GetThreadNames().size(), static_cast<size_t>(c.expectedThreads));

    release.Open();
    EXPECT_TRUE(started.WaitFor(c.expectedThreads + 1));
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));
}

INSTANTIATE_TEST_SUITE_P(Counts, TaskExecutorThreadCountTest,
                         testing::Values(ThreadCountCase{0, 2, 1, 2}, ThreadCountCase{5, 1, 3, 3},
                                         ThreadCountCase{1, 1, 1, 1}, ThreadCountCase{0, 0, 4, 4}),
                         [](const testing::TestParamInfo<ThreadCountCase>& info) {
                             const ThreadCountCase& c = info.param;
                             return "Initial" + std::to_string(c.initial) + "Min" + std::to_string(c.min) +
                                    "Max" + std::to_string(c.max);
                         });

TEST(TaskExecutorConcurrencyTest, OneThreadRunsTasksInAddOrder) {
    auto executor = TaskExecutor::Create(1);
    std::vector<int> order;
    SignalCounter done;
    constexpr int TASKS = 500;
    for (int i = 0; i < TASKS; ++i) {
        ASSERT_TRUE(executor->AddTask([i, &order, &done] {
            order.push_back(i);
            done.Raise();
        }));
    }
    ASSERT_TRUE(done.WaitFor(TASKS));
    ASSERT_EQ(order.size(), static_cast<size_t>(TASKS));
    for (int i = 0; i < TASKS; ++i) {
        EXPECT_EQ(order[i], i);
    }
}

TEST(TaskExecutorConcurrencyTest, BurstOfTasksRunsInParallelOnIdleWorkers) {
    auto executor = CreatePool(1, 1, 8, nullptr);
    EXPECT_TRUE(RunTogether(*executor, *executor));
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));
}

TEST(TaskExecutorConcurrencyTest, IdleWorkerExitsAndTheNextTaskStartsTheNextNumber) {
    auto systemInfo = std::make_shared<FakeSystemInfoService>();
    auto executor = CreatePool(1, 1, 1, systemInfo, milliseconds(20));
    SignalCounter exited;
    ASSERT_TRUE(executor->AddTask([&exited] { RaiseOnThreadExit(exited); }));
    ASSERT_TRUE(exited.WaitFor(1));

    // On a loaded machine a new worker may idle out before it takes the task, and the next one takes
    // it: whichever runs it, the numbers go on from the worker that exited and none is used again.
    SignalCounter ran;
    std::vector<std::string> namesWhileRunning;
    ASSERT_TRUE(executor->AddTask([&] {
        namesWhileRunning = systemInfo->GetThreadNames();
        ran.Raise();
    }));
    ASSERT_TRUE(ran.WaitFor(1));
    ASSERT_GE(namesWhileRunning.size(), 2u);
    for (size_t worker = 0; worker < namesWhileRunning.size(); ++worker) {
        EXPECT_EQ(namesWhileRunning[worker], "pool/" + std::to_string(worker + 1));
    }
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));
}

// The longest idle time a caller can choose keeps the worker for ever; its waits stay in range
// (the sanitizer build stops at an overflow).
TEST(TaskExecutorConcurrencyTest, TheLongestIdleTimeoutKeepsTheOneWorker) {
    auto systemInfo = std::make_shared<FakeSystemInfoService>();
    auto executor = CreatePool(1, 1, 1, systemInfo, milliseconds::max());
    SignalCounter ran;
    for (int task = 1; task <= 2; ++task) {
        ASSERT_TRUE(executor->AddTask([&ran] { ran.Raise(); }));
        ASSERT_TRUE(ran.WaitFor(task));
    }
    EXPECT_EQ(systemInfo->GetThreadNames(), std::vector<std::string>{"pool/1"});
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));
}

TEST(TaskExecutorConcurrencyTest, WorkerNumbersWrapAfter255) {
    constexpr int WORKERS = 257;
    auto systemInfo = std::make_shared<FakeSystemInfoService>();
    auto executor = CreatePool(0, 0, WORKERS, systemInfo);
    SignalCounter started;
    Gate release;
    AddBlockingTasks(*executor, WORKERS, started, release);
    ASSERT_TRUE(started.WaitFor(WORKERS));
    release.Open();
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));

    std::vector<std::string> names = systemInfo->GetThreadNames();
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected;
    for (int number = 1; number <= WORKERS; ++number) {
        expected.push_back("pool/" + std::to_string(number % 256));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

TEST(TaskExecutorConcurrencyTest, DisposeDropsQueuedTasksAndNeverInterruptsTheRunningOne) {
    auto executor = TaskExecutor::Create(1);
    SignalCounter started;
    Gate release;
    std::atomic<bool> runningTaskFinished{false};
    std::atomic<int> droppedCalls{0};
    executor->AddTask([&] {
        started.Raise();
        release.Hold();
        runningTaskFinished = true;
    });
    for (int i = 0; i < 3; ++i) {
        executor->AddTask([&droppedCalls] { ++droppedCalls; },
                          [&droppedCalls](std::string, SdkError&) { ++droppedCalls; }, "queued");
    }
    ASSERT_TRUE(started.WaitFor(1));

    EXPECT_FALSE(executor->Dispose());
    EXPECT_FALSE(executor->IsDisposed());
    EXPECT_FALSE(executor->AddTask([&droppedCalls] { ++droppedCalls; }));

    release.Open();
    // A timeout too long for the clock waits for as long as it takes.
    EXPECT_TRUE(executor->Dispose(milliseconds::max()));
    EXPECT_TRUE(executor->IsDisposed());
    EXPECT_TRUE(runningTaskFinished);
    EXPECT_EQ(droppedCalls.load(), 0);
}

TEST(TaskExecutorConcurrencyTest, FailingTaskReportsItsNameAndTheNextTaskRuns) {
    auto executor = TaskExecutor::Create(1);
    std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> reports;
    SignalCounter done;
    executor->AddTask([] { Throw("general.unexpected", "boom"); },
                      [&](std::string name, SdkError& error) {
                          std::lock_guard<std::mutex> lock(mutex);
                          reports.emplace_back(name, error.GetCode());
                      },
                      "failing");
    executor->AddTask([] { throw std::runtime_error("silent"); });
    executor->AddTask([] { Throw("general.unexpected", "boom"); },
                      [](std::string, SdkError&) { throw std::runtime_error("callback fails too"); });
    executor->AddTask([&done] { done.Raise(); });

    ASSERT_TRUE(done.WaitFor(1));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(reports, (std::vector<std::pair<std::string, std::string>>{{"failing", "general.unexpected"}}));
}

TEST(TaskExecutorConcurrencyTest, TaskMayAddToItsOwnExecutorButCannotWaitForItsOwnDisposal) {
    auto executor = TaskExecutor::Create(1);
    SignalCounter done;
    std::atomic<bool> disposeResult{true};
    executor->AddTask([&] {
        executor->AddTask([&done] { done.Raise(); });
        done.Raise();
    });
    ASSERT_TRUE(done.WaitFor(2));
    executor->AddTask([&] {
        disposeResult = executor->Dispose(milliseconds(1));
        done.Raise();
    });
    ASSERT_TRUE(done.WaitFor(3));
    EXPECT_FALSE(disposeResult);
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));
}

TEST(TaskExecutorConcurrencyTest, ExecutorReleasedInsideItsOwnTaskIsDestroyedWithoutWaiting) {
    ScopedCapturingLog log;
    auto executor = TaskExecutor::Create(1);
    std::weak_ptr<TaskExecutor> weak = executor;
    SignalCounter exited;
    Gate released;
    executor->AddTask([&exited, &released, owner = executor] {
        RaiseOnThreadExit(exited);
        released.Hold();
    });
    executor.reset();
    released.Open();

    // The worker ends only after the destructor it ran; one that waited for its own task would end
    // with the error line, after every dispose slice.
    ASSERT_TRUE(exited.WaitFor(1, 3 * SIGNAL_TIMEOUT));
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(log.Service().Contains("Destroyed while a task still runs"));
}

TEST(TaskExecutorConcurrencyTest, ThreadsAreNamedOnlyWithASystemInfoService) {
    // Each factory gets the service directly, through platform services, or not at all.
    auto systemInfo = std::make_shared<FakeSystemInfoService>();
    auto withService = std::make_shared<FakePlatformServices>();
    withService->systemInfoService = systemInfo;
    auto withoutService = std::make_shared<FakePlatformServices>();
    struct Case {
        const char* name;
        std::function<std::shared_ptr<TaskExecutorInterface>()> create;
        bool named;
    };
    const std::vector<Case> cases = {
        {"direct", [&] { return TaskExecutor::Create(1, "direct", systemInfo); }, true},
        {"platform", [&] { return TaskExecutor::Create(1, "platform", withService); }, true},
        {"args",
         [&] {
             auto args = TaskExecutorInterface::CreateArgs::Create();
             args->name = "args";
             args->SetPlatformServices(withService);
             return TaskExecutorInterface::Create(args);
         },
         true},
        {"no service", [&] { return TaskExecutor::Create(1, "no service", withoutService); }, false},
        {"no platform services",
         [&] {
             return TaskExecutor::Create(1, "no platform services",
                                         std::shared_ptr<PlatformServicesInterface>());
         },
         false},
    };
    for (const Case& c : cases) {
        ScopedCapturingLog log(LoggingMode::Debug);
        auto executor = c.create();
        SignalCounter ran;
        executor->AddTask([&ran] { ran.Raise(); });
        ASSERT_TRUE(ran.WaitFor(1)) << c.name;
        EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT)) << c.name;
        EXPECT_EQ(log.Service().Contains("System info services are required to set thread name"), !c.named)
            << c.name;
    }
    EXPECT_EQ(systemInfo->GetThreadNames(), (std::vector<std::string>{"direct/1", "platform/1", "args/1"}));
}

// g++ names a sanitizer build by a macro, clang by a feature.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool SANITIZED = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif
#else
constexpr bool SANITIZED = false;
#endif

/** Limits the address space so that no further thread stack fits, for the guard's lifetime. */
class ThreadCreationRefusal {
public:
    ThreadCreationRefusal() {
        getrlimit(RLIMIT_AS, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = CurrentAddressSpace() + 256 * 1024;
        setrlimit(RLIMIT_AS, &limit);
    }
    ~ThreadCreationRefusal() { setrlimit(RLIMIT_AS, &previous_); }

private:
    static rlim_t CurrentAddressSpace() {
        FILE* statm = fopen("/proc/self/statm", "r");
        unsigned long pages = 0;
        if (statm != nullptr) {
            if (fscanf(statm, "%lu", &pages) != 1) {
                pages = 0;
            }
            fclose(statm);
        }
        return static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
    }

    rlimit previous_{};
};

TEST(TaskExecutorConcurrencyTest, RefusedThreadCreationReachesTheCallerAndLeavesTheExecutorUsable) {
    if (SANITIZED) {
        GTEST_SKIP() << "sanitizers reserve address space of their own";
    }
    // Stacks of threads that ended earlier may be reused without new address space, so keep workers
    // busy until a new one is needed.
    constexpr int MAX_ATTEMPTS = 64;
    auto executor = CreatePool(0, 0, MAX_ATTEMPTS, nullptr);
    SignalCounter started;
    Gate release;
    std::atomic<bool> refusedTaskRan{false};
    int accepted = 0;
    bool refused = false;
    {
        ThreadCreationRefusal refusal;
        while (!refused && accepted < MAX_ATTEMPTS) {
            try {
                executor->AddTask([&] {
                    started.Raise();
                    release.Hold();
                });
                ++accepted;
            } catch (const std::system_error&) {
                refused = true;
            }
        }
        ASSERT_TRUE(refused);
        EXPECT_THROW(executor->AddTask([&refusedTaskRan] { refusedTaskRan = true; }), std::system_error);
    }
    EXPECT_TRUE(started.WaitFor(accepted));
    SignalCounter ran;
    EXPECT_TRUE(executor->AddTask([&ran] { ran.Raise(); }));
    EXPECT_TRUE(ran.WaitFor(1));
    release.Open();
    EXPECT_TRUE(executor->Dispose(SIGNAL_TIMEOUT));
    EXPECT_FALSE(refusedTaskRan);
}

}  // namespace
}  // namespace NuvraMobile

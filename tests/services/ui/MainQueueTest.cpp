#include "services/ui/MainQueue.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "support/CapturingLoggingService.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

TEST(MainQueueTest, OwnThreadRunsTasksInOrderOnOneThreadThatKnowsItIsTheMainQueue) {
    auto queue = MainQueue::StartOwnThread();
    EXPECT_FALSE(queue->IsOnMainQueue());

    std::vector<int> order;
    std::vector<std::thread::id> threads;
    bool onMainQueue = true;
    for (int i = 0; i < 50; ++i) {
        queue->Async([&, i] {
            order.push_back(i);
            threads.push_back(std::this_thread::get_id());
            onMainQueue = onMainQueue && queue->IsOnMainQueue();
        });
    }
    ASSERT_TRUE(queue->RunAndWait([] {}, SIGNAL_TIMEOUT));

    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
        EXPECT_EQ(threads[static_cast<size_t>(i)], threads[0]);
    }
    EXPECT_NE(threads[0], std::this_thread::get_id());
    EXPECT_TRUE(onMainQueue);
}

TEST(MainQueueTest, RunAndWaitFromTheQueueItselfRunsAtOnceInsteadOfWaitingForItself) {
    auto ownThread = MainQueue::StartOwnThread();
    bool innerRan = false;
    bool innerInTime = false;
    ASSERT_TRUE(ownThread->RunAndWait(
        [&] { innerInTime = ownThread->RunAndWait([&] { innerRan = true; }, std::chrono::milliseconds(1)); },
        SIGNAL_TIMEOUT));
    EXPECT_TRUE(innerRan);
    EXPECT_TRUE(innerInTime);

    auto pumped = MainQueue::CreatePumped();
    bool pumpedRan = false;
    EXPECT_TRUE(pumped->RunAndWait([&] { pumpedRan = true; }, std::chrono::milliseconds(1)));
    EXPECT_TRUE(pumpedRan);
}

TEST(MainQueueTest, WaitOnABlockedQueueGivesUpAfterItsBoundAndTheTaskStillRunsLater) {
    auto queue = MainQueue::StartOwnThread();
    Gate release;
    queue->Async([&] { release.Hold(); });

    SignalCounter ran;
    EXPECT_FALSE(queue->RunAndWait([&] { ran.Raise(); }, std::chrono::milliseconds(20)));
    EXPECT_EQ(ran.Count(), 0);

    release.Open();
    EXPECT_TRUE(ran.WaitFor(1));
}

TEST(MainQueueTest, PumpedQueueRunsOnlyWhatWasQueuedBeforeThePumpAndOnlyOnItsMainThread) {
    ScopedCapturingLog log;
    auto queue = MainQueue::CreatePumped();
    std::vector<std::string> ran;
    queue->Async([&] {
        ran.push_back("first");
        queue->Async([&] { ran.push_back("queued by first"); });
    });

    size_t fromOtherThread = 1;
    std::thread([&] { fromOtherThread = queue->Pump(); }).join();
    EXPECT_EQ(fromOtherThread, 0u);
    EXPECT_TRUE(ran.empty());
    EXPECT_TRUE(log.Service().Contains("Only the main thread of a pumped main queue may pump it"));

    EXPECT_EQ(queue->Pump(), 1u);
    EXPECT_EQ(ran, std::vector<std::string>{"first"});
    EXPECT_EQ(queue->Pump(), 1u);
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "queued by first"}));

    bool onMainQueueElsewhere = true;
    std::thread([&] { onMainQueueElsewhere = queue->IsOnMainQueue(); }).join();
    EXPECT_TRUE(queue->IsOnMainQueue());
    EXPECT_FALSE(onMainQueueElsewhere);
}

TEST(MainQueueTest, ATaskThatThrowsIsLoggedEndsItsWaitAndTheNextOneStillRuns) {
    ScopedCapturingLog log;
    auto queue = MainQueue::StartOwnThread();
    queue->Async([] { throw std::runtime_error("broken task"); });
    EXPECT_TRUE(queue->RunAndWait([] { throw std::runtime_error("broken waited task"); }, SIGNAL_TIMEOUT));
    bool next = false;
    ASSERT_TRUE(queue->RunAndWait([&] { next = true; }, SIGNAL_TIMEOUT));
    EXPECT_TRUE(next);
    EXPECT_TRUE(log.Service().Contains("broken task"));
    EXPECT_TRUE(log.Service().Contains("broken waited task"));
}

TEST(MainQueueTest, ReleasingTheLastOwnerFromOneOfItsOwnTasksEndsTheQueueWithoutJoiningItself) {
    auto queue = MainQueue::StartOwnThread();
    std::weak_ptr<MainQueue> weak = queue;
    Gate released;
    auto holder = std::make_shared<std::shared_ptr<MainQueue>>(std::move(queue));
    (*holder)->Async([holder, &released] {
        holder->reset();
        released.Open();
    });
    holder.reset();
    ASSERT_TRUE(released.Wait());
    EXPECT_TRUE(WaitUntil([&] { return weak.expired(); }));
}

TEST(MainQueueTest, TasksQueuedAfterShutdownAreDropped) {
    auto queue = MainQueue::StartOwnThread();
    queue->Shutdown();
    bool ran = false;
    EXPECT_FALSE(queue->RunAndWait([&] { ran = true; }, std::chrono::milliseconds(20)));
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace NuvraMobile

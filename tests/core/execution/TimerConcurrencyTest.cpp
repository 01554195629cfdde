#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "core/execution/Timer.h"
#include "support/CapturingLoggingService.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using std::chrono::milliseconds;
using WallClock = std::chrono::system_clock;

TEST(TimerConcurrencyTest, EntriesRunInDueOrderAndEqualDueTimesInScheduleOrder) {
    auto timer = Timer::Create();
    std::mutex mutex;
    std::vector<std::string> order;
    SignalCounter done;
    auto record = [&](std::string label) {
        return [&, label] {
            {
                std::lock_guard<std::mutex> lock(mutex);
                order.push_back(label);
            }
            done.Raise();
        };
    };
    // Hold the loop in a first function while the rest is scheduled, so that all are due together.
    Gate scheduled;
    ASSERT_TRUE(timer->Schedule([&scheduled] { scheduled.Hold(); }, WallClock::now() - milliseconds(1)));
    auto due = WallClock::now() + milliseconds(20);
    ASSERT_TRUE(timer->Schedule(record("later"), due + milliseconds(5)));
    ASSERT_TRUE(timer->Schedule(record("first"), due));
    ASSERT_TRUE(timer->Schedule(record("second"), due));
    ASSERT_TRUE(timer->Schedule(record("past"), WallClock::now() - milliseconds(1000)));
    scheduled.Open();

    ASSERT_TRUE(done.WaitFor(4));
    EXPECT_TRUE(timer->Cancel(SIGNAL_TIMEOUT));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(order, (std::vector<std::string>{"past", "first", "second", "later"}));
}

TEST(TimerConcurrencyTest, FixedRateEntryRepeatsUntilCancelled) {
    auto timer = Timer::Create();
    SignalCounter runs;
    ASSERT_TRUE(timer->ScheduleAtFixedRate([&runs] { runs.Raise(); }, WallClock::now(), milliseconds(1)));
    ASSERT_TRUE(runs.WaitFor(3));

    EXPECT_TRUE(timer->Cancel(SIGNAL_TIMEOUT));
    int runsAtCancel = runs.Count();
    EXPECT_FALSE(runs.WaitFor(runsAtCancel + 1, milliseconds(30)));
}

TEST(TimerConcurrencyTest, CancelDropsPendingEntriesAndRefusesNewOnes) {
    auto timer = Timer::Create();
    std::atomic<int> runs{0};
    ASSERT_TRUE(timer->Schedule([&runs] { ++runs; }, WallClock::now() + std::chrono::hours(1)));
    EXPECT_TRUE(timer->Cancel(SIGNAL_TIMEOUT));
    EXPECT_TRUE(timer->Cancel(milliseconds(0)));
    EXPECT_FALSE(timer->Schedule([&runs] { ++runs; }, WallClock::now() - milliseconds(1)));
    EXPECT_FALSE(timer->ScheduleAtFixedRate([&runs] { ++runs; }, WallClock::now(), milliseconds(1)));
    EXPECT_EQ(runs.load(), 0);
}

TEST(TimerConcurrencyTest, TimerCancelledBeforeUseCanStillBeScheduled) {
    auto timer = Timer::Create();
    ASSERT_TRUE(timer->Cancel(milliseconds(0)));
    SignalCounter ran;
    EXPECT_TRUE(timer->Schedule([&ran] { ran.Raise(); }, WallClock::now()));
    EXPECT_TRUE(ran.WaitFor(1));
    EXPECT_TRUE(timer->Cancel(SIGNAL_TIMEOUT));
}

TEST(TimerConcurrencyTest, FailingFunctionKeepsItsRepeatingEntry) {
    auto timer = Timer::Create();
    SignalCounter runs;
    timer->ScheduleAtFixedRate(
        [&runs] {
            runs.Raise();
            throw std::runtime_error("fails every time");
        },
        WallClock::now(), milliseconds(1));
    EXPECT_TRUE(runs.WaitFor(3));
    EXPECT_TRUE(timer->Cancel(SIGNAL_TIMEOUT));
}

TEST(TimerConcurrencyTest, NamedTimerNamesItsThreadThroughTheSystemInfoService) {
    auto systemInfo = std::make_shared<FakeSystemInfoService>();
    auto platformServices = std::make_shared<FakePlatformServices>();
    platformServices->systemInfoService = systemInfo;
    for (const auto& timer :
         {Timer::Create("EventHub idle", systemInfo), Timer::Create("Referrer", platformServices)}) {
        SignalCounter ran;
        timer->Schedule([&ran] { ran.Raise(); }, WallClock::now());
        ASSERT_TRUE(ran.WaitFor(1));
        EXPECT_TRUE(timer->Cancel(SIGNAL_TIMEOUT));
    }
    EXPECT_EQ(systemInfo->GetThreadNames(), (std::vector<std::string>{"EventHub idle/1", "Referrer/1"}));
}

TEST(TimerConcurrencyTest, FunctionCancellingItsOwnTimerGetsFalseAndTheTimerIsReleasedAtOnce) {
    ScopedCapturingLog log;
    auto timer = Timer::Create();
    std::weak_ptr<Timer> weak = timer;
    std::atomic<bool> cancelResult{true};
    SignalCounter cancelled;
    SignalCounter timerThreadEnded;
    timer->Schedule(
        [&, raw = timer.get()] {
            RaiseOnThreadExit(timerThreadEnded);
            cancelResult = raw->Cancel(milliseconds(1));
            cancelled.Raise();
        },
        WallClock::now());
    timer.reset();

    ASSERT_TRUE(cancelled.WaitFor(1));
    // The timer is destroyed on its own thread before that thread ends; a destruction that waited for
    // its own task would end with the error line, after every dispose slice.
    ASSERT_TRUE(timerThreadEnded.WaitFor(1, 3 * SIGNAL_TIMEOUT));
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(cancelResult);
    EXPECT_FALSE(log.Service().Contains("Destroyed while a task still runs"));
}

}  // namespace
}  // namespace NuvraMobile

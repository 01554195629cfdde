#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "services/system/NativeSystemInfoService.h"
#include "services/system/Reachability.h"
#include "support/ChildProcess.h"
#include "support/RouteTableTexts.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

/** Records calls from any thread and lets the test wait for a count. */
class CallLog {
public:
    void Add(const std::string& call) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(call);
        threads_.push_back(std::this_thread::get_id());
        changed_.notify_all();
    }
    std::vector<std::string> WaitFor(size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return calls_.size() >= count; });
        return calls_;
    }
    std::vector<std::thread::id> Threads() {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> calls_;
    std::vector<std::thread::id> threads_;
};

/** Switches reachability by hand; every change is a notification. */
class ReachabilitySwitchTest : public testing::Test {
protected:
    ReachabilitySwitchTest() { Reachability::SetStatusForTesting(Reachability::Status::REACHABLE); }
    ~ReachabilitySwitchTest() override { Reachability::ClearStatusForTesting(); }
};

TEST_F(ReachabilitySwitchTest, QueuedCallbacksRunOnceInOrderOnTheNextChange) {
    CallLog log;
    auto observer = Reachability::ForInternetConnection();
    ASSERT_TRUE(observer->SetCallback([&log] { log.Add("first"); }));
    ASSERT_TRUE(observer->SetCallback([&log] { log.Add("second"); }));
    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), log.WaitFor(2));

    ASSERT_TRUE(observer->SetCallback([&log] { log.Add("third"); }));
    Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
    EXPECT_EQ((std::vector<std::string>{"first", "second", "third"}), log.WaitFor(3));
    for (std::thread::id thread : log.Threads()) {
        EXPECT_NE(std::this_thread::get_id(), thread);
    }
}

TEST_F(ReachabilitySwitchTest, ADirectNotificationDeliversOnTheCallingThread) {
    CallLog log;
    auto observer = Reachability::ForInternetConnection();
    ASSERT_TRUE(observer->SetCallback([&log] { log.Add("changed"); }));
    Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);  // the same status is no change
    observer->Callback();
    EXPECT_EQ(std::vector<std::string>{"changed"}, log.WaitFor(1));
    EXPECT_EQ(std::this_thread::get_id(), log.Threads().at(0));
}

TEST_F(ReachabilitySwitchTest, EachOneTimeListenerRunsOnceEvenUnderOneName) {
    CallLog log;
    auto service = CreateNativeSystemInfoService();
    service->RegisterOneTimeNetworkConnectionStatusListener("same", [&log] { log.Add("a"); });
    service->RegisterOneTimeNetworkConnectionStatusListener("same", [&log] { log.Add("b"); });
    service->RegisterOneTimeNetworkConnectionStatusListener("empty", nullptr);
    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    std::vector<std::string> calls = log.WaitFor(2);
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), calls);
    EXPECT_EQ(ConnectionStatus::DISCONNECTED, service->GetNetworkConnectionStatus());

    service->RegisterOneTimeNetworkConnectionStatusListener("later", [&log] { log.Add("later"); });
    Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
    EXPECT_EQ(3u, log.WaitFor(3).size());
    EXPECT_EQ("later", log.WaitFor(3).back());
}

/**
 * Changes the routing tables the observers read. Each test runs in a process of its own, whose monitor
 * starts from the fixture's tables: in a shared one the monitor may not yet have seen them and still hold
 * an earlier test's status (it notifies only on a change from the status it saw last), and its thread,
 * woken by the fixture, could drop a kept status that the code under test failed to drop.
 */
class ReachabilityRouteChangeTest : public testing::Test {
protected:
    struct Step {
        const char* what;
        std::optional<std::string> ipv4;
        std::optional<std::string> ipv6;
        ConnectionStatus status;
    };

    ReachabilityRouteChangeTest() {
        Reachability::ChangeRouteTablesForTesting(RouteTableTexts::Ipv4Default(), std::nullopt);
    }
    ~ReachabilityRouteChangeTest() override { Reachability::ClearRouteTablesForTesting(); }

    /**
     * Steps from the default route of the fixture, each to the other status. The status read just before
     * each change is kept for a while; the change must not be answered with it.
     */
    static std::vector<Step> Steps() {
        return {
            {"default route gone", RouteTableTexts::Ipv4LocalOnly(), std::nullopt,
             ConnectionStatus::DISCONNECTED},
            {"IPv6 default route added", RouteTableTexts::Ipv4LocalOnly(), RouteTableTexts::Ipv6Default(),
             ConnectionStatus::CONNECTED},
        };
    }

    /** For each step, a listener registered before `change` (true once made) hears the step's status. */
    static void ExpectListenersHearEachStep(const std::function<bool(const Step&)>& change) {
        auto service = CreateNativeSystemInfoService();
        for (const Step& step : Steps()) {
            SCOPED_TRACE(step.what);
            ASSERT_NE(step.status, service->GetNetworkConnectionStatus());
            SignalCounter notified;
            std::atomic<ConnectionStatus> heard{ConnectionStatus::UNKNOWN};
            service->RegisterOneTimeNetworkConnectionStatusListener("route", [&] {
                heard = service->GetNetworkConnectionStatus();
                notified.Raise();
            });
            ASSERT_TRUE(change(step));
            ASSERT_TRUE(notified.WaitFor(1));
            EXPECT_EQ(step.status, heard.load());
        }
    }
};

TEST_F(ReachabilityRouteChangeTest, ARouteChangeNotifiesListenersWithTheNewStatus) {
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    ExpectListenersHearEachStep([](const Step& step) {
        Reachability::ChangeRouteTablesForTesting(step.ipv4, step.ipv6);
        return true;
    });
}

// The kernel's messages come through the route socket alone: nothing else drops the kept status.
TEST_F(ReachabilityRouteChangeTest, ARouteMessageFromTheKernelNotifiesListenersWithTheNewStatus) {
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    ExpectListenersHearEachStep([](const Step& step) {
        return Reachability::ChangeRouteTablesByKernelForTesting(step.ipv4, step.ipv6);
    });
}

// No callback is queued, so no monitor thread runs: only the change itself can drop the kept status.
TEST_F(ReachabilityRouteChangeTest, AStatusReadRightAfterARouteChangeReadsTheNewTables) {
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    auto service = CreateNativeSystemInfoService();
    ASSERT_EQ(ConnectionStatus::CONNECTED, service->GetNetworkConnectionStatus());
    for (const Step& step : Steps()) {
        Reachability::ChangeRouteTablesForTesting(step.ipv4, step.ipv6);
        EXPECT_EQ(step.status, service->GetNetworkConnectionStatus()) << step.what;
    }
}

}  // namespace
}  // namespace NuvraMobile

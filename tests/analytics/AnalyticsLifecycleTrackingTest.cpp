// Holding hits around a launch: the lifecycle and referrer waits on the module over a real hit database.
// Timer expiries come back as module tasks, which the test runs once they are queued.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>

#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsTestSupport.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;
using StringMap = std::map<std::string, std::string>;

class AnalyticsLifecycleTrackingTest : public AnalyticsModuleFixture {
protected:
    /** Configured and opted in, with this launch hit delay (seconds) for installs. */
    void Configure(int launchHitDelaySeconds) {
        SetStates([launchHitDelaySeconds](EventData& data) {
            data.PutInteger("analytics.launchHitDelay", launchHitDelaySeconds);
            data.PutString("global.privacy", "optedin");
        });
    }

    void LifecycleRequest(const char* action) {
        Hear(Build(EventType::GENERIC_LIFECYCLE, EventSource::REQUEST_CONTENT,
                   [action](EventData& data) { data.PutString("action", action); }));
    }

    void LifecycleResponse(const StringMap& contextData) {
        Hear(Build(EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT, [&](EventData& data) {
            data.PutStringMap("lifecyclecontextdata", contextData);
            data.PutLong("starttimestampseconds", 1700000000);
            data.PutLong("maxsessionlength", 600);
        }));
    }

    void Acquisition(const StringMap& contextData) {
        Hear(Build(EventType::ACQUISITION, EventSource::RESPONSE_CONTENT,
                   [&](EventData& data) { data.PutStringMap("contextdata", contextData); }));
    }

    void TrackAction(const std::string& name) {
        Hear(TrackEvent([name](EventData& data) { data.PutString("action", name); }));
    }

    /** Runs the expiry task the referrer timer hands to the module queue (it may have run already). */
    void RunReferrerExpiry() {
        while (Properties()->IsReferrerTimerRunning()) {
            ASSERT_TRUE(executor->WaitForPending(10s));
            executor->RunAll();
        }
    }

    /** Rows of the hit table, placeholders included. */
    std::int32_t Rows() { return module->GetHitQueue()->GetSize(); }

    std::shared_ptr<AnalyticsProperties> Properties() { return module->GetProperties(); }
};

const StringMap kLaunch = {{"launchevent", "LaunchEvent"}, {"launches", "3"}};
const StringMap kInstall = {{"installevent", "InstallEvent"}, {"launches", "1"}};

TEST_F(AnalyticsLifecycleTrackingTest, StartHoldsHitsAndAcquisitionDataReachesTheWaitingLaunchHit) {
    Configure(60);
    LifecycleRequest("start");
    EXPECT_TRUE(Properties()->IsLifecycleTimerRunning());
    EXPECT_EQ(1, Rows());  // the placeholder
    LifecycleRequest("start");
    EXPECT_EQ(1, Rows()) << "a running wait neither re-arms nor adds a placeholder";

    LifecycleResponse(kInstall);
    EXPECT_FALSE(Properties()->IsLifecycleTimerRunning());
    EXPECT_TRUE(Properties()->IsReferrerTimerRunning());
    EXPECT_TRUE(module->GetHitDatabase()->IsHitWaiting());
    EXPECT_TRUE(network->Requests().empty());

    Acquisition({{"a.referrer.campaign.name", "spring"}});
    EXPECT_FALSE(Properties()->IsReferrerTimerRunning());
    const auto requests = network->WaitForRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].payload.find("InstallEvent=InstallEvent"))
        << requests[0].payload;
    EXPECT_NE(std::string::npos, requests[0].payload.find("campaign.&name=spring")) << requests[0].payload;
}

TEST_F(AnalyticsLifecycleTrackingTest, LaunchDataMergesIntoAHitHeldByTheLifecycleWait) {
    Configure(60);
    LifecycleRequest("start");
    TrackAction("Early");
    EXPECT_TRUE(module->GetHitDatabase()->IsHitWaiting());
    LifecycleResponse(kLaunch);
    // No separate launch hit: the held one carries the lifecycle data and goes out when released.
    LifecycleRequest("pause");
    const auto requests = network->WaitForRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].payload.find("action=Early")) << requests[0].payload;
    EXPECT_NE(std::string::npos, requests[0].payload.find("LaunchEvent=LaunchEvent")) << requests[0].payload;
}

TEST_F(AnalyticsLifecycleTrackingTest, ExpiryOfTheReferrerWaitSendsTheLaunchHit) {
    Configure(0);  // an install with no launch hit delay arms a wait that expires at once
    LifecycleRequest("start");
    LifecycleResponse(kInstall);
    RunReferrerExpiry();
    const auto requests = network->WaitForRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].payload.find("internalaction=Lifecycle")) << requests[0].payload;
}

TEST_F(AnalyticsLifecycleTrackingTest, PauseCancelsTheWaitsAndSendsWhatTheyHeld) {
    Configure(60);
    LifecycleRequest("start");
    LifecycleResponse(kInstall);
    ASSERT_TRUE(Properties()->IsReferrerTimerRunning());
    LifecycleRequest("pause");
    EXPECT_FALSE(Properties()->IsReferrerTimerRunning());
    EXPECT_FALSE(Properties()->IsLifecycleTimerRunning());
    const auto requests = network->WaitForRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].payload.find("InstallEvent=InstallEvent"))
        << requests[0].payload;
    // Acquisition data after the pause is a hit of its own.
    Acquisition({{"a.push.payloadId", "p1"}, {"a.message.id", "m1"}});
    const auto later = network->WaitForRequests(2);
    ASSERT_EQ(2u, later.size());
    EXPECT_NE(std::string::npos, later[1].payload.find("internalaction=PushMessage")) << later[1].payload;
}

TEST_F(AnalyticsLifecycleTrackingTest, ResponseWithoutInstallOrLaunchArmsNoReferrerWait) {
    Configure(60);
    LifecycleResponse({{"dayofweek", "2"}, {"custom", "kept"}});
    EXPECT_FALSE(Properties()->IsReferrerTimerRunning());
    const auto requests = network->WaitForRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].payload.find("DayOfWeek=2")) << requests[0].payload;
    EXPECT_NE(std::string::npos, requests[0].payload.find("custom=kept")) << requests[0].payload;
    EXPECT_EQ(std::string::npos, requests[0].payload.find("dayofweek")) << requests[0].payload;
}

}  // namespace
}  // namespace NuvraMobile

// Holding hits around a launch: the lifecycle and referrer waits on the module over a real hit database.
// Timer expiries come back as module tasks, which the test runs once they are queued.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsTestSupport.h"
#include "core/hub/SharedStateMarkers.h"

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
    ASSERT_TRUE(threading->WaitUntilIdle());
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

// The previous session's crash and its length are sent as hits of their own, dated into that session:
// the crash fills the row the start reserved, the session info follows the previous pause.
TEST_F(AnalyticsLifecycleTrackingTest, BackdatedCrashAndSessionInfoAreSentDatedIntoThePreviousSession) {
    SetStates([](EventData& data) {
        data.PutString("global.privacy", "optedin");
        data.PutBoolean("analytics.offlineEnabled", true);
        data.PutBoolean("analytics.backdatePreviousSessionInfo", true);
    });
    LifecycleRequest("start");
    Hear(Build(EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT, [](EventData& data) {
        data.PutStringMap(
            "lifecyclecontextdata",
            {{"launchevent", "LaunchEvent"}, {"crashevent", "CrashEvent"}, {"prevsessionlength", "90"}});
        data.PutLong("starttimestampseconds", 1700000000);
        data.PutLong("maxsessionlength", 600);
        data.PutLong("previoussessionpausetimestampseconds", 1699990000);
    }));
    LifecycleRequest("pause");
    const auto requests = network->WaitForRequests(2);
    ASSERT_EQ(2u, requests.size());
    const std::string& crash = requests[0].payload;
    EXPECT_NE(std::string::npos, crash.find("internalaction=Crash")) << crash;
    EXPECT_NE(std::string::npos, crash.find("CrashEvent=CrashEvent")) << crash;
    EXPECT_EQ(crash.size() - 5, crash.rfind("&ts=1")) << "one second after the last hit, none yet: " << crash;
    const std::string& sessionInfo = requests[1].payload;
    EXPECT_NE(std::string::npos, sessionInfo.find("internalaction=SessionInfo")) << sessionInfo;
    EXPECT_NE(std::string::npos, sessionInfo.find("PrevSessionLength=90")) << sessionInfo;
    EXPECT_NE(std::string::npos, sessionInfo.find("&ts=1699990001&"))
        << "one second after the pause: " << sessionInfo;
}

// The referrer wait's expiry runs on the module queue after whatever was queued before it: requests
// built meanwhile with a newer configuration stored their hits while the wait held the queue. The
// expiry's kick points every stored row at one server, which must be the newest the built requests
// knew: the launch hit, made with the older configuration, moves there too.
struct HeldHitsCase {
    const char* name;
    bool newerStillPending;  // a still newer configuration is pending after the track, with a request waiting
};

class AnalyticsReferrerExpiryServerTest : public AnalyticsLifecycleTrackingTest,
                                          public ::testing::WithParamInterface<HeldHitsCase> {
protected:
    static std::shared_ptr<EventData> ConfigurationOf(const char* server) {
        auto data = std::make_shared<EventData>();
        data->PutString("analytics.server", server);
        data->PutString("analytics.rsids", "rs");
        data->PutString("global.privacy", "optedin");
        data->PutInteger("analytics.launchHitDelay", 0);  // the wait expires at once
        return data;
    }
};

TEST_P(AnalyticsReferrerExpiryServerTest, HeldHitsGoToTheServerOfTheNewestBuiltRequest) {
    const auto response = Build(EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT,
                                [](EventData& data) { data.PutStringMap("lifecyclecontextdata", kInstall); });
    const auto track = TrackEvent([](EventData& data) { data.PutString("action", "Later"); });
    const auto waiting = TrackEvent([](EventData& data) { data.PutString("action", "Waiting"); });
    const bool pending = GetParam().newerStillPending;
    hub->SetSharedStateAnswerByEvent([trackNumber = track->GetEventNumber(),
                                      pending](std::int32_t eventNumber) -> std::shared_ptr<EventData> {
        if (eventNumber < trackNumber) {
            return ConfigurationOf("old.example.com");
        }
        if (eventNumber > trackNumber && pending) {
            return SHARED_STATE_PENDING;
        }
        return ConfigurationOf("new.example.com");
    });
    // Both requests are queued before the response arms the wait, so the expiry runs after the track.
    hub->DriveListeners(module, response);
    hub->DriveListeners(module, track);
    if (pending) {
        hub->DriveListeners(module, waiting);
    }
    ASSERT_TRUE(executor->RunNext());  // stores the launch hit and arms the referrer wait
    ASSERT_TRUE(Properties()->IsReferrerTimerRunning());
    ASSERT_TRUE(executor->RunNext());  // stores the track's hit behind the wait
    ASSERT_EQ(2, module->GetHitDatabase()->GetTrackingQueueSize());
    RunReferrerExpiry();

    const auto requests = network->WaitForRequests(2);
    ASSERT_EQ(2u, requests.size());
    for (const auto& request : requests) {
        EXPECT_EQ(0u, request.url.find("https://new.example.com/b/ss/rs/")) << request.url;
    }
    EXPECT_NE(std::string::npos, requests[0].payload.find("InstallEvent=InstallEvent"))
        << requests[0].payload;
    EXPECT_NE(std::string::npos, requests[1].payload.find("action=Later")) << requests[1].payload;
}

INSTANTIATE_TEST_SUITE_P(Expiry, AnalyticsReferrerExpiryServerTest,
                         ::testing::Values(HeldHitsCase{"AfterATrackOfANewerConfiguration", false},
                                           HeldHitsCase{"WhileAStillNewerConfigurationIsPending", true}),
                         [](const ::testing::TestParamInfo<HeldHitsCase>& info) { return info.param.name; });

class AnalyticsShortLifecycleWaitTest : public AnalyticsLifecycleTrackingTest {
protected:
    // Long enough for the test to store a hit while the wait runs, short enough to wait out.
    AnalyticsShortLifecycleWaitTest() { module = std::make_shared<Analytics>(100); }
};

TEST_F(AnalyticsShortLifecycleWaitTest, ExpiryOfTheLifecycleWaitSendsTheHitsItHeld) {
    Configure(60);
    LifecycleRequest("start");
    TrackAction("Early");
    while (Properties()->IsLifecycleTimerRunning()) {
        ASSERT_TRUE(executor->WaitForPending(10s));
        executor->RunAll();
    }
    const auto requests = network->WaitForRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].payload.find("action=Early")) << requests[0].payload;
}

/** Passes requests to the recording service; while closed, holds each one until it opens. */
class GatedNetworkService : public Object, public virtual NetworkServiceInterface {
public:
    explicit GatedNetworkService(std::shared_ptr<NetworkServiceInterface> inner) : inner_(std::move(inner)) {}

    void Close() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = false;
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    /** Waits up to 10 s until a request is held at the gate. */
    bool WaitForHeldRequest() {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, 10s, [this] { return held_ > 0; });
    }

    std::shared_ptr<HttpConnectionInterface> ConnectUrl(const std::string& url, HttpCommandType command,
                                                        const std::string& payload,
                                                        const std::map<std::string, std::string>& headers,
                                                        std::int64_t connectTimeout,
                                                        std::int64_t readTimeout) override {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ++held_;
            changed_.notify_all();
            changed_.wait(lock, [this] { return open_; });
            --held_;
        }
        return inner_->ConnectUrl(url, command, payload, headers, connectTimeout, readTimeout);
    }
    void ConnectUrlAsync(const std::string& url, HttpCommandType command, const std::string& payload,
                         const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
                         std::int64_t readTimeout, const Callback& callback) override {
        callback(ConnectUrl(url, command, payload, headers, connectTimeout, readTimeout));
    }
    bool Dispose(std::int64_t) override { return true; }

private:
    const std::shared_ptr<NetworkServiceInterface> inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
    int held_ = 0;
};

class AnalyticsLaunchHitRaceTest : public AnalyticsLifecycleTrackingTest {
protected:
    AnalyticsLaunchHitRaceTest() {
        services->networkService = gate;
    }

    std::shared_ptr<GatedNetworkService> gate = std::make_shared<GatedNetworkService>(network);
};

// The queue's worker is already running (an older hit is in flight) when the launch hit is stored as
// waiting: it reaches the launch hit during the referrer wait and must leave it for the data to come.
TEST_F(AnalyticsLaunchHitRaceTest, RunningWorkerLeavesTheWaitingLaunchHitForTheReferrerData) {
    Configure(60);
    gate->Close();
    TrackAction("Older");
    ASSERT_TRUE(gate->WaitForHeldRequest());
    LifecycleRequest("start");
    LifecycleResponse(kInstall);
    ASSERT_TRUE(Properties()->IsReferrerTimerRunning());
    gate->Open();
    ASSERT_TRUE(threading->WaitForFinishedTasks(1));  // the worker has run past the launch hit

    Acquisition({{"a.referrer.campaign.name", "spring"}});
    const auto requests = network->WaitForRequests(2);
    ASSERT_EQ(2u, requests.size());
    EXPECT_NE(std::string::npos, requests[1].payload.find("InstallEvent=InstallEvent")) << requests[1].payload;
    EXPECT_NE(std::string::npos, requests[1].payload.find("campaign.&name=spring")) << requests[1].payload;
    ASSERT_TRUE(threading->WaitForFinishedTasks(2));
    EXPECT_EQ(0, module->GetHitDatabase()->GetTrackingQueueSize());
}

}  // namespace
}  // namespace NuvraMobile

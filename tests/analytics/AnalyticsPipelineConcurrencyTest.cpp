// The whole measurement road on a real core and hub over the native services: Configuration, Identity
// and Analytics, with a loopback HTTPS server as the measurement and the identity server.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <regex>
#include <string>

#include "analytics/AnalyticsPublicApi.h"
#include "analytics/AnalyticsTestSupport.h"
#include "analytics/AnalyticsVersionProvider.h"
#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "identity/IdentityConstants.h"
#include "identity/IdentityPublicApi.h"
#include "services/PlatformServices.h"
#include "services/system/AppFolders.h"
#include "services/system/Reachability.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/LoopbackHttpsServer.h"
#include "support/MeasuringCore.h"
#include "support/ReachableLoopback.h"
#include "support/ThreadSignals.h"
#include "support/UnwritableVfs.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;

template <class Value, class Call>
Value Await(Call call) {
    auto answer = std::make_shared<std::promise<Value>>();
    auto future = answer->get_future();
    call([answer](Value value) { answer->set_value(value); });
    EXPECT_EQ(std::future_status::ready, future.wait_for(10s));
    return future.get();
}

class AnalyticsPipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppFolders::SetBundleDirectory((folders_.Root() / "bundle").string());
        server_.SetDefaultHandler([this](const LoopbackRequest& request) { return Serve(request); });
        server_.Handle("/id", [](const LoopbackRequest&) {
            return LoopbackResponse{200, {}, R"({"d_mid": "M1", "id_sync_ttl": 600})"};
        });
        shared_ = SharedPlatformServices::Create();
    }

    void TearDown() override {
        StopSession();
        AnalyticsVersionProvider::SetVersion("");
        server_.Stop();
        AppFolders::SetBundleDirectory("");
    }

    /** Records measurement hits; the identity service's other requests are answered and not recorded. */
    LoopbackResponse Serve(const LoopbackRequest& request) {
        if (request.path.rfind("/b/ss/", 0) != 0) {
            return {200, {}, ""};
        }
        std::lock_guard<std::mutex> lock(mutex_);
        hits_.push_back(request);
        received_.notify_all();
        int status = 200;
        if (!statuses_.empty()) {
            status = statuses_.front();
            statuses_.pop_front();
        }
        return {status, {}, ""};
    }

    void AnswerNextWith(int status) {
        std::lock_guard<std::mutex> lock(mutex_);
        statuses_.push_back(status);
    }

    std::vector<LoopbackRequest> WaitForHits(size_t count, std::chrono::milliseconds timeout = 10s) {
        std::unique_lock<std::mutex> lock(mutex_);
        received_.wait_for(lock, timeout, [&] { return hits_.size() >= count; });
        return hits_;
    }

    void StartSession(bool withLifecycle = false) {
        auto started = StartMeasuringCore(*shared_, server_, withLifecycle, coreLog_);
        core_ = std::move(started.core);
        observer_ = std::move(started.observer);
    }

    void StopSession() {
        if (core_) {
            EXPECT_TRUE(core_->Dispose(10s));
            core_.reset();
            observer_.reset();
        }
    }

    void Configure(std::map<std::string, std::shared_ptr<Variant>> configuration) {
        configuration.emplace("analytics.server", Variant::FromString("127.0.0.1:" + std::to_string(server_.Port())));
        configuration.emplace("analytics.rsids", Variant::FromString("rs"));
        configuration.emplace("global.privacy", Variant::FromString("optedin"));
        configuration.emplace("skyloom.org", Variant::FromString("ORG1"));
        configuration.emplace("skyloom.server", Variant::FromString("127.0.0.1:" + std::to_string(server_.Port())));
        core_->UpdateConfiguration(configuration);
        // A track is built with the configuration valid at its own event: wait until this one is out.
        WaitForConfiguration([](const EventData& data) { return data.OptString("analytics.rsids", "") == "rs"; });
    }

    void TrackAction(const std::string& action) {
        auto data = std::make_shared<EventData>();
        data->PutString("action", action);
        data->PutStringMap("contextdata", {{"user", "a b"}});
        core_->Track(data);
    }

    /**
     * A track waits in memory until the identity state exists, and what waits in memory ends with the core:
     * tracks once the state is there, so the hit goes to the table, then ends the session unsent.
     */
    void TrackIntoTheTableAndEndTheSession(const std::string& action) {
        ASSERT_NE(nullptr, observer_->WaitFor([](const Event& event) {
            return event.GetName() == "STATE_CHANGE_EVENT" &&
                   event.GetData()->OptString("stateowner", "") ==
                       IdentityConstants::EventDataKeys::Identity::SHARED_STATE_NAME;
        }));
        TrackAction(action);
        EXPECT_EQ(1, QueueSize());
        StopSession();
        EXPECT_TRUE(WaitForHits(1, 0ms).empty());
    }

    /** The stored hits plus the waiting track requests, as the module answers. */
    std::int64_t QueueSize() { return QueueSizeThroughCore(*core_); }

    /** Returns once a configuration that matches was published. */
    void WaitForConfiguration(const std::function<bool(const EventData&)>& matches) {
        ASSERT_NE(nullptr, observer_->WaitFor([&](const Event& event) {
            return event.GetName() == "Configuration Response Event" && event.GetPairID().empty() &&
                   matches(*event.GetData());
        }));
    }

    /** A configuration of the collector with that privacy status by default. */
    std::string CollectorConfiguration(const std::string& privacy) {
        const std::string server = "127.0.0.1:" + std::to_string(server_.Port());
        return R"({"analytics.server": ")" + server + R"(", "analytics.rsids": "rs", "global.privacy": ")" +
               privacy + R"(", "skyloom.org": "ORG1", "skyloom.server": ")" + server + R"("})";
    }

    /** Packages the configuration as the app's own file. */
    void Package(const std::string& configuration) {
        std::filesystem::create_directories(folders_.Root() / "bundle");
        std::ofstream(folders_.Root() / "bundle" / "NVBMobileConfig.json") << configuration;
    }

    /** Returns once `count` configurations with the privacy were published. */
    void WaitForConfigurationCount(const std::string& privacy, int count) {
        ASSERT_TRUE(observer_->WaitUntil([&](const std::vector<std::shared_ptr<Event>>& events) {
            int published = 0;
            for (const auto& event : events) {
                published += event->GetName() == "Configuration Response Event" && event->GetPairID().empty() &&
                             event->GetData()->OptString("global.privacy", "") == privacy;
            }
            return published >= count;
        }));
    }

    void WaitForPrivacy(const std::string& privacy) {
        WaitForConfiguration(
            [&](const EventData& data) { return data.OptString("global.privacy", "") == privacy; });
    }

    ScopedTimeZone utc_{"UTC"};
    ScopedAppFolders folders_;
    LoopbackHttpsServer server_;
    ReachableLoopback reachable_{server_};
    std::mutex mutex_;
    std::condition_variable received_;
    std::vector<LoopbackRequest> hits_;
    std::deque<int> statuses_;
    std::shared_ptr<SharedPlatformServices> shared_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
    /** The log of the cores started from then on, when a test reads it. */
    std::shared_ptr<LoggingServiceInterface> coreLog_;
};

TEST_F(AnalyticsPipelineTest, TrackedActionIsPostedOnceWithTheExpectedBody) {
    StartSession();
    Configure({});
    TrackAction("Login");
    const auto hits = WaitForHits(1);
    ASSERT_EQ(1u, hits.size());
    EXPECT_EQ("POST", hits[0].method);
    EXPECT_TRUE(std::regex_match(hits[0].path, std::regex(R"(/b/ss/rs/0/unknown/s\d+)"))) << hits[0].path;
    EXPECT_TRUE(std::regex_match(
        hits[0].body, std::regex(R"(ndh=1&c\.&a\.&action=Login&\.a&user=a%20b&\.c&ce=UTF-8&cp=foreground&mid=\d{38})"
                                 R"(&pe=lnk_o&pev2=NMACTION%3ALogin&t=00%2F00%2F0000%2000%3A00%3A00%200%200)")))
        << hits[0].body;
    EXPECT_EQ("application/x-www-form-urlencoded", hits[0].Header("Content-Type"));
    EXPECT_EQ(1u, WaitForHits(2, 200ms).size());
}

TEST_F(AnalyticsPipelineTest, OfflineBatchIsSentWithTheHitAfterTheLimit) {
    StartSession();
    Configure({{"analytics.offlineEnabled", Variant::FromBoolean(true)},
               {"analytics.batchLimit", Variant::FromInteger(3)}});
    for (const char* action : {"A1", "A2", "A3"}) {
        TrackAction(action);
    }
    EXPECT_EQ(3, QueueSize());
    TrackAction("A4");
    const auto hits = WaitForHits(4);
    ASSERT_EQ(4u, hits.size());
    for (size_t index = 0; index < hits.size(); ++index) {
        EXPECT_NE(std::string::npos, hits[index].body.find("action=A" + std::to_string(index + 1)));
        EXPECT_NE(std::string::npos, hits[index].body.find("&ts="));
    }
}

TEST_F(AnalyticsPipelineTest, HitsKeptUnderUnknownPrivacyAreSentAfterOptIn) {
    StartSession();
    Configure({{"global.privacy", Variant::FromString("optunknown")}});
    TrackAction("Kept1");
    TrackAction("Kept2");
    EXPECT_EQ(2, QueueSize());
    core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
    const auto hits = WaitForHits(2);
    ASSERT_EQ(2u, hits.size());
    EXPECT_NE(std::string::npos, hits[0].body.find("&privacy.&mode=unknown&.privacy"));
}

// A sending worker drains whatever the table holds, so this batch is built where none was ever sent.
TEST_F(AnalyticsPipelineTest, OptOutEmptiesTheTableOfBatchedHits) {
    StartSession();
    Configure({{"analytics.offlineEnabled", Variant::FromBoolean(true)},
               {"analytics.batchLimit", Variant::FromInteger(10)}});
    TrackAction("Stored");
    EXPECT_EQ(1, QueueSize());
    core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_OUT);
    WaitForPrivacy("optedout");
    EXPECT_EQ(0, QueueSize());
    EXPECT_TRUE(WaitForHits(1, 200ms).empty());
}

TEST_F(AnalyticsPipelineTest, AnsweredHitIsFinishedWhateverTheStatusAndUnsentHitWaitsForTheNetwork) {
    StartSession();
    Configure({});
    AnswerNextWith(503);
    TrackAction("Unavailable");
    ASSERT_EQ(1u, WaitForHits(1).size());

    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    TrackAction("Offline");
    Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
    TrackAction("Online");
    // The answered hit is not sent again: the next two are the later ones, in order.
    const auto hits = WaitForHits(3);
    ASSERT_EQ(3u, hits.size());
    EXPECT_NE(std::string::npos, hits[1].body.find("action=Offline"));
    EXPECT_NE(std::string::npos, hits[2].body.find("action=Online"));
}

TEST_F(AnalyticsPipelineTest, HitStoredBeforeARestartIsSentByTheNextCore) {
    StartSession();
    Configure({{"analytics.offlineEnabled", Variant::FromBoolean(true)},
               {"analytics.batchLimit", Variant::FromInteger(10)}});
    TrackIntoTheTableAndEndTheSession("BeforeRestart");

    StartSession();
    core_->UpdateConfiguration({{"analytics.batchLimit", Variant::FromInteger(0)}});
    WaitForConfiguration([](const EventData& data) { return data.OptInteger("analytics.batchLimit", -1) == 0; });
    TrackAction("AfterRestart");
    const auto hits = WaitForHits(2);
    ASSERT_EQ(2u, hits.size());
    EXPECT_NE(std::string::npos, hits[0].body.find("action=BeforeRestart"));
    EXPECT_NE(std::string::npos, hits[1].body.find("action=AfterRestart"));
}

// An earlier launch's hits in a file that later launches cannot write (a read-only file, or a read-only
// folder) stay there, unsent: each reaches the server once, from the first launch that can write the file.
// Each launch meanwhile sends its own hits from memory and leaves the file byte for byte as it was.
TEST_F(AnalyticsPipelineTest, StoredHitsOfAFileLaunchesCannotWriteAreSentOnceByTheFirstLaunchThatCan) {
    UnwritableVfs& disk = UnwritableVfs::Install();
    const std::string cacheDir = shared_->GetSystemInfoService()->GetApplicationCacheDir();
    const std::string file = cacheDir + "/NVBMobileAnalytics.sqlite";
    const auto bytesOfTheFile = [&file] {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    // The app's road at the end of a launch disposes the core, then the services.
    const auto endLaunch = [this] {
        StopSession();
        shared_->Dispose(0ms);
    };
    // A launch of its own: fresh services over the same folders.
    const auto launch = [&] {
        endLaunch();
        shared_ = SharedPlatformServices::Create();
        StartSession();
    };
    constexpr int kUnwritableLaunches = 3;
    const struct {
        const char* name;
        std::function<void()> refuseWrites;
    } unwritable[] = {
        {"a read-only file", [&] { disk.MakeFileReadOnly(file); }},
        {"a read-only folder", [&] { disk.MakeFolderReadOnly(cacheDir); }},
    };
    for (const auto& refused : unwritable) {
        SCOPED_TRACE(refused.name);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            hits_.clear();
        }
        launch();
        Configure({{"analytics.offlineEnabled", Variant::FromBoolean(true)},
                   {"analytics.batchLimit", Variant::FromInteger(10)}});
        // Tracked once the identity state is there, so that the hits go to the table (see above).
        ASSERT_NE(nullptr, observer_->WaitFor([](const Event& event) {
            return event.GetName() == "STATE_CHANGE_EVENT" &&
                   event.GetData()->OptString("stateowner", "") ==
                       IdentityConstants::EventDataKeys::Identity::SHARED_STATE_NAME;
        }));
        TrackAction("Stored1");
        TrackAction("Stored2");
        EXPECT_EQ(2, QueueSize());
        endLaunch();
        const std::string stored = bytesOfTheFile();
        refused.refuseWrites();

        std::vector<std::string> actions = {"Stored1", "Stored2", "Writable"};
        for (int index = 0; index < kUnwritableLaunches; ++index) {
            launch();
            Configure({{"analytics.batchLimit", Variant::FromInteger(0)}});
            actions.push_back("Unwritable" + std::to_string(index));
            TrackAction(actions.back());
            EXPECT_EQ(static_cast<size_t>(index + 1), WaitForHits(index + 1).size());
        }
        endLaunch();
        EXPECT_EQ(stored, bytesOfTheFile());
        disk.Clear();

        launch();
        Configure({{"analytics.batchLimit", Variant::FromInteger(0)}});
        TrackAction("Writable");
        const auto hits = WaitForHits(actions.size());
        EXPECT_EQ(actions.size(), WaitForHits(actions.size() + 1, 200ms).size());
        for (const std::string& action : actions) {
            const auto sent = std::count_if(hits.begin(), hits.end(), [&](const LoopbackRequest& hit) {
                return hit.body.find("action=" + action + "&") != std::string::npos;
            });
            EXPECT_EQ(1, sent) << action;
        }
    }
}

// The opt-in is seen by the track dispatched right after it, however soon the track is read, also while
// the opt-out before it is still being applied. A track made while opted out is never sent.
TEST_F(AnalyticsPipelineTest, ATrackRightAfterAnOptInIsSentRoundAfterRound) {
    StartSession();
    Configure({});
    struct Case {
        const char* name;
        bool waitForTheOptOut;
    };
    constexpr int kRounds = 20;
    int optOuts = 0;
    size_t sent = 0;
    for (const Case& each : {Case{"opt-out published first", true}, Case{"all at once", false}}) {
        for (int round = 0; round < kRounds; ++round) {
            SCOPED_TRACE(std::string(each.name) + ", round " + std::to_string(round));
            core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_OUT);
            ++optOuts;
            if (each.waitForTheOptOut) {
                WaitForConfigurationCount("optedout", optOuts);
            }
            TrackAction("WhileOptedOut");
            core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
            const std::string action = "Round" + std::to_string(round);
            TrackAction(action);
            const auto hits = WaitForHits(++sent);
            ASSERT_EQ(sent, hits.size()) << action << " was dropped";
            EXPECT_NE(std::string::npos, hits.back().body.find("action=" + action + "&")) << hits.back().body;
        }
    }
    EXPECT_EQ(sent, WaitForHits(sent + 1, 200ms).size()) << "a track made while opted out was sent";
}

// The first track after privacy becomes unknown is built with the unknown configuration, possibly before
// Analytics has handled that configuration's answer; the opt-out after it clears its hit. Each round ends
// with an opt-in and a marked track, whose hit comes after any hit that was left: only the marks arrive.
TEST_F(AnalyticsPipelineTest, AHitTrackedWhilePrivacyIsUnknownIsNeverSentBeforeAnOptIn) {
    StartSession();
    Configure({});
    constexpr int kRounds = 20;
    for (int round = 0; round < kRounds; ++round) {
        const std::string mark = "Mark" + std::to_string(round);
        SCOPED_TRACE(mark);
        core_->SetPrivacyStatus(MobilePrivacyStatus::UNKNOWN);
        TrackAction("WhileUnknown");
        core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_OUT);
        WaitForConfigurationCount("optedout", round + 1);
        core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
        TrackAction(mark);
        const auto hits = WaitForHits(static_cast<size_t>(round) + 1);
        ASSERT_EQ(static_cast<size_t>(round) + 1, hits.size());
        EXPECT_NE(std::string::npos, hits.back().body.find("action=" + mark + "&")) << hits.back().body;
    }
    EXPECT_EQ(static_cast<size_t>(kRounds), WaitForHits(kRounds + 1, 200ms).size());
}

// The configuration module's fetch of an app id's file waits on a server that has not answered. The update
// made meanwhile applies at once, the track right after it reads it, and the hit reaches the new server
// before the fetch ends; the identity getter answers meanwhile. The fetched file, which names no server,
// leaves the new one.
TEST_F(AnalyticsPipelineTest, AHitTrackedRightAfterANewServerIsSentToItWhileAFetchWaits) {
    SignalCounter downloads;
    Gate downloadAnswered;
    server_.Handle("/app-1.json", [&](const LoopbackRequest&) {
        downloads.Raise();
        downloadAnswered.Wait(60s);
        return LoopbackResponse{200, {}, R"({"analytics.batchLimit": 0})"};
    });
    // Answers nothing: its certificate is not trusted.
    LoopbackHttpsServer oldServer;
    StartSession();
    const auto identity = IdentityPublicApi::Create(core_->GetEventHub(), nullptr);
    Configure({{"analytics.server", Variant::FromString("127.0.0.1:" + std::to_string(oldServer.Port()))}});
    core_->ConfigureWithAppId("app-1");
    ASSERT_TRUE(downloads.WaitFor(1));

    core_->UpdateConfiguration(
        {{"analytics.server", Variant::FromString("127.0.0.1:" + std::to_string(server_.Port()))}});
    TrackAction("AfterTheMove");
    auto hits = WaitForHits(1);
    ASSERT_EQ(1u, hits.size()) << "the track waited for the fetch";
    EXPECT_NE(std::string::npos, hits[0].body.find("action=AfterTheMove&")) << hits[0].body;
    EXPECT_FALSE(Await<std::string>([&](auto callback) { identity->GetSkyloomId(callback); }).empty());

    downloadAnswered.Open();
    WaitForConfiguration([](const EventData& data) { return data.OptInteger("analytics.batchLimit", -1) == 0; });
    TrackAction("AfterTheFetch");
    hits = WaitForHits(2);
    ASSERT_EQ(2u, hits.size());
    EXPECT_NE(std::string::npos, hits[1].body.find("action=AfterTheFetch&")) << hits[1].body;
}

// A first launch offline asks for an app id's file, which cannot come, opts in and tracks; the packaged
// configuration, whose default is opted out, stands meanwhile. The track reads the opt-in and its hit is
// stored. The next launch is online, and its fetched file, opted out by default again, answers: the
// opt-in stands and the stored hit is sent.
TEST_F(AnalyticsPipelineTest, ATrackMadeOfflineDuringAFetchIsSentByTheNextLaunchOnline) {
    const std::string configuration = CollectorConfiguration("optedout");
    Package(configuration);
    // Offline, the configuration server cannot be reached either. The server outlives the test's body.
    const auto offline = std::make_shared<std::atomic<bool>>(true);
    server_.Handle("/app-1.json", [offline, configuration](const LoopbackRequest&) {
        return *offline ? LoopbackResponse{503, {}, ""} : LoopbackResponse{200, {}, configuration};
    });

    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    StartSession();
    core_->ConfigureWithAppId("app-1");
    core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
    TrackIntoTheTableAndEndTheSession("Offline");

    *offline = false;
    Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
    StartSession();
    const auto hits = WaitForHits(1);
    ASSERT_EQ(1u, hits.size());
    EXPECT_NE(std::string::npos, hits[0].body.find("action=Offline&")) << hits[0].body;
}

// The app's packaged configuration leaves privacy unknown; the app id's file, opted out by default, comes
// before or after the opt-in that the app made right after asking for it. The track made after the opt-in
// is sent either way, and a file that comes last is applied under the opt-in: no module hears of an
// opt-out that no event had, which would clear the track.
struct AnswerOrderCase {
    const char* name;
    bool fileComesFirst;
};

class AnalyticsAnswerOrderTest : public AnalyticsPipelineTest,
                                 public ::testing::WithParamInterface<AnswerOrderCase> {
protected:
    void TearDown() override {
        answer_.Open();
        AnalyticsPipelineTest::TearDown();
    }

    Gate answer_;
};

TEST_P(AnalyticsAnswerOrderTest, ATrackAfterAnOptInIsSent) {
    Package(CollectorConfiguration("optunknown"));
    const std::string optedOut = CollectorConfiguration("optedout");
    const std::string file = optedOut.substr(0, optedOut.size() - 1) + R"(, "fetched": "yes"})";
    server_.Handle("/app-1.json", [this, file](const LoopbackRequest&) {
        answer_.Wait(60s);
        return LoopbackResponse{200, {}, file};
    });
    StartSession();
    core_->ConfigureWithAppId("app-1");
    if (GetParam().fileComesFirst) {
        answer_.Open();
        WaitForConfiguration([](const EventData& data) { return data.OptString("fetched", "") == "yes"; });
    }
    core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
    TrackAction("AfterTheOptIn");
    answer_.Open();
    const auto hits = WaitForHits(1);
    ASSERT_EQ(1u, hits.size()) << "the track after the opt-in was dropped";
    EXPECT_NE(std::string::npos, hits[0].body.find("action=AfterTheOptIn&")) << hits[0].body;

    WaitForConfiguration([](const EventData& data) { return data.OptString("fetched", "") == "yes"; });
    const auto optIn = observer_->WaitFor([](const Event& event) {
        return event.GetName() == "Configuration Response Event" &&
               event.GetData()->OptString("global.privacy", "") == "optedin";
    });
    ASSERT_NE(nullptr, optIn);
    for (const auto& event : observer_->Events()) {
        EXPECT_FALSE(event->GetEventNumber() > optIn->GetEventNumber() &&
                     event->GetName() == "Configuration Response Event" &&
                     event->GetData()->OptString("global.privacy", "") == "optedout")
            << "an opt-out after the opt-in";
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, AnalyticsAnswerOrderTest,
                         ::testing::Values(AnswerOrderCase{"FileFirst", true},
                                           AnswerOrderCase{"FileLast", false}),
                         [](const ::testing::TestParamInfo<AnswerOrderCase>& info) { return info.param.name; });

/** A first launch, nothing packaged or cached: the file of "app-1" is held until the test lets it come. */
class AnalyticsHeldFetchTest : public AnalyticsPipelineTest {
protected:
    void TearDown() override {
        answer_.Open();
        AnalyticsPipelineTest::TearDown();
    }

    void HoldTheFileOfApp1(const std::string& file) {
        server_.Handle("/app-1.json", [this, file](const LoopbackRequest&) {
            asked_.Raise();
            answer_.Wait(60s);
            return LoopbackResponse{200, {}, file};
        });
    }

    SignalCounter asked_;
    Gate answer_;
};

// The app asks for an app id's file and makes a request, before it or while the file is fetched, and tracks
// while it is fetched. A request alone names no server: the track waits for the file, whatever its default
// privacy, and is sent with the request over it. A file that cannot be read changes nothing.
enum class RequestMade { OptIn, Update, FileThatCannotBeRead };

struct FirstLaunchCase {
    const char* name;
    const char* fetchedPrivacy;
    RequestMade request;
    bool beforeTheAppId;
};

void PrintTo(const FirstLaunchCase& c, std::ostream* out) { *out << c.name; }

class AnalyticsFirstLaunchTest : public AnalyticsHeldFetchTest,
                                 public ::testing::WithParamInterface<FirstLaunchCase> {
protected:
    void MakeTheRequest() {
        switch (GetParam().request) {
            case RequestMade::OptIn:
                core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
                break;
            case RequestMade::Update:
                core_->UpdateConfiguration({{"marker", Variant::FromString("update")}});
                break;
            case RequestMade::FileThatCannotBeRead:
                core_->ConfigureWithFileInPath((folders_.Root() / "no-such-file.json").string());
                break;
        }
    }
};

TEST_P(AnalyticsFirstLaunchTest, ATrackMadeDuringTheFetchAfterARequestIsSent) {
    HoldTheFileOfApp1(CollectorConfiguration(GetParam().fetchedPrivacy));
    StartSession();
    if (GetParam().beforeTheAppId) {
        MakeTheRequest();
    }
    core_->ConfigureWithAppId("app-1");
    ASSERT_TRUE(asked_.WaitFor(1));
    if (!GetParam().beforeTheAppId) {
        MakeTheRequest();
    }
    TrackAction("DuringTheFetch");
    answer_.Open();
    const auto hits = WaitForHits(1);
    ASSERT_EQ(1u, hits.size()) << "the track was dropped";
    EXPECT_NE(std::string::npos, hits[0].body.find("action=DuringTheFetch&")) << hits[0].body;
}

INSTANTIATE_TEST_SUITE_P(
    FirstLaunch, AnalyticsFirstLaunchTest,
    ::testing::Values(
        FirstLaunchCase{"OptInOverOptedIn", "optedin", RequestMade::OptIn, false},
        FirstLaunchCase{"OptInOverOptedOut", "optedout", RequestMade::OptIn, false},
        FirstLaunchCase{"OptInOverUnknown", "optunknown", RequestMade::OptIn, false},
        FirstLaunchCase{"UpdateOverOptedIn", "optedin", RequestMade::Update, false},
        FirstLaunchCase{"OptInBeforeTheAppIdOverOptedOut", "optedout", RequestMade::OptIn, true},
        FirstLaunchCase{"UpdateBeforeTheAppIdOverOptedIn", "optedin", RequestMade::Update, true},
        FirstLaunchCase{"AFileThatCannotBeReadOverOptedIn", "optedin", RequestMade::FileThatCannotBeRead,
                        false}),
    [](const ::testing::TestParamInfo<FirstLaunchCase>& info) { return info.param.name; });

// The longest wait of a track held for the first file: the device is offline when the app opts in, asks for
// its app id and tracks; the track is sent once the network comes back and the file with it.
TEST_F(AnalyticsPipelineTest, ATrackMadeOfflineAfterAnOptInBeforeTheFirstFileIsSentWhenTheFileComes) {
    const auto offline = std::make_shared<std::atomic<bool>>(true);
    const auto asked = std::make_shared<SignalCounter>();
    server_.Handle("/app-1.json", [offline, asked, file = CollectorConfiguration("optedout")](const LoopbackRequest&) {
        asked->Raise();
        return *offline ? LoopbackResponse{503, {}, ""} : LoopbackResponse{200, {}, file};
    });
    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    StartSession();
    core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
    core_->ConfigureWithAppId("app-1");
    ASSERT_TRUE(asked->WaitFor(1));
    TrackAction("Offline");
    *offline = false;
    Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
    const auto hits = WaitForHits(1);
    ASSERT_EQ(1u, hits.size()) << "the track was dropped";
    EXPECT_NE(std::string::npos, hits[0].body.find("action=Offline&")) << hits[0].body;
}

// A track made while the user had opted out is never sent, whatever the user chooses after it before the file
// comes, and after.
TEST_F(AnalyticsHeldFetchTest, ATrackMadeWhileOptedOutDuringTheFirstFetchIsNeverSent) {
    HoldTheFileOfApp1(CollectorConfiguration("optedin"));
    StartSession();
    core_->ConfigureWithAppId("app-1");
    ASSERT_TRUE(asked_.WaitFor(1));
    core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_OUT);
    TrackAction("WhileOptedOut");
    core_->SetPrivacyStatus(MobilePrivacyStatus::UNKNOWN);
    answer_.Open();
    core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
    TrackAction("AfterTheOptIn");
    // Stored hits are sent oldest first: the one made while opted out would come first.
    const auto hits = WaitForHits(1);
    ASSERT_EQ(1u, hits.size());
    EXPECT_NE(std::string::npos, hits[0].body.find("action=AfterTheOptIn&")) << hits[0].body;
    StopSession();
    EXPECT_EQ(1u, WaitForHits(2, 0ms).size());
}

// A first launch that ends while the app id's file is still being fetched: the track made meanwhile waits in
// Analytics for the first configuration, and is lost with the core. The Dispose says so, in its answer and
// in its one line.
TEST_F(AnalyticsPipelineTest, ATrackWaitingForTheFirstConfigurationAtDisposeIsCountedAsDropped) {
    ScopedCapturingLog log(LoggingMode::Warning);
    coreLog_ = log.ServicePtr();
    // Shared with the server's thread, which may still hold the fetch when the body ends.
    const auto asked = std::make_shared<SignalCounter>();
    const auto answer = std::make_shared<Gate>();
    server_.Handle("/app-1.json", [asked, answer, file = CollectorConfiguration("optedin")](const LoopbackRequest&) {
        asked->Raise();
        answer->Hold();
        return LoopbackResponse{200, {}, file};
    });
    StartSession();
    core_->ConfigureWithAppId("app-1");
    ASSERT_TRUE(asked->WaitFor(1));
    TrackAction("DuringTheFetch");
    // Answered once the track has been handed to the module's waiting queue.
    ASSERT_EQ(1, QueueSize());

    EXPECT_FALSE(core_->Dispose(10s));
    answer->Open();
    EXPECT_TRUE(core_->Dispose(10s)) << "said false twice";
    core_.reset();
    observer_.reset();
    const auto dropped = log.Service().GetMessages(LoggingMode::Warning);
    const auto lines = std::count_if(dropped.begin(), dropped.end(), [](const std::string& line) {
        return line.rfind("Dispose dropped work dispatched before it and not yet done: ", 0) == 0;
    });
    EXPECT_EQ(1, lines);
    EXPECT_TRUE(log.Service().Contains("1 events waiting in com.nuvra.module.analytics")) << ::testing::PrintToString(dropped);
}

/** The identity server's and the analytics-id answers on "/id", told apart by the query; records the queries. */
class IdAnswers {
public:
    static constexpr const char* kAid = "0123456789ABCDEF-0123456789ABCDEF";

    LoopbackResponse Answer(const LoopbackRequest& request) {
        std::lock_guard<std::mutex> lock(mutex_);
        queries_.push_back(request.query);
        changed_.notify_all();
        if (request.query.find("d_rtbd=json") != std::string::npos) {
            return {200, {}, R"({"d_mid": "M1", "id_sync_ttl": 600})"};
        }
        return {200, {}, std::string(R"({"id": ")") + kAid + "\"}"};
    }

    /** Waits up to 10 s for a query that contains `part`. */
    bool WaitForQueryWith(const std::string& part) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] {
            for (const auto& query : queries_) {
                if (query.find(part) != std::string::npos) {
                    return true;
                }
            }
            return false;
        });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> queries_;
};


TEST_F(AnalyticsPipelineTest, LaunchHitAndIdentifiersReachTheServersAndTheFacade) {
    const auto ids = std::make_shared<IdAnswers>();
    server_.Handle("/id", [ids](const LoopbackRequest& request) { return ids->Answer(request); });
    StartSession(/*withLifecycle=*/true);
    const auto analytics = AnalyticsPublicApi::Create(core_->GetEventHub(), nullptr, "OIP-test");
    Configure({});
    core_->LifecycleStart({});
    const auto hits = WaitForHits(1);
    ASSERT_EQ(1u, hits.size());
    EXPECT_EQ(0u, hits[0].path.find("/b/ss/rs/0/OIP-test/s")) << hits[0].path;
    EXPECT_NE(std::string::npos, hits[0].body.find("LaunchEvent=LaunchEvent")) << hits[0].body;
    EXPECT_NE(std::string::npos, hits[0].body.find("Launches=1")) << hits[0].body;
    EXPECT_NE(std::string::npos, hits[0].body.find("internalaction=Lifecycle")) << hits[0].body;
    // Identity syncs the analytics id the server gave, once.
    EXPECT_TRUE(ids->WaitForQueryWith(std::string("d_cid_ic=AVID%01") + IdAnswers::kAid));

    EXPECT_EQ(IdAnswers::kAid, Await<std::string>([&](auto callback) { analytics->GetTrackingIdentifier(callback); }));
    analytics->UpdateVisitorIdentifier("visitor-7");
    EXPECT_EQ("visitor-7", Await<std::string>([&](auto callback) { analytics->GetVisitorIdentifier(callback); }));
    EXPECT_LE(0, Await<std::int64_t>([&](auto callback) { analytics->GetQueueSize(callback); }));
    EXPECT_EQ(1u, WaitForHits(2, 200ms).size()) << "one launch hit";
}

}  // namespace
}  // namespace NuvraMobile

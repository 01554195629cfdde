// The core, hub, Configuration module and native services together, over a temporary folder, with a
// loopback HTTPS server as the configuration-file server.

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "configuration/ConfigurationData.h"
#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "services/PlatformServices.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/system/Reachability.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/CoreBoot.h"
#include "support/EventDataJson.h"
#include "support/FakePlatformServices.h"
#include "support/LoopbackHttpsServer.h"
#include "support/ReachableLoopback.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;

constexpr const char* kResponse = "Configuration Response Event";
constexpr const char* kInternalAppIdEvent = "Configure with AppID Internal";

class ConfigurationIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_.SetDefaultHandler([this](const LoopbackRequest& request) { return Serve(request); });
        shared_ = SharedPlatformServices::Create();
    }

    void TearDown() override {
        StopSession();
        server_.Stop();
    }

    LoopbackResponse Serve(const LoopbackRequest& request) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++requests_;
        requested_.notify_all();
        const auto found = serverFiles_.find(request.path);
        if (serverFails_ || found == serverFiles_.end()) {
            return {503, {}, ""};
        }
        return {200, {}, found->second};
    }

    bool WaitForRequests(int count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return requested_.wait_for(lock, 10s, [&] { return requests_ >= count; });
    }

    void ServeFile(const std::string& path, const std::string& body) {
        std::lock_guard<std::mutex> lock(mutex_);
        serverFiles_[path] = body;
    }

    void SetServerFails(bool fails) {
        std::lock_guard<std::mutex> lock(mutex_);
        serverFails_ = fails;
    }

    /** A new core over the shared services (the first one started through Core::Start), booted. */
    void StartSession() {
        core_ = Core::Create([this] {
            auto services = std::make_shared<FakePlatformServices>(shared_->CreatePlatformServices());
            services->remoteFileManagerService = std::make_shared<RewritingRemoteFileManager>(
                services->GetRemoteFileManagerService(), "https://config.nuvra.com", server_.Url(""));
            if (logging_) {
                services->loggingService = logging_;
            }
            return services;
        });
        observer_ = std::make_shared<ObserverModule>();
        core_->GetEventHub()->RegisterModule(observer_);
        BootCore(*core_);
        booted_ = observer_->WaitForName("EventHub");
        ASSERT_NE(nullptr, booted_);
        Settle();
    }

    void StopSession() {
        if (core_) {
            EXPECT_TRUE(core_->Dispose(10s));
            core_.reset();
            observer_.reset();
        }
    }

    /** Returns once the hub has finished every event dispatched before. */
    void Settle() {
        const auto marker = EventBuilder("settle", EventType::CUSTOM, EventSource::NONE).Build();
        core_->DispatchEvent(marker, nullptr);
        ASSERT_NE(nullptr, observer_->WaitFor([&](const Event& event) {
            return event.GetResponsePairID() == marker->GetResponsePairID();
        }));
    }

    /** The first configuration published (a response without pair id) that matches. */
    std::shared_ptr<Event> WaitForPublication(const std::function<bool(const EventData&)>& matches,
                                              std::chrono::milliseconds timeout = 10s) {
        return observer_->WaitFor(
            [&](const Event& event) {
                return event.GetName() == kResponse && event.GetPairID().empty() && matches(*event.GetData());
            },
            timeout);
    }

    static size_t CountPublications(const std::vector<std::shared_ptr<Event>>& events,
                                    const std::function<bool(const EventData&)>& matches) {
        size_t count = 0;
        for (const auto& event : events) {
            count +=
                event->GetName() == kResponse && event->GetPairID().empty() && matches(*event->GetData());
        }
        return count;
    }

    static std::function<bool(const EventData&)> Has(const std::string& key, const std::string& value) {
        return [key, value](const EventData& data) { return data.OptString(key, "") == value; };
    }

    MobilePrivacyStatus AskPrivacy() {
        std::promise<MobilePrivacyStatus> answer;
        core_->GetPrivacyStatus([&](MobilePrivacyStatus status) { answer.set_value(status); });
        auto future = answer.get_future();
        EXPECT_EQ(std::future_status::ready, future.wait_for(10s));
        return future.get();
    }

    std::shared_ptr<DataStoreInterface> ConfigStore() {
        return shared_->GetLocalStorageService()->GetDataStore("NuvraMobile_ConfigState");
    }

    const std::filesystem::path& Bundle() const { return bundle_.Path(); }

    void WriteBundledConfiguration(const std::string& configuration) {
        std::ofstream(Bundle() / "NVBMobileConfig.json") << configuration;
    }

    ScopedAppFolders folders_;
    ScopedBundleFolder bundle_{folders_.Root() / "bundle"};
    LoopbackHttpsServer server_;
    ReachableLoopback reachable_{server_};
    std::mutex mutex_;
    std::condition_variable requested_;
    int requests_ = 0;
    std::map<std::string, std::string> serverFiles_;
    bool serverFails_ = false;
    std::shared_ptr<SharedPlatformServices> shared_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
    std::shared_ptr<Event> booted_;
    /** When set, the core logs to it. */
    std::shared_ptr<CapturingLoggingService> logging_;
};

TEST_F(ConfigurationIntegrationTest, AppIdDownloadIsCachedAndBootsTheNextSessionFromTheCache) {
    ServeFile("/app-1.json", R"({"analytics.server": "a.example", "global.privacy": "optedin"})");
    WriteBundledConfiguration(R"({"analytics.server": "from-the-bundle"})");
    StartSession();
    core_->ConfigureWithAppId("app-1");
    ASSERT_NE(nullptr, WaitForPublication(Has("analytics.server", "a.example")));
    EXPECT_EQ(MobilePrivacyStatus::OPT_IN, AskPrivacy());
    StopSession();

    SetServerFails(true);
    StartSession();
    const auto internal = observer_->WaitForName(kInternalAppIdEvent);
    ASSERT_NE(nullptr, internal);
    EXPECT_EQ("app-1", internal->GetData()->OptString("config.appId", ""));
    EXPECT_TRUE(internal->GetData()->OptBoolean("config.isinternalevent", false));
    const auto state = observer_->ConfigurationStateAt(booted_->GetEventNumber());
    ASSERT_NE(nullptr, state);
    EXPECT_EQ("a.example", state->OptString("analytics.server", ""));
    // The internal request fails to download and falls back to the same cached file.
    ASSERT_NE(nullptr, observer_->WaitFor([&](const Event& event) {
        return event.GetName() == kResponse && event.GetEventNumber() > internal->GetEventNumber();
    }));
}

TEST_F(ConfigurationIntegrationTest, PackagedFileAloneConfiguresTheBoot) {
    WriteBundledConfiguration(R"({"analytics.server": "bundled.example"})");
    StartSession();
    const auto state = observer_->ConfigurationStateAt(booted_->GetEventNumber());
    ASSERT_NE(nullptr, state);
    EXPECT_EQ("bundled.example", state->OptString("analytics.server", ""));
    EXPECT_EQ("optunknown", state->OptString("global.privacy", ""));
    EXPECT_EQ(nullptr, observer_->WaitForName(kInternalAppIdEvent, 0ms));
}

TEST_F(ConfigurationIntegrationTest, OverridesSurviveARestartAndAloneConfigureTheBoot) {
    StartSession();
    core_->UpdateConfiguration({{"analytics.server", Variant::FromString("override.example")}});
    ASSERT_NE(nullptr, WaitForPublication(Has("analytics.server", "override.example")));
    StopSession();

    StartSession();
    const auto state = observer_->ConfigurationStateAt(booted_->GetEventNumber());
    ASSERT_NE(nullptr, state);
    EXPECT_EQ("override.example", state->OptString("analytics.server", ""));
}

TEST_F(ConfigurationIntegrationTest, NothingToLoadLeavesNoConfigurationAtBoot) {
    StartSession();
    EXPECT_EQ(SHARED_STATE_PENDING, observer_->ConfigurationStateAt(booted_->GetEventNumber()));
    EXPECT_EQ(nullptr, observer_->WaitForName(kResponse, 0ms));
    EXPECT_EQ(MobilePrivacyStatus::UNKNOWN, AskPrivacy());
}

// Nothing to load and a download that fails leave the configuration that stands; neither is a failed write
// of the shared state, which the app would read as a fault of its own.
TEST_F(ConfigurationIntegrationTest, ABootWithNothingToLoadAndAFailedAppIdDownloadWarnOfNoSharedState) {
    ScopedCapturingLog log(LoggingMode::Warning);
    logging_ = log.ServicePtr();
    const auto linesOnSharedStates = [&log] {
        std::vector<std::string> lines;
        for (const auto& message : log.Service().GetMessages()) {
            if (message.find("shared state") != std::string::npos) {
                lines.push_back(message);
            }
        }
        return lines;
    };
    StartSession();
    EXPECT_EQ(std::vector<std::string>{}, linesOnSharedStates());

    core_->UpdateConfiguration({{"analytics.server", Variant::FromString("standing.example")}});
    ASSERT_NE(nullptr, WaitForPublication(Has("analytics.server", "standing.example")));
    core_->ConfigureWithAppId("not-served");
    ASSERT_NE(nullptr, observer_->WaitForName("Downloaded Configuration Internal"));
    ServeFile("/app-1.json", R"({"marker": "after"})");
    core_->ConfigureWithAppId("app-1");
    ASSERT_NE(nullptr, WaitForPublication(Has("marker", "after")));
    EXPECT_TRUE(log.Service().Contains("Unable to fetch config. Rolling back to previous configuration."));
    EXPECT_EQ(std::vector<std::string>{}, linesOnSharedStates());
    StopSession();
}

TEST_F(ConfigurationIntegrationTest, FailingServerFallsBackToTheCache) {
    ServeFile("/app-1.json", R"({"analytics.server": "first"})");
    StartSession();
    core_->ConfigureWithAppId("app-1");
    ASSERT_NE(nullptr, WaitForPublication(Has("analytics.server", "first")));

    SetServerFails(true);
    core_->ConfigureWithAppId("app-1");
    EXPECT_TRUE(observer_->WaitUntil([](const std::vector<std::shared_ptr<Event>>& events) {
        return CountPublications(events, Has("analytics.server", "first")) == 2;
    }));
}

TEST_F(ConfigurationIntegrationTest, BodyThatIsNotJsonIsNeitherAppliedNorCached) {
    ServeFile("/app-1.json", "<html>maintenance</html>");
    StartSession();
    core_->ConfigureWithAppId("app-1");
    // Fetched one at a time: the next app id's publication means that the first fetch ended.
    ServeFile("/app-2.json", R"({"marker": "after"})");
    core_->ConfigureWithAppId("app-2");
    ASSERT_NE(nullptr, WaitForPublication(Has("marker", "after")));
    EXPECT_EQ(1u, CountPublications(observer_->Events(), [](const EventData&) { return true; }));
    const auto cached = shared_->CreatePlatformServices()->GetRemoteFileManagerService()->GetFileFromCache(
        "config", server_.Url("/app-1.json"), true);
    EXPECT_FALSE(cached.HasValue());
}

TEST_F(ConfigurationIntegrationTest, OfflineAppIdRequestWaitsUntilTheNetworkComesBack) {
    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    SetServerFails(true);
    StartSession();
    core_->ConfigureWithAppId("app-2");
    ASSERT_TRUE(WaitForRequests(1));
    // While offline nothing more is tried.
    EXPECT_EQ(nullptr, WaitForPublication(Has("analytics.server", "after-the-wait"), 300ms));
    ServeFile("/app-2.json", R"({"analytics.server": "after-the-wait"})");
    SetServerFails(false);
    Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
    EXPECT_NE(nullptr, WaitForPublication(Has("analytics.server", "after-the-wait")));
}

// However long an app id's file takes to come (offline, or a server that has not answered yet), the
// requests made over the packaged configuration meanwhile apply at once and every event after them reads
// what they left. A file the app asked for after the app id stands: the app id's file, when it comes,
// changes nothing.
struct FetchWaitCase {
    const char* name;
    bool offline;
};

void PrintTo(const FetchWaitCase& c, std::ostream* out) { *out << c.name; }

class ConfigurationFetchWaitTest : public ConfigurationIntegrationTest,
                                   public ::testing::WithParamInterface<FetchWaitCase> {
protected:
    static constexpr const char* kFetchedFile = R"({"analytics.server": "fetched", "global.privacy": "optedout"})";

    /** Starts the session with the file of "app-1" held back, and asks for it. */
    void StartFetchThatWaits() {
        if (GetParam().offline) {
            Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
            SetServerFails(true);
        } else {
            server_.Handle("/app-1.json", [this](const LoopbackRequest&) {
                asked_.Raise();
                answer_.Wait(60s);
                return LoopbackResponse{200, {}, kFetchedFile};
            });
        }
        StartSession();
        core_->ConfigureWithAppId("app-1");
        ASSERT_TRUE(GetParam().offline ? WaitForRequests(1) : asked_.WaitFor(1));
    }

    void LetTheFileCome() {
        if (GetParam().offline) {
            ServeFile("/app-1.json", kFetchedFile);
            SetServerFails(false);
            Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
        } else {
            answer_.Open();
        }
    }

    void TearDown() override {
        answer_.Open();
        ConfigurationIntegrationTest::TearDown();
    }

    SignalCounter asked_;
    Gate answer_;
};

TEST_P(ConfigurationFetchWaitTest, RequestsApplyAtOnceAndALaterFileStandsWhenTheFetchedOneComes) {
    WriteBundledConfiguration(R"({"analytics.server": "packaged"})");
    const auto file = folders_.Root() / "file.json";
    std::ofstream(file) << R"({"analytics.server": "file"})";
    StartFetchThatWaits();

    core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
    ASSERT_NE(nullptr, WaitForPublication(Has("global.privacy", "optedin")));
    core_->UpdateConfiguration({{"marker", Variant::FromString("update")}});
    ASSERT_NE(nullptr, WaitForPublication(Has("marker", "update")));
    core_->ConfigureWithFileInPath(file.string());
    ASSERT_NE(nullptr, WaitForPublication(Has("analytics.server", "file")));
    EXPECT_EQ(MobilePrivacyStatus::OPT_IN, AskPrivacy());
    core_->DispatchEvent(EventBuilder("later", EventType::CUSTOM, EventSource::NONE).Build(), nullptr);
    const auto later = observer_->WaitForName("later");
    ASSERT_NE(nullptr, later);
    const auto seen = observer_->ConfigurationStateAt(later->GetEventNumber());
    ASSERT_NE(SHARED_STATE_PENDING, seen);
    EXPECT_EQ("file", seen->OptString("analytics.server", ""));
    EXPECT_EQ("optedin", seen->OptString("global.privacy", ""));
    EXPECT_EQ("update", seen->OptString("marker", ""));

    LetTheFileCome();
    // Offline, the fetch gives up once the network comes back; a server under way answers anyway.
    if (!GetParam().offline) {
        ASSERT_NE(nullptr, observer_->WaitForName("Downloaded Configuration Internal"));
    }
    // Answered once the configuration at its event is known, so after the fetched text's task.
    EXPECT_EQ(MobilePrivacyStatus::OPT_IN, AskPrivacy());
    Settle();
    const auto last = observer_->ConfigurationStateAt(observer_->Events().back()->GetEventNumber());
    ASSERT_NE(SHARED_STATE_PENDING, last);
    EXPECT_EQ(JsonText(seen), JsonText(last));
    const auto events = observer_;
    StopSession();
    EXPECT_EQ(0u, CountPublications(events->Events(), Has("analytics.server", "fetched")));
}

// An app id whose server does not answer, or that waits for the network, holds up no later app id: the last
// one asked is fetched at once and its file stands; the earlier file, when it comes, changes nothing.
// Requests for an app id while its file is fetched share that fetch.
TEST_P(ConfigurationFetchWaitTest, TheLastAppIdAskedIsFetchedAtOnceWhateverTheEarlierFetchWaitsFor) {
    StartFetchThatWaits();
    core_->ConfigureWithAppId("app-1");
    core_->ConfigureWithAppId("app-1");
    ServeFile("/app-2.json", R"({"analytics.server": "app-2"})");
    core_->ConfigureWithAppId("app-2");
    if (GetParam().offline) {
        SetServerFails(false);
        Reachability::SetStatusForTesting(Reachability::Status::REACHABLE);
    }
    ASSERT_NE(nullptr, WaitForPublication(Has("analytics.server", "app-2")));

    LetTheFileCome();
    if (!GetParam().offline) {
        ASSERT_NE(nullptr, observer_->WaitFor([](const Event& event) {
            return event.GetName() == "Downloaded Configuration Internal" &&
                   event.GetData()->OptString("config.downloaded.for", "") == "app-1";
        }));
        EXPECT_EQ(1, asked_.Count()) << "the requests for app-1 share one fetch";
    }
    // Answered once the configuration at its event is known, so after the fetched text's task.
    AskPrivacy();
    Settle();
    const auto last = observer_->ConfigurationStateAt(observer_->Events().back()->GetEventNumber());
    ASSERT_NE(SHARED_STATE_PENDING, last);
    EXPECT_EQ("app-2", last->OptString("analytics.server", ""));
    const auto events = observer_;
    StopSession();
    EXPECT_EQ(0u, CountPublications(events->Events(), Has("analytics.server", "fetched")));
}

INSTANTIATE_TEST_SUITE_P(Waits, ConfigurationFetchWaitTest,
                         ::testing::Values(FetchWaitCase{"Offline", true},
                                           FetchWaitCase{"ServerThatHasNotAnswered", false}),
                         [](const ::testing::TestParamInfo<FetchWaitCase>& info) { return info.param.name; });

// An app that once asked for an app id now configures from a file of its own. Each launch fetches the saved
// app id again; its file comes after the app's call, and changes nothing.
TEST_F(ConfigurationIntegrationTest, ALaunchsFetchOfTheSavedAppIdLeavesTheFileTheAppAskedFor) {
    ServeFile("/app-1.json", R"({"analytics.server": "app-1"})");
    StartSession();
    core_->ConfigureWithAppId("app-1");
    ASSERT_NE(nullptr, WaitForPublication(Has("analytics.server", "app-1")));
    StopSession();

    const auto asked = std::make_shared<SignalCounter>();
    const auto answer = std::make_shared<Gate>();
    server_.Handle("/app-1.json", [asked, answer](const LoopbackRequest&) {
        asked->Raise();
        answer->Wait(60s);
        return LoopbackResponse{200, {}, R"({"analytics.server": "app-1"})"};
    });
    const auto file = folders_.Root() / "file.json";
    std::ofstream(file) << R"({"analytics.server": "file"})";
    StartSession();
    ASSERT_TRUE(asked->WaitFor(1));
    core_->ConfigureWithFileInPath(file.string());
    ASSERT_NE(nullptr, WaitForPublication(Has("analytics.server", "file")));
    answer->Open();
    ASSERT_NE(nullptr, observer_->WaitForName("Downloaded Configuration Internal"));
    // Answered once the configuration at its event is known, so after the fetched text's task.
    AskPrivacy();
    Settle();
    const auto last = observer_->ConfigurationStateAt(observer_->Events().back()->GetEventNumber());
    ASSERT_NE(SHARED_STATE_PENDING, last);
    EXPECT_EQ("file", last->OptString("analytics.server", ""));
}

TEST_F(ConfigurationIntegrationTest, DisposingEndsAnOfflineWait) {
    Reachability::SetStatusForTesting(Reachability::Status::NOT_REACHABLE);
    SetServerFails(true);
    StartSession();
    core_->ConfigureWithAppId("app-3");
    ASSERT_TRUE(WaitForRequests(1));
    // The wait re-checks the registration at least once a second, so disposal completes well in time.
    EXPECT_TRUE(core_->Dispose(5s));
    core_.reset();
}

TEST_F(ConfigurationIntegrationTest, EnvironmentSpecificKeysArePublishedForTheirEnvironment) {
    WriteBundledConfiguration(
        R"({"build.environment": "dev", "analytics.batchLimit": 10, "__dev__analytics.batchLimit": 3,
               "__prod__analytics.batchLimit": 50, "__dev__rules.url": "x"})");
    StartSession();
    const auto state = observer_->ConfigurationStateAt(booted_->GetEventNumber());
    ASSERT_NE(nullptr, state);
    auto expected = std::make_shared<EventData>();
    expected->PutDouble("analytics.batchLimit", 3);
    expected->PutString("build.environment", "dev");
    expected->PutString("global.privacy", "optunknown");
    EXPECT_EQ(JsonText(expected), JsonText(state));
}

TEST_F(ConfigurationIntegrationTest, ReKeyedOverrideIsPersistedUnderItsEnvironmentKey) {
    WriteBundledConfiguration(
        R"({"build.environment": "dev", "analytics.batchLimit": 10, "__dev__analytics.batchLimit": 3})");
    StartSession();
    core_->UpdateConfiguration({{"analytics.batchLimit", Variant::FromDouble(60)}});
    ASSERT_NE(nullptr, WaitForPublication([](const EventData& data) {
                  return data.OptDouble("analytics.batchLimit", 0) == 60;
              }));
    ConfigurationData persisted(CreateNativeJsonUtilityService());
    persisted.Put(ConfigStore()->GetString("config.overridden.map", ""));
    EXPECT_EQ(1u, persisted.GetEntries().size());
    EXPECT_EQ(60.0, persisted.GetEventData()->OptDouble("__dev__analytics.batchLimit", 0));
}

// The update's version was pending from the moment it was heard: an update that changes nothing
// fills it with the configuration that stood, and leaves nothing pending for the events after it.
TEST_F(ConfigurationIntegrationTest, ABrokenUpdateLeavesTheConfigurationThatStood) {
    WriteBundledConfiguration(R"({"analytics.server": "bundled.example"})");
    StartSession();
    core_->UpdateConfiguration({});
    const auto update = observer_->WaitForName("Configuration Update");
    ASSERT_NE(nullptr, update);
    // Answered on the module's queue behind the update, so the update's task has ended.
    AskPrivacy();
    const auto state = observer_->ConfigurationStateAt(update->GetEventNumber());
    ASSERT_NE(SHARED_STATE_PENDING, state);
    EXPECT_EQ("bundled.example", state->OptString("analytics.server", ""));
}

TEST_F(ConfigurationIntegrationTest, PrivacyAnswersAgreeWithThePublishedState) {
    StartSession();
    core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_OUT);
    ASSERT_NE(nullptr, WaitForPublication(Has("global.privacy", "optedout")));
    EXPECT_EQ(MobilePrivacyStatus::OPT_OUT, AskPrivacy());

    // A configuration that arrives later with its own environment-specific status does not undo it.
    const auto file = folders_.Root() / "prod.json";
    {
        std::ofstream out(file);
        out << R"({"build.environment": "prod", "__prod__global.privacy": "optedin", "analytics.server": "p"})";
    }
    core_->ConfigureWithFileInPath(file.string());
    const auto published = WaitForPublication(Has("analytics.server", "p"));
    ASSERT_NE(nullptr, published);
    EXPECT_EQ("optedout", published->GetData()->OptString("global.privacy", ""));
    EXPECT_EQ(MobilePrivacyStatus::OPT_OUT, AskPrivacy());
}

}  // namespace
}  // namespace NuvraMobile

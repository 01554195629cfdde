#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <ostream>
#include <vector>

#include "configuration/Configuration.h"
#include "configuration/ConfigurationData.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "services/filesystem/NativeFileSystemService.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/EventDataJson.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"
#include "support/ManualTaskExecutor.h"
#include "support/RulesBundleFakes.h"

namespace NuvraMobile {
namespace {

using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

constexpr const char* kAppUrl = "https://config.nuvra.com/app-1.json";

/**
 * The module on a fake hub: listener calls are played by the test, tasks run on the test's thread
 * when it says so, and every service is a fake the test controls.
 */
class ConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_->systemInfoService = systemInfo_;
        services_->jsonUtilityService = CreateNativeJsonUtilityService();
        services_->localStorageService = storage_;
        files_->download = FixedRemoteFileManager::FileWith("");
        services_->remoteFileManagerService = files_;
        services_->threadingService = std::make_shared<ManualThreadingService>(fetches_);
        hub_->Register(module_, executor_, services_);
    }

    void TearDown() override {
        executor_->Dispose();
        fetches_->Dispose();
    }

    std::shared_ptr<Event> Build(const std::string& name, const std::shared_ptr<EventType>& type,
                                 const std::shared_ptr<EventSource>& source,
                                 const std::function<void(EventData&)>& fill) {
        auto data = std::make_shared<EventData>();
        fill(*data);
        auto event = EventBuilder(name, type, source).SetData(data).SetEventNumber(nextNumber_++).Build();
        return event;
    }

    std::shared_ptr<Event> Request(const std::function<void(EventData&)>& fill) {
        return Build("request", EventType::CONFIGURATION, EventSource::REQUEST_CONTENT, fill);
    }

    /**
     * Plays the hub's listener pass for the event, then runs the queued tasks, the fetches of
     * configuration files they started, and the passes of the fetched texts the module hands back.
     */
    void Hear(const std::shared_ptr<Event>& event) {
        hub_->DriveListeners(module_, event);
        executor_->RunAll();
        fetches_->RunAll();
        HearFetchedConfigurations();
    }

    /** Plays the hub's numbering and listener pass for each fetched text the module handed back. */
    void HearFetchedConfigurations() {
        while (heardFetches_ < Dispatched("Downloaded Configuration Internal").size()) {
            Hear(Numbered(Dispatched("Downloaded Configuration Internal")[heardFetches_++]));
        }
    }

    /** An event the module dispatched, numbered as the hub numbers the next one. */
    std::shared_ptr<Event> Numbered(const std::shared_ptr<Event>& dispatched) {
        return EventBuilder(dispatched->GetName(), dispatched->GetEventType(), dispatched->GetEventSource())
            .SetData(dispatched->GetData())
            .SetEventNumber(nextNumber_++)
            .Build();
    }

    /** Plays the listener pass of each "Configure with AppID Internal" the module dispatched, and what follows. */
    void HearOwnAppIdRequests() {
        for (const auto& request : Dispatched("Configure with AppID Internal")) {
            Hear(Numbered(request));
        }
    }

    void Boot() {
        Hear(Build("EventHub", EventType::HUB, EventSource::BOOTED, [](EventData&) {}));
    }

    /**
     * The versions of the shared state created, in order, each with its data as filled since (markers as
     * they are; a version still pending holds PENDING).
     */
    std::vector<std::pair<int32_t, std::shared_ptr<EventData>>> States() const {
        std::vector<std::pair<int32_t, std::shared_ptr<EventData>>> states;
        for (const auto& call : hub_->Calls()) {
            if (call.operation == "CreateSharedState") {
                states.emplace_back(call.version, call.data);
            } else if (call.operation == "UpdateSharedState") {
                for (auto& state : states) {
                    if (state.first == call.version && state.second == SHARED_STATE_PENDING) {
                        state.second = call.data;
                    }
                }
            }
        }
        return states;
    }

    std::shared_ptr<EventData> LastState() const {
        const auto states = States();
        return states.empty() ? nullptr : states.back().second;
    }

    std::vector<std::shared_ptr<Event>> Dispatched(const std::string& name) const {
        std::vector<std::shared_ptr<Event>> events;
        for (const auto& event : hub_->DispatchedEvents()) {
            if (event->GetName() == name) {
                events.push_back(event);
            }
        }
        return events;
    }

    std::shared_ptr<MemoryDataStore> Store() { return storage_->Store("NuvraMobile_ConfigState"); }

    /** The messages logged at that level, in order. */
    std::vector<std::string> MessagesAt(LoggingMode level) {
        std::vector<std::string> messages;
        for (const auto& line : log_.Service().GetLines()) {
            if (line.level == level) {
                messages.push_back(line.message);
            }
        }
        return messages;
    }

    void SetPackagedFile(const std::string& text) {
        systemInfo_->Update([&](FakeSystemInfoService::Answers& a) {
            a.applicationBaseDir = "/apps/Shop.app";
            a.assets["NVBMobileConfig.json"] = text;
        });
    }

    static std::string Text(const std::shared_ptr<EventData>& data) { return JsonText(data); }

    static std::shared_ptr<EventData> Expected(const std::map<std::string, std::string>& entries) {
        return std::make_shared<EventData>(entries);
    }

    int32_t nextNumber_ = 0;
    size_t heardFetches_ = 0;
    ScopedCapturingLog log_;
    std::shared_ptr<FakeEventHub> hub_ = std::make_shared<FakeEventHub>();
    std::shared_ptr<ManualTaskExecutor> executor_ = std::make_shared<ManualTaskExecutor>();
    /** The module's other executors: the fetches of configuration files and the rules downloads. */
    std::shared_ptr<ManualTaskExecutor> fetches_ = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<FakePlatformServices> services_ = std::make_shared<FakePlatformServices>();
    std::shared_ptr<FakeSystemInfoService> systemInfo_ = std::make_shared<FakeSystemInfoService>();
    std::shared_ptr<MemoryLocalStorageService> storage_ = std::make_shared<MemoryLocalStorageService>();
    std::shared_ptr<FixedRemoteFileManager> files_ = std::make_shared<FixedRemoteFileManager>();
    std::shared_ptr<Configuration> module_ = std::make_shared<Configuration>();
};

std::function<void(EventData&)> AppId(const std::string& appId) {
    return [appId](EventData& d) { d.PutString("config.appId", appId); };
}

TEST_F(ConfigurationTest, LogPrefixIsTheSharedStateName) {
    EXPECT_STREQ(ConfigurationConstants::EventDataKeys::Configuration::SHARED_STATE_NAME,
                 Configuration::LOG_PREFIX);
    EXPECT_EQ("com.nuvra.module.configuration", module_->GetSharedStateName());
}

TEST_F(ConfigurationTest, AppIdWinsOverAnUpdateInTheSameRequest) {
    files_->download = FixedRemoteFileManager::FileWith(R"({"a": "downloaded"})");
    Hear(Request([](EventData& d) {
        d.PutString("config.appId", "app-1");
        d.PutVariantMap("config.update", {{"b", Variant::FromString("ignored")}});
    }));
    EXPECT_EQ(Text(Expected({{"a", "downloaded"}, {"global.privacy", "optunknown"}})), Text(LastState()));
    EXPECT_EQ("", Store()->GetString("config.overridden.map", ""));
}

TEST_F(ConfigurationTest, RequestsWithoutInstructionQueueNothingAndLogNothing) {
    log_.Service().Clear();
    hub_->DriveListeners(module_, Request([](EventData&) {}));
    hub_->DriveListeners(module_, Request([](EventData& d) { d.PutString("config.other", "x"); }));
    EXPECT_EQ(0u, executor_->PendingCount());
    EXPECT_TRUE(log_.Service().GetLines().empty());
}

TEST_F(ConfigurationTest, OnlyALifecycleStartFetchesTheConfigurationAgain) {
    Store()->SetString("config.appID", "app-1");
    const auto lifecycle = [this](const std::function<void(EventData&)>& fill) {
        Hear(Build("LifecycleStart", EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT, fill));
    };
    lifecycle([](EventData& d) { d.PutString("sessionevent", "pause"); });
    lifecycle([](EventData&) {});
    EXPECT_TRUE(Dispatched("Configure with AppID Internal").empty());
    EXPECT_TRUE(log_.Service().Contains("Failed to get session data from event"));

    lifecycle([](EventData& d) { d.PutString("sessionevent", "start"); });
    const auto internal = Dispatched("Configure with AppID Internal");
    ASSERT_EQ(1u, internal.size());
    EXPECT_EQ("", internal[0]->GetPairID());
    EXPECT_EQ(Text(Build("", EventType::HUB, EventSource::NONE,
                         [](EventData& d) {
                             d.PutBoolean("config.isinternalevent", true);
                             d.PutString("config.appId", "app-1");
                         })
                       ->GetData()),
              Text(internal[0]->GetData()));
}

TEST_F(ConfigurationTest, LifecycleStartWithoutAnyAppIdSendsNothing) {
    Hear(Build("LifecycleStart", EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT,
               [](EventData& d) { d.PutString("sessionevent", "start"); }));
    EXPECT_TRUE(Dispatched("Configure with AppID Internal").empty());
}

TEST_F(ConfigurationTest, ManifestAppIdIsPersistedWhenTaken) {
    systemInfo_->Update(
        [](FakeSystemInfoService::Answers& a) { a.properties["NVBMobileAppID"] = "from-manifest"; });
    Hear(Build("LifecycleStart", EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT,
               [](EventData& d) { d.PutString("sessionevent", "start"); }));
    EXPECT_EQ("from-manifest", Store()->GetString("config.appID", ""));
    EXPECT_EQ(1u, Dispatched("Configure with AppID Internal").size());
}

TEST_F(ConfigurationTest, OnlyTheIdentityOwnersWakeTheIdentitiesQueue) {
    const char* owners[] = {"com.nuvra.module.analytics", "com.nuvra.module.audience",
                            "com.nuvra.module.pivora", "com.nuvra.module.identity",
                            "com.nuvra.module.configuration"};
    const char* others[] = {"com.nuvra.module.lifecycle", "com.nuvra.module.Identity", ""};
    for (const char* owner : owners) {
        hub_->DriveListeners(module_, Build("STATE_CHANGE_EVENT", EventType::HUB, EventSource::SHARED_STATE,
                                            [&](EventData& d) { d.PutString("stateowner", owner); }));
    }
    for (const char* owner : others) {
        hub_->DriveListeners(module_, Build("STATE_CHANGE_EVENT", EventType::HUB, EventSource::SHARED_STATE,
                                            [&](EventData& d) { d.PutString("stateowner", owner); }));
    }
    EXPECT_EQ(5u, executor_->PendingCount());
}

// Readers at the booted event already see the configuration that stands (none): a request that reserved no
// version and brings nothing writes none, since the hub refuses a marker as a new version, logging a failure.
TEST_F(ConfigurationTest, BootWithNothingToLoadWritesNoVersion) {
    Boot();
    EXPECT_TRUE(States().empty());
}

TEST_F(ConfigurationTest, BootPrefersTheCachedConfigurationOfThePersistedAppId) {
    Store()->SetString("config.appID", "app-1");
    files_->cached = FixedRemoteFileManager::FileWith(R"({"source": "cache"})");
    systemInfo_->Update([](FakeSystemInfoService::Answers& a) {
        a.assets["NVBMobileConfig.json"] = R"({"source": "bundle"})";
    });
    Boot();
    EXPECT_EQ(1u, Dispatched("Configure with AppID Internal").size());
    EXPECT_EQ(Text(Expected({{"global.privacy", "optunknown"}, {"source", "cache"}})), Text(LastState()));
    EXPECT_EQ(1u, States().size());
}

// With an app id to fetch, the stored overrides wait for its file; a fetch that brings nothing publishes them.
TEST_F(ConfigurationTest, BootFallsThroughSourcesThatYieldNoEntries) {
    Store()->SetString("config.appID", "app-1");
    Store()->SetString("config.overridden.map", R"({"source": "overrides"})");
    files_->cached = FixedRemoteFileManager::FileWith("{}");
    systemInfo_->Update(
        [](FakeSystemInfoService::Answers& a) { a.assets["NVBMobileConfig.json"] = "not json"; });
    Boot();
    ASSERT_EQ(1u, States().size());
    EXPECT_EQ(SHARED_STATE_PENDING, States()[0].second) << "the boot's readers wait for the fetch";
    HearOwnAppIdRequests();
    for (const auto& state : States()) {
        EXPECT_EQ(Text(Expected({{"global.privacy", "optunknown"}, {"source", "overrides"}})),
                  Text(state.second))
            << "version " << state.first;
    }
}

// A broken packaged file would leave the app waiting for a configuration: the developer is told at the
// default (error) level where the file is and what the reader found, without the text repeated.
TEST_F(ConfigurationTest, APackagedFileThatIsNotJsonIsAnErrorNamingItsPathAndTheParseError) {
    struct Case {
        const char* text;
        const char* parseError;  // null: the file is sound and no error is logged
    };
    const Case cases[] = {
        {"not json", "parse error at line 1, column 2"},
        {"{\n  \"analytics.server\": \"collector.example.com\",\n}", "parse error at line 3, column 1"},
        {R"(["analytics.server"])", "the top level is not an object"},
        {R"({"analytics.server": "collector.example.com"})", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SetPackagedFile(c.text);
        log_.Service().Clear();
        Boot();
        const std::vector<std::string> errors = MessagesAt(LoggingMode::Error);
        if (c.parseError == nullptr) {
            EXPECT_TRUE(errors.empty());
            EXPECT_EQ("collector.example.com", LastState()->OptString("analytics.server", ""));
            continue;
        }
        ASSERT_EQ(1u, errors.size());
        const std::string lead =
            "The packaged configuration /apps/Shop.app/NVBMobileConfig.json is not a JSON object, so it is "
            "not "
            "used and the SDK waits for another configuration: ";
        EXPECT_EQ(0u, errors[0].find(lead)) << errors[0];
        EXPECT_NE(std::string::npos, errors[0].find(c.parseError, lead.size())) << errors[0];
        EXPECT_EQ(std::string::npos, errors[0].find(c.text)) << errors[0];
        EXPECT_TRUE(States().empty());
    }
}

struct ServerAddressCase {
    const char* key;
    const char* address;
    bool refused;
};

void PrintTo(const ServerAddressCase& c, std::ostream* out) { *out << c.key << " = \"" << c.address << "\""; }

class ServerAddressTest : public ConfigurationTest,
                          public ::testing::WithParamInterface<ServerAddressCase> {};

// Nothing is sent to an address the URL rule refuses, so the configuration that carries one says so.
TEST_P(ServerAddressTest, ARefusedAddressSetByAnUpdateIsAWarningNamingKeyAndAddress) {
    const ServerAddressCase& c = GetParam();
    log_.Service().Clear();
    Hear(Request([&](EventData& d) {
        d.PutVariantMap("config.update", {{c.key, Variant::FromString(c.address)}});
    }));
    EXPECT_EQ(c.address, LastState()->OptString(c.key, ""));
    std::vector<std::string> expected;
    if (c.refused) {
        expected.push_back(std::string("The server address of ") + c.key + ", \"" + c.address +
                           "\", is refused, so nothing is sent to that server: give a host name or a public "
                           "IPv4 address with an optional port, without a scheme (private and link-local "
                           "addresses such as 10.x, 172.16-31.x, 192.168.x and 169.254.x are refused)");
    }
    EXPECT_EQ(expected, MessagesAt(LoggingMode::Warning));
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, ServerAddressTest,
    ::testing::Values(ServerAddressCase{"analytics.server", "192.168.1.10:8443", true},
                      ServerAddressCase{"skyloom.server", "10.0.0.7", true},
                      ServerAddressCase{"analytics.server", "169.254.0.9", true},
                      ServerAddressCase{"analytics.server", "https://collector.example.com", true},
                      ServerAddressCase{"skyloom.server", "collector .example.com", true},
                      // Host names are lower-cased before they are used.
                      ServerAddressCase{"analytics.server", "Collector.Example.com:8443", false},
                      ServerAddressCase{"skyloom.server", "127.0.0.1:47321", false},
                      ServerAddressCase{"analytics.server", "", false},
                      // Only the addresses that requests go to are checked.
                      ServerAddressCase{"analytics.rsids", "192.168.1.10", false}));

TEST_F(ConfigurationTest, ARefusedAddressIsWarnedOfOncePerConfigurationThatCarriesIt) {
    SetPackagedFile(R"({"analytics.server": "192.168.1.10:8443", "analytics.rsids": "suite"})");
    const std::string refusal = "The server address of analytics.server, \"192.168.1.10:8443\", is refused";
    const auto refusals = [&] {
        size_t count = 0;
        for (const std::string& message : MessagesAt(LoggingMode::Warning)) {
            count += message.find(refusal) == 0;
        }
        return count;
    };
    Boot();
    EXPECT_EQ(1u, refusals());
    Hear(Request([](EventData& d) { d.PutBoolean("config.getData", true); }));
    EXPECT_EQ(1u, refusals()) << "answering with the stored configuration publishes nothing";
    Hear(Request([](EventData& d) {
        d.PutVariantMap("config.update", {{"analytics.batchLimit", Variant::FromDouble(5)}});
    }));
    EXPECT_EQ(2u, refusals()) << "the updated configuration still carries the address";
    Hear(Request([](EventData& d) {
        d.PutVariantMap("config.update",
                        {{"analytics.server", Variant::FromString("collector.example.com")}});
    }));
    EXPECT_EQ(2u, refusals());
}

// What is sent to is the address as published, with the build environment's keys applied.
TEST_F(ConfigurationTest, RefusedAddressesAreLookedForInTheConfigurationOfTheBuildEnvironment) {
    struct Case {
        const char* label;
        const char* file;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {"refused address given for the environment only",
         R"({"build.environment": "dev", "analytics.server": "collector.example.com",
             "__dev__analytics.server": "192.168.1.10"})",
         {"The server address of analytics.server, \"192.168.1.10\", is refused"}},
        {"refused plain address replaced for the environment",
         R"({"build.environment": "dev", "skyloom.server": "10.0.0.7",
             "__dev__skyloom.server": "collector.example.com"})",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        SetPackagedFile(c.file);
        log_.Service().Clear();
        Boot();
        std::vector<std::string> warnings;
        for (const std::string& message : MessagesAt(LoggingMode::Warning)) {
            warnings.push_back(message.substr(0, message.find(", so nothing is sent")));
        }
        EXPECT_EQ(c.warnings, warnings);
    }
}

TEST_F(ConfigurationTest, BootGoesOnAfterAFailingStep) {
    Store()->FailReadsOf("config.appID");
    systemInfo_->Update([](FakeSystemInfoService::Answers& a) {
        a.assets["NVBMobileConfig.json"] = R"({"source": "bundle"})";
    });
    Boot();
    EXPECT_EQ(Text(Expected({{"global.privacy", "optunknown"}, {"source", "bundle"}})), Text(LastState()));
    EXPECT_TRUE(log_.Service().Contains("the store cannot be read"));
}

TEST_F(ConfigurationTest, InternalAppIdEventForAnOldAppIdIsIgnored) {
    Store()->SetString("config.appID", "app-B");
    Hear(Request([](EventData& d) {
        d.PutBoolean("config.isinternalevent", true);
        d.PutString("config.appId", "app-A");
    }));
    for (const auto& state : States()) {
        EXPECT_EQ(SHARED_STATE_PREV, state.second) << "nothing is published";
    }
    EXPECT_TRUE(log_.Service().Contains("App ID is changed. Ignoring the setAppID Internal event"));
    EXPECT_TRUE(files_->requests.empty());
}

TEST_F(ConfigurationTest, AppIdFlowFallsBackToTheCacheThenToOneMoreDownload) {
    struct Case {
        const char* label;
        bool cached;
        std::vector<std::string> requests;
        std::string published;
    };
    const std::string download = std::string("download config ") + kAppUrl;
    const std::string cache = std::string("cache config ") + kAppUrl;
    const Case cases[] = {
        // A download first looks up the cached copy it must keep should the answer be refused.
        {"cache holds the file", true, {cache, download, cache}, "cached"},
        {"nothing cached, connected: one more download at once",
         false,
         {cache, download, cache, cache, download},
         ""},
    };
    const FixedRemoteFileManager unanswered;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        files_->requests.clear();
        files_->download = unanswered.download;
        files_->cached =
            c.cached ? FixedRemoteFileManager::FileWith(R"({"source": "cached"})") : unanswered.cached;
        const size_t statesBefore = States().size();
        Hear(Request([](EventData& d) { d.PutString("config.appId", "app-1"); }));
        EXPECT_EQ(c.requests, files_->requests);
        if (c.published.empty()) {
            // The failed fetch's own version shows what stood.
            ASSERT_EQ(statesBefore + 1, States().size());
            EXPECT_EQ(SHARED_STATE_PREV, LastState());
            EXPECT_TRUE(
                log_.Service().Contains("Unable to fetch config. Rolling back to previous configuration."));
        } else {
            EXPECT_EQ(c.published, LastState()->OptString("source", ""));
        }
        EXPECT_TRUE(systemInfo_->GetPendingListenerNames().empty());
    }
    EXPECT_EQ("app-1", Store()->GetString("config.appID", ""));
}

TEST_F(ConfigurationTest, DownloadedConfigurationIsMergedUnderThePersistedOverrides) {
    Store()->SetString("config.overridden.map", R"({"a": "override"})");
    files_->download = FixedRemoteFileManager::FileWith(R"({"a": "file", "b": "file"})");
    Hear(Request([](EventData& d) { d.PutString("config.appId", "app-1"); }));
    EXPECT_EQ(Text(Expected({{"a", "override"}, {"b", "file"}, {"global.privacy", "optunknown"}})),
              Text(LastState()));
    const auto responses = Dispatched("Configuration Response Event");
    ASSERT_EQ(1u, responses.size());
    EXPECT_EQ(Text(LastState()), Text(responses[0]->GetData()));
}

// After the store lost what it held the user's choice is unknown: neither the packaged nor a downloaded
// configuration may opt the user in, across restarts, until the app sets privacy itself.
TEST_F(ConfigurationTest, AfterTheStoreLostItsValuesPrivacyIsUnknownUntilTheAppSetsIt) {
    Store()->SetLostEarlierValues(true);
    systemInfo_->Update([](FakeSystemInfoService::Answers& a) {
        a.assets["NVBMobileConfig.json"] = R"({"global.privacy": "optedin"})";
    });
    Boot();
    EXPECT_EQ("optunknown", LastState()->OptString("global.privacy", ""));
    EXPECT_TRUE(log_.Service().Contains("privacy choice is unknown"));

    Store()->SetLostEarlierValues(false);  // the next start finds a sound store
    files_->download = FixedRemoteFileManager::FileWith(R"({"global.privacy": "optedin"})");
    Hear(Request([](EventData& d) { d.PutString("config.appId", "app-1"); }));
    EXPECT_EQ("optunknown", LastState()->OptString("global.privacy", ""));

    Hear(Request([](EventData& d) {
        d.PutVariantMap("config.update", {{"global.privacy", Variant::FromString("optedin")}});
    }));
    EXPECT_EQ("optedin", LastState()->OptString("global.privacy", ""));
}

// What survived the damage is the user's own choice: it stands.
TEST_F(ConfigurationTest, APrivacyChoiceThatSurvivedTheLostStoreStands) {
    Store()->SetString("config.overridden.map", R"({"global.privacy": "optedout"})");
    Store()->SetLostEarlierValues(true);
    systemInfo_->Update([](FakeSystemInfoService::Answers& a) {
        a.assets["NVBMobileConfig.json"] = R"({"global.privacy": "optedin"})";
    });
    Boot();
    EXPECT_EQ("optedout", LastState()->OptString("global.privacy", ""));
}

TEST_F(ConfigurationTest, UpdateBeforeAnyConfigurationPublishesTheOverridesAlone) {
    Hear(Request([](EventData& d) { d.PutVariantMap("config.update", {{"a", Variant::FromString("b")}}); }));
    EXPECT_EQ(Text(Expected({{"a", "b"}, {"global.privacy", "optunknown"}})), Text(LastState()));
    ConfigurationData persisted(CreateNativeJsonUtilityService());
    persisted.Put(Store()->GetString("config.overridden.map", ""));
    EXPECT_EQ(Text(Expected({{"a", "b"}})), Text(persisted.GetEventData()));
}

TEST_F(ConfigurationTest, EmptyUpdateRollsBack) {
    Hear(Request([](EventData& d) { d.PutVariantMap("config.update", {}); }));
    EXPECT_EQ(SHARED_STATE_PREV, LastState());
    EXPECT_TRUE(
        log_.Service().Contains("Configuration update data was either not provided in event or is empty."));
}

TEST_F(ConfigurationTest, UpdateIsReKeyedForTheCurrentEnvironment) {
    systemInfo_->Update([](FakeSystemInfoService::Answers& a) {
        a.assets["NVBMobileConfig.json"] =
            R"({"build.environment": "dev", "analytics.batchLimit": 10, "__dev__analytics.batchLimit": 3})";
    });
    Boot();
    Hear(Request([](EventData& d) {
        d.PutVariantMap("config.update", {{"analytics.batchLimit", Variant::FromDouble(60)}});
    }));
    EXPECT_EQ(60.0, LastState()->OptDouble("analytics.batchLimit", 0));
    ConfigurationData persisted(CreateNativeJsonUtilityService());
    persisted.Put(Store()->GetString("config.overridden.map", ""));
    auto expected = std::make_shared<EventData>();
    expected->PutDouble("__dev__analytics.batchLimit", 60);
    EXPECT_EQ(Text(expected), Text(persisted.GetEventData()));
}

TEST_F(ConfigurationTest, OverrideWinsOverEnvironmentKeysThatArriveLater) {
    Hear(Request([](EventData& d) {
        d.PutVariantMap("config.update", {{"global.privacy", Variant::FromString("optedout")}});
    }));
    files_->download = FixedRemoteFileManager::FileWith(
        R"({"build.environment": "prod", "__prod__global.privacy": "optedin"})");
    Hear(Request([](EventData& d) { d.PutString("config.appId", "app-1"); }));
    EXPECT_EQ("optedout", LastState()->OptString("global.privacy", ""));
}

TEST_F(ConfigurationTest, PublishedConfigurationResolvesTheEnvironment) {
    auto stored = std::make_shared<EventData>();
    stored->PutString("build.environment", "dev");
    stored->PutDouble("analytics.batchLimit", 10);
    stored->PutDouble("__dev__analytics.batchLimit", 3);
    stored->PutDouble("__prod__analytics.batchLimit", 50);
    stored->PutString("__dev__rules.url", "x");
    stored->PutString("global.privacy", "optunknown");
    const auto published = Configuration::GetEnvironmentAwareEventData(stored);
    auto expected = std::make_shared<EventData>();
    expected->PutString("build.environment", "dev");
    expected->PutDouble("analytics.batchLimit", 3);
    expected->PutString("global.privacy", "optunknown");
    EXPECT_EQ(Text(expected), Text(published));
    EXPECT_EQ(6u, stored->Size());
}

TEST_F(ConfigurationTest, CurrentConfigurationAnswerIsTheStoredOne) {
    systemInfo_->Update([](FakeSystemInfoService::Answers& a) {
        a.assets["NVBMobileConfig.json"] = R"({"build.environment": "dev", "__dev__k": "dev", "k": "plain"})";
    });
    Boot();
    const auto request = Request([](EventData& d) { d.PutBoolean("config.getData", true); });
    const size_t statesBefore = States().size();
    Hear(request);
    const auto responses = Dispatched("Configuration Response Event");
    ASSERT_FALSE(responses.empty());
    const auto answer = responses.back();
    EXPECT_EQ(request->GetResponsePairID(), answer->GetPairID());
    EXPECT_EQ(Text(Expected({{"__dev__k", "dev"}, {"build.environment", "dev"}, {"k", "plain"}})),
              Text(answer->GetData()));
    EXPECT_EQ(statesBefore, States().size());
}

TEST_F(ConfigurationTest, FilePathRequests) {
    struct Case {
        const char* label;
        std::function<void(EventData&)> fill;
        const char* logLine;
    };
    const Case cases[] = {
        {"no path", [](EventData& d) { d.PutString("config.filePath", ""); },
         "JSON file path was not found processing event - "},
        {"no file system service", [](EventData& d) { d.PutString("config.filePath", "/nowhere.json"); },
         "Failed to retrieve file system storage, platform services are not available."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Hear(Request(c.fill));
        EXPECT_TRUE(log_.Service().Contains(c.logLine));
    }
    // The task that failed rolls back too: readers waited for its version.
    const auto states = States();
    ASSERT_EQ(2u, states.size());
    EXPECT_EQ(SHARED_STATE_PREV, states[0].second);
    EXPECT_EQ(SHARED_STATE_PREV, states[1].second);
}

// A request that changes the configuration holds its version from the moment it is heard, so that an
// event dispatched after it waits for what it leaves instead of reading the configuration before it;
// every way its task ends fills that version.
TEST_F(ConfigurationTest, ChangingRequestsReserveTheirVersionWhenHeardAndEveryEndOfTheirTaskFillsIt) {
    struct Case {
        const char* label;
        std::function<void(EventData&)> fill;
        const char* published;  // the value of "a" published; null: rolled back
    };
    const Case cases[] = {
        {"update",
         [](EventData& d) {
             d.PutVariantMap("config.update", {{"a", Variant::FromString("b")}});
         },
         "b"},
        {"empty update", [](EventData& d) { d.PutVariantMap("config.update", {}); }, nullptr},
        {"update that is not a map", [](EventData& d) { d.PutString("config.update", "a=b"); }, nullptr},
        {"file path without path", [](EventData& d) { d.PutString("config.filePath", ""); }, nullptr},
        // The task throws: there is no file system service.
        {"file path that cannot be read",
         [](EventData& d) { d.PutString("config.filePath", "/nowhere.json"); }, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto request = Request(c.fill);
        hub_->DriveListeners(module_, request);
        ASSERT_FALSE(States().empty());
        EXPECT_EQ(request->GetEventNumber(), States().back().first);
        EXPECT_EQ(SHARED_STATE_PENDING, States().back().second);

        executor_->RunAll();
        const auto state = States().back();
        EXPECT_EQ(request->GetEventNumber(), state.first);
        if (c.published == nullptr) {
            EXPECT_EQ(SHARED_STATE_PREV, state.second);
        } else {
            ASSERT_NE(nullptr, state.second);
            EXPECT_EQ(c.published, state.second->OptString("a", ""));
        }
    }
    EXPECT_EQ(std::size(cases), States().size()) << "one version per request";
}

// Until a configuration is published, the events after an app-id request wait for the file it fetches; after,
// they read what stands while it is fetched. A request for the current configuration changes nothing.
TEST_F(ConfigurationTest, AppIdRequestsReserveTheirVersionOnlyUntilAConfigurationIsPublished) {
    const auto before = Request(AppId("app-1"));
    hub_->DriveListeners(module_, before);
    hub_->DriveListeners(module_, Request([](EventData& d) { d.PutBoolean("config.getData", true); }));
    ASSERT_EQ(1u, States().size());
    EXPECT_EQ(before->GetEventNumber(), States()[0].first);
    files_->download = FixedRemoteFileManager::FileWith(R"({"s": "fetched"})");
    executor_->RunAll();
    fetches_->RunAll();
    HearFetchedConfigurations();
    const size_t statesAfterThePublication = States().size();

    hub_->DriveListeners(module_, Request(AppId("app-2")));
    EXPECT_EQ(statesAfterThePublication, States().size());
}

// A fetch may wait as long as the device is offline or the server does not answer. A request heard
// meanwhile applies at once. An override stays over the fetched file, which lands in a version of its own
// after it, and its answer says what stands; a file asked for meanwhile stands over it, and the fetched
// text is not applied.
TEST_F(ConfigurationTest, RequestsHeardDuringAFetchApplyAtOnceAndALaterFileStandsOverTheFetchedOne) {
    struct Case {
        const char* label;
        std::function<void(EventData&)> request;
        std::map<std::string, std::string> atTheRequest;
        std::map<std::string, std::string> afterTheFetch;  // empty: the fetched text is not applied
    };
    const FileSystemTestFolder folder;
    folder.WriteFile("config.json", R"({"a": "file"})");
    const std::string path = folder.PathOf("config.json");
    const Case cases[] = {
        {"privacy",
         [](EventData& d) {
             d.PutVariantMap("config.update", {{"global.privacy", Variant::FromString("optedin")}});
         },
         {{"a", "packaged"}, {"global.privacy", "optedin"}},
         {{"a", "downloaded"}, {"global.privacy", "optedin"}}},
        {"file path", [&path](EventData& d) { d.PutString("config.filePath", path); },
         {{"a", "file"}, {"global.privacy", "optedin"}},
         {}},
    };
    services_->fileSystemService = CreateNativeFileSystemService();
    SetPackagedFile(R"({"a": "packaged"})");
    Boot();
    files_->download = FixedRemoteFileManager::FileWith(R"({"a": "downloaded", "global.privacy": "optedout"})");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        hub_->DriveListeners(module_, Request([](EventData& d) { d.PutString("config.appId", "app-1"); }));
        executor_->RunAll();
        ASSERT_EQ(1u, fetches_->PendingCount()) << "the fetch is under way";

        const auto request = Request(c.request);
        hub_->DriveListeners(module_, request);
        executor_->RunAll();
        ASSERT_EQ(request->GetEventNumber(), States().back().first);
        EXPECT_EQ(Text(Expected(c.atTheRequest)), Text(States().back().second));

        fetches_->RunAll();
        const size_t statesBefore = States().size();
        HearFetchedConfigurations();
        if (c.afterTheFetch.empty()) {
            EXPECT_EQ(statesBefore, States().size());
            continue;
        }
        const auto fetched = States().back();
        EXPECT_LT(request->GetEventNumber(), fetched.first);
        EXPECT_EQ(Text(Expected(c.afterTheFetch)), Text(fetched.second));
        EXPECT_EQ(Text(fetched.second), Text(Dispatched("Configuration Response Event").back()->GetData()));
    }
}

// Each base the app asks for (an app id, a file) stands over every base asked before it, whatever order the
// fetches end in; a file that cannot be read is no base. The saved app id that a lifecycle start fetches
// again counts as asked before the app's own calls, and requests for an app id whose file is being fetched
// share that fetch. A privacy choice made while nothing is published waits for the base that comes next, and
// the events after it read it over that base, and none made after them.
std::function<void(EventData&)> SavedAppIdAtALifecycleStart() {
    return [](EventData& d) {
        d.PutString("config.appId", "app-1");
        d.PutBoolean("config.isinternalevent", true);
    };
}

/** Stands for the request of the test's file, whose path the fixture makes. */
const std::function<void(EventData&)> kFile = nullptr;

std::function<void(EventData&)> MissingFile() {
    return [](EventData& d) { d.PutString("config.filePath", "/no/such/config.json"); };
}

std::function<void(EventData&)> Privacy(const std::string& status) {
    return [status](EventData& d) {
        d.PutVariantMap("config.update", {{"global.privacy", Variant::FromString(status)}});
    };
}

struct BaseOrderCase {
    const char* label;
    /** Heard in this order, each task run, before any fetch ends. */
    std::vector<std::function<void(EventData&)>> requests;
    /** What each fetch brings, in the order they run. */
    std::vector<std::string> fetched;
    /**
     * The "source" of each configuration published, in the order of their versions, with ":" and its privacy
     * unless unknown; one entry for consecutive versions that publish the same.
     */
    std::vector<std::string> published;
};

void PrintTo(const BaseOrderCase& c, std::ostream* out) { *out << c.label; }

class ConfigurationBaseOrderTest : public ConfigurationTest, public ::testing::WithParamInterface<BaseOrderCase> {
protected:
    std::function<void(EventData&)> File() {
        return [path = folder_.PathOf("config.json")](EventData& d) { d.PutString("config.filePath", path); };
    }

    std::vector<std::string> PublishedSources() const {
        std::vector<std::string> sources;
        for (const auto& state : States()) {
            if (state.second == SHARED_STATE_PREV || state.second == SHARED_STATE_PENDING || !state.second) {
                continue;
            }
            const std::string privacy = state.second->OptString("global.privacy", "");
            const std::string source =
                state.second->OptString("source", "") + (privacy == "optunknown" ? "" : ":" + privacy);
            if (sources.empty() || sources.back() != source) {
                sources.push_back(source);
            }
        }
        return sources;
    }

    FileSystemTestFolder folder_;
};

TEST_P(ConfigurationBaseOrderTest, TheLastBaseAskedStands) {
    services_->fileSystemService = CreateNativeFileSystemService();
    folder_.WriteFile("config.json", R"({"source": "file"})");
    Store()->SetString("config.appID", "app-1");
    for (const auto& fill : GetParam().requests) {
        hub_->DriveListeners(module_, Request(fill ? fill : File()));
        executor_->RunAll();
    }
    ASSERT_EQ(GetParam().fetched.size(), fetches_->PendingCount());
    for (const auto& text : GetParam().fetched) {
        files_->download = FixedRemoteFileManager::FileWith(R"({"source": ")" + text + R"("})");
        fetches_->RunNext();
    }
    HearFetchedConfigurations();
    EXPECT_EQ(GetParam().published, PublishedSources());
}

INSTANTIATE_TEST_SUITE_P(
    Bases, ConfigurationBaseOrderTest,
    ::testing::Values(
        BaseOrderCase{"AFileAfterAnAppId", {AppId("app-1"), kFile}, {"app-1"}, {"file"}},
        BaseOrderCase{"AnAppIdAfterAnAppId", {AppId("app-1"), AppId("app-2")}, {"app-1", "app-2"}, {"app-2"}},
        BaseOrderCase{
            "TheSameAppIdAgainSharesItsFetch", {AppId("app-1"), AppId("app-1")}, {"app-1"}, {"app-1"}},
        BaseOrderCase{"AnAppIdAfterAFile", {kFile, AppId("app-1")}, {"app-1"}, {"file", "app-1"}},
        BaseOrderCase{
            "AFileThatCannotBeReadAfterAnAppId", {AppId("app-1"), MissingFile()}, {"app-1"}, {"app-1"}},
        BaseOrderCase{"TheSavedAppIdAfterAFile", {kFile, SavedAppIdAtALifecycleStart()}, {}, {"file"}},
        BaseOrderCase{"TheSavedAppIdAfterTheAppAskedForItSharesItsFetch",
                      {AppId("app-1"), SavedAppIdAtALifecycleStart()},
                      {"app-1"},
                      {"app-1"}},
        BaseOrderCase{"AFileAfterAChoiceDuringTheFirstFetch",
                      {AppId("app-1"), Privacy("optedin"), kFile},
                      {"app-1"},
                      {"file", "file:optedin"}},
        BaseOrderCase{"TheSameAppIdAfterAChoiceDuringTheFirstFetch",
                      {AppId("app-1"), Privacy("optedin"), AppId("app-1")},
                      {"app-1"},
                      {"app-1", "app-1:optedin"}},
        BaseOrderCase{"AChoiceUndoneDuringTheFirstFetch",
                      {AppId("app-1"), Privacy("optedin"), Privacy("optedout"), Privacy("optunknown")},
                      {"app-1"},
                      {"app-1", "app-1:optedin", "app-1:optedout", "app-1"}},
        BaseOrderCase{"AChoiceBeforeTheFirstFetch",
                      {Privacy("optedin"), AppId("app-1")},
                      {"app-1"},
                      {":optedin", "app-1:optedin"}}),
    [](const ::testing::TestParamInfo<BaseOrderCase>& info) { return info.param.label; });

// With nothing published yet, a configuration made of an update alone names no server, and the events after
// it would be dropped for want of one. While the first app id's file is fetched, the versions of the request,
// of the boot and of the update after it are held: the events after them wait, and each reads the fetched
// file (or nothing, when the fetch brings nothing) with the overrides that stood at its own request over it.
struct FirstFetchCase {
    const char* label;
    bool savedAppIdAtBoot;
    const char* fetched;  // empty: the fetch brings nothing
    std::map<std::string, std::string> beforeTheUpdate;
    std::map<std::string, std::string> fromTheUpdate;
};

void PrintTo(const FirstFetchCase& c, std::ostream* out) { *out << c.label; }

class ConfigurationFirstFetchTest : public ConfigurationTest, public ::testing::WithParamInterface<FirstFetchCase> {};

TEST_P(ConfigurationFirstFetchTest, UpdatesMadeMeanwhileArePublishedWithWhatItBrings) {
    Store()->SetString("config.overridden.map", R"({"stored": "yes"})");
    files_->download = FixedRemoteFileManager::FileWith(GetParam().fetched);
    if (GetParam().savedAppIdAtBoot) {
        Store()->SetString("config.appID", "app-1");
        hub_->DriveListeners(module_, Build("EventHub", EventType::HUB, EventSource::BOOTED, [](EventData&) {}));
        ASSERT_EQ(1u, Dispatched("Configure with AppID Internal").size());
        hub_->DriveListeners(module_, Numbered(Dispatched("Configure with AppID Internal")[0]));
    } else {
        hub_->DriveListeners(module_, Request(AppId("app-1")));
    }
    executor_->RunAll();
    ASSERT_EQ(1u, fetches_->PendingCount());

    const auto update = Request([](EventData& d) {
        d.PutVariantMap("config.update", {{"global.privacy", Variant::FromString("optedin")}});
    });
    hub_->DriveListeners(module_, update);
    executor_->RunAll();
    for (const auto& state : States()) {
        EXPECT_EQ(SHARED_STATE_PENDING, state.second) << "version " << state.first << " waits for the fetch";
    }
    EXPECT_TRUE(Dispatched("Configuration Response Event").empty());

    fetches_->RunAll();
    HearFetchedConfigurations();
    for (const auto& [version, data] : States()) {
        const auto& expected =
            version < update->GetEventNumber() ? GetParam().beforeTheUpdate : GetParam().fromTheUpdate;
        EXPECT_EQ(Text(Expected(expected)), Text(data)) << "version " << version;
    }
    EXPECT_LT(update->GetEventNumber(), States().back().first);
    EXPECT_EQ(1u, Dispatched("Configuration Response Event").size());
}

constexpr const char* kFetchedOptedOut = R"({"s": "fetched", "global.privacy": "optedout"})";

INSTANTIATE_TEST_SUITE_P(
    FirstFetch, ConfigurationFirstFetchTest,
    ::testing::Values(FirstFetchCase{"AskedByTheApp",
                                     false,
                                     kFetchedOptedOut,
                                     {{"s", "fetched"}, {"global.privacy", "optedout"}, {"stored", "yes"}},
                                     {{"s", "fetched"}, {"global.privacy", "optedin"}, {"stored", "yes"}}},
                      FirstFetchCase{"AskedByTheAppNothingFetched",
                                     false,
                                     "",
                                     {{"global.privacy", "optunknown"}, {"stored", "yes"}},
                                     {{"global.privacy", "optedin"}, {"stored", "yes"}}},
                      FirstFetchCase{"SavedAtTheBoot",
                                     true,
                                     kFetchedOptedOut,
                                     {{"s", "fetched"}, {"global.privacy", "optedout"}, {"stored", "yes"}},
                                     {{"s", "fetched"}, {"global.privacy", "optedin"}, {"stored", "yes"}}},
                      FirstFetchCase{"SavedAtTheBootNothingFetched",
                                     true,
                                     "",
                                     {{"global.privacy", "optunknown"}, {"stored", "yes"}},
                                     {{"global.privacy", "optedin"}, {"stored", "yes"}}}),
    [](const ::testing::TestParamInfo<FirstFetchCase>& info) { return info.param.label; });

// The boot held the stored overrides for its fetch of the saved app id: a fetch refused before it starts
// publishes them, rather than leaving the events waiting.
TEST_F(ConfigurationTest, ABootFetchRefusedBeforeItStartsPublishesTheHeldOverrides) {
    Store()->SetString("config.appID", "app-1");
    Store()->SetString("config.overridden.map", R"({"stored": "yes"})");
    hub_->DriveListeners(module_, Build("EventHub", EventType::HUB, EventSource::BOOTED, [](EventData&) {}));
    ASSERT_EQ(1u, States().size());
    EXPECT_EQ(SHARED_STATE_PENDING, States()[0].second);
    Store()->SetString("config.appID", "app-2");
    hub_->DriveListeners(module_, Numbered(Dispatched("Configure with AppID Internal").at(0)));
    executor_->RunAll();
    EXPECT_EQ(0u, fetches_->PendingCount());
    EXPECT_EQ(Text(Expected({{"global.privacy", "optunknown"}, {"stored", "yes"}})), Text(LastState()));
}

// Once a configuration that names a server was published, an update applies at once, also while an app id's
// file is fetched.
TEST_F(ConfigurationTest, AnUpdateAfterAPublicationIsNotHeldByAFetch) {
    Hear(Request([](EventData& d) {
        d.PutVariantMap("config.update",
                        {{"s", Variant::FromString("first")},
                         {"analytics.server", Variant::FromString("collector.example.com")}});
    }));
    hub_->DriveListeners(module_, Request(AppId("app-1")));
    executor_->RunAll();
    ASSERT_EQ(1u, fetches_->PendingCount());
    const auto update =
        Request([](EventData& d) { d.PutVariantMap("config.update", {{"s", Variant::FromString("second")}}); });
    hub_->DriveListeners(module_, update);
    executor_->RunAll();
    EXPECT_EQ(update->GetEventNumber(), States().back().first);
    EXPECT_EQ(Text(Expected({{"s", "second"},
                             {"analytics.server", "collector.example.com"},
                             {"global.privacy", "optunknown"}})),
              Text(LastState()));
}

// The fetched text is a request of its own: its version is reserved when it is heard, so that an event after
// it waits for it instead of reading the configuration before it. A text fetched for a base that a later
// request replaced leaves what stands.
TEST_F(ConfigurationTest, TheFetchedTextReservesItsVersionWhenHeardAndAppliesUnlessALaterBaseReplacedIt) {
    files_->download = FixedRemoteFileManager::FileWith(R"({"s": "fetched"})");
    for (const bool replaced : {false, true}) {
        SCOPED_TRACE(replaced ? "replaced" : "standing");
        hub_->DriveListeners(module_, Request(AppId("app-1")));
        executor_->RunAll();
        fetches_->RunAll();
        if (replaced) {
            hub_->DriveListeners(module_, Request(AppId("app-2")));
        }
        const auto fetched = Numbered(Dispatched("Downloaded Configuration Internal").back());
        hub_->DriveListeners(module_, fetched);
        EXPECT_EQ(fetched->GetEventNumber(), States().back().first);
        EXPECT_EQ(SHARED_STATE_PENDING, States().back().second);
        executor_->RunAll();
        if (replaced) {
            EXPECT_EQ(SHARED_STATE_PREV, LastState());
        } else {
            EXPECT_EQ("fetched", LastState()->OptString("s", ""));
        }
    }
}

TEST_F(ConfigurationTest, AFetchedConfigurationDownloadsTheRulesItNames) {
    files_->download = FixedRemoteFileManager::FileWith(R"({"rules.url": "https://rules.example.com/r.zip"})");
    Hear(Request(AppId("app-1")));
    EXPECT_EQ("https://rules.example.com/r.zip", LastState()->OptString("rules.url", ""));
    EXPECT_EQ("https://rules.example.com/r.zip", Store()->GetString("config.last.rules.url", ""));
}

// Its task is dropped: nothing else would ever fill the version that readers wait for.
TEST_F(ConfigurationTest, AVersionStillReservedAtUnregistrationIsRolledBack) {
    const auto request = Request([](EventData& d) {
        d.PutVariantMap("config.update", {{"a", Variant::FromString("b")}});
    });
    hub_->DriveListeners(module_, request);
    module_->UnregisterModule();
    hub_->DriveIdle(module_);
    executor_->RunAll();
    const auto states = States();
    ASSERT_EQ(1u, states.size());
    EXPECT_EQ(request->GetEventNumber(), states[0].first);
    EXPECT_EQ(SHARED_STATE_PREV, states[0].second);
}

TEST_F(ConfigurationTest, IdentitiesRequestsWaitWhileAnOwnerIsPending) {
    hub_->SetSharedStateAnswer(SHARED_STATE_PENDING, true);
    const auto first = Build("GetSdkIdentities Event", EventType::CONFIGURATION,
                             EventSource::REQUEST_IDENTITY, [](EventData&) {});
    const auto second = Build("GetSdkIdentities Event", EventType::CONFIGURATION,
                              EventSource::REQUEST_IDENTITY, [](EventData&) {});
    Hear(first);
    Hear(second);
    EXPECT_TRUE(Dispatched("Configuration Response Identity Event").empty());

    hub_->SetSharedStateAnswer(std::make_shared<EventData>(), true);
    Hear(Build("STATE_CHANGE_EVENT", EventType::HUB, EventSource::SHARED_STATE,
               [](EventData& d) { d.PutString("stateowner", "com.nuvra.module.identity"); }));
    const auto answers = Dispatched("Configuration Response Identity Event");
    ASSERT_EQ(2u, answers.size());
    EXPECT_EQ(first->GetResponsePairID(), answers[0]->GetPairID());
    EXPECT_EQ(second->GetResponsePairID(), answers[1]->GetPairID());
}

// A disposal counts what it drops: identities requests never answered are among it.
TEST_F(ConfigurationTest, IdentitiesRequestsStillWaitingAtUnregistrationAreCountedAsDropped) {
    hub_->SetSharedStateAnswer(SHARED_STATE_PENDING, true);
    for (int request = 0; request < 2; ++request) {
        Hear(Build("GetSdkIdentities Event", EventType::CONFIGURATION, EventSource::REQUEST_IDENTITY,
                   [](EventData&) {}));
    }
    module_->UnregisterModule();
    hub_->DriveIdle(module_);
    executor_->RunAll();
    EXPECT_EQ(2, hub_->DroppedWaitingRequestsOf(module_));
}

TEST_F(ConfigurationTest, IdentitiesWithoutJsonServiceAreAnsweredEmpty) {
    services_->jsonUtilityService = nullptr;
    const auto request = Build("GetSdkIdentities Event", EventType::CONFIGURATION,
                               EventSource::REQUEST_IDENTITY, [](EventData&) {});
    Hear(request);
    const auto answers = Dispatched("Configuration Response Identity Event");
    ASSERT_EQ(1u, answers.size());
    EXPECT_EQ("", answers[0]->GetData()->OptString("config.allidentifiers", "missing"));
    EXPECT_TRUE(
        log_.Service().Contains("JSONUtility Service not available, unable to retrieve sdk identities"));
}

}  // namespace
}  // namespace NuvraMobile

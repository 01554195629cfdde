#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <vector>

#include "core/Core.h"
#include "core/execution/AppCalls.h"
#include "core/values/CoreConstants.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "externalModule/ExternalModule.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "support/CapturingLoggingService.h"
#include "support/ChildProcess.h"
#include "support/ConfigurationTestSupport.h"
#include "support/EventDataJson.h"
#include "support/FakeEventHub.h"
#include "support/FakeExtension.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"

namespace NuvraMobile {
namespace {

/** A hub that also keeps one-time listeners and answers Dispose as the test says. */
class CoreTestHub : public FakeEventHub {
public:
    void RegisterOneTimeListener(unsigned long, const std::shared_ptr<EventType>&,
                                 const std::shared_ptr<EventSource>&, const std::string& pairId,
                                 const EventCallback& callback) override {
        if (failListenerRegistration) {
            Throw(SdkError("general.unexpected", "no listeners today", DebugInfo()));
        }
        listeners[pairId] = callback;
    }
    using FakeEventHub::Dispose;
    bool Dispose(std::chrono::milliseconds timeout) override {
        disposeTimeouts.push_back(timeout);
        return disposeResult;
    }
    bool DroppedWorkAtDisposal() override { return droppedWork; }
    void RegisterModule(const std::shared_ptr<Module>& module) override { modules.push_back(module); }

    /** Hands `data` to the listener of the request as its paired response. */
    void Answer(const std::shared_ptr<Event>& request, const std::shared_ptr<EventData>& data) {
        const auto response =
            EventBuilder("response", EventType::CONFIGURATION, EventSource::RESPONSE_CONTENT)
                .SetPairID(request->GetResponsePairID())
                .SetData(data)
                .Build();
        listeners.at(request->GetResponsePairID())(response);
    }

    bool failListenerRegistration = false;
    bool disposeResult = true;
    bool droppedWork = false;
    std::vector<std::chrono::milliseconds> disposeTimeouts;
    std::map<std::string, EventCallback> listeners;
    std::vector<std::shared_ptr<Module>> modules;
};

/** Services with a logging and a system-information service only. */
struct CoreTestServices : FakePlatformServices {
    CoreTestServices() {
        loggingService = capturingLog;
        systemInfoService = fakeSystemInfo;
    }
    std::shared_ptr<CapturingLoggingService> capturingLog = std::make_shared<CapturingLoggingService>();
    std::shared_ptr<FakeSystemInfoService> fakeSystemInfo = std::make_shared<FakeSystemInfoService>();
};

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        Log::SetLogLevel(LoggingMode::Trace);
        core_ = Core::Create([this] { return services_; }, hub_);
    }
    void TearDown() override {
        core_.reset();
        Log::SetLogLevel(LoggingMode::Error);
    }

    // The old core goes first: disposing it clears the logging service that both share.
    void RecreateCore() {
        core_.reset();
        hub_ = std::make_shared<CoreTestHub>();
        core_ = Core::Create([this] { return services_; }, hub_);
    }

    std::shared_ptr<Event> OnlyDispatched() {
        const auto events = hub_->DispatchedEvents();
        EXPECT_EQ(1u, events.size());
        return events.empty() ? nullptr : events.front();
    }

    std::shared_ptr<CoreTestHub> hub_ = std::make_shared<CoreTestHub>();
    std::shared_ptr<CoreTestServices> services_ = std::make_shared<CoreTestServices>();
    std::shared_ptr<Core> core_;
};

using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

struct RequestCase {
    const char* label;
    std::function<void(Core&)> call;
    const char* name;
    const std::shared_ptr<EventType>& type;
    const std::shared_ptr<EventSource>& source;
    // The expected event data, rendered.
    std::function<std::shared_ptr<EventData>()> data;
    const char* traceLine;
};

std::shared_ptr<EventData> Data(const std::function<void(EventData&)>& fill) {
    auto data = std::make_shared<EventData>();
    fill(*data);
    return data;
}

const std::map<std::string, std::string> kContext = {{"k", "v"}};

TEST_F(CoreTest, EveryRequestDispatchesItsEvent) {
    const RequestCase cases[] = {
        {"ConfigureWithAppId", [](Core& c) { c.ConfigureWithAppId("app-1"); }, "Configure with AppId",
         EventType::CONFIGURATION, EventSource::REQUEST_CONTENT,
         [] { return Data([](EventData& d) { d.PutString("config.appId", "app-1"); }); }, nullptr},
        {"ConfigureWithFileInPath", [](Core& c) { c.ConfigureWithFileInPath("/tmp/c.json"); },
         "Configure with FilePath", EventType::CONFIGURATION, EventSource::REQUEST_CONTENT,
         [] { return Data([](EventData& d) { d.PutString("config.filePath", "/tmp/c.json"); }); }, nullptr},
        {"UpdateConfiguration",
         [](Core& c) {
             c.UpdateConfiguration({{"a", Variant::FromString("b")}});
         },
         "Configuration Update", EventType::CONFIGURATION, EventSource::REQUEST_CONTENT,
         [] {
             return Data([](EventData& d) {
                 d.PutVariantMap("config.update", {{"a", Variant::FromString("b")}});
             });
         },
         nullptr},
        {"UpdateConfiguration empty", [](Core& c) { c.UpdateConfiguration({}); }, "Configuration Update",
         EventType::CONFIGURATION, EventSource::REQUEST_CONTENT,
         [] { return Data([](EventData& d) { d.PutVariantMap("config.update", {}); }); }, nullptr},
        {"SetPrivacyStatus", [](Core& c) { c.SetPrivacyStatus(MobilePrivacyStatus::OPT_OUT); },
         "Configuration Update", EventType::CONFIGURATION, EventSource::REQUEST_CONTENT,
         [] {
             return Data([](EventData& d) {
                 d.PutVariantMap("config.update", {{"global.privacy", Variant::FromString("optedout")}});
             });
         },
         nullptr},
        {"GetPrivacyStatus", [](Core& c) { c.GetPrivacyStatus([](MobilePrivacyStatus) {}); },
         "PrivacyStatusRequest", EventType::CONFIGURATION, EventSource::REQUEST_CONTENT,
         [] { return Data([](EventData& d) { d.PutBoolean("config.getData", true); }); }, nullptr},
        {"GetSDKIdentities", [](Core& c) { c.GetSDKIdentities([](const std::string&) {}); },
         "GetSdkIdentities Event", EventType::CONFIGURATION, EventSource::REQUEST_IDENTITY,
         [] { return Data([](EventData&) {}); }, nullptr},
        {"CollectPii", [](Core& c) { c.CollectPii(kContext); }, "CollectPii", EventType::GENERIC_PII,
         EventSource::REQUEST_CONTENT,
         [] { return Data([](EventData& d) { d.PutStringMap("contextdata", kContext); }); },
         "GENERIC_PII request event was dispatched: CollectPii"},
        {"LifecycleStart", [](Core& c) { c.LifecycleStart({}); }, "LifecycleResume",
         EventType::GENERIC_LIFECYCLE, EventSource::REQUEST_CONTENT,
         [] {
             return Data([](EventData& d) {
                 d.PutString("action", "start");
                 d.PutStringMap("additionalcontextdata", {});
             });
         },
         "GENERIC_LIFECYCLE request event was dispatched: LifecycleResume"},
        {"LifecyclePause", [](Core& c) { c.LifecyclePause(); }, "LifecyclePause",
         EventType::GENERIC_LIFECYCLE, EventSource::REQUEST_CONTENT,
         [] { return Data([](EventData& d) { d.PutString("action", "pause"); }); },
         "GENERIC_LIFECYCLE request event was dispatched: LifecyclePause"},
        {"SetAdvertisingIdentifier", [](Core& c) { c.SetAdvertisingIdentifier(""); },
         "SetAdvertisingIdentifier", EventType::GENERIC_IDENTITY, EventSource::REQUEST_CONTENT,
         [] { return Data([](EventData& d) { d.PutString("advertisingidentifier", ""); }); },
         "GENERIC_IDENTITY request event was dispatched: SetAdvertisingIdentifier"},
        {"SetPushIdentifier", [](Core& c) { c.SetPushIdentifier("push"); }, "SetPushIdentifier",
         EventType::GENERIC_IDENTITY, EventSource::REQUEST_CONTENT,
         [] { return Data([](EventData& d) { d.PutString("pushidentifier", "push"); }); },
         "GENERIC_IDENTITY request event was dispatched: SetPushIdentifier"},
        {"Track", [](Core& c) { c.Track(Data([](EventData& d) { d.PutString("action", "buy"); })); },
         "AnalyticsTrack", EventType::GENERIC_TRACK, EventSource::REQUEST_CONTENT,
         [] { return Data([](EventData& d) { d.PutString("action", "buy"); }); },
         "GENERIC_TRACK request event was dispatched: AnalyticsTrack"},
        {"CollectData",
         [](Core& c) {
             c.CollectData({{"x", Variant::FromInteger(1)}});
         },
         "CollectData", EventType::GENERIC_DATA, EventSource::OS,
         [] { return Data([](EventData& d) { d.PutInteger("x", 1); }); },
         "GENERIC_DATA request event was dispatched: CollectData"},
        {"DownloadRules", [](Core& c) { c.DownloadRules(); }, "Refresh Rules", EventType::RULES_ENGINE,
         EventSource::REQUEST_CONTENT,
         [] { return Data([](EventData& d) { d.PutBoolean("downloadrules", true); }); }, nullptr},
    };
    for (const auto& request : cases) {
        SCOPED_TRACE(request.label);
        RecreateCore();
        services_->capturingLog->Clear();
        request.call(*core_);
        const auto event = OnlyDispatched();
        ASSERT_NE(nullptr, event);
        EXPECT_EQ(request.name, event->GetName());
        EXPECT_EQ(request.type, event->GetEventType());
        EXPECT_EQ(request.source, event->GetEventSource());
        EXPECT_EQ("", event->GetPairID());
        EXPECT_EQ(JsonText(request.data()), JsonText(event->GetData()));
        if (request.traceLine != nullptr) {
            EXPECT_TRUE(services_->capturingLog->Contains(request.traceLine));
        }
    }
}

TEST_F(CoreTest, RefusedRequestsDispatchNothing) {
    struct Refusal {
        const char* label;
        std::function<void(Core&)> call;
        const char* logLine;  // null: silently
    };
    const Refusal cases[] = {
        {"empty app id", [](Core& c) { c.ConfigureWithAppId(""); },
         "ConfigureWithAppId unable to configure with empty app_id."},
        {"empty file path", [](Core& c) { c.ConfigureWithFileInPath(""); },
         "ConfigureWithFilePath unable to configure with empty file_path."},
        {"empty pii", [](Core& c) { c.CollectPii({}); }, "Could not trigger PII, the data is empty"},
        {"empty collect data", [](Core& c) { c.CollectData({}); },
         "CollectData - data was empty, no event was dispatched"},
        {"null track", [](Core& c) { c.Track(nullptr); }, nullptr},
        {"empty track", [](Core& c) { c.Track(std::make_shared<EventData>()); }, nullptr},
        {"privacy without callback", [](Core& c) { c.GetPrivacyStatus(nullptr); }, nullptr},
        {"identities without callback", [](Core& c) { c.GetSDKIdentities(nullptr); }, nullptr},
    };
    for (const auto& refusal : cases) {
        SCOPED_TRACE(refusal.label);
        services_->capturingLog->Clear();
        refusal.call(*core_);
        EXPECT_TRUE(hub_->DispatchedEvents().empty());
        if (refusal.logLine != nullptr) {
            EXPECT_TRUE(services_->capturingLog->Contains(refusal.logLine));
        } else {
            EXPECT_TRUE(services_->capturingLog->GetLines().empty());
        }
    }
}

TEST_F(CoreTest, TrackSendsACopyOfTheCallersData) {
    auto data = std::make_shared<EventData>();
    data->PutString("action", "buy");
    core_->Track(data);
    data->PutString("action", "changed later");
    EXPECT_EQ("buy", OnlyDispatched()->GetData()->OptString("action", ""));
}

TEST_F(CoreTest, PrivacyAnswerIsThePublishedStatus) {
    struct Answer {
        const char* label;
        std::function<void(EventData&)> response;
        MobilePrivacyStatus expected;
    };
    const Answer cases[] = {
        {"no privacy key", [](EventData&) {}, MobilePrivacyStatus::UNKNOWN},
        {"opted in", [](EventData& d) { d.PutString("global.privacy", "optedin"); },
         MobilePrivacyStatus::OPT_IN},
        {"not a status", [](EventData& d) { d.PutString("global.privacy", "maybe"); },
         MobilePrivacyStatus::UNKNOWN},
        {"environment key wins",
         [](EventData& d) {
             d.PutString("build.environment", "dev");
             d.PutString("global.privacy", "optedin");
             d.PutString("__dev__global.privacy", "optedout");
         },
         MobilePrivacyStatus::OPT_OUT},
    };
    for (const auto& answer : cases) {
        SCOPED_TRACE(answer.label);
        RecreateCore();
        std::vector<MobilePrivacyStatus> received;
        core_->GetPrivacyStatus([&](MobilePrivacyStatus status) { received.push_back(status); });
        hub_->Answer(OnlyDispatched(), Data(answer.response));
        EXPECT_EQ(std::vector<MobilePrivacyStatus>{answer.expected}, received);
    }
}

TEST_F(CoreTest, IdentitiesAnswerWithoutReportIsEmptyText) {
    std::vector<std::string> received;
    core_->GetSDKIdentities([&](const std::string& text) { received.push_back(text); });
    hub_->Answer(OnlyDispatched(), std::make_shared<EventData>());
    EXPECT_EQ(std::vector<std::string>{""}, received);
}

TEST_F(CoreTest, FailedListenerRegistrationAnswersAtOnceAndStillDispatches) {
    hub_->failListenerRegistration = true;
    std::vector<MobilePrivacyStatus> privacy;
    std::vector<std::string> identities;
    core_->GetPrivacyStatus([&](MobilePrivacyStatus status) { privacy.push_back(status); });
    core_->GetSDKIdentities([&](const std::string& text) { identities.push_back(text); });
    EXPECT_EQ(std::vector<MobilePrivacyStatus>{MobilePrivacyStatus::UNKNOWN}, privacy);
    EXPECT_EQ(std::vector<std::string>{""}, identities);
    EXPECT_EQ(2u, hub_->DispatchedEvents().size());
    EXPECT_TRUE(services_->capturingLog->Contains(
        "Privacy Status Request - Failed to register the RESPONSE_CONTENT listener (no listeners today)"));
}

TEST_F(CoreTest, CreateRefusesMissingFactoryOrServices) {
    struct Refusal {
        const char* label;
        Core::PlatformServicesFactory factory;
        const char* message;
    };
    const Refusal cases[] = {
        {"no factory", nullptr, "Failed to initialize core, PlatformServices factory function was null"},
        {"no services", [] { return std::shared_ptr<PlatformServicesInterface>(); },
         "Failed to initialize core, PlatformServices was null"},
    };
    for (const auto& refusal : cases) {
        SCOPED_TRACE(refusal.label);
        try {
            Core::Create(refusal.factory, hub_);
            ADD_FAILURE() << "no error";
        } catch (const SdkError& error) {
            EXPECT_EQ("std.logic_error.invalid_argument", error.GetCode());
            EXPECT_EQ(refusal.message, error.GetMessage());
        }
    }
}

TEST_F(CoreTest, CreateInstallsTheServicesAndAdoptsTheGivenHub) {
    EXPECT_EQ(services_->capturingLog, Log::GetLoggingService());
    EXPECT_EQ(services_->fakeSystemInfo, SystemInfoServiceInterface::GetCurrentService());
    EXPECT_EQ(hub_, core_->GetEventHub());
}

TEST_F(CoreTest, StartReachesTheHubOncePerProcess) {
    core_->Start([] {});
    EXPECT_FALSE(services_->capturingLog->Contains("Can't execute Core start action more than once."));
    bool called = false;
    core_->Start([&] { called = true; });
    const auto other = Core::Create([this] { return services_; }, std::make_shared<CoreTestHub>());
    other->Start([&] { called = true; });
    EXPECT_FALSE(called);
    const auto messages = services_->capturingLog->GetMessages();
    EXPECT_EQ(
        2, std::count(messages.begin(), messages.end(), "Can't execute Core start action more than once."));
}

TEST_F(CoreTest, DisposeFailingHubKeepsServicesInstalled) {
    hub_->disposeResult = false;
    EXPECT_FALSE(core_->Dispose(std::chrono::milliseconds(0)));
    EXPECT_EQ(std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(0)}, hub_->disposeTimeouts);
    EXPECT_EQ(services_->capturingLog, Log::GetLoggingService());
    EXPECT_EQ(0, services_->disposals);
    hub_->disposeResult = true;
}

/** One Dispose of the core: what its hub answers, and what the core must answer. */
struct DisposeCall {
    bool hubDisposed;
    bool droppedWork;
    bool answer;
};

struct DisposeAnswersCase {
    const char* label;
    std::vector<DisposeCall> calls;
};

// The core says false once for what its disposal left undone: a caller that retries until true ends as soon
// as the disposal has, and one told false for the time learns what was dropped from the hub's line.
TEST_F(CoreTest, DisposeSaysFalseOnceForWhatItsDisposalLeft) {
    const DisposeAnswersCase cases[] = {
        {"nothing dropped", {{true, false, true}, {true, false, true}}},
        {"dropped work found by the call that ends the disposal",
         {{true, true, false}, {true, true, true}, {true, true, true}}},
        {"the time ran out, then the disposal ended with work dropped",
         {{false, false, false}, {true, true, true}, {true, true, true}}},
        {"the time ran out, then the disposal ended with nothing dropped",
         {{false, false, false}, {true, false, true}}},
        {"a disposal not yet ended answers false each time",
         {{false, false, false}, {false, false, false}, {true, true, true}}},
    };
    for (const auto& disposal : cases) {
        RecreateCore();
        std::vector<bool> expected;
        std::vector<bool> answers;
        for (const auto& call : disposal.calls) {
            hub_->disposeResult = call.hubDisposed;
            hub_->droppedWork = call.droppedWork;
            expected.push_back(call.answer);
            answers.push_back(core_->Dispose(std::chrono::milliseconds(0)));
        }
        EXPECT_EQ(expected, answers) << disposal.label;
    }
}

TEST_F(CoreTest, DisposeClearsOwnProcessWideServicesThenDisposesServices) {
    EXPECT_TRUE(core_->Dispose());
    EXPECT_EQ(Core::DEFAULT_DISPOSE_TIMEOUT, hub_->disposeTimeouts.front());
    EXPECT_EQ(nullptr, Log::GetLoggingService());
    EXPECT_EQ(nullptr, SystemInfoServiceInterface::GetCurrentService());
    EXPECT_EQ(1, services_->disposals);
}

TEST_F(CoreTest, DisposeLeavesServicesInstalledBySomeoneElse) {
    auto other = std::make_shared<CapturingLoggingService>();
    Log::SetLoggingService(other);
    EXPECT_TRUE(core_->Dispose());
    EXPECT_EQ(other, Log::GetLoggingService());
    Log::SetLoggingService(nullptr);
}

TEST_F(CoreTest, ExtensionDispatchCopiesAndPairs) {
    const auto request = EventBuilder("request", EventType::CUSTOM, EventSource::REQUEST_CONTENT).Build();
    const auto response = EventBuilder("response", EventType::CUSTOM, EventSource::RESPONSE_CONTENT).Build();
    std::vector<std::string> heard;
    core_->DispatchEvent(request, nullptr);
    core_->DispatchEventWithResponseCallback(
        request, [&](const std::shared_ptr<Event>& event) { heard.push_back(event->GetName()); }, nullptr);
    core_->DispatchResponseEvent(response, request, nullptr);
    const auto events = hub_->DispatchedEvents();
    ASSERT_EQ(3u, events.size());
    EXPECT_NE(request, events[0]);
    EXPECT_EQ(request->GetResponsePairID(), events[1]->GetResponsePairID());
    EXPECT_EQ(request->GetResponsePairID(), events[2]->GetPairID());
    hub_->listeners.at(request->GetResponsePairID())(events[2]);
    EXPECT_EQ(std::vector<std::string>{"response"}, heard);
}

TEST_F(CoreTest, ExtensionDispatchErrorsReachTheErrorCallback) {
    const auto event = EventBuilder("e", EventType::CUSTOM, EventSource::REQUEST_CONTENT).Build();
    struct Failure {
        const char* label;
        std::function<void(Core&, const Core::ErrorCallback&)> call;
        const char* code;
    };
    const Failure cases[] = {
        {"null event", [](Core& c, const Core::ErrorCallback& e) { c.DispatchEvent(nullptr, e); },
         "external_module.event_was_null"},
        {"null request",
         [&](Core& c, const Core::ErrorCallback& e) { c.DispatchResponseEvent(event, nullptr, e); },
         "external_module.event_was_null"},
        {"no response callback",
         [&](Core& c, const Core::ErrorCallback& e) {
             c.DispatchEventWithResponseCallback(event, nullptr, e);
         },
         "external_module.unexpected"},
    };
    for (const auto& failure : cases) {
        SCOPED_TRACE(failure.label);
        std::vector<std::string> codes;
        failure.call(*core_, [&](const SdkError& error) { codes.push_back(error.GetCode()); });
        EXPECT_EQ(std::vector<std::string>{failure.code}, codes);
    }
    EXPECT_TRUE(hub_->DispatchedEvents().empty());
    EXPECT_TRUE(services_->capturingLog->Contains("Failed to dispatch event: Event was null"));
}

TEST_F(CoreTest, ExternalModuleRegistrationWrapsTheExtensionAndRefusesNull) {
    const auto extension =
        std::make_shared<FakeExtension>("com.test.extension", std::make_shared<ExtensionJournal>());
    std::vector<std::string> codes;
    const Core::ErrorCallback collect = [&](const SdkError& error) { codes.push_back(error.GetCode()); };
    core_->RegisterExternalModule(extension, collect);
    core_->RegisterExternalModule(nullptr, collect);
    ASSERT_EQ(1u, hub_->modules.size());
    EXPECT_NE(nullptr, std::dynamic_pointer_cast<ExternalModule>(hub_->modules[0]));
    EXPECT_EQ("com.test.extension", hub_->modules[0]->GetModuleName());
    EXPECT_EQ(std::vector<std::string>{"general.invalid_argument"}, codes);
}


// The write end of the pipe on which the exiting child below says whether the SDK could still call it.
int exitReportDescriptor = -1;

void ReportWhetherTheAppIsCalledAtExit() {
    const bool called = AppCalls::Run("the exit probe", [] {});
    const char report = called ? 'c' : 'd';
    (void)!write(exitReportDescriptor, &report, 1);
}

// An app that calls the core directly has no exit handling of the Objective-C layer: once it exits, the
// exit handlers and statics it had before it made its core may be torn down, so no answer reaches its code.
TEST(CoreExitTest, AnAppThatMadeACoreIsNotCalledOnceItExits) {
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    int descriptors[2];
    ASSERT_EQ(0, pipe(descriptors));
    const pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        close(descriptors[0]);
        exitReportDescriptor = descriptors[1];
        std::atexit(ReportWhetherTheAppIsCalledAtExit);
        const auto services = std::make_shared<CoreTestServices>();
        const auto core = Core::Create([services] { return services; }, std::make_shared<CoreTestHub>());
        std::exit(0);
    }
    close(descriptors[1]);
    char report = '?';
    EXPECT_EQ(1, read(descriptors[0], &report, 1));
    close(descriptors[0]);
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ('d', report) << "the SDK could still call the app after it began to exit";
}

}  // namespace
}  // namespace NuvraMobile

// The personalisation module on a fake hub with its tasks run by hand: event routing, identity and
// session rules, and the delivery roads over a scripted network.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "pivora/Pivora.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraSerializers.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "services/crypto/NativeCryptoService.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeEventHub.h"
#include "support/FakeHttpConnection.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/ManualTaskExecutor.h"
#include "support/ScriptedNetworkService.h"
#include "support/VariantShorthands.h"
#include "util/TimeUtils.h"

namespace NuvraMobile {
namespace {

using nlohmann::json;
using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

/** The module with its identity and session operations open to the test. */
class OpenPivora : public Pivora {
public:
    using Pivora::GetEdgeHost;
    using Pivora::GetSessionId;
    using Pivora::IsSessionExpired;
    using Pivora::PrepareForPivoraRequest;
    using Pivora::QtxIdValuesAreEqual;
    using Pivora::RetrieveConfigurationSharedEventState;
    using Pivora::SetEdgeHost;
    using Pivora::SetQtxId;
    using Pivora::SetThirdPartyIdInternal;
};

/** The module with its listener-facing operations recorded instead of queued. */
class RoutingPivora : public Pivora {
public:
    std::vector<std::string> calls;

    void LoadRequests(const Requests& requests, const std::shared_ptr<PivoraParameters>&,
                      const std::shared_ptr<Event>&) override {
        calls.push_back("LoadRequests " + std::to_string(requests.size()));
    }
    void HandleMboxPrefetch(const Prefetches&, const std::shared_ptr<PivoraParameters>&,
                            const std::shared_ptr<Event>&) override {
        calls.push_back("HandleMboxPrefetch");
    }
    void HandleViewPrefetch(const std::shared_ptr<Event>&) override { calls.push_back("HandleViewPrefetch"); }
    void HandleLocationsDisplayed(const std::vector<std::shared_ptr<Variant>>&, const std::shared_ptr<PivoraParameters>&,
                                  const std::shared_ptr<Event>&) override {
        calls.push_back("HandleLocationsDisplayed");
    }
    void HandleLocationClicked(const std::string& name, const std::shared_ptr<PivoraParameters>&,
                               const std::shared_ptr<Event>&) override {
        calls.push_back("HandleLocationClicked " + name);
    }
    void HandleViewNotifications(const std::shared_ptr<Event>&, const std::vector<std::shared_ptr<Variant>>&,
                                 const std::string& token) override {
        calls.push_back("HandleViewNotifications " + token);
    }
    void ProcessIdentityRequest(const std::string&) override { calls.push_back("ProcessIdentityRequest"); }
    void HandleConfigurationResponse(const std::shared_ptr<Event>&) override {
        calls.push_back("HandleConfigurationResponse");
    }
    void ResetIdentity(int32_t, const std::string&) override { calls.push_back("ResetIdentity"); }
    void SetThirdPartyId(int32_t, const std::string& id) override { calls.push_back("SetThirdPartyId " + id); }
    void ClearPrefetchCache() override { calls.push_back("ClearPrefetchCache"); }
    void SetPreviewRestartDeepLink(const std::string& link) override { calls.push_back("SetPreviewRestartDeepLink " + link); }
    void ProcessPreviewDeepLink(const std::shared_ptr<Event>&, const std::string& link) override {
        calls.push_back("ProcessPreviewDeepLink " + link);
    }
};

std::shared_ptr<Variant> Flag(bool value) { return Variant::FromBoolean(value); }

std::shared_ptr<Event> MakeEvent(const std::shared_ptr<EventType>& type, const std::shared_ptr<EventSource>& source,
                                 VariantMap data) {
    return EventBuilder("test", type, source).SetData(std::make_shared<EventData>(data)).Build();
}

TEST(PivoraRoutingTest, ListenersCallExactlyOneOperationByTheFirstKeyThatApplies) {
    const auto request = PivoraFromTypedObject(std::make_shared<PivoraRequest>("r", "d", nullptr, nullptr));
    const auto prefetch = PivoraFromTypedObject(std::make_shared<PivoraPrefetch>("p", nullptr));
    const auto content = [](VariantMap data) { return MakeEvent(EventType::PIVORA, EventSource::REQUEST_CONTENT, data); };
    struct Case {
        const char* name;
        std::shared_ptr<Event> event;
        std::vector<std::string> calls;
        std::string logged;
    };
    const Case cases[] = {
        {"request and prefetch", content({{"request", Variant::FromVariantVector({request})}, {"prefetch", Variant::FromVariantVector({prefetch})}}),
         {"LoadRequests 1"}, ""},
        {"an empty request list still loads", content({{"request", Variant::FromVariantVector({})}}), {"LoadRequests 0"}, ""},
        {"unreadable requests fall through to the prefetch",
         content({{"request", Variant::FromVariantVector({Text("x")})}, {"prefetch", Variant::FromVariantVector({prefetch})}}),
         {"HandleMboxPrefetch"}, ""},
        {"prefetch and views", content({{"prefetch", Variant::FromVariantVector({prefetch})}, {"shouldprefetchviews", Flag(true)}}),
         {"HandleMboxPrefetch"}, ""},
        {"views", content({{"shouldprefetchviews", Flag(true)}}), {"HandleViewPrefetch"}, ""},
        {"displayed without names", content({{"islocationdisplayed", Flag(true)}}), {}, "mboxes list is empty"},
        {"displayed", content({{"islocationdisplayed", Flag(true)}, {"mboxnames", Variant::FromStringVector({"a"})}}),
         {"HandleLocationsDisplayed"}, ""},
        {"clicked without a name", content({{"islocationclicked", Flag(true)}}), {"HandleLocationClicked "}, ""},
        {"empty view notifications give way to the restart link",
         content({{"viewnotifications", Variant::FromVariantVector({})}, {"restartdeeplink", Text("app://restart")}}),
         {"SetPreviewRestartDeepLink app://restart"}, ""},
        {"view notifications", content({{"viewnotifications", Variant::FromStringVector({"n"})}, {"propertytoken", Text("t")}}),
         {"HandleViewNotifications t"}, ""},
        {"nothing that applies", content({{"other", Text("x")}}), {}, ""},
        {"third party id", MakeEvent(EventType::PIVORA, EventSource::REQUEST_IDENTITY, {{"thirdpartyid", Text("")}}),
         {"SetThirdPartyId "}, ""},
        {"third party id as a number is an identity request",
         MakeEvent(EventType::PIVORA, EventSource::REQUEST_IDENTITY, {{"thirdpartyid", Variant::FromInteger(4)}}),
         {"ProcessIdentityRequest"}, ""},
        {"reset and clear", MakeEvent(EventType::PIVORA, EventSource::REQUEST_RESET, {{"clearcache", Flag(true)}, {"resetexperience", Flag(true)}}),
         {"ResetIdentity", "ClearPrefetchCache"}, ""},
        {"empty deep link", MakeEvent(EventType::GENERIC_DATA, EventSource::OS, {{"deeplink", Text("")}}), {}, ""},
        {"deep link", MakeEvent(EventType::GENERIC_DATA, EventSource::OS, {{"deeplink", Text("app://x")}}),
         {"ProcessPreviewDeepLink app://x"}, ""},
        {"configuration without data", MakeEvent(EventType::CONFIGURATION, EventSource::RESPONSE_CONTENT, {}), {},
         "Configuration Event Data is null. Ignoring event"},
        {"configuration", MakeEvent(EventType::CONFIGURATION, EventSource::RESPONSE_CONTENT, {{"a", Text("b")}}),
         {"HandleConfigurationResponse"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedCapturingLog log;
        const auto hub = std::make_shared<FakeEventHub>();
        const auto module = std::make_shared<RoutingPivora>();
        hub->Register(module, std::make_shared<ManualTaskExecutor>(), std::make_shared<FakePlatformServices>());
        hub->DriveListeners(module, c.event);
        EXPECT_EQ(c.calls, module->calls);
        if (!c.logged.empty()) {
            EXPECT_TRUE(log.Service().Contains(c.logged));
        }
    }
}

/** A registered module over fake services, a scripted network and a configuration the test sets. */
class PivoraModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_->jsonUtilityService = CreateNativeJsonUtilityService();
        services_->localStorageService = storage_;
        services_->systemInfoService = std::make_shared<FakeSystemInfoService>();
        services_->cryptoService = CreateNativeCryptoService();
        services_->networkService = network_;
        hub_->Register(module_, executor_, services_);
        hub_->DriveIdle(module_);
        Configure({});
    }

    void Configure(VariantMap changes) {
        VariantMap configuration{{"pivora.clientCode", Text("acme")}, {"global.privacy", Text("optedin")}};
        for (auto& [key, value] : changes) {
            configuration[key] = value;
        }
        configuration_ = std::make_shared<EventData>(configuration);
        hub_->SetSharedStateAnswer(configuration_, true);
    }

    /** Reads the configuration as a request would, which also sets the privacy status the module knows. */
    std::string Prepare() {
        return module_->PrepareForPivoraRequest(module_->RetrieveConfigurationSharedEventState(MakeEvent(EventType::PIVORA, EventSource::REQUEST_CONTENT, {})));
    }

    std::shared_ptr<DataStoreInterface> Store() { return storage_->GetDataStore("NUVRAMOBILE_PIVORA"); }

    std::vector<std::shared_ptr<Event>> Dispatched(const std::string& name) {
        std::vector<std::shared_ptr<Event>> events;
        for (const auto& event : hub_->DispatchedEvents()) {
            if (event->GetName() == name) {
                events.push_back(event);
            }
        }
        return events;
    }

    void Answer(const std::string& body, int status = 200) {
        network_->Then(std::make_shared<FakeHttpConnection>(status, body));
    }

    /** The body of the request at `index`, as JSON. */
    json SentBody(size_t index) const { return json::parse(network_->Requests().at(index).payload); }

    void Prefetch(const std::vector<std::string>& names, const std::string& answer) {
        Pivora::Prefetches prefetches;
        for (const auto& name : names) {
            prefetches.push_back(std::make_shared<PivoraPrefetch>(name, nullptr));
        }
        Answer(answer);
        module_->HandleMboxPrefetch(prefetches, nullptr, MakeEvent(EventType::PIVORA, EventSource::REQUEST_CONTENT, {}));
        executor_->RunAll();
    }

    ScopedAppFolders folders_;
    std::shared_ptr<LocalStorageServiceInterface> storage_ = CreateNativeLocalStorageService();
    std::shared_ptr<FakeEventHub> hub_ = std::make_shared<FakeEventHub>();
    std::shared_ptr<ManualTaskExecutor> executor_ = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<FakePlatformServices> services_ = std::make_shared<FakePlatformServices>();
    std::shared_ptr<ScriptedNetworkService> network_ = std::make_shared<ScriptedNetworkService>();
    std::shared_ptr<OpenPivora> module_ = std::make_shared<OpenPivora>();
    std::shared_ptr<EventData> configuration_;
};

TEST_F(PivoraModuleTest, QtxIdsCompareBeforeTheirFirstDot) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"ab.1", "ab.2", true}, {"ab.1", "abc.1", false}, {"ab", "ab.7", true}, {"", "", true}, {"ab", "", false}};
    for (const auto& [first, second, equal] : cases) {
        SCOPED_TRACE(std::string(first) + " / " + second);
        EXPECT_EQ(equal, OpenPivora::QtxIdValuesAreEqual(first, second));
    }
    ASSERT_EQ("", Prepare());
    module_->SetQtxId("abc.1");
    module_->SetQtxId("abc.2");
    EXPECT_EQ("abc.1", Store()->GetString("QTX_ID", ""));
    module_->SetQtxId("");
    EXPECT_FALSE(Store()->Contains("QTX_ID"));
}

TEST_F(PivoraModuleTest, OptedOutRefusesNewIdsButStillClears) {
    ASSERT_EQ("", Prepare());
    module_->SetQtxId("q.1");
    module_->SetThirdPartyIdInternal("t");
    Configure({{"global.privacy", Text("optedout")}});
    ScopedCapturingLog log;
    EXPECT_EQ("Privacy status is opted out", Prepare());
    module_->SetQtxId("q2.1");
    module_->SetThirdPartyIdInternal("t2");
    EXPECT_EQ("q.1", Store()->GetString("QTX_ID", ""));
    EXPECT_EQ("t", Store()->GetString("THIRD_PARTY_ID", ""));
    EXPECT_TRUE(log.Service().Contains("Cannot update Pivora identifier due to privacy status."));
    EXPECT_TRUE(log.Service().Contains("Cannot update Pivora third party identifier due to privacy status."));
    module_->SetQtxId("");
    module_->SetThirdPartyIdInternal("");
    EXPECT_FALSE(Store()->Contains("QTX_ID"));
    EXPECT_FALSE(Store()->Contains("THIRD_PARTY_ID"));
}

TEST_F(PivoraModuleTest, PreconditionsInOrder) {
    struct Case {
        const char* name;
        VariantMap changes;
        std::string error;
    };
    const Case cases[] = {
        {"no privacy key", {{"global.privacy", Text("")}}, "Privacy status is opted out"},
        {"privacy unknown", {{"global.privacy", Text("optunknown")}}, "Privacy status is opted out"},
        {"no client code", {{"pivora.clientCode", Text("")}}, "Missing client code"},
        {"good", {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Configure(c.changes);
        EXPECT_EQ(c.error, Prepare());
    }
    hub_->SetSharedStateAnswer(nullptr, false);
    OpenPivora fresh;
    EXPECT_EQ("Missing shared configuration state", fresh.PrepareForPivoraRequest(nullptr));
}

TEST_F(PivoraModuleTest, SessionExpiryAndTimeouts) {
    struct Case {
        const char* name;
        VariantMap changes;
        int64_t age;  // seconds since the stored session timestamp; -1: none stored
        bool expired;
    };
    const int64_t now = TimeUtils::GetUnixTimeInSeconds();
    const Case cases[] = {
        {"no timestamp", {}, -1, false},
        {"within the default timeout", {}, 1700, false},
        {"beyond the default timeout", {}, 1900, true},
        {"a negative timeout acts as the default", {{"pivora.sessionTimeout", Variant::FromInteger(-5)}}, 1000, false},
        {"a short timeout", {{"pivora.sessionTimeout", Variant::FromInteger(60)}}, 61, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Configure(c.changes);
        ASSERT_EQ("", Prepare());
        if (c.age < 0) {
            Store()->Remove("SESSION_TIMESTAMP");
        } else {
            Store()->SetLong("SESSION_TIMESTAMP", now - c.age);
        }
        EXPECT_EQ(c.expired, module_->IsSessionExpired());
    }
    Store()->SetLong("SESSION_TIMESTAMP", 0);
    EXPECT_FALSE(module_->IsSessionExpired());
}

TEST_F(PivoraModuleTest, ANewClientCodeDropsTheEdgeHost) {
    ASSERT_EQ("", Prepare());
    module_->SetEdgeHost("edge.example");
    ASSERT_EQ("", Prepare());
    EXPECT_EQ("edge.example", module_->GetEdgeHost());
    Configure({{"pivora.clientCode", Text("other")}});
    ASSERT_EQ("", Prepare());
    EXPECT_EQ("", module_->GetEdgeHost());
    EXPECT_FALSE(Store()->Contains("EDGE_HOST"));
}

TEST_F(PivoraModuleTest, DeliveryTimeoutComesFromTheConfigurationWithItsDefaultAndCap) {
    const std::pair<std::shared_ptr<Variant>, std::int64_t> cases[] = {
        {nullptr, 5},
        {Variant::FromInteger(7), 7},
        {Variant::FromInteger(0), 5},
        {Variant::FromInteger(-3), 5},
        {Variant::FromInteger(60), 60},
        {Variant::FromInteger(61), 60},
        {Variant::FromInteger(2147483647), 60}};
    for (const auto& [timeout, expected] : cases) {
        Configure(timeout ? VariantMap{{"pivora.timeout", timeout}} : VariantMap{});
        Prefetch({"a"}, "");
        ASSERT_FALSE(network_->Requests().empty());
        EXPECT_EQ(expected, network_->Requests().back().connectTimeout);
        EXPECT_EQ(expected, network_->Requests().back().readTimeout);
    }
}

constexpr const char* kPrefetchAnswer = R"({"prefetch": {"mboxes": [
    {"name": "a", "options": [{"type": "html", "content": "A", "eventToken": "ta"}], "analytics": {"payload": {"pe": "tnt"}}},
    {"name": "b", "options": [{"type": "html", "content": "B", "eventToken": "tb"}]}]}})";

TEST_F(PivoraModuleTest, DisplayRoadStopsAtTheFirstNameItCannotReport) {
    Prefetch({"a", "b"}, kPrefetchAnswer);
    ASSERT_EQ(1u, Dispatched("Pivora Response Content").size());
    module_->HandleLocationsDisplayed({Text("a"), Text("x"), Text("b")}, nullptr,
                                      MakeEvent(EventType::PIVORA, EventSource::REQUEST_CONTENT, {}));
    executor_->RunAll();
    EXPECT_EQ(1u, network_->Requests().size());
    EXPECT_EQ(1u, Dispatched("Analytics Request Content").size());

    // The notification for "a" leaves with the next request of any kind.
    Answer(R"({"execute": {"mboxes": [{"name": "c", "options": [{"type": "html", "content": "C"}]}]}})");
    module_->LoadRequests({std::make_shared<PivoraRequest>("c", "d", nullptr, nullptr)}, nullptr,
                          MakeEvent(EventType::PIVORA, EventSource::REQUEST_CONTENT, {}));
    executor_->RunAll();
    ASSERT_EQ(2u, network_->Requests().size());
    ASSERT_EQ(1u, SentBody(1)["notifications"].size());
    EXPECT_EQ("a", SentBody(1)["notifications"][0]["mbox"]["name"]);
}

TEST_F(PivoraModuleTest, OldApiLoadFromTheCacheReportsItsDisplayInTheSameLoad) {
    Prefetch({"a"}, kPrefetchAnswer);
    const auto compat = std::make_shared<PivoraParameters>(std::map<std::string, std::string>{
        {"__oldPivoraSdkApiCompatParam__", "__oldPivoraSdkApiCompatParam__"}});
    Answer("{}");
    module_->LoadRequests({std::make_shared<PivoraRequest>("a", "d", nullptr, nullptr)}, compat,
                          MakeEvent(EventType::PIVORA, EventSource::REQUEST_CONTENT, {}));
    executor_->RunAll();
    const auto contents = Dispatched("Pivora Response Content");
    ASSERT_EQ(2u, contents.size());
    EXPECT_EQ("A", contents[1]->GetData()->OptString("content", ""));
    EXPECT_EQ(1u, Dispatched("Analytics Request Content").size());
    ASSERT_EQ(2u, network_->Requests().size());
    EXPECT_FALSE(SentBody(1).contains("execute"));
    EXPECT_EQ("display", SentBody(1)["notifications"][0]["type"]);
}

TEST_F(PivoraModuleTest, PendingNotificationsAreCapped) {
    Prefetch({"a"}, kPrefetchAnswer);
    Configure({{"global.privacy", Text("optunknown")}});
    ScopedCapturingLog log(LoggingMode::Warning);
    std::vector<std::shared_ptr<Variant>> names(1001, Text("a"));
    module_->HandleLocationsDisplayed(names, nullptr, MakeEvent(EventType::PIVORA, EventSource::REQUEST_CONTENT, {}));
    executor_->RunAll();
    EXPECT_TRUE(log.Service().Contains("dropping the oldest one"));

    Configure({});
    module_->LoadRequests({std::make_shared<PivoraRequest>("c", "d", nullptr, nullptr)}, nullptr,
                          MakeEvent(EventType::PIVORA, EventSource::REQUEST_CONTENT, {}));
    executor_->RunAll();
    ASSERT_EQ(2u, network_->Requests().size());
    EXPECT_EQ(1000u, SentBody(1)["notifications"].size());
}

TEST_F(PivoraModuleTest, PrefetchMergesAndPrunesTheLoadedCache) {
    Prefetch({"a", "b"}, kPrefetchAnswer);
    Prefetch({"b", "c"}, R"({"prefetch": {"mboxes": [
        {"name": "b", "options": [{"type": "html", "content": "B2"}]}, {"name": "c", "options": [{"type": "html", "content": "C"}]}]}})");
    module_->LoadRequests({std::make_shared<PivoraRequest>("a", "d", nullptr, nullptr),
                           std::make_shared<PivoraRequest>("b", "d", nullptr, nullptr),
                           std::make_shared<PivoraRequest>("c", "d", nullptr, nullptr)},
                          nullptr, MakeEvent(EventType::PIVORA, EventSource::REQUEST_CONTENT, {}));
    executor_->RunAll();
    std::vector<std::string> contents;
    for (const auto& event : Dispatched("Pivora Response Content")) {
        contents.push_back(event->GetData()->OptString("content", "<result>"));
    }
    EXPECT_EQ((std::vector<std::string>{"<result>", "<result>", "A", "B2", "C"}), contents);
    EXPECT_EQ(2u, network_->Requests().size());
}

TEST_F(PivoraModuleTest, PrefetchErrors) {
    struct Case {
        const char* name;
        const char* body;  // null: no connection
        int status;
        std::string error;
    };
    const Case cases[] = {
        {"no connection", nullptr, 0, "Unable to open connection"},
        {"status 500", R"({"message": "x"})", 500, "Null response Json"},
        {"server message", R"({"message": "Notification failed"})", 200,
         "Errors returned in Pivora response: Notification failed"},
        {"no mboxes", R"({"prefetch": {"mboxes": []}, "id": {"qtxId": "q.9"}})", 200,
         "No prefetch mbox content in Pivora response"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.body) {
            Answer(c.body, c.status);
        }
        const size_t before = Dispatched("Pivora Response Content").size();
        module_->HandleMboxPrefetch({std::make_shared<PivoraPrefetch>("a", nullptr)}, nullptr,
                                    MakeEvent(EventType::PIVORA, EventSource::REQUEST_CONTENT, {}));
        executor_->RunAll();
        const auto answers = Dispatched("Pivora Response Content");
        ASSERT_EQ(before + 1, answers.size());
        EXPECT_EQ(c.error, answers.back()->GetData()->OptString("prefetcherror", ""));
        EXPECT_FALSE(answers.back()->GetData()->OptBoolean("prefetchresult", true));
    }
    // The answer without mboxes still stored its qtx id.
    EXPECT_EQ("q.9", Store()->GetString("QTX_ID", ""));
}

}  // namespace
}  // namespace NuvraMobile

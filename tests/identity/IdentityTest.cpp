// The Identity module on a fake hub: the test plays the hub's listener pass, runs the module's tasks on
// its own thread, sets the configuration the module sees and the clock it reads.

#include <gtest/gtest.h>

#include <array>
#include <regex>
#include <cstdint>
#include <string>
#include <vector>

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "identity/ConfigurationSharedStateIdentity.h"
#include "identity/Identity.h"
#include "identity/IdentityConstants.h"
#include "identity/IdentityObject.h"
#include "identity/IdentityTestSupport.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/ManualTaskExecutor.h"

namespace NuvraMobile {
namespace {

using StringMap = std::map<std::string, std::string>;

constexpr std::int64_t kNow = 1700000000;
constexpr const char* kStore = "visitorIDServiceDataStore";

class IdentityTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_->localStorageService = storage_;
        services_->jsonUtilityService = CreateNativeJsonUtilityService();
        services_->cryptoService = crypto_;
        services_->networkService = network_;
        hub_->Register(module_, executor_, services_);
        hub_->DriveIdle(module_);  // completes the registration of the dispatchers
        SetConfiguration({{"skyloom.org", "ORG"}, {"global.privacy", "optedin"}, {"skyloom.server", "id.example"}});
    }

    void TearDown() override { executor_->Dispose(); }

    void SetConfiguration(const StringMap& configuration) {
        hub_->SetSharedStateAnswer(std::make_shared<EventData>(configuration), true);
    }

    std::shared_ptr<DataStoreInterface> Store() { return storage_->GetDataStore(kStore); }

    std::shared_ptr<Event> Build(const std::string& name, const std::shared_ptr<EventType>& type,
                                 const std::shared_ptr<EventSource>& source, const std::shared_ptr<EventData>& data) {
        return EventBuilder(name, type, source).SetData(data).SetEventNumber(nextNumber_++).Build();
    }

    std::shared_ptr<Event> Request(const std::shared_ptr<EventData>& data) {
        return Build("request", EventType::IDENTITY, EventSource::REQUEST_IDENTITY, data);
    }

    static std::shared_ptr<EventData> SyncData(const StringMap& ids) {
        auto data = std::make_shared<EventData>();
        data->PutBoolean("issyncevent", true);
        data->PutStringMap("visitoridentifiers", ids);
        return data;
    }

    static std::shared_ptr<EventData> AppendData(const std::string& url) {
        auto data = std::make_shared<EventData>();
        data->PutString("baseurl", url);
        return data;
    }

    void Hear(const std::shared_ptr<Event>& event) {
        hub_->DriveListeners(module_, event);
        executor_->RunAll();
    }

    std::vector<std::shared_ptr<Event>> Dispatched(const std::string& name) const {
        std::vector<std::shared_ptr<Event>> found;
        for (const auto& event : hub_->DispatchedEvents()) {
            if (event->GetName() == name) {
                found.push_back(event);
            }
        }
        return found;
    }

    ScopedAppFolders folders_;
    std::int64_t now_ = kNow;
    std::shared_ptr<FakeEventHub> hub_ = std::make_shared<FakeEventHub>();
    std::shared_ptr<ManualTaskExecutor> executor_ = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<FakePlatformServices> services_ = std::make_shared<FakePlatformServices>();
    std::shared_ptr<LocalStorageServiceInterface> storage_ = CreateNativeLocalStorageService();
    std::shared_ptr<FixedUuidCryptoService> crypto_ = std::make_shared<FixedUuidCryptoService>();
    std::shared_ptr<ScriptedNetworkService> network_ = std::make_shared<ScriptedNetworkService>();
    std::shared_ptr<Identity> module_ = std::make_shared<Identity>([this] { return now_; });
    int32_t nextNumber_ = 1;
};

TEST_F(IdentityTest, VisitorIdIsTheMagnitudeOfEachHalfPaddedToNineteenDigits) {
    struct Case {
        const char* name;
        std::array<std::uint8_t, 16> bytes;
        const char* mid;
    };
    const Case cases[] = {
        {"bytes 00..0F", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
         "00002836869523061830579005069656919567"},
        {"negative halves", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE},
         "00000000000000000010000000000000000002"},
        {"most negative half", {0x80, 0, 0, 0, 0, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         "92233720368547758089223372036854775807"},
    };
    for (const auto& c : cases) {
        crypto_->bytes = c.bytes;
        EXPECT_EQ(c.mid, module_->GenerateMID()) << c.name;
    }
}

TEST_F(IdentityTest, VisitorIdIsEmptyWithoutACryptoService) {
    services_->cryptoService = nullptr;
    EXPECT_EQ("", module_->GenerateMID());
}

TEST_F(IdentityTest, SyncDecisionFollowsNewsForceAndTheTimeToLive) {
    struct Case {
        const char* name;
        bool midStored;
        std::int64_t secondsSinceLastAnswer;
        bool force;
        StringMap identifiers;
        StringMap dpids;
        StringMap configuration;
        bool expected;
    };
    const StringMap canSync = {{"skyloom.org", "ORG"}, {"global.privacy", "optedin"}};
    const StringMap noOrg = {{"global.privacy", "optedin"}};
    const StringMap optedOut = {{"skyloom.org", "ORG"}, {"global.privacy", "optedout"}};
    const Case cases[] = {
        {"nothing new inside the ttl", true, 100, false, {}, {}, canSync, false},
        {"exactly the ttl is not expired", true, 600, false, {}, {}, canSync, false},
        {"one second past the ttl", true, 601, false, {}, {}, canSync, true},
        {"forced", true, 0, true, {}, {}, canSync, true},
        {"a customer id", true, 0, false, {{"crm", "1"}}, {}, canSync, true},
        {"a push token", true, 0, false, {}, {{"20920", "tok"}}, canSync, true},
        {"no visitor id yet", false, 0, false, {}, {}, canSync, true},
        {"no organisation", false, 0, true, {}, {}, noOrg, false},
        {"opted out", true, 0, true, {}, {}, optedOut, false},
    };
    for (const auto& c : cases) {
        Store()->RemoveAll();
        if (c.midStored) {
            Store()->SetString("NUVRAMOBILE_PERSISTED_MID", "12345");
        }
        Store()->SetLong("NUVRAMOBILE_VISITORID_SYNC", kNow - c.secondsSinceLastAnswer);
        module_->LoadVariablesFromPersistentData();
        const auto view = std::make_shared<ConfigurationSharedStateIdentity>(std::make_shared<EventData>(c.configuration));
        EXPECT_EQ(c.expected, module_->ShouldSync(c.identifiers, c.dpids, c.force, view)) << c.name;
        // A visitor id exists from the first attempt on, also when nothing may be sent.
        EXPECT_FALSE(module_->PackageEventData()->OptString("mid", "").empty()) << c.name;
    }
}

TEST_F(IdentityTest, StoredIdListLoadsGoodEntriesAndSkipsDamagedOnes) {
    struct Expected {
        std::string type;
        std::string id;
        VisitorIdAuthenticationState state;
    };
    struct Case {
        const char* name;
        std::string text;
        std::vector<Expected> ids;
    };
    const auto authenticated = VisitorIdAuthenticationState::AUTHENTICATED;
    const auto unknown = VisitorIdAuthenticationState::UNKNOWN;
    const Case cases[] = {
        {"two plain ids", "&d_cid_ic=email%01abc%011&d_cid_ic=crm%0142%010",
         {{"email", "abc", authenticated}, {"crm", "42", unknown}}},
        {"an empty id", "&d_cid_ic=type%01%010", {{"type", "", unknown}}},
        {"encoded pieces are decoded", "&d_cid_ic=crm%01a%2526b%2501c%012", {{"crm", "a%26b%01c", VisitorIdAuthenticationState::LOGGED_OUT}}},
        {"raw %01 inside the id", "&d_cid_ic=crm%01a%01b%011&d_cid_ic=ok%01x%011", {{"ok", "x", authenticated}}},
        {"no equals sign", "&d_cid_ic%01a%011&d_cid_ic=ok%01x%011", {{"ok", "x", authenticated}}},
        {"empty name or value", "&=crm%01a%011&d_cid_ic=", {}},
        {"state is not a number", "&d_cid_ic=crm%01a%01one", {}},
        {"type cleans to empty", "&d_cid_ic=%25%25%01a%011", {}},
        {"empty text", "", {}},
    };
    for (const auto& c : cases) {
        const auto ids = module_->ConvertVisitorIDsStringToVisitorIdObjects(c.text);
        ASSERT_EQ(c.ids.size(), ids.size()) << c.name;
        for (size_t index = 0; index < ids.size(); ++index) {
            EXPECT_EQ("d_cid_ic", ids[index]->GetIdOrigin()) << c.name;
            EXPECT_EQ(c.ids[index].type, ids[index]->GetIdType()) << c.name;
            EXPECT_EQ(c.ids[index].id, ids[index]->GetId()) << c.name;
            EXPECT_EQ(c.ids[index].state, ids[index]->GetAuthenticationState()) << c.name;
        }
    }
}

TEST_F(IdentityTest, StoredIdListKeepsIdsHoldingDelimitersAndPlainIdsAsWritten) {
    const Identity::CustomerIds ids = {
        std::make_shared<VisitorId>("d_cid_ic", "email", "abc", VisitorIdAuthenticationState::AUTHENTICATED),
        std::make_shared<VisitorId>("d_cid_ic", "crm", "a&b%01c d", VisitorIdAuthenticationState::LOGGED_OUT)};
    const auto text = module_->ConvertVisitorIdObjectsVisitorIDsString(ids);
    EXPECT_EQ(0u, text.find("&d_cid_ic=email%01abc%011&d_cid_ic=crm%01")) << text;
    const auto loaded = module_->ConvertVisitorIDsStringToVisitorIdObjects(text);
    ASSERT_EQ(2u, loaded.size());
    EXPECT_EQ("a&b%01c d", loaded[1]->GetId());
    EXPECT_EQ(VisitorIdAuthenticationState::LOGGED_OUT, loaded[1]->GetAuthenticationState());
}

TEST_F(IdentityTest, SyncUrlEncodesCustomerIdsAndServerValues) {
    Store()->SetString("NUVRAMOBILE_PERSISTED_MID", "123");
    Store()->SetString("NUVRAMOBILE_PERSISTED_MID_BLOB", "b x&y");
    Store()->SetString("NUVRAMOBILE_PERSISTED_MID_HINT", "9");
    module_->LoadVariablesFromPersistentData();
    const auto view = std::make_shared<ConfigurationSharedStateIdentity>(
        std::make_shared<EventData>(StringMap{{"skyloom.org", "ORG"}, {"skyloom.server", "ID.Example"}}));
    const Identity::CustomerIds ids = {
        std::make_shared<VisitorId>("d_cid_ic", "email", "a b", VisitorIdAuthenticationState::AUTHENTICATED)};
    EXPECT_EQ(
        "https://id.example/id?d_rtbd=json&d_ver=2&d_orgid=ORG&d_mid=123&d_blob=b%20x%26y&dcs_region=9"
        "&d_cid_ic=email%01a%20b%011&d_cid=20920%01t%20k",
        module_->BuildUrlString(ids, {{"20920", "t k"}}, view));
}

TEST_F(IdentityTest, UrlPayloadCarriesTheIdsThatAreSet) {
    struct Case {
        const char* name;
        std::string mid;
        std::string org;
        std::shared_ptr<EventData> analytics;
        const char* payload;
    };
    auto aidAndVid = std::make_shared<EventData>(StringMap{{"aid", "A1"}, {"vid", "v 1"}});
    auto emptyVid = std::make_shared<EventData>(StringMap{{"aid", "A1"}, {"vid", ""}});
    auto numericAid = std::make_shared<EventData>();
    numericAid->PutInteger("aid", 7);
    const Case cases[] = {
        {"everything", "M", "O", aidAndVid, "nuvra_sl=TS%3D<ts>%7CSLMID%3DM%7CSLAID%3DA1%7CSLORGID%3DO&nuvra_ze_vid=v%201"},
        {"no analytics state", "M", "O", nullptr, "nuvra_sl=TS%3D<ts>%7CSLMID%3DM%7CSLORGID%3DO"},
        {"empty vid", "M", "O", emptyVid, "nuvra_sl=TS%3D<ts>%7CSLMID%3DM%7CSLAID%3DA1%7CSLORGID%3DO"},
        {"aid that is not a string", "M", "O", numericAid, "nuvra_sl=TS%3D<ts>%7CSLMID%3DM%7CSLORGID%3DO"},
        {"no mid and no organisation", "", "", nullptr, "nuvra_sl=TS%3D<ts>"},
    };
    for (const auto& c : cases) {
        Store()->RemoveAll();
        if (!c.mid.empty()) {
            Store()->SetString("NUVRAMOBILE_PERSISTED_MID", c.mid);
        }
        module_->LoadVariablesFromPersistentData();
        const auto view = std::make_shared<ConfigurationSharedStateIdentity>(
            std::make_shared<EventData>(StringMap{{"skyloom.org", c.org}}));
        const auto payload = module_->GenerateVisitorIdPayload(view, c.analytics);
        EXPECT_EQ(c.payload, std::regex_replace(payload, std::regex("TS%3D[0-9]{13}"), "TS%3D<ts>")) << c.name;
    }
}

TEST_F(IdentityTest, AnswerAppliesBlobHintAndTtlPersistsAndAnswersTwice) {
    Store()->SetString("NUVRAMOBILE_PERSISTED_MID", "123");
    module_->LoadVariablesFromPersistentData();
    auto answer = std::make_shared<IdentityObject>();
    answer->SetMid("999");
    answer->SetBlob("blob");
    answer->SetHint("9");
    answer->SetTtl(30);
    module_->QueueNetworkResponse(answer, "pair-1", 4);
    executor_->RunAll();

    EXPECT_EQ("123", Store()->GetString("NUVRAMOBILE_PERSISTED_MID", ""));  // the answer's mid is not adopted
    EXPECT_EQ("blob", Store()->GetString("NUVRAMOBILE_PERSISTED_MID_BLOB", ""));
    EXPECT_EQ("9", Store()->GetString("NUVRAMOBILE_PERSISTED_MID_HINT", ""));
    EXPECT_EQ(30, Store()->GetLong("NUVRAMOBILE_VISITORID_TTL", 0));
    EXPECT_EQ(kNow, Store()->GetLong("NUVRAMOBILE_VISITORID_SYNC", 0));
    const auto answers = Dispatched("UPDATED_IDENTITY_RESPONSE");
    ASSERT_EQ(2u, answers.size());
    EXPECT_EQ("", answers[0]->GetPairID());
    EXPECT_EQ("pair-1", answers[1]->GetPairID());
    EXPECT_EQ("blob", answers[1]->GetData()->OptString("blob", ""));
}

TEST_F(IdentityTest, GlobalOptOutAnswerAsksConfigurationForOptOut) {
    auto answer = std::make_shared<IdentityObject>();
    answer->SetMid("1");
    answer->SetBlob("kept");
    answer->SetOptOut({"global"});
    module_->NetworkResponseLoaded(answer, "", -1);
    const auto updates = Dispatched("Configuration Update From Identity Module");
    ASSERT_EQ(1u, updates.size());
    std::map<std::string, std::string> update;
    ASSERT_TRUE(updates[0]->GetData()->GetStringMap("config.update", update));
    EXPECT_EQ((StringMap{{"global.privacy", "optedout"}}), update);
    EXPECT_EQ("kept", module_->PackageEventData()->OptString("blob", ""));
}

TEST_F(IdentityTest, RequestsWaitForTheConfigurationAndAreAnsweredInArrivalOrder) {
    hub_->SetSharedStateAnswer(nullptr, false);
    const auto first = Request(std::make_shared<EventData>());
    const auto second = Request(std::make_shared<EventData>());
    Hear(first);
    Hear(second);
    EXPECT_TRUE(Dispatched("IDENTITY_RESPONSE_CONTENT_ONE_TIME").empty());

    SetConfiguration({{"global.privacy", "optedin"}});
    module_->TryProcessEventQueue();
    executor_->RunAll();
    const auto answers = Dispatched("IDENTITY_RESPONSE_CONTENT_ONE_TIME");
    ASSERT_EQ(2u, answers.size());
    EXPECT_EQ(first->GetResponsePairID(), answers[0]->GetPairID());
    EXPECT_EQ(second->GetResponsePairID(), answers[1]->GetPairID());
}

TEST_F(IdentityTest, OptOutClearsIdentifiersAnswersWaitingRequestsAndSendsThePixel) {
    Store()->SetString("NUVRAMOBILE_PERSISTED_MID", "123");
    Store()->SetBoolean("NUVRAMOBILE_AID_SYNCED", true);
    Store()->SetString("NUVRAMOBILE_ADVERTISING_IDENTIFIER", "ad-1");
    module_->LoadVariablesFromPersistentData();
    // No configuration yet: a sync, an identifier request and an append-URL request wait.
    hub_->SetSharedStateAnswer(nullptr, false);
    Hear(Request(SyncData({{"crm", "1"}})));
    const auto identifiers = Request(std::make_shared<EventData>());
    Hear(identifiers);
    const auto appendRequest = Request(AppendData("app://p"));
    Hear(appendRequest);

    SetConfiguration({{"global.privacy", "optedout"}, {"skyloom.org", "ORG"}, {"skyloom.server", "id.example"}});
    Hear(Build("config", EventType::CONFIGURATION, EventSource::RESPONSE_CONTENT,
               std::make_shared<EventData>(StringMap{{"global.privacy", "optedout"}})));

    ASSERT_EQ(1u, network_->Requests().size());
    EXPECT_EQ("https://id.example/qzoptout.jpg?d_mid=123&d_orgid=ORG", network_->Requests()[0].url);
    EXPECT_FALSE(Store()->Contains("NUVRAMOBILE_PERSISTED_MID"));
    EXPECT_FALSE(Store()->Contains("NUVRAMOBILE_AID_SYNCED"));
    EXPECT_FALSE(Store()->Contains("NUVRAMOBILE_ADVERTISING_IDENTIFIER"));
    std::shared_ptr<EventData> published;
    for (const auto& call : hub_->Calls()) {
        if (call.operation.find("SharedState") != std::string::npos && call.data) {
            published = call.data;
        }
    }
    ASSERT_NE(nullptr, published);
    EXPECT_FALSE(published->ContainsKey("advertisingidentifier"));
    EXPECT_FALSE(published->ContainsKey("mid"));
    const auto cleared = Dispatched("IDENTITY_RESPONSE");
    ASSERT_EQ(2u, cleared.size());  // the sync and the identifier request
    EXPECT_EQ(identifiers->GetResponsePairID(), cleared[1]->GetPairID());
    EXPECT_EQ(1u, cleared[1]->GetData()->Size());  // "lastsync" alone
    // The append-URL request stays and is answered when the queue is worked again.
    const auto appended = Dispatched("IDENTITY_APPENDED_URL");
    ASSERT_EQ(1u, appended.size());
    EXPECT_EQ(appendRequest->GetResponsePairID(), appended[0]->GetPairID());
}

// Back from an opt-out the visitor needs an identifier again: opting in syncs at once. A configuration
// that leaves privacy as it was changes nothing.
TEST_F(IdentityTest, OptingInAfterAnOptOutSyncsAndAnUnchangedPrivacyDoesNothing) {
    Store()->SetString("NUVRAMOBILE_PERSISTED_MID", "123");
    module_->LoadVariablesFromPersistentData();
    const auto configure = [this](const char* privacy) {
        const StringMap configuration = {
            {"global.privacy", privacy}, {"skyloom.org", "ORG"}, {"skyloom.server", "id.example"}};
        SetConfiguration(configuration);
        Hear(Build("config", EventType::CONFIGURATION, EventSource::RESPONSE_CONTENT,
                   std::make_shared<EventData>(configuration)));
    };
    const auto stateCount = [this] {
        size_t count = 0;
        for (const auto& call : hub_->Calls()) {
            count += call.operation.find("SharedState") != std::string::npos && call.data;
        }
        return count;
    };
    configure("optedout");
    EXPECT_EQ("", module_->PackageEventData()->OptString("mid", ""));
    const size_t statesAfterOptOut = stateCount();
    configure("optedout");
    EXPECT_EQ(statesAfterOptOut, stateCount());

    configure("optedin");
    EXPECT_NE("", module_->PackageEventData()->OptString("mid", ""));
}

// The answer of the audience module says whether it sent the opt-out hit; when it did not, and the user
// is opted out, the identity module sends its own.
TEST_F(IdentityTest, AnAudienceAnswerWithoutItsOptOutHitSendsThePixel) {
    Store()->SetString("NUVRAMOBILE_PERSISTED_MID", "123");
    module_->LoadVariablesFromPersistentData();
    SetConfiguration(
        {{"global.privacy", "optedout"}, {"skyloom.org", "ORG"}, {"skyloom.server", "id.example"}});
    const auto audienceAnswer = [this](bool hitSent) {
        auto data = std::make_shared<EventData>();
        data->PutBoolean("optedouthitsent", hitSent);
        Hear(Build("audience", EventType::COHORTIX, EventSource::RESPONSE_CONTENT, data));
    };
    audienceAnswer(true);
    EXPECT_TRUE(network_->Requests().empty());
    audienceAnswer(false);
    ASSERT_EQ(1u, network_->Requests().size());
    EXPECT_EQ("https://id.example/qzoptout.jpg?d_mid=123&d_orgid=ORG", network_->Requests()[0].url);
}

// Only a new configuration can release requests waiting for one: other modules' states leave them.
TEST_F(IdentityTest, OnlyTheConfigurationsSharedStateWakesWaitingRequests) {
    hub_->SetSharedStateAnswer(nullptr, false);
    Hear(Request(std::make_shared<EventData>()));
    SetConfiguration(
        {{"global.privacy", "optedin"}, {"skyloom.org", "ORG"}, {"skyloom.server", "id.example"}});
    const auto stateChange = [this](const char* owner) {
        Hear(Build("STATE_CHANGE_EVENT", EventType::HUB, EventSource::SHARED_STATE,
                   std::make_shared<EventData>(StringMap{{"stateowner", owner}})));
    };
    stateChange("com.nuvra.module.lifecycle");
    EXPECT_TRUE(Dispatched("IDENTITY_RESPONSE_CONTENT_ONE_TIME").empty());
    stateChange("com.nuvra.module.configuration");
    EXPECT_EQ(1u, Dispatched("IDENTITY_RESPONSE_CONTENT_ONE_TIME").size());
}

TEST_F(IdentityTest, RequestsBehindASyncWaitingForAnOrganisationAreAnsweredAtOnce) {
    SetConfiguration({{"global.privacy", "optedin"}});
    Hear(Request(SyncData({{"crm", "1"}})));
    Hear(Request(AppendData("app://p?x=1")));
    auto variables = std::make_shared<EventData>();
    variables->PutBoolean("urlvariables", true);
    Hear(Request(variables));
    Hear(Request(std::make_shared<EventData>()));
    Hear(Request(SyncData({{"crm", "2"}})));

    const auto appended = Dispatched("IDENTITY_APPENDED_URL");
    ASSERT_EQ(1u, appended.size());
    EXPECT_EQ("app://p?x=1", appended[0]->GetData()->OptString("updatedurl", "-"));
    const auto urlVariables = Dispatched("IDENTITY_URL_VARIABLES");
    ASSERT_EQ(1u, urlVariables.size());
    EXPECT_EQ("", urlVariables[0]->GetData()->OptString("urlvariables", "-"));
    EXPECT_EQ(1u, Dispatched("IDENTITY_RESPONSE_CONTENT_ONE_TIME").size());

    // Both syncs go on, in order, once an organisation is known.
    Hear(Build("config", EventType::CONFIGURATION, EventSource::RESPONSE_CONTENT,
               std::make_shared<EventData>(StringMap{{"skyloom.org", "ORG"}})));
    std::vector<std::string> synced;
    for (const auto& call : hub_->Calls()) {
        if (call.operation == "CreateSharedState") {
            synced.push_back(std::to_string(call.version));
        }
    }
    EXPECT_EQ(2u, synced.size());
}

TEST_F(IdentityTest, PushTokenReportsOnlyChangesOfTheOptIn) {
    struct Case {
        const char* name;
        std::vector<std::string> tokens;
        std::vector<std::string> reports;
    };
    const Case cases[] = {
        {"same token twice", {"tok", "tok"}, {"True"}},
        {"token then empty, empty again", {"tok", "", ""}, {"True", "False"}},
        {"empty on a fresh install", {""}, {}},
    };
    for (const auto& c : cases) {
        auto hub = std::make_shared<FakeEventHub>();
        auto executor = std::make_shared<ManualTaskExecutor>();
        Store()->RemoveAll();
        auto services = std::make_shared<FakePlatformServices>();
        services->localStorageService = storage_;
        services->cryptoService = crypto_;
        auto module = std::make_shared<Identity>();
        hub->Register(module, executor, services);
        hub->DriveIdle(module);
        for (const auto& token : c.tokens) {
            module->UpdatePushIdentifier(token);
        }
        std::vector<std::string> reports;
        for (const auto& event : hub->DispatchedEvents()) {
            std::map<std::string, std::string> context;
            ASSERT_TRUE(event->GetData()->GetStringMap("contextdata", context)) << c.name;
            EXPECT_EQ("Push", event->GetData()->OptString("action", "")) << c.name;
            EXPECT_TRUE(event->GetData()->OptBoolean("trackinternal", false)) << c.name;
            reports.push_back(context["a.push.optin"]);
        }
        EXPECT_EQ(c.reports, reports) << c.name;
        EXPECT_NE("tok", Store()->GetString("NUVRAMOBILE_PUSH_IDENTIFIER", "")) << c.name;
        executor->Dispose();
    }
}

TEST_F(IdentityTest, AnalyticsIdIsSyncedOncePerInstallation) {
    auto data = std::make_shared<EventData>();
    data->PutString("aid", "AID-1");
    Hear(Build("aid", EventType::ANALYTICS, EventSource::RESPONSE_IDENTITY, data));
    Hear(Build("aid", EventType::ANALYTICS, EventSource::RESPONSE_IDENTITY, data));
    const auto ids = module_->PackageEventData();
    std::vector<std::shared_ptr<Variant>> list;
    ASSERT_TRUE(ids->GetVariantVector("visitoridslist", list));
    EXPECT_EQ(1u, list.size());
    EXPECT_TRUE(Store()->GetBoolean("NUVRAMOBILE_AID_SYNCED", false));
}

}  // namespace
}  // namespace NuvraMobile

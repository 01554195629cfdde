// The analytics identifier: asked of the measurement server once at a time, generated where the server
// cannot give one, persisted and published, with its answer applied on the module's queue.

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "analytics/AnalyticsTestSupport.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "services/crypto/NativeCryptoService.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/storage/NativeLocalStorageService.h"

namespace NuvraMobile {
namespace {

const std::regex kGeneratedAid("[0-7][0-9A-F]{15}-[0-3][0-9A-F]{15}");
constexpr const char* kStore = "AnalyticsDataStorage";
constexpr const char* kAidKey = "NUVRAMOBILE_STOREDDEFAULTS_AID";
constexpr const char* kIgnoreKey = "NUVRAMOBILE_STOREDDEFAULTS_IGNORE_AID";
const std::string kServerAid = "zzzzzzzzzzzzzzzz-zzzzzzzzzzzzzzzz";  // 33 characters, not hexadecimal

/** Keeps each request's completion until the test answers it. */
class HeldNetworkService : public Object, public virtual NetworkServiceInterface {
public:
    std::shared_ptr<HttpConnectionInterface> ConnectUrl(const std::string&, HttpCommandType, const std::string&,
                                                        const std::map<std::string, std::string>&, std::int64_t,
                                                        std::int64_t) override {
        return nullptr;
    }
    void ConnectUrlAsync(const std::string& url, HttpCommandType, const std::string&,
                         const std::map<std::string, std::string>&, std::int64_t, std::int64_t,
                         const Callback& callback) override {
        urls.push_back(url);
        callbacks.push_back(callback);
    }
    bool Dispose(std::int64_t) override { return true; }

    std::vector<std::string> urls;
    std::vector<Callback> callbacks;
};

class AnalyticsIdentifiersTest : public AnalyticsModuleFixture {
protected:
    AnalyticsIdentifiersTest() {
        services->jsonUtilityService = CreateNativeJsonUtilityService();
        services->cryptoService = CreateNativeCryptoService();
        // Kept on disk: the ignore flag is a boolean, which the memory store does not keep.
        services->localStorageService = CreateNativeLocalStorageService();
    }

    void Configure(const std::string& privacy, bool withOrganisation) {
        SetStates([&](EventData& data) {
            data.PutString("global.privacy", privacy);
            data.PutString("mid", "M1");
            if (withOrganisation) {
                data.PutString("skyloom.org", "ORG");
            }
        });
    }

    std::shared_ptr<Event> AskForIdentifiers() {
        auto request = Build(EventType::ANALYTICS, EventSource::REQUEST_IDENTITY, [](EventData&) {});
        Hear(request);
        return request;
    }

    /** The "aid" answered to the request; "<none>" without an answer. */
    std::string AnsweredAid(const std::shared_ptr<Event>& request) {
        for (const auto& answer : Dispatched("TrackingIdentifierValue")) {
            if (answer->GetPairID() == request->GetResponsePairID()) {
                return answer->GetData()->OptString("aid", "<none>");
            }
        }
        return "<none>";
    }

    /** The shared-state writes for the event: "create" with null data marks it pending. */
    std::vector<FakeEventHub::Call> StateWrites(const std::shared_ptr<Event>& event) {
        std::vector<FakeEventHub::Call> writes;
        for (const auto& call : hub->Calls()) {
            if ((call.operation == "CreateSharedState" || call.operation == "UpdateSharedState") &&
                call.version == event->GetEventNumber()) {
                writes.push_back(call);
            }
        }
        return writes;
    }

    std::shared_ptr<DataStoreInterface> Store() { return services->localStorageService->GetDataStore(kStore); }

    ScopedAppFolders folders_;
};

struct AnswerCase {
    const char* name;
    bool withOrganisation;
    int status;  // 0: no connection
    std::string body;
    /** The AID expected, or "generated". */
    std::string aid;
    bool ignoreFlag;
};

class AnalyticsIdAnswerTest : public AnalyticsIdentifiersTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(AnalyticsIdAnswerTest, ServerAnswerDecidesTheStoredAndPublishedId) {
    const auto& c = GetParam();
    Configure("optedin", c.withOrganisation);
    network->Then(c.status ? ScriptedNetworkService::Connection(c.status, c.body) : nullptr);
    const auto request = AskForIdentifiers();

    const auto requests = network->Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(c.withOrganisation ? "https://measure.example.com/id?mid=M1&slorgid=ORG"
                                 : "https://measure.example.com/id",
              requests[0].url);
    const std::string aid = AnsweredAid(request);
    if (c.aid == "generated") {
        EXPECT_TRUE(std::regex_match(aid, kGeneratedAid)) << aid;
    } else {
        EXPECT_EQ(c.aid, aid);
    }
    EXPECT_EQ(aid, Store()->GetString(kAidKey, ""));
    EXPECT_EQ(c.ignoreFlag, Store()->GetBoolean(kIgnoreKey, false));
    const auto writes = StateWrites(request);
    ASSERT_EQ(2u, writes.size());
    EXPECT_EQ(nullptr, writes[0].data) << "pending while the request is out";
    ASSERT_NE(nullptr, writes[1].data);
    EXPECT_EQ(aid, writes[1].data->OptString("aid", "<none>"));
}

const std::string k32(32, 'A');
const std::string k34(34, 'A');

INSTANTIATE_TEST_SUITE_P(
    Answers, AnalyticsIdAnswerTest,
    ::testing::Values(AnswerCase{"ThirtyThreeCharactersAreUsedAsTheyAre", false, 200, R"({"id":")" + kServerAid + "\"}",
                                 kServerAid, false},
                      AnswerCase{"ThirtyTwoCharactersGiveAGeneratedId", false, 200, R"({"id":")" + k32 + "\"}",
                                 "generated", false},
                      AnswerCase{"ThirtyFourCharactersWithAnOrganisationGiveNone", true, 200,
                                 R"({"id":")" + k34 + "\"}", "", true},
                      AnswerCase{"EmptyAnswerGivesAGeneratedId", false, 200, "", "generated", false},
                      AnswerCase{"ServerErrorWithAnOrganisationLeavesTheIgnoreFlagUnset", true, 503, "", "", false},
                      AnswerCase{"NoConnectionWithAnOrganisationLeavesTheIgnoreFlagUnset", true, 0, "", "", false}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

TEST_F(AnalyticsIdentifiersTest, ServerIdIsStoredAndSentInTheNextHit) {
    Configure("optedin", false);
    network->Then(ScriptedNetworkService::Connection(200, R"({"id":")" + kServerAid + "\"}"));
    AskForIdentifiers();
    Hear(TrackEvent([](EventData& data) { data.PutString("action", "After"); }));
    const auto requests = network->WaitForRequests(2);
    ASSERT_EQ(2u, requests.size());
    EXPECT_NE(std::string::npos, requests[1].payload.find("&aid=" + kServerAid + "&")) << requests[1].payload;

    AskForIdentifiers();  // a stored id is reused without asking again
    EXPECT_EQ(2u, network->Requests().size());
}

TEST_F(AnalyticsIdentifiersTest, FailureIsFollowedByAnotherRequestThatGivesTheServerId) {
    Configure("optedin", true);
    network->Then(nullptr);
    EXPECT_EQ("", AnsweredAid(AskForIdentifiers()));
    network->Then(ScriptedNetworkService::Connection(200, R"({"id":")" + kServerAid + "\"}"));
    EXPECT_EQ(kServerAid, AnsweredAid(AskForIdentifiers()));
    EXPECT_EQ(2u, network->Requests().size());
}

TEST_F(AnalyticsIdentifiersTest, UnknownPrivacyGeneratesAnIdWithoutAsking) {
    Configure("optunknown", true);
    const auto aid = AnsweredAid(AskForIdentifiers());
    EXPECT_TRUE(std::regex_match(aid, kGeneratedAid)) << aid;
    EXPECT_TRUE(network->Requests().empty());
    EXPECT_EQ(aid, Store()->GetString(kAidKey, ""));
}

TEST_F(AnalyticsIdentifiersTest, OneRequestAtATimeFillsEveryWaitingState) {
    const auto held = std::make_shared<HeldNetworkService>();
    services->networkService = held;
    Configure("optedin", false);
    const auto first = AskForIdentifiers();
    const auto second = AskForIdentifiers();
    ASSERT_EQ(1u, held->callbacks.size());
    EXPECT_EQ("<none>", AnsweredAid(first));
    EXPECT_EQ("<none>", AnsweredAid(second));

    held->callbacks[0](ScriptedNetworkService::Connection(200, R"({"id":")" + kServerAid + "\"}"));
    EXPECT_EQ("<none>", AnsweredAid(first)) << "the answer is applied on the module's queue";
    executor->RunAll();
    for (const auto& request : {first, second}) {
        EXPECT_EQ(kServerAid, AnsweredAid(request));
        const auto writes = StateWrites(request);
        ASSERT_EQ(2u, writes.size());
        EXPECT_EQ(nullptr, writes[0].data);
        EXPECT_EQ(kServerAid, writes[1].data->OptString("aid", ""));
    }
}

TEST_F(AnalyticsIdentifiersTest, AnswerArrivingAfterAnOptOutIsNotStored) {
    const auto held = std::make_shared<HeldNetworkService>();
    services->networkService = held;
    Configure("optedin", false);
    const auto request = AskForIdentifiers();
    Hear(Build(EventType::CONFIGURATION, EventSource::RESPONSE_CONTENT, [](EventData& data) {
        data.PutString("analytics.server", kServer);
        data.PutString("analytics.rsids", "rs");
        data.PutString("global.privacy", "optedout");
    }));
    held->callbacks.at(0)(ScriptedNetworkService::Connection(200, R"({"id":")" + kServerAid + "\"}"));
    executor->RunAll();
    EXPECT_EQ("", AnsweredAid(request));
    EXPECT_FALSE(Store()->Contains(kAidKey));
}

struct UnaskedCase {
    const char* name;
    bool withNetworkService;
    const char* server;
};

class AnalyticsIdUnaskedTest : public AnalyticsIdentifiersTest, public ::testing::WithParamInterface<UnaskedCase> {};

// Where no request can be made, the waiting state must not stay pending for an answer that cannot come: it is
// filled at once with a generated id. A refused server is warned of by the configuration, not here.
TEST_P(AnalyticsIdUnaskedTest, StateIsFilledAtOnceWithAGeneratedId) {
    const auto& c = GetParam();
    if (!c.withNetworkService) {
        services->networkService = nullptr;
    }
    SetStates([&](EventData& data) {
        data.PutString("analytics.server", c.server);
        data.PutString("global.privacy", "optedin");
    });
    const auto request = AskForIdentifiers();
    EXPECT_TRUE(network->Requests().empty());
    const auto aid = AnsweredAid(request);
    EXPECT_TRUE(std::regex_match(aid, kGeneratedAid)) << aid;
    const auto writes = StateWrites(request);
    ASSERT_EQ(2u, writes.size());
    ASSERT_NE(nullptr, writes[1].data);
    EXPECT_EQ(aid, writes[1].data->OptString("aid", ""));
}

INSTANTIATE_TEST_SUITE_P(NoRequest, AnalyticsIdUnaskedTest,
                         ::testing::Values(UnaskedCase{"WithoutANetworkService", false, "measure.example.com"},
                                           UnaskedCase{"ToARefusedServer", true, "192.168.1.10:8443"}),
                         [](const ::testing::TestParamInfo<UnaskedCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(AnalyticsIdentifiersTest, GeneratedIdsKeepThePatternAndUseEveryLeadingDigit) {
    std::set<char> highFirst;
    std::set<char> lowFirst;
    for (int draw = 0; draw < 2000; ++draw) {
        const auto aid = module->GenerateAID();
        ASSERT_TRUE(std::regex_match(aid, kGeneratedAid)) << aid;
        highFirst.insert(aid[0]);
        lowFirst.insert(aid[17]);
    }
    EXPECT_EQ(8u, highFirst.size());
    EXPECT_EQ(4u, lowFirst.size());
    services->cryptoService = nullptr;
    EXPECT_EQ("", module->GenerateAID());
}

}  // namespace
}  // namespace NuvraMobile

// The identity hit processor against a scripted network: what each answer of the server does to the hit
// and what the module is told.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "identity/Identity.h"
#include "identity/IdentityHitProcessor.h"
#include "identity/IdentityObject.h"
#include "identity/IdentityTestSupport.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/ManualTaskExecutor.h"

namespace NuvraMobile {
namespace {

class IdentityHitProcessorTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_->localStorageService = CreateNativeLocalStorageService();
        hub_->Register(module_, executor_, services_);
        hub_->DriveIdle(module_);  // completes the registration of the dispatchers
    }

    void TearDown() override { executor_->Dispose(); }

    std::shared_ptr<IdentityHitProcessor> MakeProcessor() {
        return std::make_shared<IdentityHitProcessor>(network_, std::make_shared<FakeSystemInfoService>(), json_,
                                                      module_);
    }

    static std::shared_ptr<IdentityDatabaseHit> Hit(const std::string& url, const std::string& pairId = "pair") {
        auto hit = std::make_shared<IdentityDatabaseHit>();
        hit->url = url;
        hit->pairId = pairId;
        return hit;
    }

    /** The module's answers after its tasks ran: (pair id, blob) per "UPDATED_IDENTITY_RESPONSE". */
    std::vector<std::pair<std::string, std::string>> Answers() {
        executor_->RunAll();
        std::vector<std::pair<std::string, std::string>> answers;
        for (const auto& event : hub_->DispatchedEvents()) {
            if (event->GetName() == "UPDATED_IDENTITY_RESPONSE") {
                answers.emplace_back(event->GetPairID(), event->GetData()->OptString("blob", ""));
            }
        }
        return answers;
    }

    ScopedAppFolders folders_;
    std::shared_ptr<FakeEventHub> hub_ = std::make_shared<FakeEventHub>();
    std::shared_ptr<ManualTaskExecutor> executor_ = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<FakePlatformServices> services_ = std::make_shared<FakePlatformServices>();
    std::shared_ptr<Identity> module_ = std::make_shared<Identity>();
    std::shared_ptr<ScriptedNetworkService> network_ = std::make_shared<ScriptedNetworkService>();
    std::shared_ptr<JsonUtilityServiceInterface> json_ = CreateNativeJsonUtilityService();
};

TEST_F(IdentityHitProcessorTest, ServerAnswersDecideRetryAndReportOnce) {
    struct Case {
        const char* name;
        ScriptedNetworkService::Answer answer;
        HitProcessingResult result;
        std::vector<std::pair<std::string, std::string>> answers;
    };
    const std::vector<std::pair<std::string, std::string>> emptyReport = {{"", ""}, {"pair", ""}};
    const Case cases[] = {
        {"200 with identifiers", ScriptedNetworkService::Status(200, R"({"d_mid": "1", "d_blob": "b"})"),
         HitProcessingResult::DONE, {{"", "b"}, {"pair", "b"}}},
        {"404", ScriptedNetworkService::Status(404, ""), HitProcessingResult::DONE, emptyReport},
        {"408", ScriptedNetworkService::Status(408, ""), HitProcessingResult::RETRY, {}},
        {"503", ScriptedNetworkService::Status(503, ""), HitProcessingResult::RETRY, {}},
        {"504", ScriptedNetworkService::Status(504, ""), HitProcessingResult::RETRY, {}},
        {"no connection", nullptr, HitProcessingResult::DONE, emptyReport},
        {"200 with {}", ScriptedNetworkService::Status(200, "{}"), HitProcessingResult::DONE, emptyReport},
        {"200 with text that is not JSON", ScriptedNetworkService::Status(200, "<html>"), HitProcessingResult::DONE,
         emptyReport},
        {"200 with a number in d_optout", ScriptedNetworkService::Status(200, R"({"d_mid": "1", "d_blob": "b", "d_optout": [5]})"),
         HitProcessingResult::DONE, {{"", "b"}, {"pair", "b"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hub_ = std::make_shared<FakeEventHub>();
        module_ = std::make_shared<Identity>();
        executor_ = std::make_shared<ManualTaskExecutor>();
        hub_->Register(module_, executor_, services_);
        hub_->DriveIdle(module_);  // completes the registration of the dispatchers
        network_->SetFallback(c.answer);
        EXPECT_EQ(c.result, MakeProcessor()->Process(Hit("https://id.example/id?x")));
        EXPECT_EQ(c.answers, Answers());
        executor_->Dispose();
    }
}

TEST_F(IdentityHitProcessorTest, HitWithoutUrlIsDroppedWithoutTrafficOrReport) {
    EXPECT_EQ(HitProcessingResult::DONE, MakeProcessor()->Process(Hit("")));
    EXPECT_TRUE(network_->Requests().empty());
    EXPECT_TRUE(Answers().empty());
}

TEST_F(IdentityHitProcessorTest, AnswerFieldsAreReadWithTheirDefaults) {
    struct Case {
        const char* name;
        const char* body;
        const char* hint;
        std::int64_t ttl;
        std::vector<std::string> optOut;
    };
    const Case cases[] = {
        {"all fields", R"({"d_mid": "123", "dcs_region": 9, "id_sync_ttl": 604800, "d_blob": "xyz"})", "9", 604800, {}},
        {"hint 0 and defaults", R"({"d_mid": "1", "dcs_region": 0})", "0", 600, {}},
        {"hint -1", R"({"dcs_region": -1})", "", 600, {}},
        {"empty opt-out list", R"({"d_optout": []})", "", 600, {}},
        {"odd opt-out elements are skipped", R"({"d_optout": ["a", 1, null, "b"]})", "", 600, {"a", "b"}},
    };
    const auto processor = MakeProcessor();
    for (const auto& c : cases) {
        const auto answer = processor->CreateIdentityObjectFromResponseJsonObject(json_->CreateJsonObject(c.body));
        ASSERT_NE(nullptr, answer) << c.name;
        EXPECT_EQ(c.hint, answer->GetHint()) << c.name;
        EXPECT_EQ(c.ttl, answer->GetTtl()) << c.name;
        EXPECT_EQ(c.optOut, answer->GetOptOut()) << c.name;
    }
    EXPECT_EQ(nullptr, processor->CreateIdentityObjectFromResponseJsonObject(json_->CreateJsonObject("{}")));
}

}  // namespace
}  // namespace NuvraMobile

#include <gtest/gtest.h>

#include "configuration/Configuration.h"
#include "configuration/MobileIdentities.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "services/json/NativeJsonUtilityService.h"
#include "shared/VisitorId.h"
#include "shared/VisitorIdSerializer.h"
#include "support/FakeEventHub.h"
#include "support/ManualTaskExecutor.h"

namespace NuvraMobile {
namespace {

constexpr const char* CONFIGURATION = "com.nuvra.module.configuration";
constexpr const char* ANALYTICS = "com.nuvra.module.analytics";
constexpr const char* PIVORA = "com.nuvra.module.pivora";
constexpr const char* AUDIENCE = "com.nuvra.module.audience";
constexpr const char* IDENTITY = "com.nuvra.module.identity";

/** A hub that answers shared-state reads from one state per owner name. */
class StatesHub : public FakeEventHub {
public:
    std::map<std::string, std::shared_ptr<EventData>> states;

    std::shared_ptr<EventData> GetSharedEventState(const std::string& stateName,
                                                   const std::shared_ptr<Event>&,
                                                   const std::shared_ptr<Module>&) override {
        const auto state = states.find(stateName);
        return state == states.end() ? nullptr : state->second;
    }
    bool HasSharedEventState(const std::string& stateName) override { return states.count(stateName) > 0; }
};

std::shared_ptr<EventData> State(const std::map<std::string, std::string>& entries) {
    return std::make_shared<EventData>(entries);
}

class MobileIdentitiesTest : public testing::Test {
protected:
    MobileIdentitiesTest() { hub_->Register(module_, executor_); }
    ~MobileIdentitiesTest() override { executor_->Dispose(); }

    /** The report, parsed. */
    std::shared_ptr<JsonObject> Report() {
        const std::string text = MobileIdentities::GetAllIdentifiers(json_, request_, module_);
        return json_->CreateJsonObject(text);
    }

    /** Every user id of the report as "namespace|value|type". */
    std::vector<std::string> UserIds() {
        std::vector<std::string> ids;
        const auto users = Report()->OptJsonArray("users");
        if (!users) {
            return ids;
        }
        const auto userIds = users->GetJsonObject(0)->GetJsonArray("userIDs");
        for (uint32_t index = 0; index < userIds->Length(); ++index) {
            const auto id = userIds->GetJsonObject(index);
            ids.push_back(id->OptString("namespace", "") + "|" + id->OptString("value", "") + "|" +
                          id->OptString("type", ""));
        }
        return ids;
    }

    std::shared_ptr<StatesHub> hub_ = std::make_shared<StatesHub>();
    std::shared_ptr<ManualTaskExecutor> executor_ = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<Configuration> module_ = std::make_shared<Configuration>();
    std::shared_ptr<JsonUtilityServiceInterface> json_ = CreateNativeJsonUtilityService();
    std::shared_ptr<Event> request_ =
        EventBuilder("identities", EventType::CONFIGURATION, EventSource::REQUEST_IDENTITY).Build();
};

TEST_F(MobileIdentitiesTest, NothingToReportIsAnEmptyObject) { EXPECT_EQ(Report()->Length(), 0u); }

TEST_F(MobileIdentitiesTest, OrganisationAloneGivesOnlyTheCompanyContext) {
    hub_->states[CONFIGURATION] = State({{"skyloom.org", "ORG@Nuvra"}});
    const auto report = Report();
    EXPECT_EQ(report->Length(), 1u);
    const auto context = report->GetJsonArray("companyContexts")->GetJsonObject(0);
    EXPECT_EQ(context->GetString("namespace"), "kovOrgID");
    EXPECT_EQ(context->GetString("value"), "ORG@Nuvra");
    EXPECT_EQ(context->Length(), 2u);
}

TEST_F(MobileIdentitiesTest, ListsEveryOwnersIdentifiersInOrder) {
    hub_->states[CONFIGURATION] = State({{"skyloom.org", "ORG"}, {"analytics.rsids", "rs1,rs2"}});
    hub_->states[ANALYTICS] = State({{"aid", "A1"}, {"vid", "V1"}});
    hub_->states[PIVORA] = State({{"qtxid", "Q1"}, {"thirdpartyid", "T1"}});
    hub_->states[AUDIENCE] = State({{"dpid", "D1"}, {"dpuuid", "DU1"}, {"uuid", "U1"}});
    auto identity = State({{"mid", "M1"}, {"pushidentifier", "P1"}, {"advertisingidentifier", "AD1"}});
    const std::vector<std::shared_ptr<VisitorId>> visitorIds{
        std::make_shared<VisitorId>("origin", "empty", "", VisitorIdAuthenticationState::UNKNOWN),
        std::make_shared<VisitorId>("origin", "crm", "C1", VisitorIdAuthenticationState::AUTHENTICATED)};
    identity->PutVariant("visitoridslist", Variant::FromTypedVector(visitorIds));
    hub_->states[IDENTITY] = identity;

    EXPECT_EQ(UserIds(),
              (std::vector<std::string>{"AVID|A1|integrationCode", "vid|V1|analytics", "qtxid|Q1|pivora",
                                        "3rdpartyid|T1|pivora", "D1|DU1|namespaceId", "0|U1|namespaceId",
                                        "4|M1|namespaceId", "crm|C1|integrationCode",
                                        "20920|P1|integrationCode", "DSID_20915|AD1|integrationCode"}));
    const auto vid =
        Report()->GetJsonArray("users")->GetJsonObject(0)->GetJsonArray("userIDs")->GetJsonObject(1);
    const auto rsids = vid->GetJsonArray("rsids");
    ASSERT_EQ(rsids->Length(), 2u);
    EXPECT_EQ(rsids->GetString(0), "rs1");
    EXPECT_EQ(rsids->GetString(1), "rs2");
}

TEST_F(MobileIdentitiesTest, UserIdentifierNeedsAValidConfiguration) {
    hub_->states[ANALYTICS] = State({{"aid", "A1"}, {"vid", "V1"}});
    hub_->states[CONFIGURATION] = SHARED_STATE_PENDING;
    EXPECT_EQ(UserIds(), std::vector<std::string>{"AVID|A1|integrationCode"});
}

TEST_F(MobileIdentitiesTest, AudienceUserWithoutProviderHasAnEmptyNamespace) {
    hub_->states[AUDIENCE] = State({{"dpuuid", "DU1"}});
    const auto entries = MobileIdentities::GetAudienceIdentifiers(request_, module_);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0]->Equals(
        *Variant::FromVariantMap(MobileIdentities::CreateUserIdMap("", "DU1", "namespaceId"))));
}

TEST_F(MobileIdentitiesTest, PendingOrInvalidStatesGiveNoEntries) {
    hub_->states[PIVORA] = SHARED_STATE_INVALID;
    hub_->states[IDENTITY] = SHARED_STATE_PENDING;
    EXPECT_TRUE(UserIds().empty());
}

TEST_F(MobileIdentitiesTest, OnlyAPendingStateHoldsTheReportBack) {
    EXPECT_TRUE(MobileIdentities::AreAllSharedStateReady(request_, module_));
    hub_->states[ANALYTICS] = SHARED_STATE_INVALID;
    EXPECT_TRUE(MobileIdentities::AreAllSharedStateReady(request_, module_));
    hub_->states[PIVORA] = SHARED_STATE_PENDING;
    EXPECT_FALSE(MobileIdentities::AreAllSharedStateReady(request_, module_));
}

}  // namespace
}  // namespace NuvraMobile

// A track request becomes the exact body and URL the measurement server expects.

#include <gtest/gtest.h>

#include <regex>

#include "analytics/AnalyticsProperties.h"
#include "shared/VisitorId.h"
#include "shared/VisitorIdSerializer.h"
#include "analytics/AnalyticsTestSupport.h"

namespace NuvraMobile {
namespace {

constexpr const char* kLoginBody =
    "ndh=1&c.&a.&action=Login&.a&user=a%20b&.c&ce=UTF-8&cp=foreground&pe=lnk_o&pev2=NMACTION%3ALogin"
    "&t=00%2F00%2F0000%2000%3A00%3A00%200%200";

struct BodyCase {
    const char* name;
    std::function<void(EventData&)> request;
    std::function<void(EventData&)> states;
    std::string expectedBody;
};

void LoginRequest(EventData& data) {
    data.PutString("action", "Login");
    data.PutStringMap("contextdata", {{"user", "a b"}});
}

void NoStates(EventData&) {}

class AnalyticsHitBodyTest : public AnalyticsModuleFixture, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(AnalyticsHitBodyTest, BodyIsWrittenByteForByte) {
    ScopedTimeZone utc("UTC");
    SetStates(GetParam().states);
    Hear(TrackEvent(GetParam().request));
    const auto requests = network->WaitForRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(GetParam().expectedBody, requests[0].payload);
    EXPECT_EQ(HttpCommandType::POST, requests[0].command);
    EXPECT_TRUE(std::regex_match(requests[0].url,
                                 std::regex(R"(https://measure\.example\.com/b/ss/suite1%2Csuite2/0/unknown/s\d+)")))
        << requests[0].url;
    EXPECT_EQ("application/x-www-form-urlencoded", requests[0].headers.at("Content-Type"));
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, AnalyticsHitBodyTest,
    ::testing::Values(
        BodyCase{"ActionWithContextData", LoginRequest, NoStates, kLoginBody},
        BodyCase{"StateNamesThePage",
                 [](EventData& data) {
                     LoginRequest(data);
                     data.PutString("state", "Home");
                 },
                 NoStates,
                 "ndh=1&c.&a.&action=Login&.a&user=a%20b&.c&ce=UTF-8&cp=foreground&pageName=Home&pe=lnk_o"
                 "&pev2=NMACTION%3ALogin&t=00%2F00%2F0000%2000%3A00%3A00%200%200"},
        BodyCase{"CustomerIdsFollowNdh", LoginRequest,
                 [](EventData& data) {
                     data.PutString("skyloom.org", "ORG1");
                     data.PutVariantVector(
                         "visitoridslist",
                         {VisitorIdSerializer().Serialize(
                             VisitorId("", "crm", "42", VisitorIdAuthenticationState::AUTHENTICATED))});
                 },
                 std::string("ndh=1&cid.&crm.&as=1&id=42&.crm&.cid") + (kLoginBody + 5)},
        BodyCase{"EscapedKeysBecomeVariables",
                 [](EventData& data) {
                     data.PutStringMap("contextdata", {{"&&products", "x"}, {"a&&b", "y"}});
                 },
                 NoStates,
                 "ndh=1&c.&ab=y&.c&ce=UTF-8&cp=foreground&products=x&t=00%2F00%2F0000%2000%3A00%3A00%200%200"},
        BodyCase{"KeysThatCleanToNothingLeaveAnEmptyBlock",
                 [](EventData& data) { data.PutStringMap("contextdata", {{"!!", "x"}}); }, NoStates,
                 "ndh=1&c.&.c&ce=UTF-8&cp=foreground&t=00%2F00%2F0000%2000%3A00%3A00%200%200"},
        BodyCase{"InternalActionAndLifecycleDefaults",
                 [](EventData& data) {
                     data.PutString("action", "Buy");
                     data.PutBoolean("trackinternal", true);
                     data.PutStringMap("contextdata", {{"a.OSVersion", "mine"}});
                 },
                 [](EventData& data) {
                     data.PutStringMap("lifecyclecontextdata", {{"osversion", "iOS 17"}, {"appid", "App 1"}});
                 },
                 "ndh=1&c.&a.&AppID=App%201&OSVersion=iOS%2017&internalaction=Buy&.a&.c&ce=UTF-8&cp=foreground"
                 "&pageName=App%201&pe=lnk_o&pev2=NVBINTERNAL%3ABuy&t=00%2F00%2F0000%2000%3A00%3A00%200%200"}),
    [](const ::testing::TestParamInfo<BodyCase>& info) { return info.param.name; });

TEST_F(AnalyticsModuleFixture, OfflineHitCarriesItsStoredTimestampAndUnknownPrivacyIsMarked) {
    SetStates([](EventData& data) {
        data.PutBoolean("analytics.offlineEnabled", true);
        data.PutString("global.privacy", "optunknown");
    });
    const auto event = TrackEvent([](EventData& data) { data.PutString("action", "Tap"); });
    Hear(event);
    // Unknown privacy stores the hit without sending it.
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty());
    const auto hitDatabase = module->GetHitDatabase();
    ASSERT_EQ(1, hitDatabase->GetTrackingQueueSize());
    const auto hit = module->GetHitQueue()->SelectOldestHit();
    ASSERT_NE(nullptr, hit);
    EXPECT_EQ(event->GetTimestamp() / 1000, hit->timestamp);
    EXPECT_NE(std::string::npos, hit->url.find("&ts=" + std::to_string(hit->timestamp)));
    EXPECT_NE(std::string::npos, hit->url.find("&privacy.&mode=unknown&.privacy"));
}

TEST_F(AnalyticsModuleFixture, NotConfiguredOrOptedOutDropsTheRequestButOptOutStillMovesTheTimestamp) {
    SetStates([](EventData& data) { data.PutString("analytics.server", ""); });
    Hear(TrackEvent([](EventData& data) { data.PutString("action", "Tap"); }));
    EXPECT_EQ(0, module->GetMostRecentHitTimestamp());

    SetStates([](EventData& data) { data.PutString("global.privacy", "optedout"); });
    const auto event = TrackEvent([](EventData& data) { data.PutString("action", "Tap"); });
    Hear(event);
    EXPECT_EQ(event->GetTimestamp() / 1000, module->GetMostRecentHitTimestamp());
    EXPECT_EQ(0, module->GetHitDatabase()->GetTrackingQueueSize());
}

TEST_F(AnalyticsModuleFixture, DebugApiAddsTheEventIdentifierToACopyAndPublishesTheAnswer) {
    SetStates([](EventData& data) { data.PutBoolean("analytics.debugApiEnabled", true); });
    network->Then(ScriptedNetworkService::Connection(200, "answer", {{"ETag", "e1"}}));
    const auto event = TrackEvent([](EventData& data) { data.PutString("action", "Tap"); });
    Hear(event);
    const auto requests = network->WaitForRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_FALSE(event->GetData()->ContainsKey("requestEventIdentifier"));
    const std::string marker = "&DebugEventIdentifier=" + event->GetUniqueIdentifier();
    EXPECT_NE(std::string::npos, requests[0].payload.find(marker));
    EXPECT_EQ("&p.&debug=true&.p", requests[0].payload.substr(requests[0].payload.size() - 17));

    ASSERT_TRUE(module->GetHitDatabase()->Dispose(std::chrono::seconds(5)));
    const auto responses = Dispatched("AnalyticsResponse");
    ASSERT_EQ(1u, responses.size());
    const auto& data = *responses[0]->GetData();
    EXPECT_EQ("answer", data.OptString("analyticsserverresponse", ""));
    EXPECT_EQ(event->GetUniqueIdentifier(), data.OptString("requestEventIdentifier", ""));
    EXPECT_EQ(std::string::npos, data.OptString("hitUrl", "").find("&p.&debug"));
    std::map<std::string, std::string> headers;
    ASSERT_TRUE(data.GetStringMap("headers", headers));
    EXPECT_EQ((std::map<std::string, std::string>{{"Content-Type", ""}, {"ETag", "e1"}, {"Server", ""}}), headers);
}

struct OffsetCase {
    const char* zone;
    int month;
    int expectedMinutes;
};

class TimestampOffsetTest : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(TimestampOffsetTest, OffsetIsMinutesToAddToLocalTimeForUtc) {
    ScopedTimeZone zone(GetParam().zone);
    std::tm middleOfMonth{};
    middleOfMonth.tm_year = 2024 - 1900;
    middleOfMonth.tm_mon = GetParam().month - 1;
    middleOfMonth.tm_mday = 15;
    middleOfMonth.tm_hour = 12;
    middleOfMonth.tm_isdst = -1;
    EXPECT_EQ("00/00/0000 00:00:00 0 " + std::to_string(GetParam().expectedMinutes),
              AnalyticsProperties::GetTimestampTzOffset(std::mktime(&middleOfMonth)));
}

INSTANTIATE_TEST_SUITE_P(Zones, TimestampOffsetTest,
                         ::testing::Values(OffsetCase{"UTC", 1, 0}, OffsetCase{"America/New_York", 1, 300},
                                           OffsetCase{"America/New_York", 7, 240},
                                           OffsetCase{"Europe/Berlin", 1, -60},
                                           OffsetCase{"Europe/Berlin", 7, -120}));

}  // namespace
}  // namespace NuvraMobile

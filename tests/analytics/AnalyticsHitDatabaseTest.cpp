// The hit database: when stored hits may go out, the special rows, the context-data merge, and what the
// sender does with each stored hit.

#include <gtest/gtest.h>

#include "analytics/AnalyticsDatabaseHitSchema.h"
#include "analytics/AnalyticsHitProcessor.h"
#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsState.h"
#include "analytics/AnalyticsTestSupport.h"
#include "shared/ContextData.h"
#include "util/TimeUtils.h"

namespace NuvraMobile {
namespace {

/** Counts the worker starts asked of it, so a test sees at once, with no wait, whether a kick let hits go. */
class WorkerStartCountingQueue : public AnalyticsHitQueue {
public:
    using AnalyticsHitQueue::AnalyticsHitQueue;

    void BringOnline() override {
        ++starts;
        AnalyticsHitQueue::BringOnline();
    }

    std::atomic<int> starts{0};
};

class AnalyticsHitDatabaseTest : public AnalyticsModuleFixture {
protected:
    void SetUp() override {
        AnalyticsModuleFixture::SetUp();
        database = module->GetHitDatabase();
        ASSERT_NE(nullptr, database);
    }

    static std::shared_ptr<AnalyticsState> State(const std::function<void(EventData&)>& fill,
                                                 const std::string& server = kServer) {
        auto configuration = std::make_shared<EventData>();
        configuration->PutString("analytics.server", server);
        configuration->PutString("analytics.rsids", "rs");
        fill(*configuration);
        return std::make_shared<AnalyticsState>(
            std::map<std::string, std::shared_ptr<EventData>>{{"com.nuvra.module.configuration", configuration}});
    }

    static std::shared_ptr<AnalyticsState> HoldingState(const std::string& server = kServer) {
        return State(
            [](EventData& data) {
                data.PutBoolean("analytics.offlineEnabled", true);
                data.PutInteger("analytics.batchLimit", 100);
            },
            server);
    }

    void QueueBody(const std::shared_ptr<AnalyticsState>& state, const std::string& body) {
        database->Queue(state, body, TimeUtils::GetUnixTimeInSeconds(), false, false);
    }

    std::vector<std::string> SentBodies(size_t count) {
        std::vector<std::string> bodies;
        for (const auto& request : network->WaitForRequests(count)) {
            bodies.push_back(request.payload);
        }
        return bodies;
    }

    /** A hit database of its own over a queue that counts worker starts. */
    std::shared_ptr<AnalyticsHitDatabase> CountingDatabase() {
        auto processor = std::make_shared<AnalyticsHitProcessor>();
        countingQueue = std::make_shared<WorkerStartCountingQueue>(
            services, std::make_shared<AnalyticsDatabaseHitSchema>(), processor);
        auto counting =
            std::make_shared<AnalyticsHitDatabase>(countingQueue, services, module->GetProperties(), nullptr);
        processor->SetHitDatabase(counting);
        return counting;
    }

    std::shared_ptr<AnalyticsHitDatabase> database;
    std::shared_ptr<WorkerStartCountingQueue> countingQueue;
};

// Whether a kick lets the worker start is decided at once: the checks need no wait for a send.
TEST_F(AnalyticsHitDatabaseTest, OnlyAnOptInStartsTheWorkerAndABatchOnlyPastItsLimit) {
    const auto counting = CountingDatabase();
    const auto batching = [](const char* privacy) {
        return State([privacy](EventData& data) {
            data.PutString("global.privacy", privacy);
            data.PutBoolean("analytics.offlineEnabled", true);
            data.PutInteger("analytics.batchLimit", 3);
        });
    };
    for (const char* privacy : {"optunknown", "optedout"}) {
        SCOPED_TRACE(privacy);
        for (int row = 0; row < 4; ++row) {
            counting->Queue(batching(privacy), "ndh=1&n=" + std::to_string(row), 1, false, false);
        }
        counting->ForceKick(batching(privacy));
        EXPECT_EQ(0, countingQueue->starts);
        counting->ClearTrackingQueue();
    }
    for (int row = 1; row <= 3; ++row) {
        counting->Queue(batching("optedin"), "ndh=1&n=" + std::to_string(row), 1, false, false);
    }
    EXPECT_EQ(0, countingQueue->starts) << "three rows do not pass a limit of three";
    counting->Queue(batching("optedin"), "ndh=1&n=4", 1, false, false);
    EXPECT_EQ(1, countingQueue->starts);
    counting->Dispose(std::chrono::seconds(5));
}

TEST_F(AnalyticsHitDatabaseTest, OfflineBatchIsHeldUntilItHoldsMoreRowsThanTheLimit) {
    const auto state = State([](EventData& data) {
        data.PutBoolean("analytics.offlineEnabled", true);
        data.PutInteger("analytics.batchLimit", 3);
    });
    database->Queue(nullptr, "", 0, false, true);  // a placeholder counts towards the limit
    QueueBody(state, "ndh=1&n=1");
    QueueBody(state, "ndh=1&n=2");
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty());
    QueueBody(state, "ndh=1&n=3");
    EXPECT_EQ((std::vector<std::string>{"ndh=1&n=1", "ndh=1&n=2", "ndh=1&n=3"}), SentBodies(3));
}

TEST_F(AnalyticsHitDatabaseTest, ForceKickSendsBelowTheLimitButNeverWithoutOptIn) {
    QueueBody(HoldingState(), "ndh=1&n=1");
    for (const char* privacy : {"optunknown", "optedout"}) {
        database->ForceKick(State([privacy](EventData& data) { data.PutString("global.privacy", privacy); }));
    }
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty());
    EXPECT_EQ(1, database->GetTrackingQueueSize());
    database->ForceKick(HoldingState());
    EXPECT_EQ(std::vector<std::string>{"ndh=1&n=1"}, SentBodies(1));
}

// A hit is built with the state of its own event; one that waited for another module's state can be
// built after the user changed privacy, and sending must follow the user's latest choice.
TEST_F(AnalyticsHitDatabaseTest, SendingFollowsThePrivacySetLastOverTheHitsOwnState) {
    const auto unknown = State([](EventData& data) { data.PutString("global.privacy", "optunknown"); });
    const auto optedIn = State([](EventData& data) { data.PutString("global.privacy", "optedin"); });
    database->SetPrivacyStatus(MobilePrivacyStatus::UNKNOWN);
    QueueBody(optedIn, "ndh=1&n=1");
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty());
    database->SetPrivacyStatus(MobilePrivacyStatus::OPT_IN);
    QueueBody(unknown, "ndh=1&n=2");
    EXPECT_EQ((std::vector<std::string>{"ndh=1&n=1", "ndh=1&n=2"}), SentBodies(2));
}

TEST_F(AnalyticsHitDatabaseTest, EveryRowGoesToTheServerOfTheLatestKick) {
    QueueBody(HoldingState("old.example.com"), "ndh=1&n=1");
    database->ForceKick(HoldingState("new.example.com"));
    ASSERT_EQ(1u, network->WaitForRequests(1).size());
    ASSERT_TRUE(threading->WaitForFinishedTasks(1));
    // A row stored under another server after that kick must be rewritten by the next one.
    QueueBody(HoldingState("old.example.com"), "ndh=1&n=2");
    database->ForceKick(HoldingState("new.example.com"));
    const auto requests = network->WaitForRequests(2);
    ASSERT_EQ(2u, requests.size());
    for (const auto& request : requests) {
        EXPECT_EQ(0u, request.url.find("https://new.example.com/b/ss/rs/0/")) << request.url;
    }
}

TEST_F(AnalyticsHitDatabaseTest, RowWithoutStateWaitsForAKickThatGivesItAServer) {
    database->Queue(nullptr, "ndh=1&n=1", TimeUtils::GetUnixTimeInSeconds(), false, false);
    EXPECT_EQ(1, database->GetTrackingQueueSize());
    database->Kick(nullptr, false);  // no state queued or kicked yet: nothing to go by
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty());
    database->Kick(State([](EventData&) {}), false);
    EXPECT_EQ(std::vector<std::string>{"ndh=1&n=1"}, SentBodies(1));
}

TEST_F(AnalyticsHitDatabaseTest, WaitTimerHoldsHitsUntilAKickAfterIt) {
    module->GetProperties()->SetLifecycleTimerRunning(true);
    QueueBody(State([](EventData&) {}), "ndh=1&n=1");
    database->ForceKick(State([](EventData&) {}));
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty());
    module->GetProperties()->SetLifecycleTimerRunning(false);
    database->Kick(nullptr, false);
    EXPECT_EQ(std::vector<std::string>{"ndh=1&n=1"}, SentBodies(1));
}

TEST_F(AnalyticsHitDatabaseTest, PlaceholdersAreNotCountedAndTheNewestIsFilledByABackdatedHit) {
    database->Queue(nullptr, "", 0, false, true);
    database->Queue(nullptr, "", 0, false, true);
    QueueBody(HoldingState(), "ndh=1&n=1");
    EXPECT_EQ(1, database->GetTrackingQueueSize());
    database->UpdateBackdatedHit(HoldingState(), "ndh=1&backdated=1", 7);
    EXPECT_EQ(2, database->GetTrackingQueueSize());
    const auto queue = database->GetHitQueue();
    const auto remaining = queue->QueryHit(queue->GetHitSchema()->GetLatestPlaceHolderHitQuery());
    ASSERT_NE(nullptr, remaining);
    EXPECT_EQ("1", remaining->identifier);
    database->ClearTrackingQueue();
    EXPECT_EQ(0, queue->GetSize());
}

TEST_F(AnalyticsHitDatabaseTest, BackdatedHitWithoutPlaceholderIsQueuedInsteadOfLost) {
    database->UpdateBackdatedHit(State([](EventData& data) { data.PutBoolean("analytics.offlineEnabled", true); }),
                                 "ndh=1&backdated=1", 7);
    EXPECT_EQ(std::vector<std::string>{"ndh=1&backdated=1"}, SentBodies(1));
}

TEST_F(AnalyticsHitDatabaseTest, ReferrerDataGoesIntoTheOldestWaitingRow) {
    const auto state = HoldingState();
    QueueBody(state, "ndh=1&c.&k=old&.c&ce=UTF-8");
    database->Queue(state, "ndh=1&c.&k=first&.c", 1, true, false);
    database->Queue(state, "ndh=1&c.&k=second&.c", 1, true, false);
    database->KickWithAdditionalData(state, {{"a.referrer", "x"}});
    const auto queue = database->GetHitQueue();
    const auto waiting = queue->QueryHit(queue->GetHitSchema()->GetFirstWaitingHitQuery());
    ASSERT_NE(nullptr, waiting);
    EXPECT_EQ("ndh=1&c.&a.&referrer=x&.a&k=first&.c", waiting->url);
    database->ResetIsWaitingFlag();
    EXPECT_FALSE(database->IsHitWaiting());
}

struct AppendCase {
    const char* name;
    std::string body;
    std::map<std::string, std::string> data;
    std::string expected;
};

class AppendContextDataTest : public AnalyticsHitDatabaseTest, public ::testing::WithParamInterface<AppendCase> {};

TEST_P(AppendContextDataTest, MergesIntoTheOutermostBlock) {
    EXPECT_EQ(GetParam().expected, database->AppendContextData(GetParam().data, GetParam().body));
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, AppendContextDataTest,
    ::testing::Values(
        AppendCase{"NoBlockGetsOne", "ndh=1&ce=UTF-8", {{"k", "v"}}, "ndh=1&ce=UTF-8&c.&k=v&.c"},
        AppendCase{"BlockMovesToTheEndAndNewDataWins",
                   "ndh=1&c.&a.&action=Tap&.a&k=old&x=1&.c&ce=UTF-8",
                   {{"k", "new"}},
                   "ndh=1&ce=UTF-8&c.&a.&action=Tap&.a&k=new&x=1&.c"},
        AppendCase{"EmptyBlockStaysAndANewOneFollows", "ndh=1&c.&.c&ce=UTF-8", {{"k", "v"}},
                   "ndh=1&c.&.c&ce=UTF-8&c.&k=v&.c"},
        AppendCase{"NestedNodeNamedCDoesNotEndTheBlock", "ndh=1&c.&c.&x=1&.c&user=u&.c&ce=UTF-8",
                   {{"k", "v"}}, "ndh=1&ce=UTF-8&c.&c.&x=1&.c&k=v&user=u&.c"},
        AppendCase{"OnlyTheOutermostBlockCounts", "ndh=1&cid.&c.&id=1&.c&.cid&c.&k=old&.c",
                   {{"k", "new"}}, "ndh=1&cid.&c.&id=1&.c&.cid&c.&k=new&.c"},
        AppendCase{"EmptyDataKeepsTheBody", "ndh=1&c.&k=v&.c", {}, "ndh=1&c.&k=v&.c"},
        AppendCase{"EmptyBodyStaysEmpty", "", {{"k", "v"}}, ""}),
    [](const ::testing::TestParamInfo<AppendCase>& info) { return info.param.name; });

TEST_F(AnalyticsHitDatabaseTest, ContextKeyBeginningWithCSurvivesAMerge) {
    const std::string body = ContextData::EncodeContextData({{"ndh", "1"}}) + "&c." +
                             ContextData::EncodeContextData({{"c.x", "1"}, {"user", "u"}}) + "&.c";
    const std::string merged = database->AppendContextData({{"k", "v"}}, body.substr(1));
    EXPECT_EQ((std::map<std::string, std::string>{{"c.x", "1"}, {"k", "v"}, {"user", "u"}}),
              ContextData::DecodeContextData(merged.substr(merged.find("&c."))));
}

struct ProcessCase {
    const char* name;
    std::function<void(AnalyticsHit&)> hit;
    std::shared_ptr<HttpConnectionInterface> answer;  // null: no connection
    HitProcessingResult expectedResult;
    const char* expectedBody;                         // null: nothing sent
};

class AnalyticsHitProcessorTest : public AnalyticsHitDatabaseTest, public ::testing::WithParamInterface<ProcessCase> {};

TEST_P(AnalyticsHitProcessorTest, DecidesAndSends) {
    auto hit = std::make_shared<AnalyticsHit>();
    hit->url = "ndh=1&n=1";
    hit->server = "https://measure.example.com/b/ss/rs/0/unknown/s";
    hit->timestamp = TimeUtils::GetUnixTimeInSeconds();
    GetParam().hit(*hit);
    network->Then(GetParam().answer);
    EXPECT_EQ(GetParam().expectedResult, module->GetHitProcessor()->Process(hit));
    const auto requests = network->Requests();
    if (GetParam().expectedBody == nullptr) {
        EXPECT_TRUE(requests.empty());
    } else {
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ(GetParam().expectedBody, requests[0].payload);
        EXPECT_EQ(0u, requests[0].url.find(hit->server));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Hits, AnalyticsHitProcessorTest,
    ::testing::Values(
        ProcessCase{"Placeholder", [](AnalyticsHit& hit) { hit.isPlaceholder = true; }, nullptr,
                    HitProcessingResult::DONE, nullptr},
        ProcessCase{"NoServerYet", [](AnalyticsHit& hit) { hit.server.clear(); }, nullptr,
                    HitProcessingResult::RETRY, nullptr},
        ProcessCase{"OnlineHitOlderThanAMinuteIsDropped", [](AnalyticsHit& hit) { hit.timestamp -= 61; },
                    nullptr, HitProcessingResult::DONE, nullptr},
        ProcessCase{"OnlineHitOfAMinuteIsSent", [](AnalyticsHit& hit) { hit.timestamp -= 60; },
                    ScriptedNetworkService::Connection(200, ""), HitProcessingResult::DONE, "ndh=1&n=1"},
        ProcessCase{"OfflineHitIsNeverTooOld",
                    [](AnalyticsHit& hit) {
                        hit.offlineTracking = true;
                        hit.timestamp -= 3 * 3600;
                    },
                    ScriptedNetworkService::Connection(200, ""), HitProcessingResult::DONE, "ndh=1&n=1"},
        ProcessCase{"ServerErrorStillFinishesTheHit", [](AnalyticsHit&) {},
                    ScriptedNetworkService::Connection(500, ""), HitProcessingResult::DONE, "ndh=1&n=1"},
        ProcessCase{"NoConnectionIsRetried", [](AnalyticsHit&) {}, nullptr, HitProcessingResult::RETRY,
                    "ndh=1&n=1"},
        ProcessCase{"StoredFullUrlIsSentFromItsQuery",
                    [](AnalyticsHit& hit) { hit.url = "https://old.example.com/b/ss/rs/s1?AQB=1&ndh=1"; },
                    ScriptedNetworkService::Connection(200, ""), HitProcessingResult::DONE, "AQB=1&ndh=1"}),
    [](const ::testing::TestParamInfo<ProcessCase>& info) { return info.param.name; });

TEST_F(AnalyticsHitDatabaseTest, OfflineHitOlderThanTheLastSentOneIsMovedAfterIt) {
    const std::int64_t now = TimeUtils::GetUnixTimeInSeconds();
    const auto send = [&](std::int64_t timestamp) {
        auto hit = std::make_shared<AnalyticsHit>();
        hit->url = "ndh=1&ts=" + std::to_string(timestamp) + "&x=1";
        hit->server = "https://measure.example.com/b/ss/rs/0/unknown/s";
        hit->offlineTracking = true;
        hit->timestamp = timestamp;
        module->GetHitProcessor()->Process(hit);
    };
    send(now);
    send(now - 100);
    const auto requests = network->Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("ndh=1&ts=" + std::to_string(now + 1) + "&x=1", requests[1].payload);
    EXPECT_EQ(now + 1, database->GetLastHitTimestamp());
}

}  // namespace
}  // namespace NuvraMobile

// The module: requests waiting for shared states, privacy, the clear and queue-size requests and rule
// consequences.

#include <gtest/gtest.h>

#include <algorithm>

#include "analytics/AnalyticsTestSupport.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/Variant.h"
#include "rulesengine/Consequence.h"
#include "rulesengine/ConsequenceSerializer.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

class AnalyticsTest : public AnalyticsModuleFixture {
protected:
    void SetUp() override {
        AnalyticsModuleFixture::SetUp();
        WithoutStates();
    }

    void WithoutStates() { hub->SetSharedStateAnswer(nullptr, false); }

    std::shared_ptr<Event> Action(const std::string& name) {
        return TrackEvent([name](EventData& data) { data.PutString("action", name); });
    }

    std::shared_ptr<Event> AnalyticsRequest(const char* key) {
        return Build(EventType::ANALYTICS, EventSource::REQUEST_CONTENT,
                     [key](EventData& data) { data.PutBoolean(key, true); });
    }

    std::shared_ptr<Event> IdentityRequest() {
        return Build(EventType::ANALYTICS, EventSource::REQUEST_IDENTITY, [](EventData&) {});
    }

    std::shared_ptr<Event> StateChange(const std::string& owner) {
        return Build(EventType::HUB, EventSource::SHARED_STATE,
                     [owner](EventData& data) { data.PutString("stateowner", owner); });
    }

    /** A configuration, as published and as answered. */
    static std::shared_ptr<EventData> ConfigurationData(const std::string& privacy,
                                                        const std::string& server = kServer) {
        auto data = std::make_shared<EventData>();
        data->PutString("analytics.server", server);
        data->PutString("analytics.rsids", "rs");
        data->PutString("global.privacy", privacy);
        return data;
    }

    std::shared_ptr<Event> Configuration(const std::string& privacy, const std::string& server = kServer) {
        return Build(EventType::CONFIGURATION, EventSource::RESPONSE_CONTENT,
                     [&](EventData& data) { data.Merge(ConfigurationData(privacy, server)); });
    }

    std::int64_t StoredHits() { return module->GetHitDatabase()->GetTrackingQueueSize(); }

    /** The queue size answered to the request. */
    std::int64_t AnsweredQueueSize(const std::shared_ptr<Event>& request) {
        for (const auto& answer : Dispatched("QueueSizeValue")) {
            if (answer->GetPairID() == request->GetResponsePairID()) {
                return answer->GetData()->OptLong("queuesize", -1);
            }
        }
        return -1;
    }

    /** Identity answers paired to the request, and identity answers without a pair. */
    std::pair<size_t, size_t> IdentityAnswers(const std::shared_ptr<Event>& request) {
        std::pair<size_t, size_t> counts;
        for (const auto& answer : Dispatched("TrackingIdentifierValue")) {
            if (answer->GetPairID() == request->GetResponsePairID()) {
                ++counts.first;
            } else if (answer->GetPairID().empty()) {
                ++counts.second;
            }
        }
        return counts;
    }
};

TEST_F(AnalyticsTest, RequestsWaitInOrderUntilConfigurationOrIdentityChanges) {
    ScopedCapturingLog log(LoggingMode::Debug);
    Hear(Action("First"));
    Hear(Action("Second"));
    EXPECT_TRUE(log.Service().Contains("Couldn't retrieve shared state for com.nuvra.module.configuration. "
                                       "Please make sure you have registered and configured the "
                                       "com.nuvra.module.configuration extension properly"));
    const auto sizeRequest = AnalyticsRequest("getqueuesize");
    Hear(sizeRequest);
    EXPECT_EQ(2, AnsweredQueueSize(sizeRequest));

    SetStates([](EventData&) {});
    Hear(StateChange("com.nuvra.module.lifecycle"));  // not a dependency: nothing resumes
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty());
    Hear(StateChange("com.nuvra.module.identity"));
    const auto requests = network->WaitForRequests(2);
    ASSERT_EQ(2u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].payload.find("action=First"));
    EXPECT_NE(std::string::npos, requests[1].payload.find("action=Second"));
}

TEST_F(AnalyticsTest, ClearRequestDropsWaitingTrackRequestsButKeepsIdentifierRequests) {
    const auto booted = Build(EventType::HUB, EventSource::BOOTED, [](EventData&) {});
    const auto identity = IdentityRequest();
    const auto forceKick = AnalyticsRequest("forcekick");
    Hear(booted);
    Hear(Action("Waiting"));
    Hear(identity);
    Hear(forceKick);
    Hear(AnalyticsRequest("clearhitsqueue"));
    EXPECT_EQ(0, AnsweredQueueSize(forceKick));
    EXPECT_EQ(std::make_pair(size_t{0}, size_t{0}), IdentityAnswers(identity));

    SetStates([](EventData&) {});
    Hear(StateChange("com.nuvra.module.configuration"));
    EXPECT_EQ(std::make_pair(size_t{1}, size_t{2}), IdentityAnswers(identity));  // booted answers unpaired
    for (const auto& request : network->Requests()) {
        EXPECT_EQ(0u, request.url.find("https://measure.example.com/id")) << "no hit is sent: " << request.url;
    }
    EXPECT_EQ(0, module->GetHitDatabase()->GetTrackingQueueSize());
}

TEST_F(AnalyticsTest, OptOutAnswersEveryWaitingRequestAndClearsHitsAndIdentifiers) {
    storage->Store("AnalyticsDataStorage")->SetString("NUVRAMOBILE_STOREDDEFAULTS_AID", "stored");
    SetStates([](EventData& data) {
        data.PutBoolean("analytics.offlineEnabled", true);
        data.PutInteger("analytics.batchLimit", 10);
    });
    Hear(Action("Stored"));
    ASSERT_EQ(1, module->GetHitDatabase()->GetTrackingQueueSize());
    WithoutStates();
    const auto identity = IdentityRequest();
    const auto forceKick = AnalyticsRequest("forcekick");
    Hear(identity);
    Hear(forceKick);
    Hear(Action("Waiting"));

    const auto optOut = Configuration("optedout");
    Hear(optOut);
    EXPECT_EQ(std::make_pair(size_t{1}, size_t{1}), IdentityAnswers(identity));
    EXPECT_EQ(0, AnsweredQueueSize(forceKick));
    EXPECT_EQ(0, module->GetHitDatabase()->GetTrackingQueueSize());
    EXPECT_FALSE(storage->Store("AnalyticsDataStorage")->Contains("NUVRAMOBILE_STOREDDEFAULTS_AID"));
    bool publishedEmpty = false;
    for (const auto& call : hub->Calls()) {
        publishedEmpty |= call.operation == "CreateSharedState" && call.version == optOut->GetEventNumber() &&
                          call.data && call.data->IsEmpty();
    }
    EXPECT_TRUE(publishedEmpty);
    const auto sizeRequest = AnalyticsRequest("getqueuesize");
    Hear(sizeRequest);
    EXPECT_EQ(0, AnsweredQueueSize(sizeRequest));
}

TEST_F(AnalyticsTest, UnknownPrivacySuspendsTheHitQueueAndOptInResumesIt) {
    Hear(Configuration("optunknown"));
    ASSERT_NE(nullptr, module->GetHitQueue());
    EXPECT_TRUE(module->GetHitQueue()->IsSuspended());
    Hear(Configuration("optedin"));
    EXPECT_FALSE(module->GetHitQueue()->IsSuspended());
}

// A track waits for the identity state and is built with the states of its own event, which can still say
// opt-in after the app has set privacy to unknown: its hit is stored and waits for the app's next choice.
struct HeldHitCase {
    const char* name;
    const char* nextPrivacy;
    size_t sent;
    std::int64_t stored;
};

class AnalyticsHeldHitTest : public AnalyticsTest, public ::testing::WithParamInterface<HeldHitCase> {};

TEST_P(AnalyticsHeldHitTest, HitBuiltUnderOptInIsHeldOnceTheAppSetsPrivacyUnknown) {
    const auto optIn = Configuration("optedin");
    const auto track = Action("BuiltUnderOptIn");
    const auto unknown = Configuration("optunknown");
    const auto identityChange = StateChange("com.nuvra.module.identity");
    const auto next = Configuration(GetParam().nextPrivacy);
    Hear(optIn);
    Hear(track);
    Hear(unknown);
    // As the hub answers: each configuration holds from its event on.
    hub->SetSharedStateAnswerByEvent([&](std::int32_t eventNumber) {
        return ConfigurationData(eventNumber < unknown->GetEventNumber() ? "optedin"
                                 : eventNumber < next->GetEventNumber()  ? "optunknown"
                                                                         : GetParam().nextPrivacy);
    });
    Hear(identityChange);
    ASSERT_EQ(1, StoredHits());
    // Whatever worker the track's kick started has had its turn.
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty());
    EXPECT_EQ(1, StoredHits());

    Hear(next);
    ASSERT_TRUE(threading->WaitUntilIdle());
    const auto requests = network->Requests();
    ASSERT_EQ(GetParam().sent, requests.size());
    for (const auto& request : requests) {
        EXPECT_NE(std::string::npos, request.payload.find("action=BuiltUnderOptIn")) << request.payload;
    }
    EXPECT_EQ(GetParam().stored, StoredHits());
}

INSTANTIATE_TEST_SUITE_P(NextChoice, AnalyticsHeldHitTest,
                         ::testing::Values(HeldHitCase{"OptInSendsIt", "optedin", 1, 0},
                                           HeldHitCase{"OptOutClearsIt", "optedout", 0, 0}),
                         [](const ::testing::TestParamInfo<HeldHitCase>& info) { return info.param.name; });

// A track waits for the identity state while the app opts out and then in. An answer dispatched after both
// requests is handled before the track is built, so the newest configuration Analytics knows is the opt-in,
// but the opt-out came after the track: its hit is never sent, even before the opt-out's own answer.
TEST_F(AnalyticsTest, HitMadeBeforeAnOptOutIsNeverSentOnceALaterOptInIsKnown) {
    const auto track = Action("MadeBeforeTheOptOut");
    const auto optOut = Configuration("optedout");
    const auto optIn = Configuration("optedin");
    const auto laterAnswer = Configuration("optedin");
    Hear(track);
    hub->SetSharedStateAnswerByEvent([&](std::int32_t eventNumber) {
        return ConfigurationData(eventNumber < optOut->GetEventNumber()  ? "optunknown"
                                 : eventNumber < optIn->GetEventNumber() ? "optedout"
                                                                         : "optedin");
    });
    Hear(laterAnswer);
    Hear(StateChange("com.nuvra.module.identity"));
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty());

    Hear(optOut);
    Hear(optIn);
    ASSERT_TRUE(threading->WaitUntilIdle());
    EXPECT_TRUE(network->Requests().empty());
    EXPECT_EQ(0, StoredHits());
}

/** Hands the hit queue an executor whose tasks run only when the test runs them. */
class ManualThreadingService : public Object, public virtual ThreadingServiceInterface {
public:
    std::shared_ptr<TaskExecutorInterface> CreateSequentialTaskExecutor(const std::string&) override {
        return executor;
    }
    std::shared_ptr<TaskExecutorInterface> CreateParallelTaskExecutor(const std::string&) override {
        return executor;
    }

    const std::shared_ptr<ManualTaskExecutor> executor = std::make_shared<ManualTaskExecutor>();
};

// The app sets privacy to unknown and tracks. The track is built with the configuration at its own event,
// which is unknown, and can be built before Analytics has handled that configuration's answer, while the
// last answer it handled is still the launch's opt-in. The hit queue's worker runs only when the test runs
// it, so a worker that the launch's opt-in started and that takes its first hit late is played too.
class AnalyticsUnknownPrivacyTest : public AnalyticsTest {
protected:
    void SetUp() override {
        services->threadingService = worker;
        AnalyticsTest::SetUp();
    }

    /** Reserves the unknown request's event, after the launch's opt-in answer. */
    void AppSetsPrivacyUnknown() {
        const auto unknownRequest = Build(EventType::CONFIGURATION, EventSource::REQUEST_CONTENT, [](EventData&) {});
        held_.emplace_back(unknownRequest->GetEventNumber(), "optunknown");
    }

    /** An answer whose configuration the hub holds from its event on as `holds`. */
    std::shared_ptr<Event> Answer(const char* privacy, const char* holds) {
        auto answer = Configuration(privacy);
        held_.emplace_back(answer->GetEventNumber(), holds);
        return answer;
    }

    /**
     * From now on the hub answers each event with the configuration that holds there, as set so far and
     * by later answers, plus `extra`.
     */
    void HubHoldsTheConfigurations(const std::function<void(EventData&)>& extra = [](EventData&) {}) {
        hub->SetSharedStateAnswerByEvent([this, extra](std::int32_t eventNumber) {
            std::string privacy;
            for (const auto& [from, holds] : held_) {
                privacy = eventNumber >= from ? holds : privacy;
            }
            auto data = ConfigurationData(privacy);
            extra(*data);
            return data;
        });
    }

    void HearTheLaunchAnswer() { Hear(launchAnswer_); }

    /** Runs the worker; the measurement hits it sent so far. */
    std::vector<ScriptedNetworkService::Request> RunTheWorker() {
        worker->executor->RunAll();
        return network->Requests();
    }

    std::shared_ptr<ManualThreadingService> worker = std::make_shared<ManualThreadingService>();

private:
    const std::shared_ptr<Event> launchAnswer_ = Configuration("optedin");
    std::vector<std::pair<std::int32_t, std::string>> held_{{0, "optedin"}};
};

// The hit waits for an opt-in of a later event, and an opt-out clears it. An opt-in answered late, of a
// request made before the unknown one, releases nothing.
struct AnswerAfterTheTrack {
    const char* privacy;
    const char* holds;  // what the hub holds from the answer's event on
};

struct UnknownHitCase {
    const char* name;
    std::vector<AnswerAfterTheTrack> answers;
    size_t sent;
    std::int64_t stored;
};

class AnalyticsUnknownHitTest : public AnalyticsUnknownPrivacyTest,
                                public ::testing::WithParamInterface<UnknownHitCase> {};

TEST_P(AnalyticsUnknownHitTest, HitBuiltUnderUnknownWaitsForAnOptInOfALaterEvent) {
    AppSetsPrivacyUnknown();
    const auto track = Action("BuiltUnderUnknown");
    std::vector<std::shared_ptr<Event>> answers;
    for (const auto& answer : GetParam().answers) {
        answers.push_back(Answer(answer.privacy, answer.holds));
    }
    HubHoldsTheConfigurations();
    HearTheLaunchAnswer();
    ASSERT_EQ(1u, worker->executor->PendingCount()) << "the launch's opt-in brings the worker online";
    Hear(track);
    ASSERT_EQ(1, StoredHits());
    EXPECT_TRUE(RunTheWorker().empty());

    for (const auto& answer : answers) {
        Hear(answer);
    }
    const auto requests = RunTheWorker();
    ASSERT_EQ(GetParam().sent, requests.size());
    for (const auto& request : requests) {
        EXPECT_NE(std::string::npos, request.payload.find("action=BuiltUnderUnknown")) << request.payload;
    }
    EXPECT_EQ(GetParam().stored, StoredHits());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AnalyticsUnknownHitTest,
    ::testing::Values(
        UnknownHitCase{"OptInAfterItSendsIt", {{"optunknown", "optunknown"}, {"optedin", "optedin"}}, 1, 0},
        UnknownHitCase{"OptOutAfterItClearsIt", {{"optunknown", "optunknown"}, {"optedout", "optedout"}}, 0, 0},
        UnknownHitCase{"LateOptInOfAnEarlierRequestKeepsIt", {{"optedin", "optunknown"}}, 0, 1}),
    [](const ::testing::TestParamInfo<UnknownHitCase>& info) { return info.param.name; });

// Every other kick of the queue keeps the hit too, before the unknown configuration's answer was handled:
// a forced send, the end of the lifecycle wait by its expiry or by the lifecycle data, and a pause. The
// hit is sent once an opt-in comes.
enum class KickBy { FORCED_SEND, WAIT_EXPIRY, LIFECYCLE_DATA, PAUSE };

struct KickCase {
    const char* name;
    KickBy kick;
    std::int64_t lifecycleWaitMs;  // 0: no lifecycle start before the track
};

class AnalyticsUnknownHitKickTest : public AnalyticsUnknownPrivacyTest,
                                    public ::testing::WithParamInterface<KickCase> {
protected:
    void SetUp() override {
        module = std::make_shared<Analytics>(GetParam().lifecycleWaitMs);
        AnalyticsUnknownPrivacyTest::SetUp();
    }

    std::shared_ptr<Event> LifecycleRequest(const char* action) {
        return Build(EventType::GENERIC_LIFECYCLE, EventSource::REQUEST_CONTENT,
                     [action](EventData& data) { data.PutString("action", action); });
    }

    void Kick() {
        switch (GetParam().kick) {
            case KickBy::FORCED_SEND:
                Hear(AnalyticsRequest("forcekick"));
                break;
            case KickBy::WAIT_EXPIRY:
                while (module->GetProperties()->IsLifecycleTimerRunning()) {
                    ASSERT_TRUE(executor->WaitForPending(std::chrono::seconds(10)));
                    executor->RunAll();
                }
                break;
            case KickBy::LIFECYCLE_DATA:
                Hear(Build(EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT, [](EventData& data) {
                    data.PutStringMap("lifecyclecontextdata", {{"launches", "3"}});
                }));
                break;
            case KickBy::PAUSE:
                Hear(LifecycleRequest("pause"));
                break;
        }
    }
};

TEST_P(AnalyticsUnknownHitKickTest, KickKeepsAHitBuiltUnderUnknown) {
    AppSetsPrivacyUnknown();
    const bool batched = GetParam().kick == KickBy::FORCED_SEND;
    HubHoldsTheConfigurations([batched](EventData& data) {
        // Offline batching holds the track's own kick back, as a wait does.
        data.PutBoolean("analytics.offlineEnabled", batched);
        data.PutInteger("analytics.batchLimit", 10);
    });
    HearTheLaunchAnswer();
    if (GetParam().lifecycleWaitMs > 0) {
        // Run with the track, before it: the wait holds the track's hit, and the wait's expiry comes later.
        hub->DriveListeners(module, LifecycleRequest("start"));
    }
    Hear(Action("BuiltUnderUnknown"));
    Kick();
    EXPECT_TRUE(RunTheWorker().empty());
    ASSERT_EQ(1, StoredHits());

    Hear(Answer("optedin", "optedin"));
    Hear(AnalyticsRequest("forcekick"));  // past the batching
    const auto requests = RunTheWorker();
    ASSERT_EQ(1u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].payload.find("action=BuiltUnderUnknown")) << requests[0].payload;
}

constexpr std::int64_t kLongWaitMs = 600000;

INSTANTIATE_TEST_SUITE_P(Kicks, AnalyticsUnknownHitKickTest,
                         ::testing::Values(KickCase{"ForcedSend", KickBy::FORCED_SEND, 0},
                                           KickCase{"LifecycleWaitExpiry", KickBy::WAIT_EXPIRY, 1},
                                           KickCase{"LifecycleDataEndsTheWait", KickBy::LIFECYCLE_DATA, kLongWaitMs},
                                           KickCase{"Pause", KickBy::PAUSE, kLongWaitMs}),
                         [](const ::testing::TestParamInfo<KickCase>& info) { return info.param.name; });

// A configuration answer can be handled after a request built with a newer configuration stored its hit.
// The answer's kick points every stored row at one server, which must never be one the configuration has
// left, while a newer answer still moves the hits stored before it. The device is offline until the answer
// was handled, so the worker then sends the row to the server it was left with. The track is heard first;
// it may be an event made after the answer's, which the module hears late.
struct LateAnswerCase {
    const char* name;
    const char* serverAtTheTrack;
    const char* serverAtTheAnswer;  // null: a newer configuration is still pending there
    const char* answeredServer;
    bool trackMadeAfterTheAnswer = false;
};

class AnalyticsLateAnswerTest : public AnalyticsTest, public ::testing::WithParamInterface<LateAnswerCase> {
protected:
    void SetOnline(bool online) {
        systemInfo->Update([online](FakeSystemInfoService::Answers& answers) {
            answers.networkConnectionStatus =
                online ? ConnectionStatus::CONNECTED : ConnectionStatus::DISCONNECTED;
        });
    }
};

TEST_P(AnalyticsLateAnswerTest, StoredHitGoesToTheNewestServer) {
    SetOnline(false);
    const auto& versions = GetParam();
    std::shared_ptr<Event> track;
    std::shared_ptr<Event> answer;
    if (versions.trackMadeAfterTheAnswer) {
        answer = Configuration("optedin", versions.answeredServer);
        track = Action("Tracked");
    } else {
        track = Action("Tracked");
        answer = Configuration("optedin", versions.answeredServer);
    }
    hub->SetSharedStateAnswerByEvent([&](std::int32_t eventNumber) -> std::shared_ptr<EventData> {
        const bool trackIsLater = versions.trackMadeAfterTheAnswer;
        const char* server = eventNumber < std::max(track->GetEventNumber(), answer->GetEventNumber())
                                 ? (trackIsLater ? versions.serverAtTheAnswer : versions.serverAtTheTrack)
                                 : (trackIsLater ? versions.serverAtTheTrack : versions.serverAtTheAnswer);
        if (!server) {
            return SHARED_STATE_PENDING;
        }
        auto states = std::make_shared<EventData>();
        states->PutString("analytics.server", server);
        states->PutString("analytics.rsids", "rs");
        states->PutString("global.privacy", "optedin");
        return states;
    });
    Hear(track);
    Hear(answer);
    ASSERT_TRUE(threading->WaitUntilIdle());
    ASSERT_TRUE(network->Requests().empty());

    SetOnline(true);
    module->GetHitQueue()->BringOnline();
    const auto requests = network->WaitForRequests(1);
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(0u, requests[0].url.find("https://new.example.com/b/ss/rs/")) << requests[0].url;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AnalyticsLateAnswerTest,
    ::testing::Values(
        LateAnswerCase{"OlderAnswerAfterAHitOfANewerConfiguration", "new.example.com", "new.example.com",
                       "old.example.com"},
        LateAnswerCase{"OlderAnswerWhileAStillNewerConfigurationIsPending", "new.example.com", nullptr,
                       "old.example.com"},
        LateAnswerCase{"NewerAnswerMovesTheHitsStoredBeforeIt", "old.example.com", "new.example.com",
                       "new.example.com"},
        LateAnswerCase{"OlderAnswerHeardAfterALaterTrackOfANewerConfiguration", "new.example.com",
                       "old.example.com", "old.example.com", true}),
    [](const ::testing::TestParamInfo<LateAnswerCase>& info) { return info.param.name; });

struct ConsequenceCase {
    const char* name;
    const char* id;
    const char* type;
    bool tracked;
};

class AnalyticsConsequenceTest : public AnalyticsTest, public ::testing::WithParamInterface<ConsequenceCase> {};

TEST_P(AnalyticsConsequenceTest, OnlyAnalyticsConsequencesWithAnIdAreTracked) {
    SetStates([](EventData&) {});
    const Consequence consequence(GetParam().id, GetParam().type, "",
                                  {{"action", Variant::FromString("FromRule")},
                                   {"contextdata", Variant::FromVariantMap({{"k", Variant::FromString("v")}})}});
    Hear(Build(EventType::RULES_ENGINE, EventSource::RESPONSE_CONTENT, [&](EventData& data) {
        data.PutVariant("triggeredconsequence", ConsequenceSerializer().Serialize(consequence));
    }));
    if (GetParam().tracked) {
        const auto requests = network->WaitForRequests(1);
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ(0u, requests[0].payload.find("ndh=1&c.&a.&action=FromRule&.a&k=v&.c"));
    } else {
        ASSERT_TRUE(threading->WaitUntilIdle());
        EXPECT_EQ(0, module->GetHitDatabase()->GetTrackingQueueSize());
        EXPECT_TRUE(network->Requests().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Consequences, AnalyticsConsequenceTest,
                         ::testing::Values(ConsequenceCase{"Analytics", "c1", "an", true},
                                           ConsequenceCase{"WithoutId", "", "an", false},
                                           ConsequenceCase{"OtherType", "c1", "pb", false}),
                         [](const ::testing::TestParamInfo<ConsequenceCase>& info) { return info.param.name; });

}  // namespace
}  // namespace NuvraMobile

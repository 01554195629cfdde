#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/hub/EventHubInner.h"
#include "core/hub/EventHubOuter.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/module/ModuleEventListener.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "rulesengine/Rule.h"
#include "rulesengine/RulesEngine.h"
#include "rulesengine/RulesEngineTestSupport.h"
#include "support/CapturingLoggingService.h"
#include "support/FakePlatformServices.h"
#include "support/HubTestSupport.h"
#include "support/RecordingModule.h"
#include "support/ThreadSignals.h"
#include "support/UnansweringNetworkService.h"

namespace NuvraMobile {
namespace {

using std::chrono::milliseconds;

constexpr const char* STATE_CHANGE = "STATE_CHANGE_EVENT";

std::vector<int32_t> NumbersOf(const std::vector<std::shared_ptr<Event>>& events) {
    std::vector<int32_t> numbers;
    for (const auto& event : events) {
        numbers.push_back(event->GetEventNumber());
    }
    return numbers;
}

std::vector<int32_t> Consecutive(int32_t first, int32_t count) {
    std::vector<int32_t> numbers;
    for (int32_t number = first; number < first + count; ++number) {
        numbers.push_back(number);
    }
    return numbers;
}

std::shared_ptr<Event> EventNumbered(int32_t number) {
    return EventBuilder("reader", EventType::CUSTOM, EventSource::NONE).SetEventNumber(number).Build();
}

std::string ValueOf(const std::shared_ptr<EventData>& data) {
    return data ? data->OptString("value", "") : "null";
}

/** Waits until the module has heard every event dispatched so far, by dispatching a marker after them. */
void Flush(EventHub& hub, const RecordingModule& module) {
    const auto marker = MakeTestEvent("flush");
    hub.Dispatch(marker);
    ASSERT_TRUE(WaitUntil([&] {
        const auto events = module.GetEvents();
        return std::find(events.begin(), events.end(), marker) != events.end();
    }));
}

class EventHubTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A sanitizer runtime starts a helper thread along with the first thread: let it start before
        // counting.
        std::thread([] {}).join();
        threadsBefore_ = CountProcessThreads();
        threading_ = std::make_shared<RecordingThreadingService>();
        services_ = std::make_shared<FakePlatformServices>();
        services_->threadingService = threading_;
        const EventHub::PlatformServicesFactory factory = [services = services_] { return services; };
        hub_ = std::make_shared<EventHubOuter>("TestHub", factory, idlePeriod_,
                                               [factory](const std::shared_ptr<EventHub>& hub) {
                                                   return std::make_shared<RulesEngine>(hub, factory);
                                               });
    }

    void TearDown() override { EXPECT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT)); }

    std::shared_ptr<RecordingModule> AddModule(
        const std::string& name, const std::function<void(RecordingModule&)>& configure = nullptr) {
        auto module = std::make_shared<RecordingModule>(name);
        if (configure) {
            configure(*module);
        }
        hub_->RegisterModule(module);
        EXPECT_TRUE(module->WaitUntilRegistered());
        return module;
    }

    EventHubInner& Inner() { return *std::static_pointer_cast<EventHubOuter>(hub_)->GetInner(); }

    /** Adds a module whose listener holds the hub on the event "hold", dispatched here, until the gate opens.
     */
    std::shared_ptr<RecordingModule> AddModuleHoldingTheHub(const Gate& gate) {
        auto module = AddModule("com.test.holding", [this, &gate](RecordingModule& m) {
            m.SetHearHook([this, &gate](RecordingModule&, const std::shared_ptr<Event>& event) {
                if (event->GetName() == "hold") {
                    holding_.Raise();
                    gate.Hold();
                }
            });
        });
        hub_->Dispatch(MakeTestEvent("hold"));
        EXPECT_TRUE(holding_.WaitFor(1));
        return module;
    }

    std::chrono::milliseconds idlePeriod_ = EventHubOuter::DEFAULT_IDLE_PERIOD;
    std::size_t threadsBefore_ = 0;
    std::shared_ptr<RecordingThreadingService> threading_;
    std::shared_ptr<FakePlatformServices> services_;
    std::shared_ptr<EventHub> hub_;
    SignalCounter holding_;
};

TEST_F(EventHubTest, BootedEventIsSentByTheIdleTurnWhenNoEventComes) {
    const auto module = AddModule("com.test.alpha");
    SignalCounter callbackRan;
    std::vector<std::string> heardBeforeCallback;
    hub_->FinishModulesRegistration([&] {
        heardBeforeCallback = module->GetEventNames();
        callbackRan.Raise();
    });
    ASSERT_TRUE(callbackRan.WaitFor(1));
    EXPECT_EQ(std::vector<std::string>{"EventHub"}, heardBeforeCallback);
    const auto booted = module->GetEvents().front();
    EXPECT_EQ(EventType::HUB, booted->GetEventType());
    EXPECT_EQ(EventSource::BOOTED, booted->GetEventSource());
    EXPECT_EQ(0, booted->GetEventNumber());

    hub_->FinishModulesRegistration(nullptr);
    Flush(*hub_, *module);
    EXPECT_EQ((std::vector<std::string>{"EventHub", "flush"}), module->GetEventNames());
}

/** A hub whose heartbeat never comes within a test: idle turns happen only where the test asks. */
class EventHubWithoutHeartbeatTest : public EventHubTest {
protected:
    EventHubWithoutHeartbeatTest() { idlePeriod_ = std::chrono::hours(1); }

    // Unregistering modules finish their stages in idle turns, which the heartbeat would request.
    void TearDown() override {
        EXPECT_TRUE(WaitUntil([this] {
            hub_->RequestIdle();
            return hub_->Dispose(milliseconds(10));
        }));
    }
};

// The event queued behind "hold" is the first the hub handles after the start, so its own pass must
// send the booted event before it numbers the event.
TEST_F(EventHubWithoutHeartbeatTest, BootedEventPrecedesAnEventQueuedBeforeTheStart) {
    Gate gate;
    const auto module = AddModuleHoldingTheHub(gate);
    hub_->Dispatch(MakeTestEvent("queued"));
    SignalCounter callbackRan;
    hub_->FinishModulesRegistration([&] { callbackRan.Raise(); });
    gate.Open();
    ASSERT_TRUE(callbackRan.WaitFor(1));
    Flush(*hub_, *module);
    EXPECT_EQ((std::vector<std::string>{"hold", "EventHub", "queued", "flush"}), module->GetEventNames());
    EXPECT_EQ(Consecutive(0, 4), NumbersOf(module->GetEvents()));
}

TEST_F(EventHubTest, EventsBeforeTheStartTakeTheFirstNumbers) {
    const auto module = AddModule("com.test.alpha");
    hub_->Dispatch(MakeTestEvent("a"));
    hub_->Dispatch(MakeTestEvent("b"));
    ASSERT_TRUE(module->WaitForEventCount(2));
    hub_->FinishModulesRegistration(nullptr);
    ASSERT_TRUE(module->WaitForEventCount(3));
    EXPECT_EQ((std::vector<std::string>{"a", "b", "EventHub"}), module->GetEventNames());
    EXPECT_EQ(Consecutive(0, 3), NumbersOf(module->GetEvents()));
}

TEST_F(EventHubTest, WithoutModulesEventsAreStillNumberedAndAnswered) {
    std::vector<int32_t> numbers;
    SignalCounter heard;
    for (const char* pairId : {"first", "second"}) {
        hub_->RegisterOneTimeListener<EventHubTest>(pairId, [&](const std::shared_ptr<Event>& event) {
            numbers.push_back(event->GetEventNumber());
            heard.Raise();
        });
    }
    hub_->Dispatch(MakeTestEvent("one", "first"));
    hub_->Dispatch(MakeTestEvent("two", "second"));
    ASSERT_TRUE(heard.WaitFor(2));
    EXPECT_EQ((std::vector<int32_t>{0, 1}), numbers);
}

TEST_F(EventHubTest, AnEventOlderThanItsPredecessorIsOnlyLogged) {
    ScopedCapturingLog log(LoggingMode::Debug);
    const auto module = AddModule("com.test.alpha");
    hub_->Dispatch(EventBuilder("newer", EventType::CUSTOM, EventSource::NONE).SetTimestamp(2000).Build());
    hub_->Dispatch(EventBuilder("older", EventType::CUSTOM, EventSource::NONE).SetTimestamp(1000).Build());
    ASSERT_TRUE(module->WaitForEventCount(2));
    EXPECT_EQ((std::vector<std::string>{"newer", "older"}), module->GetEventNames());
    EXPECT_TRUE(
        log.Service().Contains("Out of order event timestamp (1000) last event timestamp was (2000)"));
}

TEST_F(EventHubTest, EveryModuleHearsEveryEventInDispatchOrder) {
    const std::vector<std::shared_ptr<RecordingModule>> modules = {
        AddModule("com.test.alpha"), AddModule("com.test.beta"), AddModule("com.test.gamma")};
    std::vector<std::shared_ptr<Event>> dispatched;
    for (int index = 0; index < 20; ++index) {
        dispatched.push_back(MakeTestEvent("e" + std::to_string(index)));
        hub_->Dispatch(dispatched.back());
    }
    for (const auto& module : modules) {
        ASSERT_TRUE(module->WaitForEventCount(dispatched.size()));
        EXPECT_EQ(dispatched, module->GetEvents());
    }
    EXPECT_EQ(Consecutive(0, 20), NumbersOf(dispatched));
}

/** Parameter: whether the first module's processor ends the event instead of replacing it. */
class EventHubProcessorTest : public EventHubTest, public ::testing::WithParamInterface<bool> {};

TEST_P(EventHubProcessorTest, ProcessorsMayReplaceOrEndTheEvent) {
    const bool endsTheEvent = GetParam();
    const auto replacement = MakeTestEvent("replacement");
    std::mutex mutex;
    std::vector<std::string> secondProcessorSaw;
    const auto first = AddModule("com.test.first", [&](RecordingModule& m) {
        m.SetProcessor([&](const std::shared_ptr<Event>& event) {
            return event->GetName() == "original" ? (endsTheEvent ? nullptr : replacement) : event;
        });
    });
    const auto second = AddModule("com.test.second", [&](RecordingModule& m) {
        m.SetProcessor([&](const std::shared_ptr<Event>& event) {
            std::lock_guard<std::mutex> lock(mutex);
            secondProcessorSaw.push_back(event->GetName());
            return event;
        });
    });
    const auto original = MakeTestEvent("original", "pair");
    SignalCounter oneTimeHeard;
    hub_->RegisterOneTimeListener<EventHubTest>("pair",
                                                [&](const std::shared_ptr<Event>&) { oneTimeHeard.Raise(); });
    hub_->Dispatch(original);
    Flush(*hub_, *second);
    const auto expected =
        endsTheEvent ? std::vector<std::string>{"flush"} : std::vector<std::string>{"replacement", "flush"};
    EXPECT_EQ(expected, first->GetEventNames());
    EXPECT_EQ(expected, second->GetEventNames());
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(expected, secondProcessorSaw);
    }
    if (endsTheEvent) {
        EXPECT_EQ(0, oneTimeHeard.Count()) << "an ended event takes no one-time listener";
        hub_->Dispatch(MakeTestEvent("answer", "pair"));
        EXPECT_TRUE(oneTimeHeard.WaitFor(1));
    } else {
        EXPECT_EQ(original->GetEventNumber(), replacement->GetEventNumber());
    }
}

INSTANTIATE_TEST_SUITE_P(ReplaceOrEnd, EventHubProcessorTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "End" : "Replace";
                         });

TEST_F(EventHubTest, PairedEventsReachTheirOneTimeListenersLastAndOnce) {
    std::mutex mutex;
    std::vector<std::string> order;
    auto note = [&](const std::string& entry) {
        std::lock_guard<std::mutex> lock(mutex);
        order.push_back(entry);
    };
    const auto module = AddModule("com.test.alpha", [&](RecordingModule& m) {
        m.SetHearHook([&](RecordingModule&, const std::shared_ptr<Event>& event) {
            note("listener " + event->GetName());
        });
    });
    const auto request = MakeTestEvent("request");
    const std::string pairId = request->GetResponsePairID();
    hub_->RegisterOneTimeListener<EventHubTest>(
        pairId, [&](const std::shared_ptr<Event>& e) { note("first " + e->GetName()); });
    hub_->RegisterOneTimeListener<EventHubTest>(
        pairId, [&](const std::shared_ptr<Event>& e) { note("second " + e->GetName()); });
    hub_->Dispatch(request);
    hub_->Dispatch(MakeTestEvent("response", pairId));
    hub_->Dispatch(MakeTestEvent("late response", pairId));
    Flush(*hub_, *module);
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ((std::vector<std::string>{"listener request", "listener response", "first response",
                                        "second response", "listener late response", "listener flush"}),
              order);
}

TEST_F(EventHubTest, AFailingOneTimeListenerDoesNotKeepTheOthersFromTheirAnswer) {
    const auto module = AddModule("com.test.alpha");
    SignalCounter secondHeard;
    hub_->RegisterOneTimeListener<EventHubTest>(
        "answer", [](const std::shared_ptr<Event>&) { Throw("general.unexpected", "callback failed"); });
    hub_->RegisterOneTimeListener<EventHubTest>("answer",
                                                [&](const std::shared_ptr<Event>&) { secondHeard.Raise(); });
    hub_->Dispatch(MakeTestEvent("response", "answer"));
    EXPECT_TRUE(secondHeard.WaitFor(1));
}

TEST_F(EventHubTest, AStatePublishedWithItsEventKeepsItsDataWhenTheEventChanges) {
    const auto owner = AddModule("com.test.owner", [](RecordingModule& m) {
        m.SetProcessor([](const std::shared_ptr<Event>& event) {
            event->GetData()->PutString("value", "changed while the event was processed");
            return event;
        });
    });
    const auto carrier = MakeTestEvent("carrier");
    carrier->GetData()->PutString("value", "as published");
    hub_->CreateSharedStateAndDispatchEvent(owner, carrier->GetData(), carrier);
    Flush(*hub_, *owner);
    EXPECT_EQ("changed while the event was processed", ValueOf(carrier->GetData()));
    EXPECT_EQ("as published", ValueOf(hub_->GetSharedEventState("com.test.owner", carrier, owner)));
}

TEST_F(EventHubTest, SharedStatesThroughTheHub) {
    const auto owner = AddModule("Com.Test.Owner");
    const auto reader = AddModule("com.test.reader");
    const auto data = MakeStateData("published");
    const auto carrier = MakeTestEvent("carrier");
    hub_->CreateSharedStateAndDispatchEvent(owner, data, carrier);
    data->PutString("value", "changed by the publisher");
    Flush(*hub_, *reader);
    const int32_t n = carrier->GetEventNumber();
    EXPECT_EQ("published",
              ValueOf(hub_->GetSharedEventState("com.test.owner", EventNumbered(n + 1), reader)));
    EXPECT_EQ("published", ValueOf(hub_->GetSharedEventState("COM.TEST.OWNER", nullptr, reader)));

    hub_->CreateSharedState(owner, n + 5, SHARED_STATE_PENDING);
    EXPECT_EQ("published",
              ValueOf(hub_->GetSharedEventState("com.test.owner", EventNumbered(n + 4), reader)));
    EXPECT_EQ("null", ValueOf(hub_->GetSharedEventState("com.test.owner", EventNumbered(n + 6), reader)));
    hub_->UpdateSharedState(owner, n + 5, MakeStateData("filled"));
    EXPECT_EQ("filled", ValueOf(hub_->GetSharedEventState("com.test.owner", EventNumbered(n + 6), reader)));

    hub_->UpdateSharedState(owner, n + 5, MakeStateData("refused: filled once"));
    hub_->CreateSharedState(owner, n + 5, MakeStateData("refused: not after the last version"));
    EXPECT_EQ("filled", ValueOf(hub_->GetSharedEventState("com.test.owner", EventNumbered(n + 6), reader)));
    EXPECT_TRUE(hub_->HasSharedEventState("com.TEST.owner"));

    Flush(*hub_, *reader);
    std::vector<std::string> owners;
    for (const auto& event : reader->GetEvents()) {
        if (event->GetName() == STATE_CHANGE) {
            EXPECT_EQ(EventType::HUB, event->GetEventType());
            EXPECT_EQ(EventSource::SHARED_STATE, event->GetEventSource());
            owners.push_back(event->GetData()->OptString("stateowner", ""));
        }
    }
    EXPECT_EQ(std::vector<std::string>(3, "com.test.owner"), owners) << "one per accepted write";
}

TEST_F(EventHubTest, StateWrittenAtAnEventIsSeenFromThatEventOn) {
    const auto owner = AddModule("com.test.owner");
    SignalCounter checked;
    std::vector<std::string> seen;
    const auto reader = AddModule("com.test.reader", [&](RecordingModule& m) {
        m.SetHearHook([&](RecordingModule&, const std::shared_ptr<Event>& event) {
            if (event->GetName() == "carrier") {
                seen.push_back(ValueOf(hub_->GetSharedEventState("com.test.owner", event, nullptr)));
                checked.Raise();
            }
        });
    });
    hub_->CreateSharedState(owner, 0, MakeStateData("before"));
    hub_->CreateSharedStateAndDispatchEvent(owner, MakeStateData("at the carrier"), MakeTestEvent("carrier"));
    ASSERT_TRUE(checked.WaitFor(1));
    EXPECT_EQ(std::vector<std::string>{"at the carrier"}, seen);
}

TEST_F(EventHubTest, AVersionlessWriteTakesTheNextNumber) {
    const auto owner = AddModule("com.test.owner");
    hub_->Dispatch(MakeTestEvent("first"));
    ASSERT_TRUE(owner->WaitForEventCount(1));
    hub_->CreateOrUpdateSharedState(owner, MakeStateData("versionless"));
    Flush(*hub_, *owner);
    EXPECT_EQ((std::vector<std::string>{"first", STATE_CHANGE, "flush"}), owner->GetEventNames());
    EXPECT_EQ((std::vector<int32_t>{0, 2, 3}), NumbersOf(owner->GetEvents()))
        << "the state shares number 2 with the next event; number 1 is skipped";
    EXPECT_EQ("versionless", ValueOf(hub_->GetSharedEventState("com.test.owner", EventNumbered(2), nullptr)));
}

TEST_F(EventHubTest, ClearingAModuleThatNeverWroteStillAnnouncesIt) {
    const auto module = AddModule("Com.Test.Silent");
    hub_->ClearSharedStates(module);
    Flush(*hub_, *module);
    ASSERT_EQ((std::vector<std::string>{STATE_CHANGE, "flush"}), module->GetEventNames());
    EXPECT_EQ("com.test.silent", module->GetEvents().front()->GetData()->OptString("stateowner", ""));
}

TEST_F(EventHubTest, HasSharedEventStateCountsPendingButNotInvalid) {
    const auto pending = AddModule("com.test.pending");
    const auto invalid = AddModule("com.test.invalid");
    hub_->CreateSharedState(pending, 0, SHARED_STATE_PENDING);
    hub_->CreateSharedState(invalid, 0, SHARED_STATE_INVALID);
    EXPECT_TRUE(hub_->HasSharedEventState("COM.TEST.PENDING"));
    EXPECT_FALSE(hub_->HasSharedEventState("com.test.invalid"));
    EXPECT_FALSE(hub_->HasSharedEventState("com.test.unknown"));
}

TEST_F(EventHubTest, ModulesReadingEachOthersStatesAreReported) {
    ScopedCapturingLog log(LoggingMode::Error);
    const auto x = AddModule("Module.X");
    const auto y = AddModule("Module.Y");
    hub_->GetSharedEventState("Module.Y", nullptr, x);
    hub_->GetSharedEventState("Module.Y", nullptr, x);
    EXPECT_TRUE(log.Service().GetLines().empty());
    hub_->GetSharedEventState("Module.X", nullptr, y);
    hub_->GetSharedEventState("module.y", nullptr, x);
    EXPECT_EQ(
        (std::vector<std::string>{
            "Circular shared-state dependency between Module.Y and Module.X, you may have a live-lock."}),
        log.Service().GetMessages())
        << "names are compared as written";
}

TEST_F(EventHubTest, NullArgumentsAreRefused) {
    const auto module = AddModule("com.test.alpha");
    struct Case {
        const char* message;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"Provided event was null", [&] { hub_->Dispatch(nullptr); }},
        {"Provided event was null",
         [&] { hub_->CreateSharedStateAndDispatchEvent(module, nullptr, nullptr); }},
        {"Provided module was null",
         [&] { hub_->CreateSharedStateAndDispatchEvent(nullptr, MakeStateData("x"), MakeTestEvent("e")); }},
        {"Provided module was null", [&] { hub_->CreateSharedState(nullptr, 1, MakeStateData("x")); }},
        {"Provided module was null", [&] { hub_->CreateOrUpdateSharedState(nullptr, MakeStateData("x")); }},
        {"Provided module was null", [&] { hub_->ClearSharedStates(nullptr); }},
        {"Provided module was null", [&] { hub_->RegisterModule(nullptr); }},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.message);
        try {
            testCase.call();
            ADD_FAILURE() << "no error";
        } catch (const SdkError& error) {
            EXPECT_EQ("general.invalid_argument", error.GetCode());
            EXPECT_EQ(testCase.message, error.GetMessage());
        }
    }
}

TEST_F(EventHubTest, ModuleNamesMustBePresentAndUniqueIgnoringCase) {
    AddModule("com.test.alpha");
    EXPECT_TRUE(hub_->IsRegisteredModule("COM.Test.Alpha"));
    EXPECT_FALSE(hub_->IsRegisteredModule("com.test.beta"));
    struct Case {
        const char* name;
        const char* code;
        const char* message;
    };
    const Case cases[] = {
        {"", "external_module.bad_module_name", "Extensions must have a name"},
        {"Com.Test.ALPHA", "external_module.dup_module_name",
         "Name conflicts with previously registered name"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        try {
            hub_->RegisterModule(std::make_shared<RecordingModule>(testCase.name));
            ADD_FAILURE() << "no error";
        } catch (const SdkError& error) {
            EXPECT_EQ(testCase.code, error.GetCode());
            EXPECT_EQ(testCase.message, error.GetMessage());
        }
    }
}

TEST_F(EventHubTest, ConcurrentRegistrationsOfOneNameAcceptOne) {
    const std::vector<std::string> spellings = {"com.test.same", "COM.TEST.SAME", "Com.Test.Same",
                                                "com.TEST.same"};
    std::atomic<int> accepted{0};
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    for (const auto& spelling : spellings) {
        threads.emplace_back([&, spelling] {
            try {
                hub_->RegisterModule(std::make_shared<RecordingModule>(spelling));
                ++accepted;
            } catch (const SdkError& error) {
                EXPECT_EQ("external_module.dup_module_name", error.GetCode());
                ++refused;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(1, accepted);
    EXPECT_EQ(3, refused);
}

TEST_F(EventHubTest, CreationNeedsAFactoryAndServices) {
    const EventHub::PlatformServicesFactory factories[] = {
        nullptr, [] { return std::shared_ptr<PlatformServicesInterface>(); }};
    for (const auto& factory : factories) {
        try {
            EventHub::Create("Broken", factory);
            ADD_FAILURE() << "no error";
        } catch (const SdkError& error) {
            EXPECT_EQ("general.invalid_argument", error.GetCode());
        }
    }
}

TEST_F(EventHubTest, RuleErrorsAreLoggedAndSwallowed) {
    ScopedCapturingLog log(LoggingMode::Debug);
    const auto module = AddModule("com.test.rules");
    hub_->RegisterRule(module, nullptr);
    hub_->ReplaceRulesSet(module, {});
    hub_->UnregisterAllRules(module);
    EXPECT_TRUE(log.Service().Contains("Failed to register rule (attempted to register null rule)"));
}

TEST_F(EventHubTest, AModulesRulesLeaveWithIt) {
    const auto owner = AddModule("com.test.owner");
    const auto listener = AddModule("com.test.listener");
    hub_->FinishModulesRegistration(nullptr);
    const auto postback = ConsequenceEvent("p", "pb", {{"k", Variant::FromString("v")}});
    hub_->RegisterRule(owner, std::make_shared<Rule>(Matches("action", "eq", R"(["buy"])"),
                                                     std::vector<std::shared_ptr<Event>>{postback}));
    const auto dispatchBuyAndWait = [&] {
        hub_->Dispatch(
            TrackEvent(std::make_shared<EventData>(std::map<std::string, std::string>{{"action", "buy"}})));
        // Twice: a consequence is queued while its event is handled, behind the first marker.
        Flush(*hub_, *listener);
        Flush(*hub_, *listener);
        const auto names = listener->GetEventNames();
        return std::count(names.begin(), names.end(), "Rules Event");
    };
    ASSERT_EQ(1, dispatchBuyAndWait());

    owner->UnregisterModule();
    ASSERT_TRUE(owner->WaitUntilUnregistered());
    ASSERT_TRUE(WaitUntil([&] { return !hub_->IsRegisteredModule("com.test.owner"); }));
    EXPECT_EQ(1, dispatchBuyAndWait());
}

TEST_F(EventHubTest, AHubWithoutARulesEngineRefusesRulesAndStillDeliversEvents) {
    ASSERT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT));
    hub_ = EventHub::Create("NoRules", [services = services_] { return services; });
    ScopedCapturingLog log(LoggingMode::Debug);
    const auto owner = AddModule("com.test.owner");
    hub_->FinishModulesRegistration(nullptr);
    const auto postback = ConsequenceEvent("p", "pb", {{"k", Variant::FromString("v")}});
    hub_->RegisterRule(owner, std::make_shared<Rule>(Matches("action", "eq", R"(["buy"])"),
                                                     std::vector<std::shared_ptr<Event>>{postback}));
    hub_->ReplaceRulesSet(owner, {});
    hub_->UnregisterAllRules(owner);
    hub_->Dispatch(
        TrackEvent(std::make_shared<EventData>(std::map<std::string, std::string>{{"action", "buy"}})));
    Flush(*hub_, *owner);
    Flush(*hub_, *owner);

    const auto names = owner->GetEventNames();
    EXPECT_EQ(0, std::count(names.begin(), names.end(), "Rules Event"));
    EXPECT_EQ(1, std::count(names.begin(), names.end(), "Track"));
    EXPECT_TRUE(log.Service().Contains("Failed to register rule (This hub was made without a rules engine)"));
    EXPECT_TRUE(log.Service().Contains("Failed to replace rules for module"));
}

// The sender goes on reading its event while the hub's rules attach data: it must never see a change,
// and ThreadSanitizer must see no race.
TEST_F(EventHubTest, RulesAttachDataToTheHubsCopyNeverToTheSendersEvent) {
    const auto module = AddModule("com.test.alpha");
    hub_->FinishModulesRegistration(nullptr);
    const auto attach = ConsequenceEvent(
        "a", "add", {{"eventdata", Variant::FromVariantMap({{"tier", Variant::FromString("gold")}})}});
    hub_->RegisterRule(module, std::make_shared<Rule>(Matches("action", "eq", R"(["buy"])"),
                                                      std::vector<std::shared_ptr<Event>>{attach}));
    const auto held = std::make_shared<EventData>(std::map<std::string, std::string>{{"action", "buy"}});
    const auto sent = TrackEvent(held);
    const auto heardTrack = [&] {
        const auto names = module->GetEventNames();
        return std::find(names.begin(), names.end(), "Track") != names.end();
    };

    hub_->Dispatch(sent);
    do {
        ASSERT_EQ(held, sent->GetData());
        ASSERT_FALSE(sent->GetData()->ContainsKey("tier"));
    } while (!heardTrack());

    std::shared_ptr<Event> heard;
    for (const auto& event : module->GetEvents()) {
        heard = event->GetName() == "Track" ? event : heard;
    }
    EXPECT_EQ("gold", heard->GetData()->OptString("tier", ""));
    EXPECT_EQ(sent->GetUniqueIdentifier(), heard->GetUniqueIdentifier());
    EXPECT_EQ(sent->GetEventNumber(), heard->GetEventNumber());
    EXPECT_EQ(held, sent->GetData());
    EXPECT_FALSE(held->ContainsKey("tier"));
}

class SignallingListener : public ModuleEventListener<RecordingModule> {
public:
    explicit SignallingListener(SignalCounter& registered) : registered_(registered) {}
    void Hear(const std::shared_ptr<Event>&) override {}
    void OnRegistered() override { registered_.Raise(); }

private:
    SignalCounter& registered_;
};

TEST_F(EventHubTest, AnIdleRequestGivesModulesTheirHubSideTurnWithoutEvents) {
    const auto module = AddModule("com.test.alpha");
    SignalCounter registered;
    module->RegisterListener(std::make_shared<SignallingListener>(registered), EventType::CUSTOM,
                             EventSource::NONE);
    EXPECT_TRUE(registered.WaitFor(1));
    EXPECT_TRUE(module->GetEvents().empty());
}

TEST_F(EventHubTest, TheHeartbeatRequestsIdleTurnsByItself) {
    const auto executors = threading_->GetExecutors();
    ASSERT_EQ(1u, executors.size()) << "the pool \"master\"";
    // Without modules or events, the only work on the pool is the hub queue running idle turns.
    const std::size_t before = executors.front()->GetAddedCount();
    EXPECT_TRUE(WaitUntil([&] { return executors.front()->GetAddedCount() >= before + 2; }));
}

TEST_F(EventHubTest, DisposeUnregistersEveryModuleAndEndsEveryThread) {
    const auto alpha = AddModule("com.test.alpha");
    const auto beta = AddModule("com.test.beta");
    hub_->FinishModulesRegistration(nullptr);
    ASSERT_TRUE(alpha->WaitForEventCount(1));
    ASSERT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT));
    EXPECT_EQ(EventHubInner::DISPOSED, Inner().GetState());
    EXPECT_TRUE(alpha->WaitUntilUnregistered(milliseconds(0)));
    EXPECT_TRUE(beta->WaitUntilUnregistered(milliseconds(0)));
    EXPECT_FALSE(hub_->IsRegisteredModule("com.test.alpha"));
    EXPECT_EQ(2, services_->disposals.load()) << "each module's own services";
    for (const auto& executor : threading_->GetExecutors()) {
        EXPECT_TRUE(executor->IsDisposed());
    }
    EXPECT_TRUE(WaitUntil([&] { return CountProcessThreads() <= threadsBefore_; }));
    EXPECT_TRUE(hub_->Dispose(milliseconds(0))) << "a disposed hub answers at once";
}

// Waiting inside the hub's own task could never end: the call only starts the disposal, which
// then completes without it. Unfixed, the call would outwait the signal.
TEST_F(EventHubTest, DisposeFromTheHubsOwnTasksStartsTheDisposalAndReturnsAtOnce) {
    ScopedCapturingLog log(LoggingMode::Warning);
    const auto module = AddModule("com.test.alpha");
    SignalCounter returned;
    bool disposed = true;
    hub_->FinishModulesRegistration([&] {
        disposed = hub_->Dispose(2 * SIGNAL_TIMEOUT);
        returned.Raise();
    });
    ASSERT_TRUE(returned.WaitFor(1));
    EXPECT_FALSE(disposed);
    EXPECT_TRUE(log.Service().Contains("Dispose called from one of the hub's own tasks"));
    EXPECT_TRUE(module->WaitUntilUnregistered());
    EXPECT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT));
}

// Two listeners of one event run on two threads, the hub's and one of the pool's, since the first
// holds its thread until the second has returned from its Dispose.
TEST_F(EventHubTest, DisposeFromAListenerOnEitherThreadOfThePassReturnsAtOnce) {
    SignalCounter holding;
    SignalCounter returned;
    SignalCounter held;
    std::atomic<bool> returnedInTime{false};
    std::atomic<bool> disposed{true};
    AddModule("com.test.holding", [&](RecordingModule& m) {
        m.SetHearHook([&](RecordingModule&, const std::shared_ptr<Event>& event) {
            if (event->GetName() == "dispose") {
                holding.Raise();
                returnedInTime = returned.WaitFor(1);
                held.Raise();
            }
        });
    });
    AddModule("com.test.disposing", [&](RecordingModule& m) {
        m.SetHearHook([&](RecordingModule&, const std::shared_ptr<Event>& event) {
            if (event->GetName() == "dispose" && holding.WaitFor(1)) {
                disposed = hub_->Dispose(2 * SIGNAL_TIMEOUT);
                returned.Raise();
            }
        });
    });
    hub_->Dispatch(MakeTestEvent("dispose"));
    ASSERT_TRUE(held.WaitFor(1, 3 * SIGNAL_TIMEOUT));
    EXPECT_TRUE(returnedInTime);
    EXPECT_FALSE(disposed);
    EXPECT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT));
}

TEST_F(EventHubTest, DisposeWithoutModulesFinishes) {
    EXPECT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT));
    EXPECT_EQ(EventHubInner::DISPOSED, Inner().GetState());
}

TEST_F(EventHubTest, EventsDispatchedBeforeDisposeAreHandledAndLaterOnesDropped) {
    Gate gate;
    const auto module = AddModuleHoldingTheHub(gate);
    hub_->Dispatch(MakeTestEvent("queued"));
    std::thread disposer([&] { EXPECT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT)); });
    ASSERT_TRUE(WaitUntil([&] { return Inner().IsDraining(); }));
    EXPECT_NO_THROW(hub_->Dispatch(MakeTestEvent("after")));
    gate.Open();
    disposer.join();
    EXPECT_EQ((std::vector<std::string>{"hold", "queued"}), module->GetEventNames());
}

TEST_F(EventHubTest, EventsAndOneTimeListenersAfterUnregistrationBeginsAreDropped) {
    Gate gate;
    const auto module = AddModuleHoldingTheHub(gate);
    // The held pass outlasts the drain's share of the time, so the modules start to unregister behind it.
    EXPECT_FALSE(hub_->Dispose(milliseconds(50)));
    ASSERT_EQ(EventHubInner::UNREGISTERING_MODULES, Inner().GetState());
    EXPECT_NO_THROW(hub_->Dispatch(MakeTestEvent("after")));
    SignalCounter oneTimeHeard;
    hub_->RegisterOneTimeListener<EventHubTest>("",
                                                [&](const std::shared_ptr<Event>&) { oneTimeHeard.Raise(); });
    gate.Open();
    EXPECT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT));
    EXPECT_EQ(std::vector<std::string>{"hold"}, module->GetEventNames());
    EXPECT_EQ(0, oneTimeHeard.Count());
}

TEST_F(EventHubTest, AModuleThatCannotFinishUnregisteringKeepsTheHubWaiting) {
    const auto module = AddModule("com.test.busy");
    Gate gate;
    SignalCounter started;
    module->AddTaskToQueue("busy", [&] {
        started.Raise();
        gate.Hold();
    });
    ASSERT_TRUE(started.WaitFor(1));
    EXPECT_FALSE(hub_->Dispose(milliseconds(50)));
    EXPECT_EQ(EventHubInner::UNREGISTERING_MODULES, Inner().GetState());
    gate.Open();
    EXPECT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT)) << "a later call goes on waiting";
}

struct HeldRequestCase {
    const char* name;
    milliseconds limit;
    bool aborts;
};

class EventHubHeldRequestTest : public EventHubTest, public ::testing::WithParamInterface<HeldRequestCase> {};

// A module held in a request of its own never reaches its unregistration. When a waiting Dispose's time is
// up, the hub aborts its modules' requests, so that nothing is left waiting for a server once Dispose has
// returned. A Dispose that only starts aborts nothing: the modules abort their own requests as they
// unregister, once their hit queues have stopped.
TEST_P(EventHubHeldRequestTest, OnlyADisposeWhoseTimeRunsOutAbortsTheRequestsOfABusyModule) {
    const auto network = std::make_shared<UnansweringNetworkService>();
    services_->networkService = network;
    const auto module = AddModule("com.test.requesting");
    SignalCounter started;
    module->AddTaskToQueue("request", [&] {
        started.Raise();
        network->ConnectUrl("https://collector.example/hit", HttpCommandType::GET, "", {}, 30, 30);
    });
    ASSERT_TRUE(started.WaitFor(1));
    EXPECT_FALSE(hub_->Dispose(GetParam().limit));
    EXPECT_EQ(GetParam().aborts, network->IsDisposed());
    network->Dispose(0);  // lets the task end when the hub did not
    EXPECT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT));
}

INSTANTIATE_TEST_SUITE_P(Limits, EventHubHeldRequestTest,
                         ::testing::Values(HeldRequestCase{"TimeRunsOut", milliseconds(50), true},
                                           HeldRequestCase{"NoWait", milliseconds(0), false}),
                         [](const ::testing::TestParamInfo<HeldRequestCase>& info) {
                             return info.param.name;
                         });

TEST_F(EventHubTest, RegistrationEndsWhenDisposalBegins) {
    ASSERT_TRUE(hub_->Dispose(SIGNAL_TIMEOUT));
    const auto late = std::make_shared<RecordingModule>("com.test.late");
    hub_->RegisterModule(late);
    EXPECT_FALSE(late->IsRegistered());
    EXPECT_FALSE(hub_->IsRegisteredModule("com.test.late"));
    bool called = false;
    hub_->FinishModulesRegistration([&] { called = true; });
    EXPECT_FALSE(called);
}

}  // namespace
}  // namespace NuvraMobile

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/hub/OneTimeListener.h"
#include "core/module/HitSenderInterface.h"
#include "core/module/InternalModule.h"
#include "core/module/ModuleEventDispatcher.h"
#include "core/module/ModuleEventListener.h"
#include "core/module/ModuleEventProcessorBase.h"
#include "core/module/ModuleMemberTask.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/ManualTaskExecutor.h"
#include "support/UnansweringNetworkService.h"

namespace NuvraMobile {
namespace {

const char* const STATE_NAME = "com.nuvra.module.test";

class TestModule : public InternalModule {
public:
    TestModule() : InternalModule("test.module") {}

    std::string GetSharedStateName() const override { return STATE_NAME; }
    using InternalModule::StopBeforeAbort;

    std::function<void(TestModule&)> onRegistered;
    std::function<void(TestModule&)> onUnregistered;
    int registeredCalls = 0;
    int unregisteredCalls = 0;
    std::vector<std::string> journal;

protected:
    void OnRegistered() override {
        ++registeredCalls;
        if (onRegistered) {
            onRegistered(*this);
        }
    }
    void OnUnregistered() override {
        ++unregisteredCalls;
        if (onUnregistered) {
            onUnregistered(*this);
        }
    }
};

// Writes what happens to it into its parent module's journal.
class JournalListener : public ModuleEventListener<TestModule> {
public:
    explicit JournalListener(std::string name) : name_(std::move(name)) {}

    void Hear(const std::shared_ptr<Event>& event) override {
        WithParentModule("TestModuleListener", [&](TestModule& module) {
            module.journal.push_back(name_ + " hears " + event->GetName());
        });
    }
    void OnRegistered() override { Write(name_ + " registered"); }
    void OnUnregistered() override { Write(name_ + " unregistered"); }

private:
    void Write(const std::string& entry) {
        if (auto module = GetParentModule()) {
            module->journal.push_back(entry);
        }
    }

    std::string name_;
};

class WildcardListener : public JournalListener {
public:
    WildcardListener() : JournalListener("wildcard") {}
};

class TestDispatcher : public ModuleEventDispatcher<TestModule> {};

std::shared_ptr<Event> MakeEvent(const std::string& name,
                                 const std::shared_ptr<EventType>& type = EventType::CUSTOM,
                                 const std::shared_ptr<EventSource>& source = EventSource::REQUEST_CONTENT,
                                 const std::string& pairId = "") {
    return EventBuilder(name, type, source).SetPairID(pairId).Build();
}

class ModuleTest : public ::testing::Test {
protected:
    void TearDown() override { executor->Dispose(); }

    void Register() {
        hub->Register(module, executor);
        hub->DriveIdle(module);
    }

    // Runs the staged unregistration to its end, as the hub's idle turns and the executor would.
    void CompleteUnregistration() {
        hub->DriveIdle(module);
        executor->RunAll();
        hub->DriveIdle(module);
    }

    std::vector<std::string> Warnings() {
        std::vector<std::string> warnings;
        for (const auto& line : log.Service().GetLines()) {
            if (line.level == LoggingMode::Warning) {
                EXPECT_EQ(STATE_NAME, line.tag);
                warnings.push_back(line.message);
            }
        }
        return warnings;
    }

    ScopedCapturingLog log{LoggingMode::Trace};
    std::shared_ptr<FakeEventHub> hub = std::make_shared<FakeEventHub>();
    std::shared_ptr<ManualTaskExecutor> executor = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<TestModule> module = std::make_shared<TestModule>();
};

TEST_F(ModuleTest, RegistrationRunsOnRegisteredOnceOnTheHubSide) {
    EXPECT_FALSE(module->IsRegistered());
    EXPECT_EQ(nullptr, module->GetEventHub());
    hub->Register(module, executor);
    EXPECT_TRUE(module->IsRegistered());
    EXPECT_EQ(hub, module->GetEventHub());
    EXPECT_EQ(0, module->registeredCalls);
    EXPECT_EQ(1, hub->IdleRequestCount());
    hub->DriveIdle(module);
    hub->DriveIdle(module);
    EXPECT_EQ(1, module->registeredCalls);
    EXPECT_TRUE(module->IsInternal());
}

TEST_F(ModuleTest, StagedUnregistrationEndsWithExactlyOneNotification) {
    Register();
    auto listener = std::make_shared<JournalListener>("listener");
    module->RegisterListener(listener, EventType::CUSTOM, EventSource::REQUEST_CONTENT);
    hub->DriveIdle(module);

    module->UnregisterModule();
    module->UnregisterModule();
    EXPECT_FALSE(module->IsRegistered());

    hub->DriveIdle(module);
    EXPECT_TRUE(listener->IsFullyUnregistered());
    EXPECT_EQ(nullptr, listener->GetParentModule());
    EXPECT_EQ(1, module->unregisteredCalls);
    EXPECT_EQ(1u, executor->PendingCount());  // the last task
    EXPECT_TRUE(hub->UnregisteredModules().empty());

    executor->RunAll();
    EXPECT_TRUE(executor->DisposeRequested());
    hub->DriveIdle(module);
    hub->DriveIdle(module);
    hub->DriveListeners(module, MakeEvent("late"));

    ASSERT_EQ(1u, hub->UnregisteredModules().size());
    EXPECT_EQ(module.get(), hub->UnregisteredModules()[0]);
    EXPECT_EQ(1, module->unregisteredCalls);
    EXPECT_EQ(nullptr, module->GetEventHub());
    EXPECT_EQ((std::vector<std::string>{"listener registered", "listener unregistered"}), module->journal);
}

// A module stops what sends (its hit queues) in OnUnregistered; its own requests are aborted after that, so
// that the hit in hand keeps its row, and before its unregistration tasks wait for the queues to end.
TEST_F(ModuleTest, UnregistrationAbortsTheModulesRequestsAfterOnUnregisteredAndBeforeItsTasks) {
    const auto services = std::make_shared<FakePlatformServices>();
    const auto network = std::make_shared<UnansweringNetworkService>();
    services->networkService = network;
    bool abortedBeforeTheHook = true;
    bool abortedBeforeTheTask = false;
    module->onUnregistered = [&](TestModule& self) {
        abortedBeforeTheHook = network->IsDisposed();
        self.AddTaskToQueue(
            "unregistration", [&] { abortedBeforeTheTask = network->IsDisposed(); }, ModuleTaskOptions{true});
    };
    hub->Register(module, executor, services);
    hub->DriveIdle(module);

    module->UnregisterModule();
    CompleteUnregistration();

    EXPECT_FALSE(abortedBeforeTheHook);
    EXPECT_TRUE(abortedBeforeTheTask);
}

/** Notes, at each stop, whether the network's requests had already been aborted; runs `onFirstStop` once. */
class RecordingSender : public HitSenderInterface {
public:
    explicit RecordingSender(std::shared_ptr<UnansweringNetworkService> network,
                             std::function<void()> onFirstStop = nullptr)
        : network_(std::move(network)), onFirstStop_(std::move(onFirstStop)) {}

    void StopSending() override {
        abortedAtStop.push_back(network_->IsDisposed());
        if (abortedAtStop.size() == 1 && onFirstStop_) {
            onFirstStop_();
        }
    }

    std::vector<bool> abortedAtStop;

private:
    const std::shared_ptr<UnansweringNetworkService> network_;
    const std::function<void()> onFirstStop_;
};

// An aborted request looks like a refused one, so a hit queue's hit in hand keeps its row only when the queue
// was stopped first: at unregistration, and when the hub's Dispose runs out of time while a task of the
// module still runs (the module's own OnUnregistered has not run then, and its lock must not be needed).
TEST_F(ModuleTest, EveryAbortStopsTheModulesHitSendersFirst) {
    const std::vector<std::pair<const char*, std::function<void()>>> aborts = {
        {"unregistration",
         [this] {
             module->UnregisterModule();
             CompleteUnregistration();
         }},
        {"the hub's abort inside a running task",
         [this] {
             module->AddTaskToQueue("busy", [this] { hub->DriveAbort(module); });
             executor->RunAll();
         }},
    };
    for (const auto& [name, abort] : aborts) {
        SCOPED_TRACE(name);
        hub = std::make_shared<FakeEventHub>();
        executor = std::make_shared<ManualTaskExecutor>();
        module = std::make_shared<TestModule>();
        const auto services = std::make_shared<FakePlatformServices>();
        const auto network = std::make_shared<UnansweringNetworkService>();
        services->networkService = network;
        const auto sender = std::make_shared<RecordingSender>(network);
        module->onRegistered = [&sender](TestModule& self) { self.StopBeforeAbort(sender); };
        hub->Register(module, executor, services);
        hub->DriveIdle(module);

        abort();

        ASSERT_TRUE(network->IsDisposed());
        EXPECT_EQ(std::vector<bool>{false}, sender->abortedAtStop);
    }
}

// The hub's abort and the module's own unregistration may run at once: an abort made while another one is
// stopping the senders stops them all too before it aborts.
TEST_F(ModuleTest, AnAbortMadeWhileAnotherStopsTheSendersStillStopsThemAllFirst) {
    const auto services = std::make_shared<FakePlatformServices>();
    const auto network = std::make_shared<UnansweringNetworkService>();
    services->networkService = network;
    const auto first = std::make_shared<RecordingSender>(network, [this] { hub->DriveAbort(module); });
    const auto second = std::make_shared<RecordingSender>(network);
    module->onRegistered = [&](TestModule& self) {
        self.StopBeforeAbort(first);
        self.StopBeforeAbort(second);
    };
    hub->Register(module, executor, services);
    hub->DriveIdle(module);

    hub->DriveAbort(module);

    ASSERT_FALSE(second->abortedAtStop.empty());
    EXPECT_FALSE(second->abortedAtStop.front());
}

TEST_F(ModuleTest, AHitSenderAddedAfterTheAbortIsStoppedAtOnce) {
    const auto services = std::make_shared<FakePlatformServices>();
    const auto network = std::make_shared<UnansweringNetworkService>();
    services->networkService = network;
    hub->Register(module, executor, services);
    hub->DriveIdle(module);
    hub->DriveAbort(module);

    const auto sender = std::make_shared<RecordingSender>(network);
    module->StopBeforeAbort(sender);
    EXPECT_EQ(std::vector<bool>{true}, sender->abortedAtStop);
}

// Before registration a task is dropped with a warning; once the module unregisters, a normal task is
// dropped: one queued before and not yet run is counted for the one line of the disposal, one queued after
// comes from the unregistration itself and is not.
TEST_F(ModuleTest, TasksOutsideTheRegisteredStateAreDroppedWithAWarningOrCounted) {
    module->AddTaskToQueue("early", [] { ADD_FAILURE(); });
    Register();
    int ran = 0;
    module->AddTaskToQueue("queued", [&] { ++ran; });
    module->AddTaskToQueue(
        "kept", [&] { ran += 10; }, ModuleTaskOptions{true});
    module->UnregisterModule();
    module->AddTaskToQueue("late", [&] { ++ran; });
    module->AddTaskToQueue(
        "late but kept", [&] { ran += 100; }, ModuleTaskOptions{true});
    executor->RunAll();

    EXPECT_EQ(110, ran);
    EXPECT_EQ((std::vector<std::string>{"Dropping task scheduled during construction. Task: \"early\""}),
              Warnings());
    EXPECT_EQ(1, hub->DroppedTasksOf(module));
}

TEST_F(ModuleTest, ATaskThatThrowsIsReportedAndTheQueueGoesOn) {
    Register();
    bool nextRan = false;
    module->AddTaskToQueue("boom", [] { Throw("general.unexpected", "bad input"); });
    module->AddTaskToQueue("next", [&] { nextRan = true; });
    executor->RunAll();
    EXPECT_TRUE(nextRan);
    EXPECT_EQ((std::vector<std::string>{"Task threw an error.\nTask: \"boom\"\nError:\nbad input"}),
              Warnings());
}

TEST_F(ModuleTest, UnregistrationWaitsForTheRunningTaskEvenWhenItThrows) {
    Register();
    module->AddTaskToQueue("unregister and fail", [&] {
        module->UnregisterModule();
        hub->DriveIdle(module);
        EXPECT_EQ(0, module->unregisteredCalls);
        Throw("general.unexpected", "failed");
    });
    const int idleRequestsBefore = hub->IdleRequestCount();
    executor->RunNext();
    EXPECT_GT(hub->IdleRequestCount(), idleRequestsBefore + 1);  // UnregisterModule, then the task's end
    CompleteUnregistration();
    EXPECT_EQ(1, module->unregisteredCalls);
    EXPECT_EQ(1u, hub->UnregisteredModules().size());
}

// Member tasks are normal tasks: once the module begins to unregister, neither one queued before that
// nor one queued after runs.
TEST_F(ModuleTest, MemberTasksQueuedBeforeOrAfterUnregisterModuleDoNotRunThen) {
    Register();
    std::vector<std::string> ran;
    QueueMemberTask(*module, "queued before", [&ran](TestModule&) { ran.push_back("queued before"); });
    module->UnregisterModule();
    QueueMemberTask(*module, "queued after", [&ran](TestModule&) { ran.push_back("queued after"); });
    CompleteUnregistration();

    EXPECT_EQ(std::vector<std::string>{}, ran);
    EXPECT_EQ(1u, hub->UnregisteredModules().size());
    EXPECT_EQ(std::vector<std::string>{}, Warnings());
    EXPECT_EQ(1, hub->DroppedTasksOf(module));
}

// The hub side goes on with an unregistration only once the member task that runs meanwhile has ended:
// its listeners and OnUnregistered may be what the task is using.
TEST_F(ModuleTest, UnregistrationWaitsForTheRunningMemberTask) {
    Register();
    auto listener = std::make_shared<JournalListener>("listener");
    module->RegisterListener(listener, EventType::CUSTOM, EventSource::REQUEST_CONTENT);
    hub->DriveIdle(module);
    QueueMemberTask(*module, "running", [this](TestModule& self) {
        self.UnregisterModule();
        hub->DriveIdle(module);
        EXPECT_EQ(0, self.unregisteredCalls);
        self.journal.push_back("task ends");
    });
    executor->RunNext();
    CompleteUnregistration();

    EXPECT_EQ((std::vector<std::string>{"listener registered", "task ends", "listener unregistered"}),
              module->journal);
    EXPECT_EQ(1, module->unregisteredCalls);
    EXPECT_EQ(1u, hub->UnregisteredModules().size());
}

TEST_F(ModuleTest, AnExecutorThatRefusesTheLastTaskDoesNotStallUnregistration) {
    Register();
    module->UnregisterModule();
    executor->Dispose();
    hub->DriveIdle(module);
    EXPECT_EQ(1u, hub->UnregisteredModules().size());
}

TEST_F(ModuleTest, ASecondListenerForAPairReplacesTheFirst) {
    Register();
    auto first = std::make_shared<JournalListener>("first");
    auto second = std::make_shared<JournalListener>("second");
    module->RegisterListener(first, EventType::CUSTOM, EventSource::REQUEST_CONTENT);
    module->RegisterListener(second, EventType::CUSTOM, EventSource::REQUEST_CONTENT);
    hub->DriveListeners(module, MakeEvent("e"));
    EXPECT_EQ((std::vector<std::string>{"first registered", "first unregistered", "second registered",
                                        "second hears e"}),
              module->journal);
    EXPECT_EQ(EventType::CUSTOM, second->GetEventType());
    EXPECT_EQ(EventSource::REQUEST_CONTENT, second->GetEventSource());
    EXPECT_FALSE(second->IsOneTime());
}

TEST_F(ModuleTest, UnregisteringAnAbsentListenerQueuesNothing) {
    Register();
    const int idleRequests = hub->IdleRequestCount();
    module->UnregisterListener(EventType::CUSTOM, EventSource::REQUEST_CONTENT);
    module->UnregisterWildCardListener();
    EXPECT_EQ(idleRequests, hub->IdleRequestCount());
}

TEST_F(ModuleTest, OnlyTheWildcardListenerHearsPairedEvents) {
    Register();
    module->RegisterListener(std::make_shared<JournalListener>("ordinary"), EventType::CUSTOM,
                             EventSource::REQUEST_CONTENT);
    module->RegisterWildCardListener<WildcardListener>();
    hub->DriveIdle(module);
    module->journal.clear();

    hub->DriveListeners(module, MakeEvent("request"));
    hub->DriveListeners(module, MakeEvent("response", EventType::CUSTOM, EventSource::REQUEST_CONTENT, "17"));
    hub->DriveListeners(module, MakeEvent("other", EventType::HUB, EventSource::BOOTED));
    EXPECT_EQ((std::vector<std::string>{"wildcard hears request", "ordinary hears request",
                                        "wildcard hears response", "wildcard hears other"}),
              module->journal);
}

TEST_F(ModuleTest, ListenersRegisteredDuringOnRegisteredAreToldInTheSameDrain) {
    std::shared_ptr<JournalListener> listener;
    module->onRegistered = [&](TestModule& m) {
        listener = std::make_shared<JournalListener>("listener");
        m.RegisterListener(listener, EventType::HUB, EventSource::BOOTED);
    };
    Register();
    ASSERT_TRUE(listener);
    EXPECT_TRUE(listener->IsFullyRegistered());
}

TEST_F(ModuleTest, RegistrationOperationsOutsideTheRegisteredStateDoNothing) {
    auto listener = std::make_shared<JournalListener>("listener");
    module->RegisterListener(listener, EventType::CUSTOM, EventSource::REQUEST_CONTENT);
    auto early = module->CreateDispatcher<TestDispatcher>();
    ASSERT_TRUE(early);
    early->Dispatch(MakeEvent("dropped"));
    Register();
    hub->DriveListeners(module, MakeEvent("e"));
    EXPECT_TRUE(module->journal.empty());
    EXPECT_EQ(nullptr, listener->GetParentModule());
    EXPECT_TRUE(hub->DispatchedEvents().empty());
}

TEST_F(ModuleTest, DispatchersReachTheHubUntilTheModuleUnregisters) {
    Register();
    auto dispatcher = module->CreateDispatcher<TestDispatcher>();
    hub->DriveIdle(module);
    EXPECT_TRUE(dispatcher->IsFullyRegistered());
    EXPECT_EQ(module, dispatcher->GetParentModule());

    dispatcher->Dispatch(MakeEvent("sent"));
    module->UnregisterModule();
    CompleteUnregistration();
    dispatcher->Dispatch(MakeEvent("dropped"));

    EXPECT_TRUE(dispatcher->IsFullyUnregistered());
    ASSERT_EQ(1u, hub->DispatchedEvents().size());
    EXPECT_EQ("sent", hub->DispatchedEvents()[0]->GetName());
}

TEST_F(ModuleTest, SharedStateOperationsReachTheHubOnlyWhileRegistered) {
    auto data = std::make_shared<EventData>();
    auto event = MakeEvent("e");
    hub->SetSharedStateAnswer(data, true);
    const std::vector<std::function<void()>> operations = {
        [&] { module->CreateSharedState(3, data); },
        [&] { module->UpdateSharedState(4, data); },
        [&] { module->CreateOrUpdateSharedState(5, data); },
        [&] { module->CreateOrUpdateSharedState(data); },
        [&] { module->ClearSharedStates(); },
        [&] { module->GetSharedEventState("other", event); },
        [&] { module->HasSharedEventState("other"); },
    };
    for (const auto& operation : operations) {
        operation();
    }
    EXPECT_TRUE(hub->Calls().empty());
    EXPECT_EQ(nullptr, module->GetSharedEventState("other", event));
    EXPECT_FALSE(module->HasSharedEventState("other"));

    Register();
    for (const auto& operation : operations) {
        operation();
    }
    EXPECT_EQ(data, module->GetSharedEventState("other", event));
    EXPECT_TRUE(module->HasSharedEventState("other"));
    const auto calls = hub->Calls();
    const std::vector<std::pair<std::string, int32_t>> expected = {
        {"CreateSharedState", 3},         {"UpdateSharedState", 4},
        {"CreateOrUpdateSharedState", 5}, {"CreateOrUpdateSharedStateWithoutVersion", 0},
        {"ClearSharedStates", 0},         {"GetSharedEventState", 0},
        {"HasSharedEventState", 0},
    };
    ASSERT_EQ(expected.size() + 2, calls.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].first, calls[i].operation);
        EXPECT_EQ(expected[i].second, calls[i].version);
    }
    EXPECT_EQ(module.get(), calls[0].module);
    EXPECT_EQ(data, calls[0].data);
    EXPECT_EQ(module.get(), calls[5].module);
    EXPECT_EQ(event, calls[5].event);
    EXPECT_EQ("other", calls[5].stateName);

    module->UnregisterModule();
    module->CreateSharedState(9, data);
    EXPECT_EQ(calls.size(), hub->Calls().size());
}

TEST_F(ModuleTest, RuleOperationsNeedOnlyAHub) {
    module->RegisterRule(nullptr);
    EXPECT_TRUE(hub->Calls().empty());
    Register();
    module->UnregisterModule();
    module->RegisterRule(nullptr);
    module->ReplaceRulesSet({});
    module->UnregisterAllRules();
    module->CreateSharedStateAndDispatchEvent(nullptr, MakeEvent("e"));
    std::vector<std::string> operations;
    for (const auto& call : hub->Calls()) {
        operations.push_back(call.operation);
    }
    EXPECT_EQ((std::vector<std::string>{"RegisterRule", "ReplaceRulesSet", "UnregisterAllRules",
                                        "CreateSharedStateAndDispatchEvent"}),
              operations);
}

class ChainProcessor : public ModuleEventProcessorBase {
public:
    explicit ChainProcessor(std::function<std::shared_ptr<Event>(const std::shared_ptr<Event>&)> process)
        : process_(std::move(process)) {}
    std::shared_ptr<Event> Process(const std::shared_ptr<Event>& event) override { return process_(event); }

private:
    std::function<std::shared_ptr<Event>(const std::shared_ptr<Event>&)> process_;
};

TEST_F(ModuleTest, ProcessorsReplaceTheEventInRegistrationOrder) {
    auto event = MakeEvent("original");
    auto replaced = MakeEvent("replaced");
    std::shared_ptr<Event> replacement;
    EXPECT_FALSE(hub->DriveProcessors(module, event, replacement));
    Register();
    EXPECT_FALSE(hub->DriveProcessors(module, event, replacement));

    std::vector<std::string> seen;
    module->RegisterProcessor(std::make_shared<ChainProcessor>([&](const std::shared_ptr<Event>& e) {
        seen.push_back(e->GetName());
        return replaced;
    }));
    module->RegisterProcessor(
        std::make_shared<ChainProcessor>([&](const std::shared_ptr<Event>& e) -> std::shared_ptr<Event> {
            seen.push_back(e->GetName());
            Throw("general.unexpected", "processor failed");
        }));
    module->RegisterProcessor(std::make_shared<ChainProcessor>([&](const std::shared_ptr<Event>& e) {
        seen.push_back(e->GetName());
        return std::shared_ptr<Event>();
    }));
    module->RegisterProcessor(std::make_shared<ChainProcessor>([&](const std::shared_ptr<Event>& e) {
        seen.push_back(e->GetName());
        return e;
    }));
    EXPECT_TRUE(hub->DriveProcessors(module, event, replacement));
    EXPECT_EQ(nullptr, replacement);
    EXPECT_EQ((std::vector<std::string>{"original", "replaced", "replaced"}), seen);
    EXPECT_FALSE(hub->DriveProcessors(module, nullptr, replacement));
}

TEST_F(ModuleTest, AnErrorInOnRegisteredIsLoggedAndRegistrationStands) {
    module->onRegistered = [](TestModule&) { Throw("general.unexpected", "cannot start"); };
    Register();
    EXPECT_TRUE(module->IsRegistered());
    EXPECT_TRUE(
        log.Service().Contains("An error occured while registering the module test.module cannot start"));
}

TEST(ModuleListenerTest, AListenerWhoseModuleIsGoneLogsIt) {
    ScopedCapturingLog log(LoggingMode::Error);
    auto listener = std::make_shared<JournalListener>("orphan");
    listener->Init(std::make_shared<TestModule>(), EventType::CUSTOM, EventSource::NONE);
    listener->Hear(MakeEvent("e"));
    ASSERT_EQ(1u, log.Service().GetLines().size());
    EXPECT_EQ("TestModuleListener", log.Service().GetLines()[0].tag);
    EXPECT_EQ("Parent module not available", log.Service().GetLines()[0].message);
}

TEST(ModuleListenerTest, AOneTimeListenerCallsItsCallbackEveryTime) {
    int calls = 0;
    auto listener = std::make_shared<OneTimeListener>([&](const std::shared_ptr<Event>&) { ++calls; });
    listener->Init(nullptr, nullptr, nullptr);
    listener->Hear(MakeEvent("a"));
    listener->Hear(MakeEvent("b"));
    EXPECT_EQ(2, calls);
    EXPECT_TRUE(listener->IsOneTime());
}

// A module that forwards listener and processor errors, as the module of an extension does.
class ForwardingModule : public Module {
public:
    ForwardingModule() : Module("forwarding") {}
    std::string GetSharedStateName() const override { return "forwarding"; }
    std::vector<std::string> errors;

protected:
    bool ForwardsUnexpectedErrors() const override { return true; }
    void HandleUnexpectedError(const SdkError& error) override { errors.push_back(error.GetMessage()); }
};

class ThrowingListener : public ModuleEventListenerBase {
public:
    void Hear(const std::shared_ptr<Event>&) override { Throw("general.unexpected", "listener failed"); }
};

TEST(ModuleForwardingTest, ListenerErrorsOfAForwardingModuleReachIt) {
    ScopedCapturingLog log(LoggingMode::Debug);
    auto hub = std::make_shared<FakeEventHub>();
    auto executor = std::make_shared<ManualTaskExecutor>();
    auto module = std::make_shared<ForwardingModule>();
    EXPECT_FALSE(module->IsInternal());
    hub->Register(module, executor);
    module->RegisterListener(std::make_shared<ThrowingListener>(), EventType::CUSTOM, EventSource::NONE);
    hub->DriveListeners(module, MakeEvent("e", EventType::CUSTOM, EventSource::NONE));
    EXPECT_EQ((std::vector<std::string>{"listener failed"}), module->errors);
    EXPECT_TRUE(log.Service().Contains("External module threw an exception listening: \nlistener failed"));
}

}  // namespace
}  // namespace NuvraMobile

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "externalModule/ExternalModule.h"
#include "externalModule/ExternalModuleServicesInterface.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeEventHub.h"
#include "support/FakeExtension.h"
#include "support/ManualTaskExecutor.h"

namespace NuvraMobile {
namespace {

using Entries = std::vector<std::string>;

const char* const MODULE_NAME = "com.test.extension";
const char* const TYPE = "com.test.type";
const char* const SOURCE = "com.test.source";

/** Refuses hub registrations of listeners while `refuse` is set, as a failing hub would. */
class RefusingExternalModule : public ExternalModule {
public:
    using ExternalModule::ExternalModule;

    void RegisterListener(const std::shared_ptr<ModuleEventListenerBase>& listener,
                          const std::shared_ptr<EventType>& type,
                          const std::shared_ptr<EventSource>& source) override {
        if (refuse) {
            Throw(SdkError("general.unexpected", "hub refused the listener", DebugInfo()));
        }
        ExternalModule::RegisterListener(listener, type, source);
    }

    bool refuse = false;
};

std::shared_ptr<Event> MakeEvent(const std::string& name, const std::string& type = TYPE,
                                 const std::string& source = SOURCE, const std::string& pairId = "") {
    return EventBuilder(name, EventType::Get(type), EventSource::Get(source)).SetPairID(pairId).Build();
}

// The module on a hub played by the test: hub-side callbacks run in DriveIdle, listener passes in
// Hear, and the module's own queue in RunTasks, all on the test's thread.
class ExternalModuleTest : public ::testing::Test {
protected:
    void TearDown() override { executor->Dispose(); }

    void Register() {
        hub->Register(module, executor);
        hub->DriveIdle(module);
        ASSERT_NE(nullptr, Services());
    }

    std::shared_ptr<ExternalModuleServicesInterface> Services() { return extension->Services(); }

    std::shared_ptr<FakeExtensionListener> Listener(const std::string& name) {
        return std::make_shared<FakeExtensionListener>(name, journal);
    }

    /** Registers a listener for (TYPE, SOURCE) and lets the hub side confirm it. */
    std::shared_ptr<FakeExtensionListener> AddListener(const std::string& name) {
        auto listener = Listener(name);
        Services()->RegisterListener(listener, TYPE, SOURCE);
        hub->DriveIdle(module);
        return listener;
    }

    /** The event through the hub's listener pass and then the module's queue. */
    void Hear(const std::shared_ptr<Event>& event) {
        hub->DriveListeners(module, event);
        executor->RunAll();
    }

    void Unregister() {
        Services()->UnregisterModule();
        hub->DriveIdle(module);
        executor->RunAll();
        hub->DriveIdle(module);
    }

    ScopedCapturingLog log{LoggingMode::Trace};
    std::shared_ptr<ExtensionJournal> journal = std::make_shared<ExtensionJournal>();
    std::shared_ptr<FakeExtension> extension = std::make_shared<FakeExtension>(MODULE_NAME, journal);
    std::shared_ptr<RefusingExternalModule> module =
        std::make_shared<RefusingExternalModule>(MODULE_NAME, extension);
    std::shared_ptr<FakeEventHub> hub = std::make_shared<FakeEventHub>();
    std::shared_ptr<ManualTaskExecutor> executor = std::make_shared<ManualTaskExecutor>();
};

TEST_F(ExternalModuleTest, RegistrationHandsServicesToTheExtensionOnTheHubSide) {
    hub->Register(module, executor);
    EXPECT_EQ(Entries{}, journal->Entries());
    hub->DriveIdle(module);
    EXPECT_EQ(Entries{"register"}, journal->Entries());
    EXPECT_NE(nullptr, Services());
    EXPECT_EQ(MODULE_NAME, module->GetSharedStateName());
    EXPECT_TRUE(log.Service().Contains("Registered external module \"com.test.extension\""));
}

TEST_F(ExternalModuleTest, SameKeyTwiceReplacesTheFirstListenerAndOnlyTheSecondHears) {
    Register();
    auto first = Listener("first");
    auto second = Listener("second");
    Services()->RegisterListener(first, TYPE, SOURCE);
    Services()->RegisterListener(second, TYPE, SOURCE);
    hub->DriveIdle(module);
    Hear(MakeEvent("e1"));

    EXPECT_EQ((Entries{"register", "first registered", "first unregistered", "second registered",
                       "second hears e1"}),
              journal->Entries());
}

// Which of a regular listener, registered with the type's name in other letter case, and the
// wildcard listener hear an event.
TEST_F(ExternalModuleTest, EventsReachTheRegularListenerOfTheirKeyAndAlwaysTheWildcard) {
    Register();
    Services()->RegisterListener(Listener("regular"), "COM.Test.Type", SOURCE);
    Services()->RegisterWildcardListener(Listener("wildcard"));
    hub->DriveIdle(module);
    EXPECT_TRUE(log.Service().Contains("Registering a wildcard listener."));

    struct Case {
        std::shared_ptr<Event> event;
        Entries heard;
    };
    const Case cases[] = {
        {MakeEvent("plain"), {"wildcard hears plain", "regular hears plain"}},
        {MakeEvent("upper", "COM.TEST.TYPE", "Com.Test.Source"),
         {"wildcard hears upper", "regular hears upper"}},
        {MakeEvent("response", TYPE, SOURCE, "pair-1"), {"wildcard hears response"}},
        {MakeEvent("other", "com.test.other"), {"wildcard hears other"}},
    };
    for (const auto& testCase : cases) {
        journal->Clear();
        Hear(testCase.event);
        EXPECT_EQ(testCase.heard, journal->Entries()) << testCase.event->GetName();
    }
}

TEST_F(ExternalModuleTest, ThrowingHearReachesOnUnexpectedErrorAndTheNextEventIsDelivered) {
    Register();
    auto listener = AddListener("listener");
    listener->onHear = [](const std::shared_ptr<Event>& event) {
        if (event->GetName() == "bad") {
            Throw(SdkError("test.hear_failed", "cannot hear", DebugInfo()));
        }
    };
    journal->Clear();
    Hear(MakeEvent("bad"));
    Hear(MakeEvent("good"));

    EXPECT_EQ((Entries{"listener hears bad", "error test.hear_failed", "listener hears good"}),
              journal->Entries());
    const CapturingLoggingService::Line expected{LoggingMode::Error, MODULE_NAME,
                                                 "External listener fail to respond to Hear.\ncannot hear"};
    const auto lines = log.Service().GetLines();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), expected));
}

// The interface callbacks run without the module's mutex, so extension code in them may use the
// services: register a listener from OnRegistered, clear the state from OnUnregistered.
TEST_F(ExternalModuleTest, ListenerCallbacksMayCallTheServices) {
    Register();
    auto inner = Listener("inner");
    auto outer = Listener("outer");
    outer->onRegistered = [&] { Services()->RegisterListener(inner, "com.test.inner", SOURCE); };
    outer->onUnregistered = [&] { Services()->ClearSharedEventStates(); };
    Services()->RegisterListener(outer, TYPE, SOURCE);
    hub->DriveIdle(module);
    EXPECT_EQ((Entries{"register", "outer registered", "inner registered"}), journal->Entries());

    journal->Clear();
    Services()->RegisterListener(Listener("replacement"), TYPE, SOURCE);
    hub->DriveIdle(module);
    EXPECT_EQ((Entries{"outer unregistered", "replacement registered"}), journal->Entries());
    ASSERT_FALSE(hub->Calls().empty());
    EXPECT_EQ("ClearSharedStates", hub->Calls().back().operation);
}

// A failed hub registration takes out the interface that was appended for it, not an earlier one
// still waiting for its hub listener under the same key; a later one meets its own hub listener.
TEST_F(ExternalModuleTest, FailedRegistrationRemovesOnlyItsOwnPendingInterface) {
    Register();
    Services()->RegisterListener(Listener("earlier"), TYPE, SOURCE);
    module->refuse = true;
    Services()->RegisterListener(Listener("refused"), TYPE, SOURCE);
    module->refuse = false;
    Services()->RegisterListener(Listener("later"), TYPE, SOURCE);
    hub->DriveIdle(module);
    Hear(MakeEvent("e1"));

    EXPECT_EQ((Entries{"register", "error general.unexpected", "earlier registered", "earlier unregistered",
                       "later registered", "later hears e1"}),
              journal->Entries());
    EXPECT_TRUE(log.Service().Contains("Failed to register listener.\nhub refused the listener"));
    EXPECT_EQ(nullptr, module->FindPendingListener({EventType::Get(TYPE), EventSource::Get(SOURCE)}, false));
}

TEST_F(ExternalModuleTest, NullListenerIsReportedAndNeverQueued) {
    Register();
    Services()->RegisterListener(nullptr, TYPE, SOURCE);
    Services()->RegisterWildcardListener(nullptr);
    hub->DriveIdle(module);
    EXPECT_EQ((Entries{"register", "error general.unexpected", "error general.unexpected"}),
              journal->Entries());
    EXPECT_EQ(nullptr, module->FindPendingListener({EventType::Get(TYPE), EventSource::Get(SOURCE)}, false));
}

TEST_F(ExternalModuleTest, EmptyNamesThrowBeforeAnythingIsQueued) {
    Register();
    struct Case {
        const char* type;
        const char* source;
        const char* code;
    };
    const Case cases[] = {
        {"", SOURCE, "external_module.event_type_not_supported"},
        {"", "", "external_module.event_type_not_supported"},
        {TYPE, "", "external_module.event_source_not_supported"},
    };
    for (const auto& testCase : cases) {
        try {
            Services()->RegisterListener(Listener("named"), testCase.type, testCase.source);
            ADD_FAILURE() << "no error for '" << testCase.type << "', '" << testCase.source << "'";
        } catch (const SdkError& error) {
            EXPECT_EQ(testCase.code, error.GetCode());
        }
    }
    hub->DriveIdle(module);
    EXPECT_EQ(Entries{"register"}, journal->Entries());
}

// Every registered listener hears of the unregistration, then the extension; an event queued before
// and a listener registered after the request come to nothing.
TEST_F(ExternalModuleTest, UnregistrationReachesListenersThenTheExtensionAndNothingAfter) {
    Register();
    AddListener("regular");
    Services()->RegisterWildcardListener(Listener("wildcard"));
    hub->DriveIdle(module);
    hub->DriveListeners(module, MakeEvent("late"));
    journal->Clear();

    Services()->UnregisterModule();
    Services()->RegisterListener(Listener("after"), "com.test.after", SOURCE);
    hub->DriveIdle(module);
    executor->RunAll();
    hub->DriveIdle(module);

    auto entries = journal->Entries();
    ASSERT_EQ(3u, entries.size());
    std::sort(entries.begin(), entries.end() - 1);
    EXPECT_EQ((Entries{"regular unregistered", "wildcard unregistered", "unregister"}), entries);
    EXPECT_EQ(std::vector<const Module*>{module.get()}, hub->UnregisteredModules());
}

TEST_F(ExternalModuleTest, ServicesKeptAfterTheModuleIsGoneDoNothing) {
    Register();
    const auto services = Services();
    Unregister();
    const std::weak_ptr<ExternalModule> gone = module;
    module.reset();
    hub.reset();
    ASSERT_TRUE(gone.expired());
    journal->Clear();

    services->RegisterListener(Listener("late"), TYPE, SOURCE);
    services->RegisterWildcardListener(Listener("late wildcard"));
    services->SetSharedEventState(R"({"a": 1})", nullptr);
    services->ClearSharedEventStates();
    services->UnregisterModule();
    EXPECT_EQ(nullptr, services->GetSharedEventState(MODULE_NAME, nullptr));
    EXPECT_EQ(Entries{}, journal->Entries());
}

}  // namespace
}  // namespace NuvraMobile

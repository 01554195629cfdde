#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "externalModule/ExternalModule.h"
#include "externalModule/ExternalModuleServicesInterface.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeExtension.h"
#include "support/FakePlatformServices.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

// Registered in mixed case: the hub keys the state by the lower-cased name.
const char* const OWNER_NAME = "com.Test.Owner";
const char* const OWNER = "com.test.owner";

std::shared_ptr<Event> NumberedEvent(int32_t number) {
    return EventBuilder("reader", EventType::CUSTOM, EventSource::NONE).SetEventNumber(number).Build();
}

std::shared_ptr<Event> UnhandledEvent() { return NumberedEvent(0); }

// Wraps the extension as Core::RegisterExternalModule does; a null extension reaches the hub as null.
void RegisterExtension(EventHub& hub, const std::shared_ptr<ExternalModuleInterface>& extension) {
    hub.RegisterModule(extension ? std::make_shared<ExternalModule>(extension->GetModuleName(), extension)
                                 : nullptr);
}

// An extension's shared state on a real hub: writes and reads are synchronous, so each step can be
// checked as soon as it returns.
class ExternalModuleHubTest : public ::testing::Test {
protected:
    void SetUp() override {
        platformServices->jsonUtilityService = json;
        hub = EventHub::Create("ExtensionHub", [services = platformServices] { return services; });
        RegisterExtension(*hub, extension);
        ASSERT_TRUE(journal->WaitFor("register"));
        services = extension->Services();
    }

    void TearDown() override { EXPECT_TRUE(hub->Dispose(SIGNAL_TIMEOUT)); }

    /** The owner's state at the event as the extension reads it; "none" when it reads nothing. */
    std::string Read(const std::shared_ptr<Event>& event, const std::string& owner = OWNER) {
        const auto text = services->GetSharedEventState(owner, event);
        return text ? *text : "none";
    }

    /** The member "v" of the owner's state at the event; "none" when there is no state. */
    std::string ValueAt(const std::shared_ptr<Event>& event) {
        const auto text = services->GetSharedEventState(OWNER, event);
        return text ? json->CreateJsonObject(*text)->GetString("v") : "none";
    }

    ScopedCapturingLog log{LoggingMode::Debug};
    std::shared_ptr<JsonUtilityServiceInterface> json = CreateNativeJsonUtilityService();
    std::shared_ptr<FakePlatformServices> platformServices = std::make_shared<FakePlatformServices>();
    std::shared_ptr<EventHub> hub;
    std::shared_ptr<ExtensionJournal> journal = std::make_shared<ExtensionJournal>();
    std::shared_ptr<FakeExtension> extension = std::make_shared<FakeExtension>(OWNER_NAME, journal);
    std::shared_ptr<ExternalModuleServicesInterface> services;
};

TEST_F(ExternalModuleHubTest, PendingThenDataAtOneNumberThenAThirdWriteIsRefused) {
    services->SetSharedEventState("", NumberedEvent(5));
    EXPECT_EQ("none", Read(NumberedEvent(5)));
    services->SetSharedEventState(R"({"v": "data"})", NumberedEvent(5));
    EXPECT_EQ("data", ValueAt(NumberedEvent(5)));

    services->SetSharedEventState(R"({"v": "third"})", NumberedEvent(5));
    EXPECT_EQ("data", ValueAt(NumberedEvent(5)));
    EXPECT_TRUE(
        log.Service().Contains("Unable to create or update shared state for com.test.owner with version 5."));
}

TEST_F(ExternalModuleHubTest, WriteWithoutEventFollowsEveryEventNumberedSoFar) {
    auto listener = std::make_shared<FakeExtensionListener>("listener", journal);
    services->RegisterListener(listener, "com.test.type", "com.test.source");
    ASSERT_TRUE(journal->WaitFor("listener registered"));
    const auto heard =
        EventBuilder("numbered", EventType::Get("com.test.type"), EventSource::Get("com.test.source"))
            .Build();
    hub->Dispatch(heard);
    ASSERT_TRUE(journal->WaitFor("listener hears numbered"));

    services->SetSharedEventState(R"({"v": "at event"})", heard);
    services->SetSharedEventState(R"({"v": "fresh"})", nullptr);
    EXPECT_EQ("at event", ValueAt(heard));
    EXPECT_EQ("fresh", ValueAt(nullptr));
}

// Number 0 (an event the hub has not handled) is refused once a higher version exists, and
// accepted again once the history is cleared.
TEST_F(ExternalModuleHubTest, AfterAClearAnyVersionIsAccepted) {
    services->SetSharedEventState(R"({"v": "five"})", NumberedEvent(5));
    services->SetSharedEventState(R"({"v": "zero"})", UnhandledEvent());
    EXPECT_EQ("five", ValueAt(nullptr));

    services->ClearSharedEventStates();
    EXPECT_EQ("none", Read(NumberedEvent(5)));
    EXPECT_EQ("none", Read(nullptr));
    services->SetSharedEventState(R"({"v": "zero"})", UnhandledEvent());
    EXPECT_EQ("zero", ValueAt(nullptr));
}

TEST_F(ExternalModuleHubTest, ReadsOfMissingOrPendingStatesAreEmptyAndAnEmptyStateIsAnEmptyObject) {
    services->SetSharedEventState("", NumberedEvent(3));
    services->SetSharedEventState("{}", NumberedEvent(4));
    EXPECT_EQ("none", Read(nullptr, "com.test.nobody"));
    EXPECT_EQ("none", Read(NumberedEvent(3)));
    EXPECT_EQ("{}", Read(NumberedEvent(4)));
}

// Kept as the extension API has it: the failure is reported, and the write still records a pending
// version at a fresh number, which hides the state before it from readers of the newest.
TEST_F(ExternalModuleHubTest, TextThatDoesNotConvertIsReportedAndRecordedPending) {
    for (const char* text : {"not json", "[1, 2]", "5"}) {
        services->SetSharedEventState(R"({"v": "valid"})", nullptr);
        ASSERT_EQ("valid", ValueAt(nullptr));
        services->SetSharedEventState(text, nullptr);
        EXPECT_EQ("none", Read(nullptr)) << text;
    }
    EXPECT_EQ(std::vector<std::string>(3, "json.serialization_error"), extension->ErrorCodes());
    EXPECT_TRUE(log.Service().Contains("Error creating shared state event data from json.\n"));
}

TEST_F(ExternalModuleHubTest, NumbersReachTheCoreAsDoublesAndReadBackAsNumbers) {
    services->SetSharedEventState(R"({"n": 1, "nested": {"list": [1, "x"]}})", nullptr);

    const auto data = hub->GetSharedEventState(OWNER, nullptr, nullptr);
    ASSERT_NE(nullptr, data);
    std::shared_ptr<Variant> number;
    ASSERT_TRUE(data->GetVariant("n", number));
    EXPECT_EQ(VariantKind::VARIANT_DOUBLE, number->GetKind());
    const auto object = json->CreateJsonObject(Read(nullptr));
    EXPECT_EQ(JsonType::JSON_NUMBER, object->GetType("n"));
    EXPECT_EQ(1.0, object->GetDouble("n"));
    EXPECT_EQ("x", object->GetJsonObject("nested")->GetJsonArray("list")->GetString(1));
}

TEST_F(ExternalModuleHubTest, AfterUnregistrationWritesDoNothingAndReadsAreEmpty) {
    services->SetSharedEventState(R"({"v": "before"})", nullptr);
    services->UnregisterModule();
    ASSERT_TRUE(journal->WaitFor("unregister"));

    services->SetSharedEventState(R"({"v": "after"})", nullptr);
    services->ClearSharedEventStates();
    EXPECT_EQ("none", Read(nullptr));
    const auto kept = hub->GetSharedEventState(OWNER, nullptr, nullptr);
    ASSERT_NE(nullptr, kept);
    std::string value;
    EXPECT_TRUE(kept->GetString("v", value));
    EXPECT_EQ("before", value);
}

TEST(ExternalModuleHubServicesTest, WithoutAJsonServiceStateWritesThrowToTheCaller) {
    const auto platformServices = std::make_shared<FakePlatformServices>();
    const auto hub = EventHub::Create("ExtensionHub", [platformServices] { return platformServices; });
    const auto journal = std::make_shared<ExtensionJournal>();
    const auto extension = std::make_shared<FakeExtension>(OWNER_NAME, journal);
    RegisterExtension(*hub, extension);
    ASSERT_TRUE(journal->WaitFor("register"));

    for (const char* text : {"", R"({"v": 1})"}) {
        try {
            extension->Services()->SetSharedEventState(text, nullptr);
            ADD_FAILURE() << "no error for '" << text << "'";
        } catch (const SdkError& error) {
            EXPECT_EQ("platform_services.missing_service", error.GetCode());
            EXPECT_EQ("JsonUtilityService unavailable.", error.GetMessage());
        }
    }
    EXPECT_TRUE(hub->Dispose(SIGNAL_TIMEOUT));
}

TEST(ExternalModuleHubRegistrationTest, BadNullAndTakenNamesAreRefusedOnTheCallingThread) {
    const auto platformServices = std::make_shared<FakePlatformServices>();
    const auto hub = EventHub::Create("ExtensionHub", [platformServices] { return platformServices; });
    const auto journal = std::make_shared<ExtensionJournal>();
    RegisterExtension(*hub, std::make_shared<FakeExtension>(OWNER_NAME, journal));

    struct Case {
        std::shared_ptr<ExternalModuleInterface> extension;
        const char* code;
    };
    const Case cases[] = {
        {std::make_shared<FakeExtension>("", journal), "external_module.bad_module_name"},
        {std::make_shared<FakeExtension>("COM.TEST.OWNER", journal), "external_module.dup_module_name"},
        {nullptr, "general.invalid_argument"},
    };
    for (const auto& testCase : cases) {
        try {
            RegisterExtension(*hub, testCase.extension);
            ADD_FAILURE() << "no error, expected " << testCase.code;
        } catch (const SdkError& error) {
            EXPECT_EQ(testCase.code, error.GetCode());
        }
    }
    ASSERT_TRUE(journal->WaitFor("register"));
    EXPECT_EQ(std::vector<std::string>{"register"}, journal->Entries());
    EXPECT_TRUE(hub->Dispose(SIGNAL_TIMEOUT));
}

}  // namespace
}  // namespace NuvraMobile

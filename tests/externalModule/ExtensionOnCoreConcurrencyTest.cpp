// Two extensions on a real core over the native services: one hears events and answers requests, the
// other reads the state the first publishes.

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>
#include <vector>

#include "core/Core.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "externalModule/ExternalModuleBridge.h"
#include "externalModule/ExternalModuleServicesInterface.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "services/PlatformServices.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeExtension.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

const char* const TYPE = "com.test.request";
const char* const SOURCE = "com.test.source";

class ExtensionOnCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        shared = SharedPlatformServices::Create();
        core = Core::Create([this] { return shared->CreatePlatformServices(); });
    }

    void TearDown() override {
        EXPECT_TRUE(core->Dispose(SIGNAL_TIMEOUT));
    }

    /** An extension whose one listener, for (TYPE, SOURCE), runs `onHear` with the services. */
    std::shared_ptr<FakeExtension> MakeExtension(
        const std::string& name,
        std::function<void(ExternalModuleServicesInterface&, const std::shared_ptr<Event>&)> onHear) {
        auto extension = std::make_shared<FakeExtension>(name, journal);
        extension->onRegister = [this, name,
                                 onHear](const std::shared_ptr<ExternalModuleServicesInterface>& services) {
            auto listener = std::make_shared<FakeExtensionListener>(name, journal);
            const std::weak_ptr<ExternalModuleServicesInterface> weakServices = services;
            listener->onHear = [weakServices, onHear](const std::shared_ptr<Event>& event) {
                if (auto held = weakServices.lock()) {
                    onHear(*held, event);
                }
            };
            services->RegisterListener(listener, TYPE, SOURCE);
        };
        return extension;
    }

    std::shared_ptr<Event> Broadcast(const std::string& name, const std::string& data = "") {
        return CreateBroadcastEvent(json, name, TYPE, SOURCE, data);
    }

    ScopedAppFolders folders;
    ScopedBundleFolder bundle{folders.Root() / "bundle"};
    std::shared_ptr<SharedPlatformServices> shared;
    std::shared_ptr<Core> core;
    std::shared_ptr<JsonUtilityServiceInterface> json = CreateNativeJsonUtilityService();
    std::shared_ptr<ExtensionJournal> journal = std::make_shared<ExtensionJournal>();
};

TEST_F(ExtensionOnCoreTest, ExtensionHearsPublishesForAnotherAndAnswersARequest) {
    std::vector<std::string> errors;
    const Core::ErrorCallback collectError = [&errors](const SdkError& error) {
        errors.push_back(error.GetCode());
    };
    const auto responder = MakeExtension(
        "com.test.responder",
        [this](ExternalModuleServicesInterface& services, const std::shared_ptr<Event>& event) {
            if (event->GetName() == "publish") {
                services.SetSharedEventState(R"({"greeting": "hello"})", event);
                journal->Write("published");
            } else if (event->GetName() == "question") {
                core->DispatchResponseEvent(Broadcast("answer", R"({"answer": 42})"), event, nullptr);
            }
        });
    const auto reader = MakeExtension("com.test.reader", [this](ExternalModuleServicesInterface& services,
                                                                const std::shared_ptr<Event>& event) {
        if (event->GetName() == "check") {
            const auto state = services.GetSharedEventState("com.test.responder", event);
            journal->Write("read " +
                           (state ? json->CreateJsonObject(*state)->GetString("greeting") : "nothing"));
        }
    });
    core->RegisterExternalModule(responder, collectError);
    core->RegisterExternalModule(reader, collectError);
    core->RegisterExternalModule(std::make_shared<FakeExtension>("COM.TEST.READER", journal), collectError);
    EXPECT_EQ(std::vector<std::string>{"external_module.dup_module_name"}, errors);
    core->Start([] {});

    core->DispatchEvent(Broadcast("publish"), collectError);
    ASSERT_TRUE(journal->WaitFor("published"));
    core->DispatchEvent(Broadcast("check"), collectError);
    ASSERT_TRUE(journal->WaitFor("read hello"));

    std::promise<std::shared_ptr<Event>> response;
    core->DispatchEventWithResponseCallback(
        Broadcast("question"),
        [&response](const std::shared_ptr<Event>& event) { response.set_value(event); }, collectError);
    auto answered = response.get_future();
    ASSERT_EQ(std::future_status::ready, answered.wait_for(SIGNAL_TIMEOUT));
    const auto answer = answered.get();
    EXPECT_EQ("answer", answer->GetName());
    EXPECT_EQ(42.0, json->CreateJsonObject(GetEventDataAsString(answer, json))->GetDouble("answer"));
    EXPECT_EQ(1u, errors.size());
}

}  // namespace
}  // namespace NuvraMobile

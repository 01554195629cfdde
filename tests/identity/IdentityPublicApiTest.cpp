// The public facades on a real hub, with stand-ins for the configuration and analytics states: every
// call is answered once, through the module, on the hub's thread.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "identity/IdentityPublicApi.h"
#include "identity/IdentityTestSupport.h"
#include "lifecycle/LifecyclePublicApi.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/BootStateModule.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakePlatformServices.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;
using StringMap = std::map<std::string, std::string>;

constexpr const char* kMid = "00002836869523061830579005069656919567";

class IdentityPublicApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_->localStorageService = CreateNativeLocalStorageService();
        services_->jsonUtilityService = CreateNativeJsonUtilityService();
        crypto_->bytes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        services_->cryptoService = crypto_;
    }

    void TearDown() override {
        if (hub_) {
            EXPECT_TRUE(hub_->Dispose(10s));
        }
    }

    /** Boots a hub with the Identity module (registered through the facade) over this configuration. */
    void Boot(const StringMap& configuration) {
        hub_ = EventHub::Create("test", [services = services_] { return services; });
        hub_->RegisterModule(
            std::make_shared<BootStateModule>("com.nuvra.module.configuration", std::make_shared<EventData>(configuration)));
        hub_->RegisterModule(observer_);
        api_ = IdentityPublicApi::Create(hub_, services_);
        api_->RegisterIdentity();
        hub_->FinishModulesRegistration([] {});
    }

    /** What the call hands its callback; fails when the callback does not come or comes twice. */
    template <class Value>
    Value Await(const std::function<void(std::function<void(const Value&)>)>& call) {
        auto calls = std::make_shared<std::atomic<int>>(0);
        auto answer = std::make_shared<std::promise<Value>>();
        call([calls, answer](const Value& value) {
            if (++*calls == 1) {
                answer->set_value(value);
            }
        });
        auto future = answer->get_future();
        EXPECT_EQ(std::future_status::ready, future.wait_for(10s));
        const auto value = future.get();
        // A second answer would come on the same hub turn; one more request settles it.
        SettleHub();
        EXPECT_EQ(1, calls->load());
        return value;
    }

    void SettleHub() {
        std::promise<void> done;
        api_->GetSkyloomId([&done](const std::string&) { done.set_value(); });
        EXPECT_EQ(std::future_status::ready, done.get_future().wait_for(10s));
    }

    std::string AppendToUrl(const std::string& url) {
        return Await<std::string>([&](auto callback) { api_->AppendToUrl(url, callback); });
    }

    ScopedAppFolders folders_;
    std::shared_ptr<FakePlatformServices> services_ = std::make_shared<FakePlatformServices>();
    std::shared_ptr<FixedUuidCryptoService> crypto_ = std::make_shared<FixedUuidCryptoService>();
    std::shared_ptr<ObserverModule> observer_ = std::make_shared<ObserverModule>();
    std::shared_ptr<EventHub> hub_;
    std::shared_ptr<IdentityPublicApi> api_;
};

const StringMap kConfiguration = {{"skyloom.org", "ORG"}, {"global.privacy", "optunknown"}};

TEST_F(IdentityPublicApiTest, AppendToUrlPutsThePayloadWhereTheUrlShapeAsks) {
    Boot(kConfiguration);
    const std::string payload = std::string("nuvra_sl=TS%3D<ts>%7CSLMID%3D") + kMid + "%7CSLORGID%3DORG";
    struct Case {
        const char* url;
        std::string expected;
    };
    const Case cases[] = {
        {"app://p", "app://p?" + payload},
        {"app://p?", "app://p?" + payload},
        {"app://p?x=1#f", "app://p?x=1&" + payload + "#f"},
        {"app://p#f", "app://p?" + payload + "#f"},
        {"app://p#f?x", "app://p?" + payload + "#f?x"},
        {"#f", "#f?" + payload},
        {"", ""},
    };
    for (const auto& c : cases) {
        const auto updated = AppendToUrl(c.url);
        EXPECT_EQ(c.expected, std::regex_replace(updated, std::regex("TS%3D[0-9]{13}"), "TS%3D<ts>")) << c.url;
    }
}

TEST_F(IdentityPublicApiTest, GettersAnswerFromTheIdentityState) {
    Boot(kConfiguration);
    EXPECT_EQ(kMid, Await<std::string>([&](auto callback) { api_->GetSkyloomId(callback); }));
    EXPECT_TRUE(Await<std::vector<std::shared_ptr<VisitorId>>>([&](auto callback) { api_->GetIdentifiers(callback); })
                    .empty());
    EXPECT_EQ("", Await<std::string>([&](auto callback) { api_->GetPushIdentifier(callback); }));

    api_->SyncIdentifier("crm", "42", VisitorIdAuthenticationState::AUTHENTICATED);
    api_->SyncIdentifiers({});
    const auto ids = Await<std::vector<std::shared_ptr<VisitorId>>>([&](auto callback) { api_->GetIdentifiers(callback); });
    ASSERT_EQ(1u, ids.size());
    EXPECT_EQ("crm", ids[0]->GetIdType());
    EXPECT_EQ("42", ids[0]->GetId());
    EXPECT_EQ(VisitorIdAuthenticationState::AUTHENTICATED, ids[0]->GetAuthenticationState());
    const auto variables = Await<std::string>([&](auto callback) { api_->GetUrlVariables(callback); });
    EXPECT_EQ(0u, variables.find("nuvra_sl=TS%3D")) << variables;

    // Both sync requests went out, the empty one included; the module decides what is sent.
    const auto syncs = observer_->Events();
    size_t syncRequests = 0;
    for (const auto& event : syncs) {
        syncRequests += event->GetName() == "IdentityRequestIdentity" &&
                        event->GetData()->OptBoolean("issyncevent", false);
    }
    EXPECT_EQ(2u, syncRequests);
}

TEST_F(IdentityPublicApiTest, WithoutAnOrganisationEveryCallIsAnsweredUndecorated) {
    Boot({{"global.privacy", "optedin"}});
    api_->SyncIdentifiers({{"crm", "1"}}, VisitorIdAuthenticationState::LOGGED_OUT);  // waits for an organisation
    EXPECT_EQ("app://p?x=1", AppendToUrl("app://p?x=1"));
    EXPECT_EQ("", Await<std::string>([&](auto callback) { api_->GetUrlVariables(callback); }));
    EXPECT_EQ("", Await<std::string>([&](auto callback) { api_->GetAdvertisingIdentifier(callback); }));
}

TEST_F(IdentityPublicApiTest, EmptyCallbackDispatchesNothing) {
    Boot(kConfiguration);
    api_->GetSkyloomId(nullptr);
    api_->GetIdentifiers(nullptr);
    SettleHub();
    size_t requests = 0;
    for (const auto& event : observer_->Events()) {
        requests += event->GetName() == "IdentityRequestIdentity";
    }
    EXPECT_EQ(1u, requests);  // the settling request alone
}

TEST_F(IdentityPublicApiTest, RegisteringTwiceKeepsOneModuleForBothFacades) {
    hub_ = EventHub::Create("test", [services = services_] { return services; });
    const auto identity = IdentityPublicApi::Create(hub_, services_);
    const auto lifecycle = LifecyclePublicApi::Create(hub_, services_);
    EXPECT_NO_THROW(identity->RegisterIdentity());
    EXPECT_NO_THROW(identity->RegisterIdentity());
    EXPECT_NO_THROW(lifecycle->Register());
    EXPECT_NO_THROW(lifecycle->Register());
    EXPECT_TRUE(hub_->IsRegisteredModule("com.nuvra.module.identity"));
    EXPECT_TRUE(hub_->IsRegisteredModule("com.nuvra.module.lifecycle"));
}

}  // namespace
}  // namespace NuvraMobile

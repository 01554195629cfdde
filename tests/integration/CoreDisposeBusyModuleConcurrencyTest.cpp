// Disposing a core whose modules are busy, over the native services and a temporary folder: when Dispose's
// time runs out while Signal is in a task (the host's UI call for an open-URL consequence) or while an app's
// identity callback holds the hub, the requests then in flight are aborted, and every hit Signal and
// Identity stored is still there for the next launch.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "identity/Identity.h"
#include "identity/IdentityDatabaseHitSchema.h"
#include "identity/IdentityPublicApi.h"
#include "platformShim/DatabaseInterface.h"
#include "platformShim/DatabaseServiceInterface.h"
#include "rulesengine/Rule.h"
#include "rulesengine/RulesEngineTestSupport.h"
#include "services/PlatformServices.h"
#include "services/system/Reachability.h"
#include "signal/Signal.h"
#include "signal/SignalHitsDatabase.h"
#include "support/ConfigurationTestSupport.h"
#include "support/CoreBoot.h"
#include "support/FakePlatformServices.h"
#include "support/RecordingUiService.h"
#include "support/ThreadSignals.h"
#include "support/UnansweringNetworkService.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;

/** A UI service whose URL opening waits until the test lets it go. */
class HeldUiService : public RecordingUiService {
public:
    bool ShowUrl(const std::string& url) override {
        entered.Open();
        released.Hold();
        return RecordingUiService::ShowUrl(url);
    }

    Gate entered;
    Gate released;
};

/** The rows each module's table holds. */
struct StoredHits {
    std::int64_t signal = 0;
    std::int64_t identity = 0;
};

/** The rows in the folder's Signal and Identity files, read through a connection of their own. */
StoredHits ReadStoredHits() {
    const auto database = SharedPlatformServices::Create()->CreatePlatformServices()->GetDatabaseService();
    const auto rowsIn = [&database](const char* file, const char* table) {
        const auto opened = database->OpenDatabase(file);
        return opened ? opened->CountRows(table, "", {}) : -1;
    };
    return {rowsIn(SignalHitsDatabase::SIGNAL_FILENAME, SignalHitsDatabase::SIGNAL_TABLE_NAME),
            rowsIn(IdentityDatabaseHitSchema::DATABASE_FILE_NAME, IdentityDatabaseHitSchema::TABLE_NAME)};
}

struct BusyCase {
    const char* name;
    /** Whether an app's identity callback holds the hub as well while Dispose runs out of time. */
    bool holdsIdentityCallback;
};

/**
 * One session of a core with Signal and Identity, opted in, whose every request goes to a server that never
 * answers, and whose open-URL consequences wait for the test.
 */
class CoreDisposeBusyModuleTest : public ::testing::TestWithParam<BusyCase> {
protected:
    void SetUp() override { Reachability::SetStatusForTesting(Reachability::Status::REACHABLE); }

    void TearDown() override {
        ui_->released.Open();
        callbackReleased_->Open();
        if (core_) {
            EXPECT_TRUE(core_->Dispose(10s));
        }
        Reachability::ClearStatusForTesting();
    }

    void StartSession() {
        const auto shared = SharedPlatformServices::Create();
        core_ = Core::Create([this, shared] {
            auto services = std::make_shared<FakePlatformServices>(shared->CreatePlatformServices());
            services->networkService = std::make_shared<UnansweringNetworkService>(requests_);
            services->uiService = ui_;
            return services;
        });
        const auto hub = core_->GetEventHub();
        observer_ = std::make_shared<ObserverModule>();
        const auto ruleOwner = std::make_shared<RuleOwnerModule>();
        for (const std::shared_ptr<Module>& module :
             std::vector<std::shared_ptr<Module>>{observer_, ruleOwner, std::make_shared<Signal>()}) {
            hub->RegisterModule(module);
        }
        identity_ = IdentityPublicApi::Create(hub, nullptr);
        identity_->RegisterIdentity();
        BootCore(*core_);
        core_->UpdateConfiguration({{"global.privacy", Variant::FromString("optedin")},
                                    {"skyloom.org", Variant::FromString("ORG1")},
                                    {"skyloom.server", Variant::FromString("identity.example")}});
        ASSERT_NE(nullptr, observer_->WaitFor([](const Event& event) {
            return event.GetName() == "Configuration Response Event" &&
                   event.GetData()->OptString("global.privacy", "") == "optedin";
        }));
        std::vector<std::shared_ptr<Rule>> rules;
        for (const std::string action : {"p1", "p2", "p3"}) {
            rules.push_back(std::make_shared<Rule>(
                Matches("action", "eq", "[\"" + action + "\"]"),
                std::vector<std::shared_ptr<Event>>{ConsequenceEvent(
                    action, "pb",
                    {{"templateurl", Variant::FromString("https://postback.example/" + action)}})}));
        }
        rules.push_back(
            std::make_shared<Rule>(Matches("action", "eq", "[\"open\"]"),
                                   std::vector<std::shared_ptr<Event>>{ConsequenceEvent(
                                       "open", "url", {{"url", Variant::FromString("app://page")}})}));
        ruleOwner->ReplaceRulesSet(rules);
    }

    void Track(const std::string& action) {
        core_->Track(std::make_shared<EventData>(std::map<std::string, std::string>{{"action", action}}));
    }

    std::shared_ptr<SignalCounter> requests_ = std::make_shared<SignalCounter>();
    std::shared_ptr<HeldUiService> ui_ = std::make_shared<HeldUiService>();
    /** Shared with the callback, which may still be waking when the test ends. */
    std::shared_ptr<Gate> callbackReleased_ = std::make_shared<Gate>();
    ScopedAppFolders folders_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
    std::shared_ptr<IdentityPublicApi> identity_;
};

// Signal stores three postbacks and sends the first; Identity stores its syncs and sends the first. Signal's
// tasks end with the open-URL one, which the host holds; Identity answers a callback once it has handled the
// syncs before it. A Dispose whose time runs out then aborts the requests in flight: the queues, stopped
// first, keep those hits and send no other.
TEST_P(CoreDisposeBusyModuleTest, EveryStoredSignalAndIdentityHitIsLeftForTheNextLaunch) {
    StartSession();
    for (const char* id : {"a", "b", "c"}) {
        identity_->SyncIdentifier("type", id, VisitorIdAuthenticationState::AUTHENTICATED);
    }
    for (const char* action : {"p1", "p2", "p3", "open"}) {
        Track(action);
    }
    ASSERT_TRUE(ui_->entered.Wait());
    Gate answered;
    identity_->GetSkyloomId([&answered, released = callbackReleased_,
                             holds = GetParam().holdsIdentityCallback](const std::string&) {
        answered.Open();
        if (holds) {
            released->Hold();
        }
    });
    ASSERT_TRUE(answered.Wait());
    ASSERT_TRUE(requests_->WaitFor(2)) << "a postback and a sync in flight";
    const StoredHits stored = ReadStoredHits();
    ASSERT_EQ(3, stored.signal);
    ASSERT_LE(3, stored.identity);

    EXPECT_FALSE(core_->Dispose(300ms));
    ui_->released.Open();
    callbackReleased_->Open();
    ASSERT_TRUE(core_->Dispose(10s));
    core_.reset();

    const StoredHits left = ReadStoredHits();
    EXPECT_EQ(stored.signal, left.signal);
    EXPECT_EQ(stored.identity, left.identity);
}

INSTANTIATE_TEST_SUITE_P(Holds, CoreDisposeBusyModuleTest,
                         ::testing::Values(BusyCase{"OpenUrl", false},
                                           BusyCase{"OpenUrlAndIdentityCallback", true}),
                         [](const ::testing::TestParamInfo<BusyCase>& info) { return info.param.name; });

}  // namespace
}  // namespace NuvraMobile

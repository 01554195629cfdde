// Disposing a core over the native services: what the app dispatched right before Dispose is finished
// and kept for the next launch. Each process starts its own loopback server, so the parent forks its
// children before any thread of its own runs: a lock such a thread held at the fork (the allocator's, the
// TLS library's) would stay held in the child for ever. The thread sanitizer does not support forking a
// process that has run threads, so this is no concurrency test.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "analytics/Analytics.h"
#include "analytics/AnalyticsTestSupport.h"
#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "identity/Identity.h"
#include "identity/IdentityConstants.h"
#include "services/PlatformServices.h"
#include "services/system/AppFolders.h"
#include "support/ChildProcess.h"
#include "support/ConfigurationTestSupport.h"
#include "support/LoopbackHttpsServer.h"
#include "support/ReachableLoopback.h"
#include "support/ScopedTimeZone.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;

constexpr int kRuns = 50;
// Generous: a loaded machine running the sanitizer builds side by side is slow to start a core, and a
// healthy run never waits this long.
constexpr auto kPatience = std::chrono::milliseconds(60s);

/**
 * Cores with Identity and Analytics over one app folder, the loopback server as the identity server. Hits
 * are held for a batch far larger than the test makes, so every tracked hit stays in the table.
 */
class CoreDisposeTest : public ::testing::Test {
protected:
    void SetUp() override { AppFolders::SetBundleDirectory((folders_.Root() / "bundle").string()); }

    void TearDown() override {
        if (core_) {
            EXPECT_TRUE(core_->Dispose(10s));
        }
        reachable_.reset();
        if (server_) {
            server_->Stop();
        }
        AppFolders::SetBundleDirectory("");
    }

    /** This process's identity server. */
    void StartServer() {
        server_ = std::make_unique<LoopbackHttpsServer>();
        server_->Handle("/id", [](const LoopbackRequest&) {
            return LoopbackResponse{200, {}, R"({"d_mid": "M1", "id_sync_ttl": 600})"};
        });
        reachable_ = std::make_unique<ReachableLoopback>(*server_);
    }

    /** Starts a server and a core over the folder and waits for its configuration and identity states. */
    void StartSession() {
        StartServer();
        const auto shared = SharedPlatformServices::Create();
        core_ = Core::Create([shared] { return shared->CreatePlatformServices(); });
        const auto hub = core_->GetEventHub();
        hub->RegisterModule<Identity>();
        hub->RegisterModule(std::make_shared<Analytics>());
        observer_ = std::make_shared<ObserverModule>();
        hub->RegisterModule(observer_);
        core_->Start([] {});
        core_->UpdateConfiguration({
            {"analytics.server", Variant::FromString("127.0.0.1:" + std::to_string(server_->Port()))},
            {"analytics.rsids", Variant::FromString("rs")},
            {"analytics.offlineEnabled", Variant::FromBoolean(true)},
            {"analytics.batchLimit", Variant::FromInteger(10 * kRuns)},
            {"global.privacy", Variant::FromString("optedin")},
            {"skyloom.org", Variant::FromString("ORG1")},
            {"skyloom.server", Variant::FromString("127.0.0.1:" + std::to_string(server_->Port()))},
        });
        // A track waits in memory for the identity state, and memory ends with the process: track once
        // it exists, as an app that tracks a moment after its launch does.
        const auto identityState = observer_->WaitFor([](const Event& event) {
            return event.GetName() == "STATE_CHANGE_EVENT" &&
                   event.GetData()->OptString("stateowner", "") ==
                       IdentityConstants::EventDataKeys::Identity::SHARED_STATE_NAME;
        }, kPatience);
        if (!identityState) {
            throw std::runtime_error("no identity state");
        }
    }

    void Track(const std::string& action) {
        auto data = std::make_shared<EventData>();
        data->PutString("action", action);
        core_->Track(data);
    }

    ScopedTimeZone utc_{"UTC"};
    ScopedAppFolders folders_;
    std::unique_ptr<LoopbackHttpsServer> server_;
    std::unique_ptr<ReachableLoopback> reachable_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
};

TEST_F(CoreDisposeTest, AnEventTrackedRightBeforeDisposeIsStoredForTheNextLaunch) {
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    for (int run = 0; run < kRuns; ++run) {
        ASSERT_TRUE(RunInChildProcess([this, run] {
            StartSession();
            Track("run" + std::to_string(run));
            if (!core_->Dispose(kPatience)) {
                throw std::runtime_error("the core was not disposed");
            }
            core_.reset();
        })) << "run " << run;
    }
    StartSession();
    EXPECT_EQ(kRuns, QueueSizeThroughCore(*core_));
}

}  // namespace
}  // namespace NuvraMobile

// Disposing a core over the native services: a hub that cannot finish still answers on time, and
// Dispose from a module's own task does not wait for itself.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/module/InternalModule.h"
#include "services/PlatformServices.h"
#include "support/ConfigurationTestSupport.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;

/** A module whose tasks the test queues and holds. */
class HeldModule : public InternalModule {
public:
    HeldModule() : InternalModule("HeldModule") {}
    std::string GetSharedStateName() const override { return "test.held"; }
};

/** A bare core with one HeldModule, booted. */
class CoreDisposeFromWithinTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto shared = SharedPlatformServices::Create();
        core_ = Core::Create([shared] { return shared->CreatePlatformServices(); });
        module_ = std::make_shared<HeldModule>();
        core_->GetEventHub()->RegisterModule(module_);
        Gate booted;
        core_->GetEventHub()->FinishModulesRegistration([&booted] { booted.Open(); });
        ASSERT_TRUE(booted.Wait());
    }

    void TearDown() override { EXPECT_TRUE(core_->Dispose(10s)); }

    ScopedAppFolders folders_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<HeldModule> module_;
};

TEST_F(CoreDisposeFromWithinTest, AHubThatCannotFinishAnswersFalseWhileTheTaskStillRuns) {
    // Shared with the task, which may still be waking when the test ends.
    const auto running = std::make_shared<Gate>();
    const auto release = std::make_shared<Gate>();
    module_->AddTaskToQueue("held", [running, release] {
        running->Open();
        release->Hold();
    });
    ASSERT_TRUE(running->Wait());
    // Returning at all, with the task still held, is the point: the drain and the unregistration are bounded.
    EXPECT_FALSE(core_->Dispose(50ms));
    release->Open();
}

TEST_F(CoreDisposeFromWithinTest, DisposeFromAModuleTaskStartsTheDisposalAndReturnsAtOnce) {
    const auto disposed = std::make_shared<std::promise<bool>>();
    auto answer = disposed->get_future();
    const auto core = core_;
    module_->AddTaskToQueue("dispose", [disposed, core] { disposed->set_value(core->Dispose(24h)); });
    ASSERT_EQ(std::future_status::ready, answer.wait_for(10s));
    EXPECT_FALSE(answer.get());
    EXPECT_TRUE(core_->Dispose(10s));
}

}  // namespace
}  // namespace NuvraMobile

// Letting the last owner of the core or of the hub go disposes it as Dispose would, draining what was
// dispatched before within the same share of the time.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "support/FakePlatformServices.h"
#include "support/HubTestSupport.h"
#include "support/RecordingModule.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

// Longer than the one-second slices a release once waited in, shorter than its share of the limit.
constexpr std::chrono::milliseconds HOLD{1500};

struct ReleaseCase {
    const char* label;
    bool throughCore;
};

TEST(CoreReleaseTest, ReleasingTheLastOwnerHandlesAnEventQueuedBehindALongOne) {
    const ReleaseCase cases[] = {{"the core", true}, {"the hub", false}};
    for (const auto& release : cases) {
        auto services = std::make_shared<FakePlatformServices>();
        services->threadingService = std::make_shared<RecordingThreadingService>();
        const EventHub::PlatformServicesFactory factory = [services] { return services; };
        auto hub = EventHub::Create("ReleasedHub", factory, nullptr);
        SignalCounter holding;
        const auto module = std::make_shared<RecordingModule>("com.test.holding");
        module->SetHearHook([&holding](RecordingModule&, const std::shared_ptr<Event>& event) {
            if (event->GetName() == "hold") {
                holding.Raise();
                std::this_thread::sleep_for(HOLD);
            }
        });
        hub->RegisterModule(module);
        ASSERT_TRUE(module->WaitUntilRegistered()) << release.label;
        auto core = release.throughCore ? Core::Create(factory, hub) : nullptr;

        hub->Dispatch(MakeTestEvent("hold"));
        ASSERT_TRUE(holding.WaitFor(1)) << release.label;
        hub->Dispatch(MakeTestEvent("queued"));
        hub.reset();
        core.reset();

        EXPECT_EQ((std::vector<std::string>{"hold", "queued"}), module->GetEventNames()) << release.label;
        EXPECT_TRUE(module->WaitUntilUnregistered(std::chrono::milliseconds(0))) << release.label;
    }
}

}  // namespace
}  // namespace NuvraMobile

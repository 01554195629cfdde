// A Dispose whose drain cannot finish drops the work still waiting: its result says so, once, and one warning
// line gives the count and the kind, however much was dropped. A module holds the hub's listener pass, or its
// own first task, until the hub has begun to unregister it, so that what waits behind is dropped, none of it
// run.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "support/CapturingLoggingService.h"
#include "support/FakePlatformServices.h"
#include "support/RecordingModule.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

constexpr const char* TRACK_EVENT = "AnalyticsTrack";

/** Opens its gate as the hub begins to unregister it. */
class HoldingModule : public RecordingModule {
public:
    HoldingModule() : RecordingModule("com.test.holding") {}

    void UnregisterModule() override {
        RecordingModule::UnregisterModule();
        unregistering.Open();
    }

    Gate unregistering;
};

enum class Hold { LISTENER_PASS, FIRST_TASK };

struct DropCase {
    const char* label;
    Hold hold;
    int tracks;
    /** The one warning line on what was dropped; empty when nothing is. */
    std::string droppedLine;
};

/** The warnings that speak of dropping ("Dropped", "dropping"). */
std::vector<std::string> DroppedLines(const CapturingLoggingService& log) {
    std::vector<std::string> lines;
    for (const auto& line : log.GetLines()) {
        if (line.level == LoggingMode::Warning && line.message.find("ropp") != std::string::npos) {
            lines.push_back(line.message);
        }
    }
    return lines;
}

TEST(CoreDisposeDropTest, DisposeSaysInItsResultAndInOneLineWhatItDropped) {
    const DropCase cases[] = {
        {"a held task with nothing behind it", Hold::FIRST_TASK, 1, ""},
        {"tasks behind a held task", Hold::FIRST_TASK, 2000,
         "Dispose dropped work dispatched before it and not yet done: 1999 tasks of com.test.holding."},
        {"events behind a held listener pass", Hold::LISTENER_PASS, 300,
         "Dispose dropped work dispatched before it and not yet done: 299 events."},
    };
    for (const auto& drop : cases) {
        ScopedCapturingLog log(LoggingMode::Warning);
        auto services = std::make_shared<FakePlatformServices>();
        services->loggingService = log.ServicePtr();
        const EventHub::PlatformServicesFactory factory = [services] { return services; };
        auto hub = EventHub::Create("DroppingHub", factory, nullptr);
        const auto module = std::make_shared<HoldingModule>();
        std::atomic<int> heard{0};
        std::atomic<int> ran{0};
        module->SetHearHook([&](RecordingModule& self, const std::shared_ptr<Event>& event) {
            if (event->GetName() != TRACK_EVENT) {
                return;
            }
            // Passes run one at a time, and so does this hook.
            const bool first = heard.load() == 0;
            if (drop.hold == Hold::LISTENER_PASS) {
                ++heard;
                if (first) {
                    module->unregistering.Wait();
                }
                return;
            }
            self.AddTaskToQueue("tracked", [&ran, &module, first] {
                ++ran;
                if (first) {
                    module->unregistering.Wait();
                }
            });
            // Counted once queued: the test waits until every task is in the queue.
            ++heard;
        });
        hub->RegisterModule(module);
        ASSERT_TRUE(module->WaitUntilRegistered()) << drop.label;
        const auto core = Core::Create(factory, hub);
        for (int track = 0; track < drop.tracks; ++track) {
            auto data = std::make_shared<EventData>();
            data->PutString("action", "tap " + std::to_string(track));
            core->Track(data);
        }
        // Every task is queued behind the first, which holds; or the first pass holds the others back.
        const bool tasks = drop.hold == Hold::FIRST_TASK;
        ASSERT_TRUE(WaitUntil([&] {
            return heard.load() >= (tasks ? drop.tracks : 1) && ran.load() >= (tasks ? 1 : 0);
        })) << drop.label;

        // Started only: the drain cannot end while the module holds on, so the module unregisters at once.
        EXPECT_FALSE(core->Dispose(std::chrono::milliseconds(0))) << drop.label;
        const bool disposed = core->Dispose(std::chrono::seconds(30));

        EXPECT_EQ(drop.droppedLine.empty(), disposed) << drop.label;
        const std::vector<std::string> expectedLines = drop.droppedLine.empty()
                                                           ? std::vector<std::string>{}
                                                           : std::vector<std::string>{drop.droppedLine};
        EXPECT_EQ(expectedLines, DroppedLines(log.Service())) << drop.label;
        EXPECT_EQ(drop.hold == Hold::FIRST_TASK ? 1 : 0, ran.load()) << drop.label;
        // Said once: a caller that retries until true is not held for ever.
        EXPECT_TRUE(core->Dispose(std::chrono::seconds(30))) << drop.label;
        EXPECT_EQ(expectedLines, DroppedLines(log.Service())) << drop.label;
    }
}

}  // namespace
}  // namespace NuvraMobile

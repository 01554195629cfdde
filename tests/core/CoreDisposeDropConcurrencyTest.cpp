// A Dispose whose drain cannot finish drops the work still waiting, and one warning line gives the count and
// the kind, however much was dropped. The core says false for it once: the call that finds the disposal done
// says it, unless an earlier call already said false because its time ran out. The work is held (a module's
// listener pass, its first task, a response callback on the hub's thread) until the disposal has been started
// with no wait, so that what waits behind is dropped, none of it run, and the start can never be the call
// that completes the disposal, however the threads are scheduled.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/module/WaitingEventQueue.h"
#include "core/values/EventType.h"
#include "support/CapturingLoggingService.h"
#include "support/FakePlatformServices.h"
#include "support/RecordingModule.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

constexpr const char* TRACK_EVENT = "AnalyticsTrack";
constexpr std::chrono::milliseconds NO_WAIT{0};
constexpr std::chrono::seconds DISPOSE_LIMIT{30};

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

/** A hub whose services log into the test's log, and a core that adopts it. */
struct DroppingCore {
    explicit DroppingCore(const ScopedCapturingLog& log) {
        auto services = std::make_shared<FakePlatformServices>();
        services->loggingService = log.ServicePtr();
        const EventHub::PlatformServicesFactory factory = [services] { return services; };
        hub = EventHub::Create("DroppingHub", factory, nullptr);
        core = Core::Create(factory, hub);
    }

    void Track(int tracks) const {
        for (int track = 0; track < tracks; ++track) {
            auto data = std::make_shared<EventData>();
            data->PutString("action", "tap " + std::to_string(track));
            core->Track(data);
        }
    }

    /** Starts the disposal with no wait, through the core or through the hub alone (the core never sees it).
     */
    bool StartDisposal(bool throughTheCore) const {
        return throughTheCore ? core->Dispose(NO_WAIT) : hub->Dispose(NO_WAIT);
    }

    /** The answers of the core's later calls, each with time enough. */
    std::vector<bool> LaterAnswers(std::size_t calls) const {
        std::vector<bool> answers;
        for (std::size_t call = 0; call < calls; ++call) {
            answers.push_back(core->Dispose(DISPOSE_LIMIT));
        }
        return answers;
    }

    std::shared_ptr<EventHub> hub;
    std::shared_ptr<Core> core;
};

enum class Hold { LISTENER_PASS, FIRST_TASK };

struct DropCase {
    const char* label;
    Hold hold;
    int tracks;
    /** Whether the core's own call starts the disposal: its false (time ran out) is then its one false. */
    bool coreStarts;
    /** The one warning line on what was dropped; empty when nothing is. */
    std::string droppedLine;
    /** What the core's later calls say once the held work has been let go. */
    std::vector<bool> answers;
};

TEST(CoreDisposeDropTest, DisposeSaysInItsResultAndInOneLineWhatItDropped) {
    const std::string tasks =
        "Dispose dropped work dispatched before it and not yet done: 1999 tasks of com.test.holding.";
    const std::string events = "Dispose dropped work dispatched before it and not yet done: 299 events.";
    const DropCase cases[] = {
        {"a held task alone", Hold::FIRST_TASK, 1, true, "", {true, true}},
        {"a held task alone, the hub starts", Hold::FIRST_TASK, 1, false, "", {true, true}},
        {"tasks behind a held task", Hold::FIRST_TASK, 2000, false, tasks, {false, true}},
        {"tasks behind a held task, core timed out", Hold::FIRST_TASK, 2000, true, tasks, {true, true}},
        {"events behind a held pass", Hold::LISTENER_PASS, 300, false, events, {false, true}},
        {"events behind a held pass, core timed out", Hold::LISTENER_PASS, 300, true, events, {true, true}},
    };
    for (const auto& drop : cases) {
        ScopedCapturingLog log(LoggingMode::Warning);
        const DroppingCore dropping(log);
        const auto module = std::make_shared<RecordingModule>("com.test.holding");
        // Shared with the held work, which may still be waking when a failed case ends.
        const auto release = std::make_shared<Gate>();
        const auto heard = std::make_shared<std::atomic<int>>(0);
        const auto ran = std::make_shared<std::atomic<int>>(0);
        module->SetHearHook([release, heard, ran, hold = drop.hold](RecordingModule& self,
                                                                    const std::shared_ptr<Event>& event) {
            if (event->GetName() != TRACK_EVENT) {
                return;
            }
            // Passes run one at a time, and so does this hook.
            const bool first = heard->load() == 0;
            if (hold == Hold::LISTENER_PASS) {
                ++*heard;
                if (first) {
                    release->Hold();
                }
                return;
            }
            self.AddTaskToQueue("tracked", [release, ran, first] {
                ++*ran;
                if (first) {
                    release->Hold();
                }
            });
            // Counted once queued: the test waits until every task is in the queue.
            ++*heard;
        });
        dropping.hub->RegisterModule(module);
        ASSERT_TRUE(module->WaitUntilRegistered()) << drop.label;
        dropping.Track(drop.tracks);
        // Every task is queued behind the first, which holds; or the first pass holds the others back.
        const bool tasks = drop.hold == Hold::FIRST_TASK;
        ASSERT_TRUE(WaitUntil([&] {
            return heard->load() >= (tasks ? drop.tracks : 1) && ran->load() >= (tasks ? 1 : 0);
        })) << drop.label;

        // The held work keeps the module from unregistering, so the start cannot complete the disposal.
        EXPECT_FALSE(dropping.StartDisposal(drop.coreStarts)) << drop.label;
        release->Open();

        EXPECT_EQ(drop.answers, dropping.LaterAnswers(drop.answers.size())) << drop.label;
        const std::vector<std::string> expectedLines = drop.droppedLine.empty()
                                                           ? std::vector<std::string>{}
                                                           : std::vector<std::string>{drop.droppedLine};
        EXPECT_EQ(expectedLines, DroppedLines(log.Service())) << drop.label;
        EXPECT_EQ(tasks ? 1 : 0, ran->load()) << drop.label;
    }
}

// A hub without modules has nothing to wait for once its disposal starts: it lets go at once of the passes
// still queued behind the one that holds its thread. Those events are dropped as surely as the ones a held
// module leaves behind, and counted with them.
TEST(CoreDisposeDropTest, EventsStillQueuedWhenTheHubLetsGoOfItsQueueAreCounted) {
    constexpr int TRACKS = 40;
    ScopedCapturingLog log(LoggingMode::Warning);
    const DroppingCore dropping(log);
    const auto holding = std::make_shared<Gate>();
    const auto release = std::make_shared<Gate>();
    dropping.hub->RegisterOneTimeListener<DroppingCore>("held",
                                                        [holding, release](const std::shared_ptr<Event>&) {
                                                            holding->Open();
                                                            release->Hold();
                                                        });
    dropping.hub->Dispatch(EventBuilder("held answer", EventType::CUSTOM, EventSource::RESPONSE_CONTENT)
                               .SetPairID("held")
                               .Build());
    ASSERT_TRUE(holding->Wait());
    dropping.Track(TRACKS);

    EXPECT_FALSE(dropping.StartDisposal(false));
    release->Open();

    EXPECT_EQ((std::vector<bool>{false, true}), dropping.LaterAnswers(2));
    EXPECT_EQ(std::vector<std::string>{"Dispose dropped work dispatched before it and not yet done: " +
                                       std::to_string(TRACKS) + " events."},
              DroppedLines(log.Service()));
}

/**
 * Holds each request sent to it in a waiting queue, handled in order up to the first that is not ready: as a
 * module that waits for a shared state, which for the request marked not ready never comes.
 */
class WaitingModule : public RecordingModule {
public:
    explicit WaitingModule(const std::string& name) : RecordingModule(name) {
        SetHearHook([](RecordingModule& self, const std::shared_ptr<Event>& event) {
            if (event->GetName() != REQUEST_EVENT || event->GetData()->OptString("to", "") != self.GetModuleName()) {
                return;
            }
            self.AddTaskToQueue("request", [&self, event] {
                auto& waiting = static_cast<WaitingModule&>(self).waiting_;
                waiting.Add(event);
                waiting.HandleInOrder([](const std::shared_ptr<Event>& request) {
                    return request->GetData()->OptBoolean("ready", false);
                });
            });
        });
    }

    static constexpr const char* REQUEST_EVENT = "waiting request";

protected:
    std::size_t CountRequestsLeftWaiting() override { return waiting_.Size(); }

private:
    WaitingEventQueue<> waiting_;
};

struct WaitingCase {
    const char* label;
    /** Per module, in registration order: whether each request it is sent is ready. */
    std::vector<std::vector<bool>> requests;
    bool answer;
    /** What the one line lists; empty when no line is written. */
    std::string dropped;
};

// What a module still holds waiting when it unregisters is lost with it: the Dispose that ends it says false
// and counts it in its one line, for every module that held some; requests it handled are not counted.
TEST(CoreDisposeDropTest, RequestsAModuleStillHoldsWaitingAreCountedAsDropped) {
    const WaitingCase cases[] = {
        {"nothing sent", {{}}, true, ""},
        {"every request handled", {{true, true}}, true, ""},
        {"requests waiting", {{false, false, false}}, false, "3 events waiting in com.test.waiting0"},
        {"a ready request behind a waiting one waits too", {{true, false, true}}, false,
         "2 events waiting in com.test.waiting0"},
        {"several modules",
         {{false, false}, {true}, {false}},
         false,
         "2 events waiting in com.test.waiting0, 1 events waiting in com.test.waiting2"},
    };
    for (const auto& waiting : cases) {
        ScopedCapturingLog log(LoggingMode::Warning);
        const DroppingCore dropping(log);
        for (std::size_t index = 0; index < waiting.requests.size(); ++index) {
            const std::string name = "com.test.waiting" + std::to_string(index);
            const auto module = std::make_shared<WaitingModule>(name);
            dropping.hub->RegisterModule(module);
            ASSERT_TRUE(module->WaitUntilRegistered()) << waiting.label;
            for (const bool ready : waiting.requests[index]) {
                auto data = std::make_shared<EventData>();
                data->PutBoolean("ready", ready);
                data->PutString("to", name);
                dropping.hub->Dispatch(
                    EventBuilder(WaitingModule::REQUEST_EVENT, EventType::CUSTOM, EventSource::REQUEST_CONTENT)
                        .SetData(data)
                        .Build());
            }
        }

        // The disposal drains first: every request has reached its module's queue when the modules unregister.
        EXPECT_EQ((std::vector<bool>{waiting.answer, true}), dropping.LaterAnswers(2)) << waiting.label;
        const std::vector<std::string> expectedLines =
            waiting.dropped.empty()
                ? std::vector<std::string>{}
                : std::vector<std::string>{"Dispose dropped work dispatched before it and not yet done: " +
                                           waiting.dropped + "."};
        EXPECT_EQ(expectedLines, DroppedLines(log.Service())) << waiting.label;
    }
}

}  // namespace
}  // namespace NuvraMobile

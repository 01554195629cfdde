#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "support/FakePlatformServices.h"
#include "support/HubTestSupport.h"
#include "support/RecordingModule.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

constexpr int DISPATCHING_THREADS = 4;
constexpr int EVENTS_PER_THREAD = 250;

// Three modules and four threads dispatching at once: every module hears every event exactly once,
// all in one order, numbered consecutively, and each thread's events keep the order it sent them in.
TEST(EventHubIntegrationTest, ThreeModulesHearOneThousandEventsFromFourThreads) {
    const auto services = std::make_shared<FakePlatformServices>();
    const auto hub = EventHub::Create("IntegrationHub", [services] { return services; });
    std::vector<std::shared_ptr<RecordingModule>> modules;
    for (const char* name : {"com.test.one", "com.test.two", "com.test.three"}) {
        modules.push_back(std::make_shared<RecordingModule>(name));
        hub->RegisterModule(modules.back());
        ASSERT_TRUE(modules.back()->WaitUntilRegistered());
    }
    SignalCounter started;
    hub->FinishModulesRegistration([&] { started.Raise(); });
    ASSERT_TRUE(started.WaitFor(1));

    std::vector<std::thread> threads;
    for (int thread = 0; thread < DISPATCHING_THREADS; ++thread) {
        threads.emplace_back([&hub, thread] {
            for (int index = 0; index < EVENTS_PER_THREAD; ++index) {
                hub->Dispatch(MakeTestEvent(std::to_string(thread) + ":" + std::to_string(index)));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }

    const std::size_t expectedCount = 1 + DISPATCHING_THREADS * EVENTS_PER_THREAD;
    for (const auto& module : modules) {
        ASSERT_TRUE(module->WaitForEventCount(expectedCount));
    }
    const auto heard = modules.front()->GetEvents();
    ASSERT_EQ(expectedCount, heard.size());
    EXPECT_EQ("EventHub", heard.front()->GetName());
    std::map<std::string, int> lastIndexOfThread;
    for (std::size_t position = 0; position < heard.size(); ++position) {
        EXPECT_EQ(static_cast<int32_t>(position), heard[position]->GetEventNumber());
        if (position == 0) {
            continue;
        }
        const std::string& name = heard[position]->GetName();
        const auto separator = name.find(':');
        const std::string thread = name.substr(0, separator);
        const int index = std::stoi(name.substr(separator + 1));
        const auto previous = lastIndexOfThread.find(thread);
        EXPECT_EQ(previous == lastIndexOfThread.end() ? 0 : previous->second + 1, index) << name;
        lastIndexOfThread[thread] = index;
    }
    for (const auto& module : modules) {
        EXPECT_EQ(heard, module->GetEvents()) << module->GetModuleName();
    }
    EXPECT_TRUE(hub->Dispose(SIGNAL_TIMEOUT));
}

}  // namespace
}  // namespace NuvraMobile

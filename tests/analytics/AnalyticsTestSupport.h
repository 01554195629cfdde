#pragma once

// A fixture shared by the analytics tests: the Analytics module on a fake hub over a real hit database in a
// temporary folder.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/Analytics.h"
#include "analytics/AnalyticsHitDatabase.h"
#include "analytics/AnalyticsHitQueue.h"
#include "core/Core.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Object.h"
#include "platformShim/HttpConnectionInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "services/database/NativeDatabaseService.h"
#include "support/AnalyticsQueueSize.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"
#include "support/HitQueueTestSupport.h"
#include "support/ManualTaskExecutor.h"
#include "support/ScopedTimeZone.h"
#include "support/ScriptedNetworkService.h"

namespace NuvraMobile {

/**
 * Asks the Analytics module of `core` for its queue size (stored hits plus waiting track requests) and
 * waits up to 10 s for the answer; -1 when none came or it carries none. Not from the hub's threads.
 */
inline std::int64_t QueueSizeThroughCore(Core& core) {
    auto future = RequestAnalyticsQueueSize(core);
    const bool answered = future.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    EXPECT_TRUE(answered);
    return answered ? future.get() : -1;
}

/**
 * The module on a fake hub: listener calls are played by the test and the module's tasks run on the
 * test's thread; the hit database is real (a temporary folder) and the hit queue's worker posts to the
 * recording network service, on an executor of `threading`, so a test that expects nothing sent waits until
 * any worker a kick started has run. The fake hub answers every shared-state read with `SetStates`' data.
 */
class AnalyticsModuleFixture : public ::testing::Test {
protected:
    static constexpr const char* kServer = "measure.example.com";

    AnalyticsModuleFixture() {
        systemInfo->Update([this](FakeSystemInfoService::Answers& answers) {
            answers.applicationCacheDir = folder.Path();
        });
        services->systemInfoService = systemInfo;
        services->databaseService = CreateNativeDatabaseService(systemInfo);
        services->networkService = network;
        services->localStorageService = storage;
        services->threadingService = threading;
    }

    /** Registers the module and lets it finish registering (its OnRegistered runs on the hub side). */
    void SetUp() override {
        hub->Register(module, executor, services);
        hub->DriveIdle(module);
    }

    void TearDown() override {
        if (const auto hitDatabase = module->GetHitDatabase()) {
            hitDatabase->Dispose(std::chrono::seconds(5));
        }
        executor->Dispose();
    }

    /** The data every shared-state read answers: configuration and identity keys in one map. */
    void SetStates(const std::function<void(EventData&)>& fill) {
        auto data = std::make_shared<EventData>();
        data->PutString("analytics.server", kServer);
        data->PutString("analytics.rsids", "suite1,suite2");
        fill(*data);
        hub->SetSharedStateAnswer(data, true);
    }

    std::shared_ptr<Event> Build(const std::shared_ptr<EventType>& type, const std::shared_ptr<EventSource>& source,
                                 const std::function<void(EventData&)>& fill) {
        auto data = std::make_shared<EventData>();
        fill(*data);
        return EventBuilder("test", type, source).SetData(data).SetEventNumber(nextNumber_++).Build();
    }

    std::shared_ptr<Event> TrackEvent(const std::function<void(EventData&)>& fill) {
        return Build(EventType::GENERIC_TRACK, EventSource::REQUEST_CONTENT, fill);
    }

    /** Plays the hub's listener pass for the event, then runs the queued tasks. */
    void Hear(const std::shared_ptr<Event>& event) {
        hub->DriveListeners(module, event);
        executor->RunAll();
    }

    /** The events the module dispatched with that name. */
    std::vector<std::shared_ptr<Event>> Dispatched(const std::string& name) const {
        std::vector<std::shared_ptr<Event>> found;
        for (const auto& event : hub->DispatchedEvents()) {
            if (event->GetName() == name) {
                found.push_back(event);
            }
        }
        return found;
    }

    FileSystemTestFolder folder;
    std::shared_ptr<FakeSystemInfoService> systemInfo = std::make_shared<FakeSystemInfoService>();
    std::shared_ptr<ScriptedNetworkService> network =
        std::make_shared<ScriptedNetworkService>(ScriptedNetworkService::Status(200));
    std::shared_ptr<MemoryLocalStorageService> storage = std::make_shared<MemoryLocalStorageService>();
    std::shared_ptr<FakePlatformServices> services = std::make_shared<FakePlatformServices>();
    std::shared_ptr<HitQueueThreadingService> threading = std::make_shared<HitQueueThreadingService>();
    std::shared_ptr<FakeEventHub> hub = std::make_shared<FakeEventHub>();
    std::shared_ptr<ManualTaskExecutor> executor = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<Analytics> module = std::make_shared<Analytics>();

private:
    int nextNumber_ = 1;
};

}  // namespace NuvraMobile

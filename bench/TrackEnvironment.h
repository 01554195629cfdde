#pragma once

// A started core for the benchmarks that track through the whole road.
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <string>

#include "analytics/Analytics.h"
#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "services/PlatformServices.h"
#include "support/AnalyticsQueueSize.h"
#include "support/ConfigurationTestSupport.h"
#include "support/IdentityStandIn.h"
#include "util/Log.h"

namespace NuvraMobile {

/** `keys` context-data entries "shop.item<n>" = "value <n>". */
inline std::map<std::string, std::string> ContextData(int keys) {
    std::map<std::string, std::string> data;
    for (int key = 0; key < keys; ++key) {
        data["shop.item" + std::to_string(key)] = "value " + std::to_string(key);
    }
    return data;
}

/**
 * A started core with Configuration, the identity stand-in and Analytics over the native services in
 * fresh app folders, configured for the collector 127.0.0.1:9 with `settings` added (a setting replaces
 * the default of its key).
 */
class TrackEnvironment {
public:
    using Settings = std::map<std::string, std::shared_ptr<Variant>>;

    /** One environment with no added settings, for the whole process. */
    static TrackEnvironment& Get() {
        static TrackEnvironment environment({});
        return environment;
    }

    explicit TrackEnvironment(const Settings& settings) {
        Log::SetLogLevel(LoggingMode::Error);
        shared_ = SharedPlatformServices::Create();
        core = Core::Create([this] { return shared_->CreatePlatformServices(); });
        const auto hub = core->GetEventHub();
        hub->RegisterModule(std::make_shared<IdentityStandIn>("M1"));
        hub->RegisterModule(std::make_shared<Analytics>());
        observer_ = std::make_shared<ObserverModule>();
        hub->RegisterModule(observer_);
        core->Start([] {});
        observer_->WaitForName("EventHub");
        Settings configuration = {{"analytics.server", Variant::FromString("127.0.0.1:9")},
                                  {"analytics.rsids", Variant::FromString("rs")},
                                  {"global.privacy", Variant::FromString("optedin")}};
        for (const auto& [key, value] : settings) {
            configuration[key] = value;
        }
        core->UpdateConfiguration(configuration);
        observer_->WaitFor([](const Event& event) {
            return event.GetName() == "Configuration Response Event" &&
                   event.GetData()->OptString("analytics.rsids", "") == "rs";
        });
    }

    /** Waits until every request dispatched before has been handled by the module; returns the size. */
    std::int64_t QueueSize() { return RequestAnalyticsQueueSize(*core).get(); }

    void Clear() {
        auto data = std::make_shared<EventData>();
        data->PutBoolean("clearhitsqueue", true);
        core->DispatchEvent(
            EventBuilder("AnalyticsClearQueue", EventType::ANALYTICS, EventSource::REQUEST_CONTENT).SetData(data).Build(),
            nullptr);
        QueueSize();
    }

    /** The folder that holds the app's folders. */
    const std::filesystem::path& AppFolderRoot() const { return folders_.Root(); }

    std::shared_ptr<Core> core;

private:
    ScopedAppFolders folders_;
    std::shared_ptr<SharedPlatformServices> shared_;
    std::shared_ptr<ObserverModule> observer_;
};

}  // namespace NuvraMobile

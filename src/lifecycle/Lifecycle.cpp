#include "lifecycle/Lifecycle.h"

#include <climits>
#include <cstdint>
#include <utility>

#include "core/module/ModuleMemberTask.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "lifecycle/LifecycleDispatcherResponseContent.h"
#include "lifecycle/LifecycleListeners.h"
#include "lifecycle/LifecycleMetricsBuilder.h"
#include "lifecycle/LifecycleSession.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/JsonObject.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Keys = LifecycleConstants::EventDataKeys::Lifecycle;
namespace ConfigKeys = LifecycleConstants::EventDataKeys::Configuration;
namespace IdentityKeys = LifecycleConstants::EventDataKeys::Identity;
namespace StoreKeys = LifecycleConstants::DataStoreKeys;

namespace {

constexpr std::int64_t kMillisecondsPerSecond = 1000;

std::int64_t EventTimeInSeconds(const Event& event) { return event.GetTimestamp() / kMillisecondsPerSecond; }

/**
 * "lifecycle.sessionTimeout" as a whole number of seconds; a configuration file gives its numbers as
 * doubles. 300 when absent or not a number.
 */
std::int64_t SessionTimeout(const EventData& configuration) {
    std::shared_ptr<Variant> value;
    std::int64_t whole = 0;
    double number = 0;
    if (!configuration.GetVariant(ConfigKeys::LIFECYCLE_CONFIG_SESSION_TIMEOUT, value) || !value) {
        return LifecycleConstants::DEFAULT_LIFECYCLE_TIMEOUT;
    }
    if (value->GetLong(whole)) {
        return static_cast<std::int32_t>(whole);
    }
    if (value->GetDouble(number) && number >= INT32_MIN && number <= INT32_MAX) {
        return static_cast<std::int32_t>(number);
    }
    return LifecycleConstants::DEFAULT_LIFECYCLE_TIMEOUT;
}

/** Adds the entries whose keys are not present yet. */
void AddMissing(Lifecycle::ContextData& data, const Lifecycle::ContextData& more) {
    data.insert(more.begin(), more.end());
}

}  // namespace

Lifecycle::Lifecycle() : Lifecycle(EventTimeInSeconds) {}

Lifecycle::Lifecycle(Clock clock) : InternalModule(Keys::SHARED_STATE_NAME), clock_(std::move(clock)) {}

std::string Lifecycle::GetSharedStateName() const { return Keys::SHARED_STATE_NAME; }

void Lifecycle::OnRegistered() {
    Log::Trace(LOG_PREFIX, "NuvraMobile::Lifecycle::OnRegistered");
    RegisterListener<LifecycleListenerRequestContent>(EventType::GENERIC_LIFECYCLE, EventSource::REQUEST_CONTENT);
    RegisterListener<LifecycleListenerSharedStateUpdate>(EventType::HUB, EventSource::SHARED_STATE);
    RegisterListener<LifecycleListenerHubBooted>(EventType::HUB, EventSource::BOOTED);
    dispatcher_ = CreateDispatcher<LifecycleDispatcherResponseContent>();
    session_ = std::make_shared<LifecycleSession>(GetDataStore());
}

std::size_t Lifecycle::CountRequestsLeftWaiting() { return eventQueue_.Size(); }

void Lifecycle::QueueEvent(const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "LifecycleProcessRequestContentEvent", [event](Lifecycle& self) {
        self.eventQueue_.Add(event);
        self.ProcessQueuedEvents();
    });
}

void Lifecycle::HandleSharedStateUpdateEvent(const std::shared_ptr<Event>& event) {
    if (!event) {
        Log::Trace(LOG_PREFIX, "Ignoring null shared state update event");
        return;
    }
    if (!event->GetData()) {
        Log::Trace(LOG_PREFIX, "Failed to process shared state update event (data was null)");
        return;
    }
    if (event->GetData()->OptString(LifecycleConstants::EventDataKeys::STATE_OWNER, "") !=
        ConfigKeys::SHARED_STATE_NAME) {
        return;
    }
    QueueMemberTask(*this, "LifecycleProcessSharedStateUpdate", [](Lifecycle& self) { self.ProcessQueuedEvents(); });
}

void Lifecycle::HandleEventHubBootEvent(const std::shared_ptr<Event>& event) {
    const auto coreData = LifecycleMetricsBuilder(GetPlatformServices(), clock_(*event)).AddCoreData().Build();
    auto data = std::make_shared<EventData>();
    data->PutStringMap(Keys::LIFECYCLE_CONTEXT_DATA, coreData);
    CreateSharedState(event->GetEventNumber(), data);
    // Loads the previous session's data before a start can overwrite "LifecycleData".
    GetContextData();
}

void Lifecycle::ProcessQueuedEvents() {
    eventQueue_.HandleInOrder([this](const std::shared_ptr<Event>& event) {
        const auto configuration = GetSharedEventState(ConfigKeys::SHARED_STATE_NAME, event);
        if (!configuration) {
            Log::Debug(LOG_PREFIX, "Configuration is null, waiting...");
            return false;
        }
        const auto data = event->GetData();
        if (!data) {
            Log::Trace(LOG_PREFIX, "Failed to process lifecycle event '%s (%d)', event data was null",
                       event->GetName(), event->GetEventNumber());
        } else {
            const auto action = data->OptString(Keys::LIFECYCLE_ACTION_KEY, "");
            if (action == Keys::LIFECYCLE_START) {
                Start(event, configuration);
            } else if (action == Keys::LIFECYCLE_PAUSE) {
                Pause(event);
            } else {
                Log::Trace(LOG_PREFIX, "Failed to process lifecycle event, invalid action (%s)", action);
            }
        }
        return true;
    });
}

void Lifecycle::Start(const std::shared_ptr<Event>& event, const std::shared_ptr<EventData>& configuration) {
    const auto timestamp = clock_(*event);
    CheckForApplicationUpgrade(timestamp);
    const auto timeout = SessionTimeout(*configuration);
    const auto previousSession = session_ ? session_->Start(timestamp, timeout) : nullptr;
    if (!previousSession) {
        CreateLifecycleSharedState(event->GetEventNumber());
        return;
    }
    lifecycleContextData_.clear();
    LifecycleMetricsBuilder builder(GetPlatformServices(), timestamp);
    ContextData data;
    if (IsInstall()) {
        data = builder.AddInstallData().AddGenericData().AddCoreData().Build();
    } else {
        data = builder.AddLaunchData()
                   .AddUpgradeData(IsUpgrade())
                   .AddCrashData(previousSession->IsCrash())
                   .AddGenericData()
                   .AddCoreData()
                   .Build();
        AddMissing(data, session_->GetSessionData(timestamp, timeout, previousSession));
    }
    ContextData additional;
    if (event->GetData()->GetStringMap(Keys::ADDITIONAL_CONTEXT_DATA, additional)) {
        AddMissing(data, additional);
    }
    const auto advertisingIdentifier = GetAdvertisingIdentifier(event);
    if (!advertisingIdentifier.empty()) {
        data[IdentityKeys::ADVERTISING_IDENTIFIER] = advertisingIdentifier;
    }
    lifecycleContextData_ = data;
    PersistLifecycleData(timestamp);
    CreateLifecycleSharedState(event->GetEventNumber());
    if (dispatcher_) {
        dispatcher_->DispatchSessionStart(timestamp, GetContextData(), previousSession->GetStartTimestamp(),
                                          previousSession->GetPauseTimestamp());
    }
}

void Lifecycle::Pause(const std::shared_ptr<Event>& event) {
    if (session_) {
        session_->Pause(clock_(*event));
    }
}

bool Lifecycle::IsInstall() {
    const auto store = GetDataStore();
    return store && !store->Contains(StoreKeys::INSTALL_DATE);
}

bool Lifecycle::IsUpgrade() {
    const auto systemInfo = GetSystemInfoService();
    const auto store = GetDataStore();
    return systemInfo && store && store->GetString(StoreKeys::LAST_VERSION, "") != systemInfo->GetApplicationVersion();
}

void Lifecycle::CheckForApplicationUpgrade(std::int64_t timestamp) {
    if (IsInstall() || !IsUpgrade()) {
        return;
    }
    auto data = GetContextData();
    if (data.empty()) {
        return;
    }
    const auto coreData = LifecycleMetricsBuilder(GetPlatformServices(), timestamp).AddCoreData().Build();
    const auto appId = coreData.find(Keys::APP_ID);
    const std::string newAppId = appId == coreData.end() ? "" : appId->second;
    if (!newAppId.empty()) {
        data[Keys::APP_ID] = newAppId;
    }
    if (!lifecycleContextData_.empty()) {
        lifecycleContextData_[Keys::APP_ID] = data[Keys::APP_ID];
        return;
    }
    previousSessionContextData_[Keys::APP_ID] = newAppId;
    WriteLifecycleData(data);
}

Lifecycle::ContextData Lifecycle::GetContextData() {
    if (!lifecycleContextData_.empty()) {
        return lifecycleContextData_;
    }
    if (previousSessionContextData_.empty()) {
        previousSessionContextData_ = GetPersistedContextData();
    }
    return previousSessionContextData_;
}

Lifecycle::ContextData Lifecycle::GetPersistedContextData() {
    const auto store = GetDataStore();
    const auto json = GetJsonUtilityService();
    if (!store || !json) {
        return {};
    }
    const auto text = store->GetString(StoreKeys::LIFECYCLE_DATA, "");
    if (text.empty()) {
        return {};
    }
    std::shared_ptr<JsonObject> object;
    TryCatch([&] { object = json->CreateJsonObject(text); },
             [&](SdkError& error) {
                 Log::Debug(LOG_PREFIX, "Failed to parse lifecycle's persisted data:\n%s\nError - %s %s", text,
                            error.GetCode(), error.GetMessage());
             });
    return object ? json->MapFromJsonObject(object) : ContextData();
}

void Lifecycle::PersistLifecycleData(std::int64_t timestamp) {
    const auto store = GetDataStore();
    if (!store) {
        Log::Error(LOG_PREFIX, "Failed to update lifecycle data, DataStore service is not available");
        return;
    }
    WriteLifecycleData(lifecycleContextData_);
    store->SetLong(StoreKeys::LAST_USED_DATE, timestamp);
    if (const auto systemInfo = GetSystemInfoService()) {
        store->SetString(StoreKeys::LAST_VERSION, systemInfo->GetApplicationVersion());
    }
}

void Lifecycle::WriteLifecycleData(const ContextData& data) {
    const auto store = GetDataStore();
    const auto json = GetJsonUtilityService();
    if (!store || !json) {
        return;
    }
    TryCatch(
        [&] {
            if (const auto object = json->CreateJsonObject(data)) {
                store->SetString(StoreKeys::LIFECYCLE_DATA, object->ToString());
            }
        },
        [](SdkError& error) {
            Log::Trace(LOG_PREFIX, "Failed to persist the lifecycle data: %s", error.GetMessage());
        });
}

void Lifecycle::CreateLifecycleSharedState(std::int32_t eventNumber) {
    auto data = std::make_shared<EventData>();
    data->PutStringMap(Keys::LIFECYCLE_CONTEXT_DATA, GetContextData());
    CreateSharedState(eventNumber, data);
}

std::string Lifecycle::GetAdvertisingIdentifier(const std::shared_ptr<Event>& event) {
    const auto identity = GetSharedEventState(IdentityKeys::SHARED_STATE_NAME, event);
    return identity ? identity->OptString(IdentityKeys::ADVERTISING_IDENTIFIER, "") : "";
}

std::shared_ptr<PlatformServicesInterface> Lifecycle::PlatformServicesOrWarn() {
    auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Warning(LOG_PREFIX, "Platform services are not available");
    }
    return platformServices;
}

std::shared_ptr<DataStoreInterface> Lifecycle::GetDataStore() {
    const auto platformServices = PlatformServicesOrWarn();
    const auto storage = platformServices ? platformServices->GetLocalStorageService() : nullptr;
    if (platformServices && !storage) {
        Log::Warning(LOG_PREFIX, "Storage services are not available");
    }
    return storage ? storage->GetDataStore(LifecycleConstants::DATA_STORE_NAME) : nullptr;
}

std::shared_ptr<SystemInfoServiceInterface> Lifecycle::GetSystemInfoService() {
    const auto platformServices = PlatformServicesOrWarn();
    return platformServices ? platformServices->GetSystemInfoService() : nullptr;
}

std::shared_ptr<JsonUtilityServiceInterface> Lifecycle::GetJsonUtilityService() {
    const auto platformServices = PlatformServicesOrWarn();
    return platformServices ? platformServices->GetJsonUtilityService() : nullptr;
}

}  // namespace NuvraMobile

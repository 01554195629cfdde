#include "core/Core.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>

#include "configuration/Configuration.h"
#include "core/execution/AppCalls.h"
#include "core/execution/BoundedDisposal.h"
#include "core/execution/ExecutorShutdown.h"
#include "core/hub/EventHub.h"
#include "core/values/CoreConstants.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "externalModule/ExternalModule.h"
#include "externalModule/ExternalModuleInterface.h"
#include "platformShim/LoggingServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "rulesengine/RulesEngine.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace Keys = CoreConstants::EventDataKeys;

namespace {

constexpr const char* EVENT_HUB_NAME = "NMSEventHub";
constexpr std::chrono::milliseconds DESTRUCTOR_DISPOSE_LIMIT{10000};

std::atomic<bool> calledStartAction{false};

std::shared_ptr<EventData> SingleStringData(const char* key, const std::string& value) {
    auto data = std::make_shared<EventData>();
    data->PutString(key, value);
    return data;
}

}  // namespace

/** Runs the string and logging utilities once, so that their statics outlive every core. */
class Core::Nvsdk7218Hack {
public:
    Nvsdk7218Hack() {
        StringUtils::Quotify("Nvsdk7218");
        StringUtils::ToString("Nvsdk7218");
        Log::Trace("Nvsdk7218", "StringUtils/Log statics are initialized");
    }
};

Core::Core() { static const Nvsdk7218Hack nvsdk7218Hack; }

std::shared_ptr<Core> Core::Create(const PlatformServicesFactory& factory,
                                   const std::shared_ptr<EventHub>& eventHub) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    AppCalls::ShutAtExit();
    std::shared_ptr<Core> core(new Core());
    core->Init(factory, eventHub);
    return core;
}

void Core::Init(const PlatformServicesFactory& factory, const std::shared_ptr<EventHub>& eventHub) {
    if (!factory) {
        Throw(SdkError("std.logic_error.invalid_argument",
                       "Failed to initialize core, PlatformServices factory function was null",
                       CurrentDebugInfo()));
    }
    auto platformServices = factory();
    if (!platformServices) {
        Throw(SdkError("std.logic_error.invalid_argument",
                       "Failed to initialize core, PlatformServices was null", CurrentDebugInfo()));
    }
    platformServices_ = platformServices;
    Log::SetLoggingService(platformServices_->GetLoggingService());
    SystemInfoServiceInterface::SetCurrentService(platformServices_->GetSystemInfoService());
    if (eventHub) {
        eventHub_ = eventHub;
        return;
    }
    eventHub_ = EventHub::Create(EVENT_HUB_NAME, factory, [factory](const std::shared_ptr<EventHub>& hub) {
        return std::make_shared<RulesEngine>(hub, factory);
    });
    TryCatch(
        [&] {
            eventHub_->RegisterModule<Configuration>();
            Log::Debug(LOG_TAG, "Registered Configuration module");
        },
        [](SdkError& error) {
            Log::Warning(LOG_TAG, "Failed to register Configuration module: %s", error.GetMessage());
        });
}

Core::~Core() {
    const bool disposed = DisposeWithin(
        DESTRUCTOR_DISPOSE_LIMIT, [this](std::chrono::milliseconds timeout) { return End(timeout); }, LOG_TAG,
        "The core being released");
    if (!disposed && platformServices_ && Log::GetLoggingService() == platformServices_->GetLoggingService()) {
        Log::SetLoggingService(nullptr);
    }
}

void Core::Start(const std::function<void()>& callback) {
    if (calledStartAction.exchange(true)) {
        Log::Error(LOG_TAG, "Can't execute Core start action more than once.");
        return;
    }
    eventHub_->FinishModulesRegistration(callback);
}

bool Core::Dispose() { return Dispose(DEFAULT_DISPOSE_TIMEOUT); }

bool Core::Dispose(std::chrono::milliseconds timeout) {
    if (!End(timeout)) {
        saidFalse_ = true;
        return false;
    }
    if (!eventHub_ || !eventHub_->DroppedWorkAtDisposal()) {
        return true;
    }
    // Said once: a caller already told false (its time ran out) learns what was dropped from the line.
    return saidFalse_.exchange(true);
}

bool Core::End(std::chrono::milliseconds timeout) {
    const auto deadline = DisposeDeadline(timeout);
    // One call: the hub waits its whole timeout itself, or returns at once where waiting could never end.
    if (eventHub_ && !eventHub_->Dispose(timeout)) {
        return false;
    }
    ClearOwnProcessWideServices();
    if (!platformServices_) {
        return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return DisposeWithin(
        std::max(left, std::chrono::milliseconds(0)),
        [this](std::chrono::milliseconds slice) { return platformServices_->Dispose(slice); }, LOG_TAG,
        "The core's services");
}

void Core::ClearOwnProcessWideServices() {
    if (!platformServices_) {
        return;
    }
    if (Log::GetLoggingService() == platformServices_->GetLoggingService()) {
        Log::SetLoggingService(nullptr);
    }
    if (SystemInfoServiceInterface::GetCurrentService() == platformServices_->GetSystemInfoService()) {
        SystemInfoServiceInterface::SetCurrentService(nullptr);
    }
}

// Requests.

void Core::Dispatch(const std::shared_ptr<Event>& event) { eventHub_->Dispatch(event); }

void Core::ConfigureWithAppId(const std::string& appId) {
    if (appId.empty()) {
        Log::Warning(LOG_TAG, "ConfigureWithAppId unable to configure with empty app_id.");
        return;
    }
    Dispatch(
        EventBuilder("Configure with AppId", EventType::CONFIGURATION, EventSource::REQUEST_CONTENT)
            .SetData(SingleStringData(Keys::Configuration::CONFIGURATION_REQUEST_CONTENT_JSON_APP_ID, appId))
            .Build());
}

void Core::ConfigureWithFileInPath(const std::string& filePath) {
    if (filePath.empty()) {
        Log::Warning(LOG_TAG, "ConfigureWithFilePath unable to configure with empty file_path.");
        return;
    }
    Dispatch(EventBuilder("Configure with FilePath", EventType::CONFIGURATION, EventSource::REQUEST_CONTENT)
                 .SetData(SingleStringData(Keys::Configuration::CONFIGURATION_REQUEST_CONTENT_JSON_FILE_PATH,
                                           filePath))
                 .Build());
}

void Core::UpdateConfiguration(const std::map<std::string, std::shared_ptr<Variant>>& configuration) {
    auto data = std::make_shared<EventData>();
    data->PutVariantMap(Keys::Configuration::CONFIGURATION_REQUEST_CONTENT_UPDATE_CONFIG, configuration);
    Dispatch(EventBuilder("Configuration Update", EventType::CONFIGURATION, EventSource::REQUEST_CONTENT)
                 .SetData(data)
                 .Build());
}

void Core::SetPrivacyStatus(MobilePrivacyStatus status) {
    UpdateConfiguration({{Keys::Configuration::GLOBAL_CONFIG_PRIVACY,
                          Variant::FromString(MobilePrivacyStatusToString(status))}});
}

void Core::RegisterResponseListener(const std::shared_ptr<Event>& request, const EventCallback& listener,
                                    const std::function<void(const SdkError&)>& onFailure) {
    TryCatch(
        [&] { eventHub_->RegisterOneTimeListener<Configuration>(request->GetResponsePairID(), listener); },
        [&](SdkError& error) { onFailure(error); });
}

void Core::GetPrivacyStatus(const std::function<void(MobilePrivacyStatus)>& callback) {
    if (!callback) {
        return;
    }
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::Configuration::CONFIGURATION_REQUEST_CONTENT_RETRIEVE_CONFIG, true);
    const auto request =
        EventBuilder("PrivacyStatusRequest", EventType::CONFIGURATION, EventSource::REQUEST_CONTENT)
            .SetData(data)
            .Build();
    RegisterResponseListener(
        request,
        [callback](const std::shared_ptr<Event>& response) {
            // The answer holds the stored configuration; resolve it as it is published.
            const auto published = Configuration::GetEnvironmentAwareEventData(response->GetData());
            callback(PrivacyStatusInConfiguration(published).value_or(MobilePrivacyStatus::UNKNOWN));
        },
        [&callback](const SdkError& error) {
            Log::Debug(LOG_TAG,
                       "Privacy Status Request - Failed to register the RESPONSE_CONTENT listener (%s)",
                       error.GetMessage());
            callback(MobilePrivacyStatus::UNKNOWN);
        });
    Dispatch(request);
}

void Core::GetSDKIdentities(const std::function<void(const std::string&)>& callback) {
    if (!callback) {
        return;
    }
    const auto request =
        EventBuilder("GetSdkIdentities Event", EventType::CONFIGURATION, EventSource::REQUEST_IDENTITY)
            .Build();
    RegisterResponseListener(
        request,
        [callback](const std::shared_ptr<Event>& response) {
            std::string identities;
            response->GetData()->GetString(
                Keys::Configuration::CONFIGURATION_RESPONSE_IDENTITY_ALL_IDENTIFIERS, identities);
            callback(identities);
        },
        [&callback](const SdkError& error) {
            Log::Debug(LOG_TAG,
                       "GetSDKIdentities Request - Failed to register the RESPONSE_IDENTITY listener (%s)",
                       error.GetMessage());
            callback("");
        });
    Dispatch(request);
}

void Core::CollectPii(const std::map<std::string, std::string>& data) {
    if (data.empty()) {
        Log::Debug(LOG_TAG, "Could not trigger PII, the data is empty");
        return;
    }
    auto eventData = std::make_shared<EventData>();
    eventData->PutStringMap(Keys::Signal::CONTEXT_DATA, data);
    Dispatch(EventBuilder("CollectPii", EventType::GENERIC_PII, EventSource::REQUEST_CONTENT)
                 .SetData(eventData)
                 .Build());
    Log::Trace(LOG_TAG, "GENERIC_PII request event was dispatched: CollectPii");
}

void Core::LifecycleStart(const std::map<std::string, std::string>& additionalContextData) {
    auto data = SingleStringData(Keys::Lifecycle::LIFECYCLE_ACTION_KEY, Keys::Lifecycle::LIFECYCLE_START);
    data->PutStringMap(Keys::Lifecycle::ADDITIONAL_CONTEXT_DATA, additionalContextData);
    Dispatch(EventBuilder("LifecycleResume", EventType::GENERIC_LIFECYCLE, EventSource::REQUEST_CONTENT)
                 .SetData(data)
                 .Build());
    Log::Trace(LOG_TAG, "GENERIC_LIFECYCLE request event was dispatched: LifecycleResume");
}

void Core::LifecyclePause() {
    Dispatch(EventBuilder("LifecyclePause", EventType::GENERIC_LIFECYCLE, EventSource::REQUEST_CONTENT)
                 .SetData(SingleStringData(Keys::Lifecycle::LIFECYCLE_ACTION_KEY,
                                           Keys::Lifecycle::LIFECYCLE_PAUSE))
                 .Build());
    Log::Trace(LOG_TAG, "GENERIC_LIFECYCLE request event was dispatched: LifecyclePause");
}

void Core::SetAdvertisingIdentifier(const std::string& identifier) {
    Dispatch(
        EventBuilder("SetAdvertisingIdentifier", EventType::GENERIC_IDENTITY, EventSource::REQUEST_CONTENT)
            .SetData(SingleStringData(Keys::Identity::ADVERTISING_IDENTIFIER, identifier))
            .Build());
    Log::Trace(LOG_TAG, "GENERIC_IDENTITY request event was dispatched: SetAdvertisingIdentifier");
}

void Core::SetPushIdentifier(const std::string& identifier) {
    Dispatch(EventBuilder("SetPushIdentifier", EventType::GENERIC_IDENTITY, EventSource::REQUEST_CONTENT)
                 .SetData(SingleStringData(Keys::Identity::PUSH_IDENTIFIER, identifier))
                 .Build());
    Log::Trace(LOG_TAG, "GENERIC_IDENTITY request event was dispatched: SetPushIdentifier");
}

void Core::Track(const std::shared_ptr<EventData>& data) {
    if (!data || data->IsEmpty()) {
        return;
    }
    // A copy: the caller may go on changing its data after the call.
    Dispatch(EventBuilder("AnalyticsTrack", EventType::GENERIC_TRACK, EventSource::REQUEST_CONTENT)
                 .CopyData(data)
                 .Build());
    Log::Trace(LOG_TAG, "GENERIC_TRACK request event was dispatched: AnalyticsTrack");
}

void Core::CollectData(const std::map<std::string, std::shared_ptr<Variant>>& data) {
    if (data.empty()) {
        Log::Trace(LOG_TAG, "CollectData - data was empty, no event was dispatched");
        return;
    }
    Dispatch(EventBuilder("CollectData", EventType::GENERIC_DATA, EventSource::OS)
                 .SetData(std::make_shared<EventData>(data))
                 .Build());
    Log::Trace(LOG_TAG, "GENERIC_DATA request event was dispatched: CollectData");
}

void Core::DownloadRules() {
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::RulesEngine::RULES_REQUEST_CONTENT_DOWNLOAD_RULES, true);
    Dispatch(EventBuilder("Refresh Rules", EventType::RULES_ENGINE, EventSource::REQUEST_CONTENT)
                 .SetData(data)
                 .Build());
}

// Extension operations.

void Core::RunExtensionOperation(const std::function<void()>& work, const ErrorCallback& errorCallback) {
    TryCatch(work, [&](SdkError& error) {
        Log::Debug(LOG_TAG, "Failed to dispatch event: %s", error.GetMessage());
        if (errorCallback) {
            errorCallback(error);
        }
    });
}

void Core::RegisterExternalModule(const std::shared_ptr<ExternalModuleInterface>& module,
                                  const ErrorCallback& errorCallback) {
    TryCatch(
        [&] {
            Log::Debug(LOG_TAG, "External module registration requested for \"%s\"",
                       module ? module->GetModuleName() : std::string());
            if (!module) {
                Throw(SdkError("general.invalid_argument", "Provided module was null", CurrentDebugInfo()));
            }
            // The hub refuses an empty or taken name before the module joins.
            eventHub_->RegisterModule(std::make_shared<ExternalModule>(module->GetModuleName(), module));
        },
        [&](SdkError& error) {
            Log::Debug(LOG_TAG, "Failed to register external module.\n%s", error.GetMessage());
            if (errorCallback) {
                errorCallback(error);
            }
        });
}

namespace {
void ThrowIfNull(const std::shared_ptr<Event>& event) {
    if (!event) {
        Throw(SdkError("external_module.event_was_null", "Event was null", CurrentDebugInfo()));
    }
}
}  // namespace

void Core::DispatchEvent(const std::shared_ptr<Event>& event, const ErrorCallback& errorCallback) {
    RunExtensionOperation(
        [&] {
            ThrowIfNull(event);
            Dispatch(event->Copy());
        },
        errorCallback);
}

void Core::DispatchEventWithResponseCallback(const std::shared_ptr<Event>& requestEvent,
                                             const EventCallback& responseCallback,
                                             const ErrorCallback& errorCallback) {
    RunExtensionOperation(
        [&] {
            ThrowIfNull(requestEvent);
            if (!responseCallback) {
                Throw(SdkError("external_module.unexpected", "No response callback passed",
                               CurrentDebugInfo()));
            }
            const auto copy = requestEvent->Copy();
            eventHub_->RegisterOneTimeListener<Configuration>(copy->GetResponsePairID(), responseCallback);
            Dispatch(copy);
        },
        errorCallback);
}

void Core::DispatchResponseEvent(const std::shared_ptr<Event>& responseEvent,
                                 const std::shared_ptr<Event>& requestEvent,
                                 const ErrorCallback& errorCallback) {
    RunExtensionOperation(
        [&] {
            ThrowIfNull(responseEvent);
            ThrowIfNull(requestEvent);
            const auto copy = responseEvent->Copy();
            copy->SetPairID(requestEvent->GetResponsePairID());
            Dispatch(copy);
        },
        errorCallback);
}

}  // namespace NuvraMobile

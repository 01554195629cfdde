#include "configuration/Configuration.h"

#include <string>
#include <utility>

#include "configuration/ConfigurationDispatchers.h"
#include "configuration/ConfigurationListeners.h"
#include "configuration/MobileIdentities.h"
#include "core/execution/TaskExecutorInterface.h"
#include "core/hub/EventHub.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/module/ModuleMemberTask.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/ThreadingServiceInterface.h"
#include "util/Log.h"

// The module object: registration, the turning of events into tasks, the boot sequence and the
// identities queue. Obtaining and publishing a configuration is in ConfigurationPublishing.cpp.

namespace NuvraMobile {

namespace Keys = ConfigurationConstants::EventDataKeys::Configuration;

namespace {
/** Without a threading service: the fetches that may wait at once, each on a silent server. */
constexpr uint32_t kMostFetchesSideBySide = 4;
}  // namespace

Configuration::Configuration() : Configuration(Keys::SHARED_STATE_NAME) {}

Configuration::Configuration(const std::string& name) : InternalModule(name) {}

std::string Configuration::GetSharedStateName() const { return Keys::SHARED_STATE_NAME; }

void Configuration::OnRegistered() {
    RegisterListener<ConfigurationListenerRequestContent>(EventType::CONFIGURATION,
                                                          EventSource::REQUEST_CONTENT);
    RegisterListener<ConfigurationListenerLifecycleResponseContent>(EventType::LIFECYCLE,
                                                                    EventSource::RESPONSE_CONTENT);
    RegisterListener<ConfigurationListenerBootEvent>(EventType::HUB, EventSource::BOOTED);
    RegisterListener<ConfigurationListenerHubSharedState>(EventType::HUB, EventSource::SHARED_STATE);
    RegisterListener<ConfigurationListenerRequestIdentity>(EventType::CONFIGURATION,
                                                           EventSource::REQUEST_IDENTITY);

    requestContentDispatcher_ = CreateDispatcher<ConfigurationDispatcherConfigurationRequestContent>();
    responseContentDispatcher_ = CreateDispatcher<ConfigurationDispatcherConfigurationResponseContent>();
    responseIdentityDispatcher_ = CreateDispatcher<ConfigurationDispatcherConfigurationResponseIdentity>();

    rulesExecutor_ = CreateExecutor("Rules Downloader", false);
    // Side by side: a fetch that waits on a silent server or the network holds up no later app id's.
    downloadsExecutor_ = CreateExecutor("Configuration Downloader", true);
}

std::shared_ptr<TaskExecutorInterface> Configuration::CreateExecutor(const std::string& name, bool parallel) {
    const auto platformServices = GetPlatformServices();
    const auto threadingService = platformServices ? platformServices->GetThreadingService() : nullptr;
    if (!threadingService) {
        return TaskExecutorInterface::CreateFixedThreaded(parallel ? kMostFetchesSideBySide : 1);
    }
    return parallel ? threadingService->CreateParallelTaskExecutor(name)
                    : threadingService->CreateSequentialTaskExecutor(name);
}

void Configuration::OnUnregistered() {
    // A fetch under way ends on its own: its wait for the network gives up once the module is unregistered.
    for (const auto& executor : {rulesExecutor_, downloadsExecutor_}) {
        if (executor) {
            executor->Dispose();
        }
    }
    // The tasks that were to fill these versions are dropped. Written through the hub itself, since the
    // module's own writes stop at unregistration.
    const auto reserved = stateVersions_.TakeReserved();
    const auto hub = GetEventHub();
    if (!hub) {
        return;
    }
    for (const int32_t version : reserved) {
        hub->UpdateSharedState(SharedSelf(), version, SHARED_STATE_PREV);
    }
}

std::shared_ptr<Configuration> Configuration::SharedSelf() {
    return std::dynamic_pointer_cast<Configuration>(shared_from_this());
}

void Configuration::HandleConfigurationEvent(const std::shared_ptr<Event>& event) {
    using Hearing = void (Configuration::*)(const std::shared_ptr<Event>&);
    static const std::pair<const char*, Hearing> kHearings[] = {
        {Keys::CONFIGURATION_REQUEST_CONTENT_JSON_APP_ID, &Configuration::HearAppIdRequest},
        {Keys::CONFIGURATION_REQUEST_CONTENT_JSON_FILE_PATH, &Configuration::HearFileRequest},
        {Keys::CONFIGURATION_REQUEST_CONTENT_UPDATE_CONFIG, &Configuration::HearUpdateRequest},
        {Keys::CONFIGURATION_REQUEST_CONTENT_RETRIEVE_CONFIG, &Configuration::HearCurrentConfigurationRequest},
        {Keys::CONFIGURATION_REQUEST_CONTENT_DOWNLOADED_CONFIG, &Configuration::HearDownloadedConfiguration},
    };
    const auto& data = event->GetData();
    for (const auto& [key, hear] : kHearings) {
        if (data->ContainsKey(key)) {
            (this->*hear)(event);
            return;
        }
    }
}

// Until a base configuration, or one that names a server, is published, an app-id request reserves its version:
// the events after it wait for the file it fetches instead of being dropped for want of a server. After, they
// read what stands.
void Configuration::HearAppIdRequest(const std::shared_ptr<Event>& event) {
    if (IsConfigured()) {
        QueueMemberTask(*this, "ProcessConfigureWithAppIdEvent",
                        &Configuration::ProcessConfigureWithAppIdEvent, event);
        return;
    }
    QueueWithReservedVersion("ProcessConfigureWithAppIdEvent", &Configuration::ProcessConfigureWithAppIdEvent,
                             event);
}

void Configuration::HearFileRequest(const std::shared_ptr<Event>& event) {
    QueueWithReservedVersion("ProcessConfigWithFilePathEvent", &Configuration::ProcessConfigWithFilePathEvent,
                             event);
}

void Configuration::HearUpdateRequest(const std::shared_ptr<Event>& event) {
    QueueWithReservedVersion("ProcessUpdateConfigEvent", &Configuration::ProcessUpdateConfigEvent, event);
}

void Configuration::HearCurrentConfigurationRequest(const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "ProcessPublishConfigurationEvent", &Configuration::ProcessPublishConfigurationEvent,
                    event);
}

// Whether the fetched text still applies is told by its task, in event order: a base asked before it may not
// have been read yet.
void Configuration::HearDownloadedConfiguration(const std::shared_ptr<Event>& event) {
    QueueWithReservedVersion("ProcessDownloadedConfigEvent", &Configuration::ProcessDownloadedConfigEvent, event);
}

void Configuration::QueueWithReservedVersion(const char* taskName, RequestBody body,
                                             const std::shared_ptr<Event>& event) {
    const int32_t version = event->GetEventNumber();
    stateVersions_.Reserve(version);
    QueueMemberTask(*this, taskName, [body, event, version](Configuration& self) {
        // Also when the task fails: no reader may wait for a version that is never filled.
        TryFinally([&] { (self.*body)(event); }, [&] { self.stateVersions_.RollBack(version); });
    });
}

void Configuration::HandleLifeCycleEvent() {
    QueueMemberTask(*this, "LifeCycleEvent", [](Configuration& self) {
        const std::string appId = self.GetValidAppID();
        if (!appId.empty()) {
            self.requestContentDispatcher_->DispatchInternalConfigureWithAppIdEvent(appId);
        }
    });
}

bool Configuration::RunBootStep(const char* stepName, const std::function<bool()>& step) {
    bool applied = false;
    TryCatch([&] { applied = step(); },
             [&](SdkError& error) {
                 Log::Error(LOG_PREFIX, "Boot step \"%s\" failed, going on with the next one: %s", stepName,
                            error.GetMessage());
             });
    return applied;
}

void Configuration::HandleBootEvent(const std::shared_ptr<Event>& event) {
    RunBootStep("load cached rules", [this] {
        RetrieveCachedRules();
        return false;
    });
    ProcessBootConfigEvent(event);
}

void Configuration::ProcessBootConfigEvent(const std::shared_ptr<Event>& event) {
    Log::Trace(LOG_PREFIX, "Processing boot configuration event");
    RunBootStep("load overrides", [this] {
        MutexLock lock(configMutex_);
        RetrieveOverriddenConfigFromPersistence();
        HoldPrivacyAfterLostStore();
        return false;
    });
    std::string appId;
    RunBootStep("read app id", [&] {
        appId = GetValidAppID();
        return false;
    });
    if (!appId.empty()) {
        requestContentDispatcher_->DispatchInternalConfigureWithAppIdEvent(appId);
        if (RunBootStep("load cached configuration", [&] { return LoadCachedConfig(appId, event); })) {
            return;
        }
    }
    if (RunBootStep("load bundled configuration", [&] { return LoadBundledConfig(event); })) {
        return;
    }
    if (!appId.empty()) {
        // The stored overrides alone would have the events before the file comes dropped for want of a server.
        stateVersions_.Reserve(event->GetEventNumber());
        HoldForFetch(event->GetEventNumber());
        return;
    }
    if (RunBootStep("apply overrides", [&] { return LoadOverriddenConfig(event); })) {
        return;
    }
    UpdateSharedStateToPreviousConfig(event->GetEventNumber());
}

void Configuration::HandleGetSdkIdentitiesEvent(const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "GetSDKIdentities", [event](Configuration& self) {
        self.QueueGetSDKIdentitiesEvent(event);
        self.ProcessGetSdkIdsEvent();
    });
}

void Configuration::HandleSharedStateChangeEvent() {
    QueueMemberTask(*this, "Share state change event", [](Configuration& self) { self.ProcessGetSdkIdsEvent(); });
}

WaitingEventQueue<>& Configuration::GetEventQueue() { return identityRequests_; }

std::size_t Configuration::CountRequestsLeftWaiting() { return identityRequests_.Size(); }

void Configuration::QueueGetSDKIdentitiesEvent(const std::shared_ptr<Event>& event) {
    if (event) {
        identityRequests_.Add(event);
    }
}

void Configuration::ProcessGetSdkIdsEvent() {
    GetEventQueue().HandleInOrder([this](const std::shared_ptr<Event>& request) {
        std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService;
        if (!GetPlatformJsonUtilityService(jsonUtilityService)) {
            Log::Error(LOG_PREFIX, "JSONUtility Service not available, unable to retrieve sdk identities");
            responseIdentityDispatcher_->DispatchAllIdentities("", request->GetResponsePairID());
            return true;
        }
        const auto self = SharedSelf();
        if (!MobileIdentities::AreAllSharedStateReady(request, self)) {
            return false;
        }
        responseIdentityDispatcher_->DispatchAllIdentities(
            MobileIdentities::GetAllIdentifiers(jsonUtilityService, request, self),
            request->GetResponsePairID());
        return true;
    });
}

}  // namespace NuvraMobile

#include "externalModule/ExternalModule.h"

#include <algorithm>

#include "core/execution/AppCalls.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "externalModule/ExternalModuleInterface.h"
#include "externalModule/ExternalModuleListener.h"
#include "externalModule/ExternalModuleListenerInterface.h"
#include "externalModule/ExternalModuleServicesImpl.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

constexpr const char* MISSING_SERVICE = "platform_services.missing_service";

ExternalModule::ListenerKey WildcardKey() { return {EventType::WILDCARD, EventSource::WILDCARD}; }

void RequireName(const std::string& name, const char* code, const char* message) {
    if (name.empty()) {
        Throw(SdkError(code, message, CurrentDebugInfo()));
    }
}

}  // namespace

ExternalModule::ExternalModule(const std::string& moduleName,
                               std::shared_ptr<ExternalModuleInterface> moduleInterface)
    : InternalModule(moduleName), interface_(std::move(moduleInterface)) {
    if (!interface_) {
        Throw(SdkError("general.invalid_argument", "An external module needs its extension's interface",
                       CurrentDebugInfo()));
    }
}

ExternalModule::~ExternalModule() = default;

std::string ExternalModule::GetSharedStateName() const { return interface_->GetModuleName(); }

bool ExternalModule::ForwardsUnexpectedErrors() const { return true; }

void ExternalModule::HandleUnexpectedError(const SdkError& error) {
    AppCalls::Run("an error report to an extension", [&] {
        TrySwallow([&] {
            SdkError reported(error);
            interface_->OnUnexpectedError(reported);
        });
    });
}

void ExternalModule::CallExtension(LoggingMode level, const char* failureFormat,
                                   const std::function<void()>& call) {
    AppCalls::Run("a call of an extension", [&] { Guarded(level, failureFormat, call); });
}

void ExternalModule::Guarded(LoggingMode level, const char* failureFormat,
                             const std::function<void()>& call) {
    TryCatch(call, [&](SdkError& error) {
        if (level == LoggingMode::Debug) {
            Log::Debug(LogTag(), failureFormat, error.GetMessage());
        } else {
            Log::Error(LogTag(), failureFormat, error.GetMessage());
        }
        HandleUnexpectedError(error);
    });
}

void ExternalModule::OnRegistered() {
    auto services = std::make_shared<ExternalModuleServicesImpl>(
        std::static_pointer_cast<ExternalModule>(shared_from_this()));
    {
        MutexLock lock(mutex_);
        services_ = services;
    }
    CallExtension(LoggingMode::Debug, "Failed to register external module.\n%s", [&] {
        interface_->OnRegister(services);
        Log::Trace(LogTag(), "Registered external module \"%s\"", interface_->GetModuleName());
    });
}

void ExternalModule::OnUnregistered() {
    CallExtension(LoggingMode::Debug, "Failed to unregister external module.\n%s", [&] {
        interface_->OnUnregister();
        Log::Trace(LogTag(), "Unregistered external module \"%s\"", interface_->GetModuleName());
    });
}

// Listeners.

void ExternalModule::ExternalServices_RegisterListener(
    const std::shared_ptr<ExternalModuleListenerInterface>& listener, const std::string& eventTypeName,
    const std::string& eventSourceName) {
    RequireName(eventTypeName, "external_module.event_type_not_supported",
                "The listener event type cannot be null or empty");
    RequireName(eventSourceName, "external_module.event_source_not_supported",
                "The listener event source cannot be null or empty");
    const ListenerKey key(EventType::Get(eventTypeName), EventSource::Get(eventSourceName));
    AddListener(
        key, listener,
        [&] {
            Log::Trace(LogTag(), "Registered a listener with event type '%s' and source '%s'.", eventTypeName,
                       eventSourceName);
        },
        "Failed to register listener.\n%s");
}

void ExternalModule::ExternalServices_RegisterWildcardListener(
    const std::shared_ptr<ExternalModuleListenerInterface>& listener) {
    AddListener(
        WildcardKey(), listener,
        [&] {
            Log::Warning(LogTag(),
                         "Registering a wildcard listener. If this is a production environment, consider "
                         "using the regular listener instead.");
        },
        "Failed to register the wildcard listener.\n%s");
}

void ExternalModule::AddListener(const ListenerKey& key,
                                 const std::shared_ptr<ExternalModuleListenerInterface>& listener,
                                 const std::function<void()>& logRegistered, const char* failureFormat) {
    TryCatch(
        [&] {
            if (!listener) {
                Throw(SdkError("general.unexpected", "The listener cannot be null", CurrentDebugInfo()));
            }
            {
                MutexLock lock(mutex_);
                pendingListeners_[key].push_back(listener);
            }
            // The wildcard key makes the hub listener the module's wildcard listener.
            RegisterListener(std::make_shared<ExternalModuleListener>(), key.first, key.second);
            logRegistered();
        },
        [&](SdkError& error) {
            Log::Error(LogTag(), failureFormat, error.GetMessage());
            // This very interface, not the queue's front: an earlier one pending for the key stays.
            RemovePendingListener(key, listener);
            HandleUnexpectedError(error);
        });
}

void ExternalModule::RemovePendingListener(const ListenerKey& key,
                                           const std::shared_ptr<ExternalModuleListenerInterface>& listener) {
    MutexLock lock(mutex_);
    auto pending = pendingListeners_.find(key);
    if (pending == pendingListeners_.end()) {
        return;
    }
    auto& queue = pending->second;
    // The newest entry: the one this failed call appended.
    auto found = std::find(queue.rbegin(), queue.rend(), listener);
    if (found != queue.rend()) {
        queue.erase(std::next(found).base());
    }
    if (queue.empty()) {
        pendingListeners_.erase(pending);
    }
}

std::shared_ptr<ExternalModuleListenerInterface> ExternalModule::FindPendingListener(const ListenerKey& key,
                                                                                     bool pop) {
    MutexLock lock(mutex_);
    auto pending = pendingListeners_.find(key);
    if (pending == pendingListeners_.end()) {
        return nullptr;
    }
    auto listener = pending->second.front();
    if (pop) {
        pending->second.pop_front();
        if (pending->second.empty()) {
            pendingListeners_.erase(pending);
        }
    }
    return listener;
}

std::shared_ptr<ExternalModuleListenerInterface> ExternalModule::FindListener(
    const ListenerKey& key, const std::shared_ptr<ExternalModuleListener>& hubListener) {
    MutexLock lock(mutex_);
    for (const auto& candidate : {key, WildcardKey()}) {
        auto registered = registeredListeners_.find(candidate);
        if (registered != registeredListeners_.end() && registered->second.hubListener == hubListener) {
            return registered->second.listener;
        }
    }
    return nullptr;
}

void ExternalModule::ExternalListener_OnRegistered(
    const std::shared_ptr<EventType>& type, const std::shared_ptr<EventSource>& source,
    const std::shared_ptr<ExternalModuleListener>& hubListener) {
    const ListenerKey key(type, source);
    // Pending interfaces meet their hub listeners in the order in which they were registered.
    auto listener = FindPendingListener(key, true);
    if (!listener) {
        Log::Warning(LogTag(), "No listener to register in listener callback");
        return;
    }
    {
        MutexLock lock(mutex_);
        registeredListeners_[key] = RegisteredListener{hubListener, listener};
    }
    // Called without the mutex, so the listener may use the services right away.
    CallExtension(LoggingMode::Error, "Failed to respond to external listener registration.\n%s",
                  [&] { listener->OnRegistered(); });
}

void ExternalModule::ExternalListener_Hear(const std::shared_ptr<Event>& event,
                                           const std::shared_ptr<ExternalModuleListener>& hubListener) {
    auto listener = FindListener(ListenerKey(event->GetEventType(), event->GetEventSource()), hubListener);
    if (!listener) {
        Log::Warning(LogTag(), "No listener to hear event");
        return;
    }
    auto self = std::static_pointer_cast<ExternalModule>(shared_from_this());
    AddTaskToQueue("listener_hear", [self, listener, event] {
        self->CallExtension(LoggingMode::Error, "External listener fail to respond to Hear.\n%s",
                            [&] { listener->Hear(event); });
    });
}

void ExternalModule::ExternalListener_OnUnregistered(
    const std::shared_ptr<EventType>& type, const std::shared_ptr<EventSource>& source,
    const std::shared_ptr<ExternalModuleListener>& hubListener) {
    const ListenerKey key(type, source);
    auto listener = FindListener(key, hubListener);
    if (!listener) {
        Log::Warning(LogTag(), "No listener to unregister in listener callback");
        return;
    }
    {
        MutexLock lock(mutex_);
        auto registered = registeredListeners_.find(key);
        if (registered != registeredListeners_.end() && registered->second.hubListener == hubListener) {
            registeredListeners_.erase(registered);
        }
    }
    CallExtension(LoggingMode::Error, "Failed to respond to external listener unregistration.\n%s",
                  [&] { listener->OnUnregistered(); });
}

void ExternalModule::ExternalServices_UnregisterModule() { UnregisterModule(); }

// Shared states.

std::shared_ptr<JsonUtilityServiceInterface> ExternalModule::RequireJsonUtilityService() {
    auto services = GetPlatformServices();
    if (!services) {
        Throw(SdkError(MISSING_SERVICE, "PlatformServices unavailable.", CurrentDebugInfo()));
    }
    auto json = services->GetJsonUtilityService();
    if (!json) {
        Throw(SdkError(MISSING_SERVICE, "JsonUtilityService unavailable.", CurrentDebugInfo()));
    }
    return json;
}

std::shared_ptr<EventData> ExternalModule::StateFromJson(const std::string& state) {
    auto json = RequireJsonUtilityService();
    std::shared_ptr<EventData> data = SHARED_STATE_PENDING;
    if (state.empty()) {
        return data;
    }
    Guarded(LoggingMode::Error, "Error creating shared state event data from json.\n%s", [&] {
        // What converting a parsed document gives, read straight from the text.
        data = json->JsonTextToEventData(state);
    });
    return data;
}

void ExternalModule::ExternalServices_SetSharedEventState(const std::string& state,
                                                          const std::shared_ptr<Event>& event) {
    if (!IsRegistered()) {
        return;
    }
    // Text that does not convert is reported, and still leaves its version pending.
    const auto data = StateFromJson(state);
    Guarded(LoggingMode::Error, "External module threw an exception setting shared state: \n%s", [&] {
        MutexLock lock(mutex_);
        if (event) {
            CreateOrUpdateSharedState(event->GetEventNumber(), data);
        } else {
            CreateOrUpdateSharedState(data);
        }
    });
}

void ExternalModule::ExternalServices_ClearSharedEventStates() {
    Guarded(LoggingMode::Error, "External module threw an exception clearing shared state: \n%s", [&] {
        MutexLock lock(mutex_);
        ClearSharedStates();
    });
}

std::shared_ptr<std::string> ExternalModule::ExternalServices_GetSharedEventState(
    const std::string& stateOwner, const std::shared_ptr<Event>& event) {
    if (!IsRegistered()) {
        return nullptr;
    }
    const auto data = GetSharedEventState(stateOwner, event);
    if (!data) {
        return nullptr;
    }
    auto json = RequireJsonUtilityService();
    std::shared_ptr<std::string> text;
    Guarded(LoggingMode::Error, "Failed to Get Shared State.\n%s", [&] {
        auto result = json->EventDataToJsonObject(data);
        if (result.HasValue() && result.Value()) {
            text = std::make_shared<std::string>(result.Value()->ToString());
        }
    });
    return text;
}

}  // namespace NuvraMobile

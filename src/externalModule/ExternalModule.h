#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "core/module/InternalModule.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class Event;
class EventData;
class EventSource;
class EventType;
class ExternalModuleInterface;
class ExternalModuleListener;
class ExternalModuleListenerInterface;
class ExternalModuleServicesImpl;
class JsonUtilityServiceInterface;
class SdkError;
enum class LoggingMode : std::int32_t;

/**
 * The module through which an extension written outside the system takes part in the event hub.
 * Everything module-specific is delegated to the extension's ExternalModuleInterface. The module ties
 * the extension's listener interfaces to hub listeners (ExternalModuleListener), hands heard events
 * to them on its own sequential queue, carries shared states across as JSON text, and turns every
 * failure inside the extension into a call of its OnUnexpectedError.
 *
 * Threads: only Core::RegisterExternalModule constructs it. OnRegistered, OnUnregistered and the
 * ExternalListener_ registration callbacks run on the hub side, one at a time; ExternalListener_Hear
 * runs in the hub's parallel listener pass and only queues the task "listener_hear"; the
 * ExternalServices_ operations run on whatever thread the extension calls from.
 *
 * Locks: the module mutex guards the two listener maps and the services field, and serialises
 * shared-state writes and clears; it is taken before the Module lock and the hub lock and is never
 * held while extension code runs, so the extension may call its services from any callback.
 *
 * Shutdown: the extension unregisters through its services; the hub then unregisters every hub
 * listener (each interface gets OnUnregistered), waits for the running task, calls the extension's
 * OnUnregister and disposes the queue; Hear tasks not started by then are dropped. Interfaces still
 * pending get no callback.
 */
class ExternalModule : public InternalModule {
public:
    /** Listener maps are keyed by the interned type and source objects, so names match in any case. */
    using ListenerKey = std::pair<std::shared_ptr<EventType>, std::shared_ptr<EventSource>>;

    /** Throws SdkError "general.invalid_argument" for a null interface. */
    ExternalModule(const std::string& moduleName, std::shared_ptr<ExternalModuleInterface> moduleInterface);
    ~ExternalModule() override;

    /** The extension's name, asked anew on every call. */
    std::string GetSharedStateName() const override;

    /**
     * Hands the error to the extension's OnUnexpectedError, unless the process has begun to exit; what that
     * throws is logged and dropped.
     */
    void HandleUnexpectedError(const SdkError& error) override;

    // What the extension's services forward to, on the extension's thread.
    virtual void ExternalServices_RegisterListener(
        const std::shared_ptr<ExternalModuleListenerInterface>& listener, const std::string& eventTypeName,
        const std::string& eventSourceName);
    virtual void ExternalServices_RegisterWildcardListener(
        const std::shared_ptr<ExternalModuleListenerInterface>& listener);
    virtual void ExternalServices_SetSharedEventState(const std::string& state,
                                                      const std::shared_ptr<Event>& event);
    virtual void ExternalServices_ClearSharedEventStates();
    virtual std::shared_ptr<std::string> ExternalServices_GetSharedEventState(
        const std::string& stateOwner, const std::shared_ptr<Event>& event);
    virtual void ExternalServices_UnregisterModule();

    // What the hub listeners forward to, on the hub side.
    virtual void ExternalListener_OnRegistered(const std::shared_ptr<EventType>& type,
                                               const std::shared_ptr<EventSource>& source,
                                               const std::shared_ptr<ExternalModuleListener>& hubListener);
    virtual void ExternalListener_Hear(const std::shared_ptr<Event>& event,
                                       const std::shared_ptr<ExternalModuleListener>& hubListener);
    virtual void ExternalListener_OnUnregistered(const std::shared_ptr<EventType>& type,
                                                 const std::shared_ptr<EventSource>& source,
                                                 const std::shared_ptr<ExternalModuleListener>& hubListener);

    /**
     * The interface registered for the key if its hub listener is `hubListener`, else the wildcard
     * interface if its hub listener is that one, else null.
     */
    virtual std::shared_ptr<ExternalModuleListenerInterface> FindListener(
        const ListenerKey& key, const std::shared_ptr<ExternalModuleListener>& hubListener);
    /** The oldest interface waiting for a hub listener of the key, taken out of the queue when `pop`. */
    std::shared_ptr<ExternalModuleListenerInterface> FindPendingListener(const ListenerKey& key, bool pop);

protected:
    void OnRegistered() override;
    void OnUnregistered() override;
    bool ForwardsUnexpectedErrors() const override;

private:
    struct RegisteredListener {
        std::shared_ptr<ExternalModuleListener> hubListener;
        std::shared_ptr<ExternalModuleListenerInterface> listener;
    };

    /**
     * Queues the interface for the key and registers a new hub listener for it, then calls
     * `logRegistered`; a failure takes the interface out of the queue again, is logged with
     * `failureFormat` and reaches HandleUnexpectedError.
     */
    void AddListener(const ListenerKey& key, const std::shared_ptr<ExternalModuleListenerInterface>& listener,
                     const std::function<void()>& logRegistered, const char* failureFormat);
    /** Removes the newest pending entry of the key that is `listener`, if any. */
    void RemovePendingListener(const ListenerKey& key,
                               const std::shared_ptr<ExternalModuleListenerInterface>& listener);
    /**
     * Runs `call`; what it throws is logged at `level` with `failureFormat` (which takes the message)
     * and handed to HandleUnexpectedError.
     */
    void Guarded(LoggingMode level, const char* failureFormat, const std::function<void()>& call);
    /** Guarded, for a call of the extension's own code: none once the process has begun to exit. */
    void CallExtension(LoggingMode level, const char* failureFormat, const std::function<void()>& call);
    /** The module's JSON utility service; throws SdkError "platform_services.missing_service". */
    std::shared_ptr<JsonUtilityServiceInterface> RequireJsonUtilityService();
    /** The state text as event data; none (pending) for the empty text or text that does not convert. */
    std::shared_ptr<EventData> StateFromJson(const std::string& state);
    const char* LogTag() const { return GetModuleName().c_str(); }

    Mutex mutex_;
    const std::shared_ptr<ExternalModuleInterface> interface_;
    /** Owned here from registration on, so the services live at least as long as the module. */
    std::shared_ptr<ExternalModuleServicesImpl> services_ NVR_GUARDED_BY(mutex_);
    std::map<ListenerKey, RegisteredListener> registeredListeners_ NVR_GUARDED_BY(mutex_);
    std::map<ListenerKey, std::deque<std::shared_ptr<ExternalModuleListenerInterface>>> pendingListeners_
        NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile

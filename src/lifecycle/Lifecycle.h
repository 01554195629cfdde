#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/module/InternalModule.h"
#include "core/module/WaitingEventQueue.h"
#include "lifecycle/LifecycleConstants.h"

namespace NuvraMobile {

class DataStoreInterface;
class Event;
class EventData;
class JsonUtilityServiceInterface;
class LifecycleDispatcherResponseContent;
class LifecycleSession;
class PlatformServicesInterface;
class SystemInfoServiceInterface;

/**
 * Keeps the app's launch, session, pause, crash and upgrade bookkeeping in the store
 * "NuvraMobile_Lifecycle". Every start that opens a new session builds the lifecycle context data,
 * persists it, publishes it as the shared state "com.nuvra.module.lifecycle" and dispatches
 * "LifecycleStart"; a start that resumes the session only publishes the state again. Requests wait in
 * the module's own queue until the configuration state for their event exists (it holds the session
 * timeout). Time is read through one clock function, the event's own time unless a test replaces it.
 *
 * Threads: the request listener only queues a task; the shared-state listener tests the owner and queues
 * a task; the booted listener runs its handler on the hub's listener pass, before any task of the module
 * can run. Requests, starts, pauses and persistence run as tasks on the module's own sequential queue.
 * No lock of its own; nothing to release at unregistration.
 */
class Lifecycle : public InternalModule {
public:
    using ContextData = std::map<std::string, std::string>;
    /** The time of an event in whole seconds since the Unix epoch. */
    using Clock = std::function<std::int64_t(const Event&)>;

    static constexpr const char* LOG_PREFIX = LifecycleConstants::LOG_PREFIX;

    Lifecycle();
    explicit Lifecycle(Clock clock);

    std::string GetSharedStateName() const override;

    // Hub side.
    virtual void QueueEvent(const std::shared_ptr<Event>& event);
    virtual void HandleSharedStateUpdateEvent(const std::shared_ptr<Event>& event);
    virtual void HandleEventHubBootEvent(const std::shared_ptr<Event>& event);

    // Module side.
    virtual void Start(const std::shared_ptr<Event>& event, const std::shared_ptr<EventData>& configuration);
    virtual void Pause(const std::shared_ptr<Event>& event);
    virtual void ProcessQueuedEvents();
    virtual ContextData GetPersistedContextData();
    virtual std::shared_ptr<JsonUtilityServiceInterface> GetJsonUtilityService();

    /** The context data of this process's session, else the persisted one of an earlier session. */
    ContextData GetContextData();
    std::shared_ptr<DataStoreInterface> GetDataStore();
    std::shared_ptr<SystemInfoServiceInterface> GetSystemInfoService();
    void CheckForApplicationUpgrade(std::int64_t timestamp);
    void CreateLifecycleSharedState(std::int32_t eventNumber);
    bool IsInstall();
    bool IsUpgrade();
    std::string GetAdvertisingIdentifier(const std::shared_ptr<Event>& event);
    void PersistLifecycleData(std::int64_t timestamp);

protected:
    void OnRegistered() override;
    /** The starts and pauses waiting for a configuration. */
    std::size_t CountRequestsLeftWaiting() override;

private:
    /** The module's platform services, or null with the warning "Platform services are not available". */
    std::shared_ptr<PlatformServicesInterface> PlatformServicesOrWarn();
    /** Writes the context data as a JSON object text under "LifecycleData"; failures are only traced. */
    void WriteLifecycleData(const ContextData& data);

    std::shared_ptr<LifecycleDispatcherResponseContent> dispatcher_;
    std::shared_ptr<LifecycleSession> session_;
    WaitingEventQueue<> eventQueue_;
    ContextData lifecycleContextData_;
    ContextData previousSessionContextData_;
    const Clock clock_;
};

}  // namespace NuvraMobile

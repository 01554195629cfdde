#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "core/module/Module.h"
#include "core/values/Event.h"
#include "core/values/Object.h"
#include "util/Log.h"

namespace NuvraMobile {

class EventData;
class EventSource;
class EventType;
class PlatformServicesInterface;
class Rule;
class RulesEngineInterface;
class TaskExecutorInterface;

// The single serialising centre of the system: numbers every dispatched event, runs the rules and
// hands the event to every registered module, keeps the modules' versioned shared states and
// disposes everything in order. This is the abstract interface that modules, dispatchers and the
// core facade talk to; every operation may be called from any thread.
class EventHub : public Object {
public:
    using PlatformServicesFactory = std::function<std::shared_ptr<PlatformServicesInterface>()>;
    using EventCallback = std::function<void(const std::shared_ptr<Event>&)>;
    /** Builds the rules engine of a hub; called once, when the hub starts. */
    using RulesEngineFactory =
        std::function<std::shared_ptr<RulesEngineInterface>(const std::shared_ptr<EventHub>&)>;

    // Makes a hub named `name`; the factory is called once now and again for every module registration.
    // A hub made without a rules-engine factory runs no rules.
    static std::shared_ptr<EventHub> Create(const std::string& name, const PlatformServicesFactory& factory,
                                            const RulesEngineFactory& rulesEngineFactory = nullptr);

    virtual void FinishModulesRegistration(const std::function<void()>& callback) = 0;
    virtual void Dispatch(const std::shared_ptr<Event>& event) = 0;
    virtual bool IsRegisteredModule(const std::string& moduleName) = 0;
    virtual bool Dispose() = 0;
    virtual bool Dispose(std::chrono::milliseconds timeout) = 0;
    /**
     * True once the disposal of this hub has ended having dropped work dispatched before it (events not yet
     * handled, tasks of its modules not yet run, requests its modules still held waiting for shared states),
     * as the one warning line it writes then says. A disposal whose drain ran everything dispatched before it
     * drops only what its modules held waiting.
     */
    virtual bool DroppedWorkAtDisposal() { return false; }
    virtual void RegisterModule(const std::shared_ptr<Module>& module) = 0;
    virtual void RegisterRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule) = 0;
    virtual void UnregisterAllRules(const std::shared_ptr<Module>& module) = 0;
    virtual void OnModuleUnregistered(const std::shared_ptr<Module>& module) = 0;
    // The type hash, type and source are accepted for the caller's information only: a one-time
    // listener is matched by pair id alone.
    virtual void RegisterOneTimeListener(unsigned long typeHash, const std::shared_ptr<EventType>& type,
                                         const std::shared_ptr<EventSource>& source,
                                         const std::string& pairId, const EventCallback& callback) = 0;
    virtual void CreateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                   const std::shared_ptr<EventData>& data) = 0;
    virtual void UpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                   const std::shared_ptr<EventData>& data) = 0;
    virtual void CreateOrUpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                           const std::shared_ptr<EventData>& data) = 0;
    virtual void CreateOrUpdateSharedState(const std::shared_ptr<Module>& module,
                                           const std::shared_ptr<EventData>& data) = 0;
    virtual void ClearSharedStates(const std::shared_ptr<Module>& module) = 0;
    // `event` and `callingModule` may be null; a null event asks for the newest state.
    virtual std::shared_ptr<EventData> GetSharedEventState(const std::string& stateName,
                                                           const std::shared_ptr<Event>& event,
                                                           const std::shared_ptr<Module>& callingModule) = 0;
    virtual bool HasSharedEventState(const std::string& stateName) = 0;
    // Queues one idle turn on the hub's executor. Must not take the hub mutex: modules call it while
    // holding their own mutex, also from inside RegisterModule.
    virtual void RequestIdle() = 0;
    virtual void CreateSharedStateAndDispatchEvent(const std::shared_ptr<Module>& module,
                                                   const std::shared_ptr<EventData>& data,
                                                   const std::shared_ptr<Event>& event) = 0;
    virtual void ReplaceRulesSet(const std::shared_ptr<Module>& module,
                                 std::vector<std::shared_ptr<Rule>> rules) = 0;

    template <class T>
    void RegisterModule() {
        RegisterModule(std::make_shared<T>());
    }

    template <class T>
    void RegisterOneTimeListener(const std::string& pairId, const EventCallback& callback) {
        RegisterOneTimeListener(typeid(T).hash_code(), nullptr, nullptr, pairId, callback);
    }

protected:
    // The module operations that only the hub drives.
    static void CallModuleOnEventHubRegisteredModule(
        const std::shared_ptr<Module>& module, const std::shared_ptr<EventHub>& hub,
        const std::shared_ptr<PlatformServicesInterface>& platformServices,
        const std::shared_ptr<TaskExecutorInterface>& executor) {
        module->OnEventHubRegisteredModule(hub, platformServices, executor);
    }
    static void CallModuleIdle(const std::shared_ptr<Module>& module) { module->Idle(); }
    static bool CallModuleProcessEvent(const std::shared_ptr<Module>& module,
                                       const std::shared_ptr<Event>& event,
                                       std::shared_ptr<Event>& replacement) {
        return module->ProcessEvent(event, replacement);
    }
    static void CallModuleNotifyListeners(const std::shared_ptr<Module>& module,
                                          const std::shared_ptr<Event>& event) {
        module->NotifyWildCardListener(event);
        module->NotifyListeners(event);
    }
    static std::string CallModuleGetSharedStateName(const std::shared_ptr<Module>& module) {
        return module->GetSharedStateName();
    }
    static bool CallModuleHasTasksInProgress(const std::shared_ptr<Module>& module) {
        return module->HasTasksInProgress();
    }
    static int64_t CallModuleDroppedTaskCount(const std::shared_ptr<Module>& module) {
        return module->DroppedTaskCount();
    }
    static int64_t CallModuleDroppedWaitingRequestCount(const std::shared_ptr<Module>& module) {
        return module->DroppedWaitingRequestCount();
    }
    static void CallModuleUnregisterModule(const std::shared_ptr<Module>& module) {
        module->UnregisterModule();
    }
    static void CallModuleAbortRequests(const std::shared_ptr<Module>& module) { module->AbortRequests(); }
    static void CallModuleRegisterOneTimeListener() {
        Log::Error("EventHub", "CallModuleRegisterOneTimeListener - should never be called");
    }
    static void CallEventSetEventNumber(const std::shared_ptr<Event>& event, int32_t number) {
        event->SetEventNumber(number);
    }
};

}  // namespace NuvraMobile

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/hub/EventHub.h"

namespace NuvraMobile {

// A hub for module tests: it records what modules ask of it (holding no module, so no cycle) and lets the
// test play the hub side (registration, idle turns, listener and processor passes) on the test's thread.
// Thread-safe.
class FakeEventHub : public EventHub {
public:
    // One shared-state, rules or dispatch call made by a module.
    struct Call {
        Call(std::string operation, const Module* module, int32_t version = 0,
             std::shared_ptr<EventData> data = nullptr, std::shared_ptr<Event> event = nullptr,
             std::string stateName = std::string())
            : operation(std::move(operation)),
              module(module),
              version(version),
              data(std::move(data)),
              event(std::move(event)),
              stateName(std::move(stateName)) {}

        std::string operation;
        const Module* module;
        int32_t version;
        std::shared_ptr<EventData> data;
        std::shared_ptr<Event> event;
        std::string stateName;
    };

    // Plays the hub's registration: hands the module this hub, the services and its executor.
    void Register(const std::shared_ptr<Module>& module,
                  const std::shared_ptr<TaskExecutorInterface>& executor,
                  const std::shared_ptr<PlatformServicesInterface>& platformServices = nullptr);
    void DriveIdle(const std::shared_ptr<Module>& module);
    // Wildcard listener, then the (type, source) listener, as the hub's listener pass does.
    void DriveListeners(const std::shared_ptr<Module>& module, const std::shared_ptr<Event>& event);
    bool DriveProcessors(const std::shared_ptr<Module>& module, const std::shared_ptr<Event>& event,
                         std::shared_ptr<Event>& replacement);
    // The abort a hub makes when its Dispose runs out of time, whatever the module is doing.
    void DriveAbort(const std::shared_ptr<Module>& module);
    // The normal tasks the module dropped since it began to unregister, as a disposal counts them.
    int64_t DroppedTasksOf(const std::shared_ptr<Module>& module);
    /** The requests the module still held waiting as it unregistered. */
    int64_t DroppedWaitingRequestsOf(const std::shared_ptr<Module>& module);

    void SetSharedStateAnswer(const std::shared_ptr<EventData>& answer, bool hasState);
    // Answers each shared-state read by the event number it is read at, as versions do; every owner has a
    // state. SetSharedStateAnswer returns to one answer for every read.
    void SetSharedStateAnswerByEvent(std::function<std::shared_ptr<EventData>(int32_t eventNumber)> answer);
    int IdleRequestCount() const;
    std::vector<Call> Calls() const;
    std::vector<std::shared_ptr<Event>> DispatchedEvents() const;
    std::vector<const Module*> UnregisteredModules() const;

    void FinishModulesRegistration(const std::function<void()>& callback) override;
    void Dispatch(const std::shared_ptr<Event>& event) override;
    bool IsRegisteredModule(const std::string& moduleName) override;
    bool Dispose() override;
    bool Dispose(std::chrono::milliseconds timeout) override;
    void RegisterModule(const std::shared_ptr<Module>& module) override;
    void RegisterRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule) override;
    void UnregisterAllRules(const std::shared_ptr<Module>& module) override;
    void OnModuleUnregistered(const std::shared_ptr<Module>& module) override;
    void RegisterOneTimeListener(unsigned long typeHash, const std::shared_ptr<EventType>& type,
                                 const std::shared_ptr<EventSource>& source, const std::string& pairId,
                                 const EventCallback& callback) override;
    void CreateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                           const std::shared_ptr<EventData>& data) override;
    void UpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                           const std::shared_ptr<EventData>& data) override;
    void CreateOrUpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                   const std::shared_ptr<EventData>& data) override;
    void CreateOrUpdateSharedState(const std::shared_ptr<Module>& module,
                                   const std::shared_ptr<EventData>& data) override;
    void ClearSharedStates(const std::shared_ptr<Module>& module) override;
    std::shared_ptr<EventData> GetSharedEventState(const std::string& stateName,
                                                   const std::shared_ptr<Event>& event,
                                                   const std::shared_ptr<Module>& callingModule) override;
    bool HasSharedEventState(const std::string& stateName) override;
    void RequestIdle() override;
    void CreateSharedStateAndDispatchEvent(const std::shared_ptr<Module>& module,
                                           const std::shared_ptr<EventData>& data,
                                           const std::shared_ptr<Event>& event) override;
    void ReplaceRulesSet(const std::shared_ptr<Module>& module,
                         std::vector<std::shared_ptr<Rule>> rules) override;

private:
    void Record(Call call);

    mutable std::mutex mutex_;
    int idleRequests_ = 0;
    std::vector<Call> calls_;
    std::vector<std::shared_ptr<Event>> dispatched_;
    std::vector<const Module*> unregistered_;
    std::shared_ptr<EventData> sharedStateAnswer_;
    std::function<std::shared_ptr<EventData>(int32_t eventNumber)> sharedStateAnswerByEvent_;
    bool hasSharedState_ = false;
};

}  // namespace NuvraMobile

#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/hub/EventHub.h"

namespace NuvraMobile {

class EventHubInner;

/**
 * The hub object the core facade owns. It forwards every operation unchanged to the one
 * EventHubInner it holds, which modules, dispatchers and the rules engine hold in turn. Dropping
 * the last reference to this object disposes the inner hub, which breaks the reference cycles
 * between the inner hub, its modules, its tasks and its rules engine. Any thread may call it.
 */
class EventHubOuter : public EventHub {
public:
    /** The period of the idle heartbeat that EventHub::Create gives every hub. */
    static constexpr std::chrono::milliseconds DEFAULT_IDLE_PERIOD{1000};

    /**
     * Creates and initialises the inner hub, whose heartbeat requests an idle turn every `idlePeriod`;
     * throws what its constructor throws.
     */
    EventHubOuter(const std::string& name, const PlatformServicesFactory& platformServicesFactory,
                  std::chrono::milliseconds idlePeriod = DEFAULT_IDLE_PERIOD,
                  const RulesEngineFactory& rulesEngineFactory = nullptr);

    /**
     * Disposes the inner hub, retrying for a bounded time; inside one of the hub's own tasks it only
     * starts the disposal, since that task could never end while it waited.
     */
    ~EventHubOuter() override;

    void FinishModulesRegistration(const std::function<void()>& callback) override;
    void Dispatch(const std::shared_ptr<Event>& event) override;
    bool IsRegisteredModule(const std::string& moduleName) override;
    bool Dispose() override;
    bool Dispose(std::chrono::milliseconds timeout) override;
    bool DroppedWorkAtDisposal() override;
    void RegisterModule(const std::shared_ptr<Module>& module) override;
    void RegisterRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule) override;
    void UnregisterAllRules(const std::shared_ptr<Module>& module) override;
    void OnModuleUnregistered(const std::shared_ptr<Module>& module) override;
    void RegisterOneTimeListener(std::size_t typeHash, const std::shared_ptr<EventType>& type,
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

    /** The hub that does the work. */
    const std::shared_ptr<EventHubInner>& GetInner() const;

private:
    std::shared_ptr<EventHubInner> inner_;
};

}  // namespace NuvraMobile

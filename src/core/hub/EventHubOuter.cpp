#include "core/hub/EventHubOuter.h"

#include <utility>

#include "core/execution/ExecutorShutdown.h"
#include "core/hub/EventHubInner.h"

namespace NuvraMobile {

std::shared_ptr<EventHub> EventHub::Create(const std::string& name, const PlatformServicesFactory& factory,
                                           const RulesEngineFactory& rulesEngineFactory) {
    return std::make_shared<EventHubOuter>(name, factory, EventHubOuter::DEFAULT_IDLE_PERIOD,
                                           rulesEngineFactory);
}

EventHubOuter::EventHubOuter(const std::string& name, const PlatformServicesFactory& platformServicesFactory,
                             std::chrono::milliseconds idlePeriod,
                             const RulesEngineFactory& rulesEngineFactory)
    : inner_(std::make_shared<EventHubInner>(name, platformServicesFactory)) {
    inner_->Init(idlePeriod, rulesEngineFactory);
}

EventHubOuter::~EventHubOuter() {
    auto inner = std::move(inner_);
    DisposeOnDestruction(
        inner.get(), [&inner](std::chrono::milliseconds timeout) { return inner->Dispose(timeout); },
        "EventHub");
}

const std::shared_ptr<EventHubInner>& EventHubOuter::GetInner() const { return inner_; }

void EventHubOuter::FinishModulesRegistration(const std::function<void()>& callback) {
    inner_->FinishModulesRegistration(callback);
}

void EventHubOuter::Dispatch(const std::shared_ptr<Event>& event) { inner_->Dispatch(event); }

bool EventHubOuter::IsRegisteredModule(const std::string& moduleName) {
    return inner_->IsRegisteredModule(moduleName);
}

bool EventHubOuter::Dispose() { return inner_->Dispose(); }

bool EventHubOuter::Dispose(std::chrono::milliseconds timeout) { return inner_->Dispose(timeout); }

bool EventHubOuter::DroppedWorkAtDisposal() { return inner_->DroppedWorkAtDisposal(); }

void EventHubOuter::RegisterModule(const std::shared_ptr<Module>& module) { inner_->RegisterModule(module); }

void EventHubOuter::RegisterRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule) {
    inner_->RegisterRule(module, rule);
}

void EventHubOuter::UnregisterAllRules(const std::shared_ptr<Module>& module) {
    inner_->UnregisterAllRules(module);
}

void EventHubOuter::OnModuleUnregistered(const std::shared_ptr<Module>& module) {
    inner_->OnModuleUnregistered(module);
}

void EventHubOuter::RegisterOneTimeListener(std::size_t typeHash, const std::shared_ptr<EventType>& type,
                                            const std::shared_ptr<EventSource>& source,
                                            const std::string& pairId, const EventCallback& callback) {
    inner_->RegisterOneTimeListener(typeHash, type, source, pairId, callback);
}

void EventHubOuter::CreateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                      const std::shared_ptr<EventData>& data) {
    inner_->CreateSharedState(module, version, data);
}

void EventHubOuter::UpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                      const std::shared_ptr<EventData>& data) {
    inner_->UpdateSharedState(module, version, data);
}

void EventHubOuter::CreateOrUpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                              const std::shared_ptr<EventData>& data) {
    inner_->CreateOrUpdateSharedState(module, version, data);
}

void EventHubOuter::CreateOrUpdateSharedState(const std::shared_ptr<Module>& module,
                                              const std::shared_ptr<EventData>& data) {
    inner_->CreateOrUpdateSharedState(module, data);
}

void EventHubOuter::ClearSharedStates(const std::shared_ptr<Module>& module) {
    inner_->ClearSharedStates(module);
}

std::shared_ptr<EventData> EventHubOuter::GetSharedEventState(const std::string& stateName,
                                                              const std::shared_ptr<Event>& event,
                                                              const std::shared_ptr<Module>& callingModule) {
    return inner_->GetSharedEventState(stateName, event, callingModule);
}

bool EventHubOuter::HasSharedEventState(const std::string& stateName) {
    return inner_->HasSharedEventState(stateName);
}

void EventHubOuter::RequestIdle() { inner_->RequestIdle(); }

void EventHubOuter::CreateSharedStateAndDispatchEvent(const std::shared_ptr<Module>& module,
                                                      const std::shared_ptr<EventData>& data,
                                                      const std::shared_ptr<Event>& event) {
    inner_->CreateSharedStateAndDispatchEvent(module, data, event);
}

void EventHubOuter::ReplaceRulesSet(const std::shared_ptr<Module>& module,
                                    std::vector<std::shared_ptr<Rule>> rules) {
    inner_->ReplaceRulesSet(module, std::move(rules));
}

}  // namespace NuvraMobile

#include "support/FakeEventHub.h"

#include <utility>

#include "core/values/Event.h"

namespace NuvraMobile {

void FakeEventHub::Register(const std::shared_ptr<Module>& module,
                            const std::shared_ptr<TaskExecutorInterface>& executor,
                            const std::shared_ptr<PlatformServicesInterface>& platformServices) {
    CallModuleOnEventHubRegisteredModule(module, std::static_pointer_cast<EventHub>(shared_from_this()),
                                         platformServices, executor);
}

void FakeEventHub::DriveIdle(const std::shared_ptr<Module>& module) { CallModuleIdle(module); }

void FakeEventHub::DriveAbort(const std::shared_ptr<Module>& module) { CallModuleAbortRequests(module); }

int64_t FakeEventHub::DroppedTasksOf(const std::shared_ptr<Module>& module) {
    return CallModuleDroppedTaskCount(module);
}

int64_t FakeEventHub::DroppedWaitingRequestsOf(const std::shared_ptr<Module>& module) {
    return CallModuleDroppedWaitingRequestCount(module);
}

void FakeEventHub::DriveListeners(const std::shared_ptr<Module>& module,
                                  const std::shared_ptr<Event>& event) {
    CallModuleNotifyListeners(module, event);
}

bool FakeEventHub::DriveProcessors(const std::shared_ptr<Module>& module, const std::shared_ptr<Event>& event,
                                   std::shared_ptr<Event>& replacement) {
    return CallModuleProcessEvent(module, event, replacement);
}

void FakeEventHub::SetSharedStateAnswer(const std::shared_ptr<EventData>& answer, bool hasState) {
    std::lock_guard<std::mutex> lock(mutex_);
    sharedStateAnswer_ = answer;
    sharedStateAnswerByEvent_ = nullptr;
    hasSharedState_ = hasState;
}

void FakeEventHub::SetSharedStateAnswerByEvent(
    std::function<std::shared_ptr<EventData>(int32_t eventNumber)> answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    sharedStateAnswerByEvent_ = std::move(answer);
    hasSharedState_ = true;
}

int FakeEventHub::IdleRequestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return idleRequests_;
}

std::vector<FakeEventHub::Call> FakeEventHub::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<std::shared_ptr<Event>> FakeEventHub::DispatchedEvents() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dispatched_;
}

std::vector<const Module*> FakeEventHub::UnregisteredModules() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unregistered_;
}

void FakeEventHub::Record(Call call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
}

void FakeEventHub::FinishModulesRegistration(const std::function<void()>&) {}

void FakeEventHub::Dispatch(const std::shared_ptr<Event>& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    dispatched_.push_back(event);
}

bool FakeEventHub::IsRegisteredModule(const std::string&) { return false; }

bool FakeEventHub::Dispose() { return true; }

bool FakeEventHub::Dispose(std::chrono::milliseconds) { return true; }

void FakeEventHub::RegisterModule(const std::shared_ptr<Module>&) {}

void FakeEventHub::RegisterRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>&) {
    Record({"RegisterRule", module.get()});
}

void FakeEventHub::UnregisterAllRules(const std::shared_ptr<Module>& module) {
    Record({"UnregisterAllRules", module.get()});
}

void FakeEventHub::OnModuleUnregistered(const std::shared_ptr<Module>& module) {
    std::lock_guard<std::mutex> lock(mutex_);
    unregistered_.push_back(module.get());
}

void FakeEventHub::RegisterOneTimeListener(unsigned long, const std::shared_ptr<EventType>&,
                                           const std::shared_ptr<EventSource>&, const std::string&,
                                           const EventCallback&) {}

void FakeEventHub::CreateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                     const std::shared_ptr<EventData>& data) {
    Record({"CreateSharedState", module.get(), version, data});
}

void FakeEventHub::UpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                     const std::shared_ptr<EventData>& data) {
    Record({"UpdateSharedState", module.get(), version, data});
}

void FakeEventHub::CreateOrUpdateSharedState(const std::shared_ptr<Module>& module, int32_t version,
                                             const std::shared_ptr<EventData>& data) {
    Record({"CreateOrUpdateSharedState", module.get(), version, data});
}

void FakeEventHub::CreateOrUpdateSharedState(const std::shared_ptr<Module>& module,
                                             const std::shared_ptr<EventData>& data) {
    Record({"CreateOrUpdateSharedStateWithoutVersion", module.get(), 0, data});
}

void FakeEventHub::ClearSharedStates(const std::shared_ptr<Module>& module) {
    Record({"ClearSharedStates", module.get()});
}

std::shared_ptr<EventData> FakeEventHub::GetSharedEventState(const std::string& stateName,
                                                             const std::shared_ptr<Event>& event,
                                                             const std::shared_ptr<Module>& callingModule) {
    Record({"GetSharedEventState", callingModule.get(), 0, nullptr, event, stateName});
    std::function<std::shared_ptr<EventData>(int32_t)> answerByEvent;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!sharedStateAnswerByEvent_) {
            return sharedStateAnswer_;
        }
        answerByEvent = sharedStateAnswerByEvent_;
    }
    return answerByEvent((event ? event : Event::SHARED_STATE_NEWEST)->GetEventNumber());
}

bool FakeEventHub::HasSharedEventState(const std::string& stateName) {
    Record({"HasSharedEventState", nullptr, 0, nullptr, nullptr, stateName});
    std::lock_guard<std::mutex> lock(mutex_);
    return hasSharedState_;
}

void FakeEventHub::RequestIdle() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++idleRequests_;
}

void FakeEventHub::CreateSharedStateAndDispatchEvent(const std::shared_ptr<Module>& module,
                                                     const std::shared_ptr<EventData>& data,
                                                     const std::shared_ptr<Event>& event) {
    Record({"CreateSharedStateAndDispatchEvent", module.get(), 0, data, event});
}

void FakeEventHub::ReplaceRulesSet(const std::shared_ptr<Module>& module,
                                   std::vector<std::shared_ptr<Rule>>) {
    Record({"ReplaceRulesSet", module.get()});
}

}  // namespace NuvraMobile

#include "core/module/ModuleEventListenerBase.h"

#include "core/hub/OneTimeListener.h"

namespace NuvraMobile {

std::shared_ptr<EventType> ModuleEventListenerBase::GetEventType() const {
    MutexLock lock(mutex_);
    return eventType_;
}

std::shared_ptr<EventSource> ModuleEventListenerBase::GetEventSource() const {
    MutexLock lock(mutex_);
    return eventSource_;
}

bool ModuleEventListenerBase::IsFullyRegistered() const { return attachment_.IsRegistered(); }

bool ModuleEventListenerBase::IsFullyUnregistered() const { return attachment_.IsUnregistered(); }

void ModuleEventListenerBase::OnRegistered() {}

void ModuleEventListenerBase::OnUnregistered() {}

void ModuleEventListenerBase::Init(const std::shared_ptr<Module>& module,
                                   const std::shared_ptr<EventType>& type,
                                   const std::shared_ptr<EventSource>& source) {
    attachment_.Attach(module);
    MutexLock lock(mutex_);
    eventType_ = type;
    eventSource_ = source;
    oneTime_ = dynamic_cast<OneTimeListener*>(this) != nullptr;
}

void ModuleEventListenerBase::CallOnRegistered() {
    OnRegistered();
    attachment_.MarkRegistered();
}

void ModuleEventListenerBase::CallOnUnregistered() {
    OnUnregistered();
    attachment_.MarkUnregistered();
}

bool ModuleEventListenerBase::IsOneTime() const {
    MutexLock lock(mutex_);
    return oneTime_;
}

std::shared_ptr<Module> ModuleEventListenerBase::GetParentModuleImpl() { return attachment_.GetModule(); }

}  // namespace NuvraMobile

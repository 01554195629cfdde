#include "core/module/ModuleEventDispatcherBase.h"

#include "core/hub/EventHub.h"

namespace NuvraMobile {

bool ModuleEventDispatcherBase::IsFullyRegistered() const { return attachment_.IsRegistered(); }

bool ModuleEventDispatcherBase::IsFullyUnregistered() const { return attachment_.IsUnregistered(); }

void ModuleEventDispatcherBase::Dispatch(const std::shared_ptr<Event>& event) {
    std::shared_ptr<EventHub> hub;
    if (GetParentModule()) {
        MutexLock lock(mutex_);
        hub = eventHub_.lock();
    }
    if (hub) {
        hub->Dispatch(event);
    }
}

void ModuleEventDispatcherBase::OnRegistered() {}

void ModuleEventDispatcherBase::OnUnregistered() {}

void ModuleEventDispatcherBase::Init(const std::shared_ptr<Module>& module,
                                     const std::shared_ptr<EventHub>& hub) {
    attachment_.Attach(module);
    MutexLock lock(mutex_);
    eventHub_ = hub;
}

void ModuleEventDispatcherBase::CallOnRegistered() {
    OnRegistered();
    attachment_.MarkRegistered();
}

void ModuleEventDispatcherBase::CallOnUnregistered() {
    OnUnregistered();
    attachment_.MarkUnregistered();
}

std::shared_ptr<Module> ModuleEventDispatcherBase::GetParentModuleImpl() { return attachment_.GetModule(); }

}  // namespace NuvraMobile

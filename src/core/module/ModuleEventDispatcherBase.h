#pragma once

#include <memory>

#include "core/module/ModuleAttachment.h"
#include "core/values/Object.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class Event;
class EventHub;
class Module;

// A module sends events through dispatcher objects, which hand them to the parent module's hub.
// Init runs with the module mutex held; the other operations may be called from any thread.
class ModuleEventDispatcherBase : public Object {
public:
    virtual bool IsFullyRegistered() const;
    virtual bool IsFullyUnregistered() const;
    // Hands the event to the hub while both the parent module and the hub exist; otherwise drops it.
    virtual void Dispatch(const std::shared_ptr<Event>& event);
    virtual void OnRegistered();
    virtual void OnUnregistered();
    virtual void Init(const std::shared_ptr<Module>& module, const std::shared_ptr<EventHub>& hub);
    virtual void CallOnRegistered();
    // Calls OnUnregistered, then drops the parent, so that later Dispatch calls do nothing.
    virtual void CallOnUnregistered();
    virtual std::shared_ptr<Module> GetParentModuleImpl();

    std::shared_ptr<Module> GetParentModule() { return GetParentModuleImpl(); }

private:
    ModuleAttachment attachment_;
    mutable Mutex mutex_;
    std::weak_ptr<EventHub> eventHub_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile

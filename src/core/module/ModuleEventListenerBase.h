#pragma once

#include <memory>

#include "core/module/ModuleAttachment.h"
#include "core/values/Object.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class Event;
class EventSource;
class EventType;
class Module;

// A module hears events through listener objects, one per (event type, event source) pair or the
// wildcard pair. Init runs with the module mutex held at registration; CallOnRegistered,
// CallOnUnregistered and Hear run on the hub side without it. The flags may be read from any thread.
class ModuleEventListenerBase : public Object {
public:
    virtual std::shared_ptr<EventType> GetEventType() const;
    virtual std::shared_ptr<EventSource> GetEventSource() const;
    // The concrete listener's reaction; as a rule it only queues a task on its module.
    virtual void Hear(const std::shared_ptr<Event>& event) = 0;
    virtual bool IsFullyRegistered() const;
    virtual bool IsFullyUnregistered() const;
    virtual void OnRegistered();
    virtual void OnUnregistered();
    virtual void Init(const std::shared_ptr<Module>& module, const std::shared_ptr<EventType>& type,
                      const std::shared_ptr<EventSource>& source);
    virtual void CallOnRegistered();
    // Calls OnUnregistered, then drops the parent: later GetParentModule calls yield null.
    virtual void CallOnUnregistered();
    virtual bool IsOneTime() const;
    // The parent as a strong reference, or null when it is gone or was dropped.
    virtual std::shared_ptr<Module> GetParentModuleImpl();

    std::shared_ptr<Module> GetParentModule() { return GetParentModuleImpl(); }

private:
    ModuleAttachment attachment_;
    mutable Mutex mutex_;
    std::shared_ptr<EventType> eventType_ NVR_GUARDED_BY(mutex_);
    std::shared_ptr<EventSource> eventSource_ NVR_GUARDED_BY(mutex_);
    bool oneTime_ NVR_GUARDED_BY(mutex_) = false;
};

}  // namespace NuvraMobile

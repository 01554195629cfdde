#pragma once

#include <memory>

#include "core/module/ModuleAttachment.h"
#include "core/values/Object.h"

namespace NuvraMobile {

class Event;
class Module;

// Base of event processors: the hub offers every event to each module's processors, in
// registration order, before any listener hears it; a processor may replace the event (or end its
// pass by returning null). Process runs on the hub thread; Init with the module mutex held.
class ModuleEventProcessorBase : public Object {
public:
    virtual void Init(const std::shared_ptr<Module>& module);
    virtual std::shared_ptr<Event> Process(const std::shared_ptr<Event>& event) = 0;
    virtual void CallOnRegistered();
    // Drops the parent module.
    virtual void CallOnUnregistered();

    std::shared_ptr<Module> GetParentModule();

private:
    ModuleAttachment attachment_;
};

}  // namespace NuvraMobile

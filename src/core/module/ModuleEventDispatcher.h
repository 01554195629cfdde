#pragma once

#include <memory>

#include "core/module/ModuleEventDispatcherBase.h"

namespace NuvraMobile {

// A dispatcher of a module of class M. Concrete dispatchers are named after the module, the word
// Dispatcher, the event type and the event source, and build the events they send.
template <class M>
class ModuleEventDispatcher : public ModuleEventDispatcherBase {
public:
    // The parent as M, or null when it is gone, was dropped or is not an M.
    std::shared_ptr<M> GetParentModule() { return std::dynamic_pointer_cast<M>(GetParentModuleImpl()); }
};

}  // namespace NuvraMobile

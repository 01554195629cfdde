#pragma once

#include <memory>

#include "platformShim/PlatformServicesInterface.h"

namespace NuvraMobile {

class Module;
class TaskExecutorInterface;

// The platform services a module is given at registration: every getter answers from the wrapped
// services except GetThreadingService, which returns a threading service bound to the module, so
// that every executor the module creates runs on the hub's pool and refuses work once the module
// object is gone. Dispose forwards to the wrapped services. May be called from any thread.
class ModulePlatformServicesInterface : public virtual PlatformServicesInterface {
public:
    // `executor` is the hub's pool that the module's executors run on.
    static std::shared_ptr<ModulePlatformServicesInterface> Create(
        const std::shared_ptr<Module>& module,
        const std::shared_ptr<PlatformServicesInterface>& platformServices,
        const std::shared_ptr<TaskExecutorInterface>& executor);
};

}  // namespace NuvraMobile

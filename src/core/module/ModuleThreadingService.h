#pragma once

#include <memory>

#include "platformShim/ThreadingServiceInterface.h"

namespace NuvraMobile {

class Module;
class TaskExecutorInterface;

// The threading service of a module: every executor it creates is a proxy on the module's own
// ModuleTaskExecutor, so executors of one module run in parallel with each other on the hub's pool,
// and only the tasks of one sequential executor are serialised. May be called from any thread.
class ModuleThreadingServiceInterface : public virtual ThreadingServiceInterface {
public:
    static std::shared_ptr<ModuleThreadingServiceInterface> Create(
        const std::shared_ptr<Module>& module, const std::shared_ptr<TaskExecutorInterface>& executor);

    // Disposes the module's task executor; true when it finished within the timeout.
    virtual bool Dispose(std::chrono::milliseconds timeout) = 0;
};

}  // namespace NuvraMobile

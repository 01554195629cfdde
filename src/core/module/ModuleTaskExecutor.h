#pragma once

#include <memory>

#include "core/execution/TaskExecutorInterface.h"

namespace NuvraMobile {

class Module;

// The root executor of one module: forwards its tasks to a parallel proxy, named after the module,
// on the hub's pool, and accepts tasks only while the module object exists. Every queued task holds
// the module, so a module is not destroyed while work of its own waits. Any thread.
class ModuleTaskExecutorInterface : public virtual TaskExecutorInterface {
public:
    static std::shared_ptr<ModuleTaskExecutorInterface> Create(
        const std::shared_ptr<Module>& module, const std::shared_ptr<TaskExecutorInterface>& executor);
};

}  // namespace NuvraMobile

#pragma once

#include <functional>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/**
 * What the platform runtime needs around each piece of work on an executor thread, such as a release
 * pool or the registration of the thread with the runtime. The native executors call it on the worker
 * thread around every task and every error callback; it must run `work` exactly once and clean up even
 * when `work` throws. Called from any executor thread, concurrently.
 */
class TaskScopeHookInterface : public virtual ObjectInterface {
public:
    virtual void RunInScope(const std::function<void()>& work) const = 0;
};

}  // namespace NuvraMobile

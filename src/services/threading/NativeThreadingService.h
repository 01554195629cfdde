#pragma once

#include <memory>

#include "platformShim/ThreadingServiceInterface.h"
#include "services/threading/TaskScopeHookInterface.h"

namespace NuvraMobile {

/**
 * The platform's threading service: the executors of the core's default threading service, with every
 * task and every error callback run inside the platform's per-task scope (the default hook below).
 * Scheduling, thread counts and disposal are those of the default service.
 */
std::shared_ptr<ThreadingServiceInterface> CreateNativeThreadingService();

/**
 * Sets the hook that services made by CreateNativeThreadingService() from now on put around each task;
 * null (the start value) runs tasks as they are. The platform layer sets it before it creates the
 * services. Any thread.
 */
void SetDefaultTaskScopeHook(std::shared_ptr<const TaskScopeHookInterface> scopeHook);

/** As above with `scopeHook` around each task; a null hook runs the work as it is. */
std::shared_ptr<ThreadingServiceInterface> CreateNativeThreadingService(
    std::shared_ptr<const TaskScopeHookInterface> scopeHook);

}  // namespace NuvraMobile

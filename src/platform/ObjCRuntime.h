#pragma once

#include <functional>
#include <memory>

#include "services/threading/TaskScopeHookInterface.h"

namespace NuvraMobile {

/**
 * Runs `work` the way Objective-C code must run on a thread of ours: the thread registered with the
 * runtime (once, until the thread ends) and a fresh release pool around the work, drained afterwards.
 * When `work` throws a C++ exception the pool is still drained; when it raises an Objective-C exception
 * the pool is left to the thread's outer pool, since the exception object in flight may live in it.
 * Any thread.
 */
void RunInObjCScope(const std::function<void()>& work);

/** The task-scope hook of the native executors: every task and error callback runs in RunInObjCScope. */
std::shared_ptr<const TaskScopeHookInterface> CreateObjCTaskScopeHook();

namespace ObjCRuntime {

/** Registers the calling thread with the runtime once, for the rest of the thread's life. */
void RegisterCurrentThread();
/** A new release pool on the calling thread. */
void* PushReleasePool();
/** Drains the pool (and every pool pushed after it on this thread). */
void PopReleasePool(void* pool);

}  // namespace ObjCRuntime

}  // namespace NuvraMobile

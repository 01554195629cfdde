#pragma once

#include <memory>
#include <string>

#include "core/execution/TaskExecutorInterface.h"
#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/**
 * The platform's source of task executors. Every call makes a new, independent executor; a name may be
 * used any number of times. May be called from any thread.
 */
class ThreadingServiceInterface : public virtual ObjectInterface {
public:
    /** An executor that runs its tasks one at a time, in the order they were added. */
    virtual std::shared_ptr<TaskExecutorInterface> CreateSequentialTaskExecutor(const std::string& name) = 0;
    /** An executor that runs its tasks in parallel, adding threads on demand. */
    virtual std::shared_ptr<TaskExecutorInterface> CreateParallelTaskExecutor(const std::string& name) = 0;
};

}  // namespace NuvraMobile

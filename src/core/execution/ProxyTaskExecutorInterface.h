#pragma once

#include <memory>
#include <string>

#include "core/execution/TaskExecutorInterface.h"

namespace NuvraMobile {

/**
 * An executor without threads of its own: it keeps its own queue and runs its tasks as jobs on a parent
 * executor, so one growable pool can carry many queues.
 *
 * Sequential proxy: if adding task a happens before adding task b, a runs before b, and b starts only
 * after a and its error callback have returned, whatever the number of the parent's threads.
 * Parallel proxy: tasks start in AddTask order and may overlap up to the parent's capacity.
 * Error callbacks receive the proxy's name, ".", and the task's name.
 */
class ProxyTaskExecutorInterface : public virtual TaskExecutorInterface {
public:
    /** Throw SdkError "general.invalid_argument" when `parent` is null. */
    static std::shared_ptr<ProxyTaskExecutorInterface> CreateSequential(
        const std::string& name, const std::shared_ptr<TaskExecutorInterface>& parent);
    static std::shared_ptr<ProxyTaskExecutorInterface> CreateParallel(
        const std::string& name, const std::shared_ptr<TaskExecutorInterface>& parent);
};

}  // namespace NuvraMobile

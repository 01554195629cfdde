#pragma once

#include <memory>
#include <string>

#include "core/execution/DefaultThreadingServiceInterface.h"
#include "core/values/Object.h"

namespace NuvraMobile {

/**
 * Makes plain TaskExecutors: a sequential executor is one fixed thread; a parallel one starts with one
 * thread and grows without practical limit. Workers exit after 15000 ms without work. Threads are not
 * named, since the service has no system-info service. Stateless: callable from any thread.
 */
class DefaultThreadingService : public Object, public virtual DefaultThreadingServiceInterface {
public:
    std::shared_ptr<TaskExecutorInterface> CreateSequentialTaskExecutor(const std::string& name) override;
    std::shared_ptr<TaskExecutorInterface> CreateParallelTaskExecutor(const std::string& name) override;
};

}  // namespace NuvraMobile

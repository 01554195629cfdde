#include "core/execution/DefaultThreadingService.h"

#include <limits>

namespace NuvraMobile {

std::shared_ptr<DefaultThreadingServiceInterface> DefaultThreadingServiceInterface::Create() {
    return std::make_shared<DefaultThreadingService>();
}

std::shared_ptr<TaskExecutorInterface> DefaultThreadingService::CreateSequentialTaskExecutor(
    const std::string& name) {
    auto args = TaskExecutorInterface::CreateArgs::Create();
    args->SetFixedThreadCount(1);
    args->name = name;
    return TaskExecutorInterface::Create(args);
}

std::shared_ptr<TaskExecutorInterface> DefaultThreadingService::CreateParallelTaskExecutor(
    const std::string& name) {
    auto args = TaskExecutorInterface::CreateArgs::Create();
    args->initialThreadCount = 1;
    args->minThreadCount = 1;
    args->maxThreadCount = std::numeric_limits<uint32_t>::max();
    args->name = name;
    return TaskExecutorInterface::Create(args);
}

}  // namespace NuvraMobile

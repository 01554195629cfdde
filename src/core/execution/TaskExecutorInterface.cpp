#include "core/execution/TaskExecutorInterface.h"

#include <utility>

#include "platformShim/PlatformServicesInterface.h"

namespace NuvraMobile {

std::shared_ptr<TaskExecutorInterface::CreateArgs> TaskExecutorInterface::CreateArgs::Create() {
    return std::make_shared<CreateArgs>();
}

void TaskExecutorInterface::CreateArgs::SetFixedThreadCount(uint32_t count) {
    initialThreadCount = count;
    minThreadCount = count;
    maxThreadCount = count;
}

void TaskExecutorInterface::CreateArgs::SetPlatformServices(
    const std::shared_ptr<PlatformServicesInterface>& platformServices) {
    systemInfoService = platformServices ? platformServices->GetSystemInfoService() : nullptr;
}

bool TaskExecutorInterface::AddTask(Task task) {
    return AddTaskImpl(
        std::move(task), [](std::string, SdkError&) {}, DEFAULT_TASK_NAME);
}

bool TaskExecutorInterface::AddTask(Task task, ErrorCallback errorCallback) {
    return AddTaskImpl(std::move(task), std::move(errorCallback), DEFAULT_TASK_NAME);
}

bool TaskExecutorInterface::AddTask(Task task, ErrorCallback errorCallback, const std::string& name) {
    return AddTaskImpl(std::move(task), std::move(errorCallback), name);
}

bool TaskExecutorInterface::Dispose() { return DisposeImpl(DEFAULT_DISPOSE_TIMEOUT); }

bool TaskExecutorInterface::Dispose(std::chrono::milliseconds timeout) { return DisposeImpl(timeout); }

}  // namespace NuvraMobile

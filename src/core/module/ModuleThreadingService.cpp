#include "core/module/ModuleThreadingService.h"

#include "core/execution/ProxyTaskExecutorInterface.h"
#include "core/module/ModuleTaskExecutor.h"

namespace NuvraMobile {

namespace {

class ModuleThreadingService : public Object, public virtual ModuleThreadingServiceInterface {
public:
    explicit ModuleThreadingService(std::shared_ptr<ModuleTaskExecutorInterface> moduleTaskExecutor)
        : moduleTaskExecutor_(std::move(moduleTaskExecutor)) {}

    bool Dispose(std::chrono::milliseconds timeout) override { return moduleTaskExecutor_->Dispose(timeout); }

    std::shared_ptr<TaskExecutorInterface> CreateSequentialTaskExecutor(const std::string& name) override {
        return ProxyTaskExecutorInterface::CreateSequential(name, moduleTaskExecutor_);
    }

    std::shared_ptr<TaskExecutorInterface> CreateParallelTaskExecutor(const std::string& name) override {
        return ProxyTaskExecutorInterface::CreateParallel(name, moduleTaskExecutor_);
    }

private:
    std::shared_ptr<ModuleTaskExecutorInterface> moduleTaskExecutor_;
};

}  // namespace

std::shared_ptr<ModuleThreadingServiceInterface> ModuleThreadingServiceInterface::Create(
    const std::shared_ptr<Module>& module, const std::shared_ptr<TaskExecutorInterface>& executor) {
    return std::make_shared<ModuleThreadingService>(ModuleTaskExecutorInterface::Create(module, executor));
}

}  // namespace NuvraMobile

#include "core/module/ModuleTaskExecutor.h"

#include "core/execution/ProxyTaskExecutorInterface.h"
#include "core/module/Module.h"
#include "core/values/SdkError.h"

namespace NuvraMobile {

namespace {

class ModuleTaskExecutor : public Object, public virtual ModuleTaskExecutorInterface {
public:
    ModuleTaskExecutor(const std::shared_ptr<Module>& module,
                       std::shared_ptr<TaskExecutorInterface> innerExecutor)
        : module_(module), innerExecutor_(std::move(innerExecutor)) {}

    // Starts disposal without waiting: the last reference may go inside one of the module's own
    // tasks, which a wait would never see end. The inner proxy finishes on its own.
    ~ModuleTaskExecutor() override {
        TrySwallow([this] { innerExecutor_->Dispose(std::chrono::milliseconds(0)); });
    }

    bool AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) override {
        auto module = module_.lock();
        if (!module) {
            return false;
        }
        return innerExecutor_->AddTask([module, task] { task(); },
                                       [module, errorCallback](std::string taskName, SdkError& error) {
                                           if (errorCallback) {
                                               errorCallback(std::move(taskName), error);
                                           }
                                       },
                                       name);
    }

    bool DisposeImpl(std::chrono::milliseconds timeout) override { return innerExecutor_->Dispose(timeout); }

    bool IsDisposed() override { return innerExecutor_->IsDisposed(); }

private:
    std::weak_ptr<Module> module_;
    std::shared_ptr<TaskExecutorInterface> innerExecutor_;
};

}  // namespace

std::shared_ptr<ModuleTaskExecutorInterface> ModuleTaskExecutorInterface::Create(
    const std::shared_ptr<Module>& module, const std::shared_ptr<TaskExecutorInterface>& executor) {
    return std::make_shared<ModuleTaskExecutor>(
        module, ProxyTaskExecutorInterface::CreateParallel(module ? module->GetModuleName() : std::string(),
                                                           executor));
}

}  // namespace NuvraMobile

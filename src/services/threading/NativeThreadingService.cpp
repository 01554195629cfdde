#include "services/threading/NativeThreadingService.h"

#include <mutex>
#include <string>
#include <utility>

#include "core/execution/DefaultThreadingServiceInterface.h"
#include "core/values/Object.h"
#include "core/values/SdkError.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

using ScopeHook = std::shared_ptr<const TaskScopeHookInterface>;

void RunInScope(const ScopeHook& scopeHook, const std::function<void()>& work) {
    if (scopeHook) {
        scopeHook->RunInScope(work);
    } else {
        work();
    }
}

/** An executor of the default service whose tasks and error callbacks run inside the scope hook. */
class NativeTaskExecutor : public Object, public TaskExecutorInterface {
public:
    NativeTaskExecutor(std::shared_ptr<TaskExecutorInterface> inner, ScopeHook scopeHook)
        : inner_(std::move(inner)), scopeHook_(std::move(scopeHook)) {}

    bool AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) override {
        auto scopedTask = [scopeHook = scopeHook_, task = std::move(task)] {
            RunInScope(scopeHook, [&task] {
                if (task) {
                    task();
                }
            });
        };
        auto scopedErrorCallback = [scopeHook = scopeHook_, errorCallback = std::move(errorCallback)](
                                       std::string taskName, SdkError& error) {
            RunInScope(scopeHook, [&] {
                if (errorCallback) {
                    errorCallback(taskName, error);
                }
            });
        };
        return inner_->AddTask(std::move(scopedTask), std::move(scopedErrorCallback), name);
    }

    bool DisposeImpl(std::chrono::milliseconds timeout) override { return inner_->Dispose(timeout); }

    bool IsDisposed() override { return inner_->IsDisposed(); }

private:
    const std::shared_ptr<TaskExecutorInterface> inner_;
    const ScopeHook scopeHook_;
};

class NativeThreadingService : public Object, public ThreadingServiceInterface {
public:
    explicit NativeThreadingService(ScopeHook scopeHook)
        : defaultService_(DefaultThreadingServiceInterface::Create()), scopeHook_(std::move(scopeHook)) {}

    std::shared_ptr<TaskExecutorInterface> CreateSequentialTaskExecutor(const std::string& name) override {
        return std::make_shared<NativeTaskExecutor>(defaultService_->CreateSequentialTaskExecutor(name),
                                                    scopeHook_);
    }

    std::shared_ptr<TaskExecutorInterface> CreateParallelTaskExecutor(const std::string& name) override {
        return std::make_shared<NativeTaskExecutor>(defaultService_->CreateParallelTaskExecutor(name),
                                                    scopeHook_);
    }

private:
    const std::shared_ptr<DefaultThreadingServiceInterface> defaultService_;
    const ScopeHook scopeHook_;
};

struct DefaultScopeHook {
    Mutex mutex;
    ScopeHook hook NVR_GUARDED_BY(mutex);
};

DefaultScopeHook& GetDefaultScopeHook() {
    // Never destroyed: the SDK's threads may still use it while the process exits.
    static auto* defaultHook = new DefaultScopeHook();
    return *defaultHook;
}

}  // namespace

std::shared_ptr<ThreadingServiceInterface> CreateNativeThreadingService() {
    DefaultScopeHook& defaultHook = GetDefaultScopeHook();
    ScopeHook hook;
    {
        MutexLock lock(defaultHook.mutex);
        hook = defaultHook.hook;
    }
    return CreateNativeThreadingService(std::move(hook));
}

void SetDefaultTaskScopeHook(ScopeHook scopeHook) {
    DefaultScopeHook& defaultHook = GetDefaultScopeHook();
    MutexLock lock(defaultHook.mutex);
    defaultHook.hook = std::move(scopeHook);
}

std::shared_ptr<ThreadingServiceInterface> CreateNativeThreadingService(ScopeHook scopeHook) {
    return std::make_shared<NativeThreadingService>(std::move(scopeHook));
}

}  // namespace NuvraMobile

#pragma once

#include <memory>
#include <string>

#include "core/execution/ProxyTaskExecutorInterface.h"
#include "core/values/Object.h"

namespace NuvraMobile {

class ProxyTaskExecutorData;

/**
 * The proxy executor behind ProxyTaskExecutorInterface's factories.
 *
 * Shutdown: Dispose drops the queued tasks at once and waits, up to its timeout, for the running one(s)
 * to return; the proxy is disposed once none runs, or as soon as its parent is disposed. Jobs still
 * queued on the parent keep the proxy's data alive and find nothing to do.
 * Locks: the proxy's lock is taken before the parent's, never the other way round.
 * All operations may be called from any thread, including the proxy's own tasks.
 */
class ProxyTaskExecutor : public Object, public virtual ProxyTaskExecutorInterface {
public:
    /** Use the factories of ProxyTaskExecutorInterface. */
    explicit ProxyTaskExecutor(std::shared_ptr<ProxyTaskExecutorData> data);
    ~ProxyTaskExecutor() override;

    bool AddTaskImpl(Task task, ErrorCallback errorCallback, const std::string& name) override;
    bool DisposeImpl(std::chrono::milliseconds timeout) override;
    bool IsDisposed() override;

private:
    std::shared_ptr<ProxyTaskExecutorData> data_;
};

}  // namespace NuvraMobile

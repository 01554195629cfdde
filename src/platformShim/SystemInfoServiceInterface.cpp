#include "platformShim/SystemInfoServiceInterface.h"

#include <mutex>

#include "core/values/DebugInfo.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

struct CurrentServiceHolder {
    Mutex mutex;
    std::shared_ptr<SystemInfoServiceInterface> service NVR_GUARDED_BY(mutex);
};

// Never destroyed: detached worker threads may still raise errors while the process exits.
CurrentServiceHolder& Holder() {
    static CurrentServiceHolder* holder = new CurrentServiceHolder();
    return *holder;
}

std::string CurrentServiceStackTrace() {
    const std::shared_ptr<SystemInfoServiceInterface> service =
        SystemInfoServiceInterface::GetCurrentService();
    return service ? service->GetCurrentStackTrace() : std::string();
}

}  // namespace

std::shared_ptr<SystemInfoServiceInterface> SystemInfoServiceInterface::GetCurrentService() {
    CurrentServiceHolder& holder = Holder();
    MutexLock lock(holder.mutex);
    return holder.service;
}

void SystemInfoServiceInterface::SetCurrentService(
    const std::shared_ptr<SystemInfoServiceInterface>& service) {
    GetCurrentDebugInfoPrivate::SetStackTraceSource(&CurrentServiceStackTrace);
    std::shared_ptr<SystemInfoServiceInterface> previous;
    CurrentServiceHolder& holder = Holder();
    MutexLock lock(holder.mutex);
    previous = std::move(holder.service);
    holder.service = service;
}

}  // namespace NuvraMobile

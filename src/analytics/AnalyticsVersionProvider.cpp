#include "analytics/AnalyticsVersionProvider.h"

#include "analytics/AnalyticsConstants.h"
#include "util/Mutex.h"

namespace NuvraMobile {
namespace {

struct VersionHolder {
    Mutex mutex;
    std::string version NVR_GUARDED_BY(mutex);
};

VersionHolder& Holder() {
    // Never destroyed: the SDK's threads may still use it while the process exits.
    static auto* holder = new VersionHolder();
    return *holder;
}

}  // namespace

void AnalyticsVersionProvider::SetVersion(const std::string& version) {
    VersionHolder& holder = Holder();
    MutexLock lock(holder.mutex);
    holder.version = version;
}

std::string AnalyticsVersionProvider::GetVersion() {
    VersionHolder& holder = Holder();
    MutexLock lock(holder.mutex);
    return holder.version.empty() ? AnalyticsConstants::VERSION_UNKNOWN : holder.version;
}

}  // namespace NuvraMobile

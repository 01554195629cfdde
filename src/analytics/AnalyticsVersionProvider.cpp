#include "analytics/AnalyticsVersionProvider.h"

#include <mutex>

#include "analytics/AnalyticsConstants.h"

namespace NuvraMobile {
namespace {

std::mutex& VersionMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& Version() {
    static std::string version;
    return version;
}

}  // namespace

void AnalyticsVersionProvider::SetVersion(const std::string& version) {
    std::lock_guard<std::mutex> lock(VersionMutex());
    Version() = version;
}

std::string AnalyticsVersionProvider::GetVersion() {
    std::lock_guard<std::mutex> lock(VersionMutex());
    return Version().empty() ? AnalyticsConstants::VERSION_UNKNOWN : Version();
}

}  // namespace NuvraMobile

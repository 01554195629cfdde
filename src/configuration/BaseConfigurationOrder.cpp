#include "configuration/BaseConfigurationOrder.h"

namespace NuvraMobile {

void BaseConfigurationOrder::Ask(const std::string& appId) {
    MutexLock lock(mutex_);
    appAsked_ = true;
    appIdAsked_ = appId;
}

bool BaseConfigurationOrder::Wants(const std::string& appId) const {
    MutexLock lock(mutex_);
    return WantsLocked(appId);
}

bool BaseConfigurationOrder::WantsLocked(const std::string& appId) const {
    return !appAsked_ || appIdAsked_ == appId;
}

bool BaseConfigurationOrder::StartFetch(const std::string& appId) {
    MutexLock lock(mutex_);
    return fetchesUnderWay_.insert(appId).second;
}

bool BaseConfigurationOrder::GiveUpFetchUnlessWanted(const std::string& appId) {
    MutexLock lock(mutex_);
    if (WantsLocked(appId)) {
        return false;
    }
    fetchesUnderWay_.erase(appId);
    return true;
}

bool BaseConfigurationOrder::IsFetching(const std::string& appId) const {
    MutexLock lock(mutex_);
    return fetchesUnderWay_.count(appId) != 0;
}

void BaseConfigurationOrder::EndFetch(const std::string& appId) {
    MutexLock lock(mutex_);
    fetchesUnderWay_.erase(appId);
}

}  // namespace NuvraMobile

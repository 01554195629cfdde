#include "configuration/BaseConfigurationOrder.h"

namespace NuvraMobile {

BaseConfigurationOrder::Ticket BaseConfigurationOrder::HearAppRequest(const std::string& appId) {
    MutexLock lock(mutex_);
    appAsked_ = true;
    appIdAsked_ = appId;
    return ++latest_;
}

BaseConfigurationOrder::Ticket BaseConfigurationOrder::HearSavedAppIdFetch(const std::string& appId) const {
    MutexLock lock(mutex_);
    return !appAsked_ || appIdAsked_ == appId ? latest_ : kNeverApplies;
}

bool BaseConfigurationOrder::Stands(Ticket ticket) const {
    MutexLock lock(mutex_);
    return ticket == latest_;
}

}  // namespace NuvraMobile

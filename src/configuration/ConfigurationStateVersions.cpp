#include "configuration/ConfigurationStateVersions.h"

#include <utility>

#include "core/hub/SharedStateMarkers.h"
#include "core/module/Module.h"

namespace NuvraMobile {

ConfigurationStateVersions::ConfigurationStateVersions(Module& owner) : owner_(owner) {}

void ConfigurationStateVersions::Reserve(int32_t version) {
    MutexLock lock(mutex_);
    reserved_.insert(version);
    owner_.CreateSharedState(version, SHARED_STATE_PENDING);
}

bool ConfigurationStateVersions::Publish(int32_t version, const std::shared_ptr<EventData>& configuration) {
    MutexLock lock(mutex_);
    if (reserved_.erase(version) != 0) {
        carried_.reset();
        owner_.UpdateSharedState(version, configuration);
    } else if (IsSuperseded(version)) {
        carried_ = configuration;
        return false;
    } else {
        owner_.CreateSharedState(version, configuration);
    }
    return true;
}

// A version that was never reserved gets no entry: its readers already see the configuration that stands,
// and the hub refuses to add a marker (a request without a reservation, such as the boot or an app-id
// download, that brings nothing would be logged as a failed write).
void ConfigurationStateVersions::RollBack(int32_t version) {
    MutexLock lock(mutex_);
    if (reserved_.count(version) != 0 && held_.count(version) == 0) {
        RollBackReserved(version);
    }
}

void ConfigurationStateVersions::Hold(int32_t version, std::shared_ptr<ConfigurationData> overrides) {
    MutexLock lock(mutex_);
    if (reserved_.count(version) != 0) {
        held_.emplace(version, std::move(overrides));
    }
}

std::map<int32_t, std::shared_ptr<ConfigurationData>> ConfigurationStateVersions::TakeHeld() {
    MutexLock lock(mutex_);
    return std::exchange(held_, {});
}

std::set<int32_t> ConfigurationStateVersions::TakeReserved() {
    MutexLock lock(mutex_);
    carried_.reset();
    held_.clear();
    return std::exchange(reserved_, {});
}

bool ConfigurationStateVersions::IsSuperseded(int32_t version) const {
    return !reserved_.empty() && *reserved_.rbegin() > version;
}

void ConfigurationStateVersions::RollBackReserved(int32_t version) {
    reserved_.erase(version);
    // What stands is the nearest earlier version, unless a superseded publication is still to be shown.
    owner_.UpdateSharedState(version, carried_ ? std::exchange(carried_, nullptr) : SHARED_STATE_PREV);
}

}  // namespace NuvraMobile

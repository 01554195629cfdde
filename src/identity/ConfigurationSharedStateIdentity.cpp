#include "identity/ConfigurationSharedStateIdentity.h"

#include "core/values/EventData.h"
#include "identity/IdentityConstants.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace ConfigKeys = IdentityConstants::EventDataKeys::Configuration;

ConfigurationSharedStateIdentity::ConfigurationSharedStateIdentity(const std::shared_ptr<EventData>& configuration)
    : privacyStatus_(IdentityConstants::Default::DEFAULT_MOBILE_PRIVACY),
      skyloomServer_(IdentityConstants::Default::SERVER) {
    if (!configuration) {
        Log::Trace(IdentityConstants::LOG_PREFIX, "Current config state is null. Using defaults");
        return;
    }
    orgId_ = configuration->OptString(ConfigKeys::CONFIG_SKYLOOM_ORGID_KEY, "");
    privacyStatus_ = PrivacyStatusInConfiguration(configuration).value_or(MobilePrivacyStatus::UNKNOWN);
    skyloomServer_ =
        configuration->OptString(ConfigKeys::CONFIG_SKYLOOM_SERVER_KEY, IdentityConstants::Default::SERVER);
}

bool ConfigurationSharedStateIdentity::CanSyncIdentifiersWithCurrentConfiguration() const {
    return !orgId_.empty() && privacyStatus_ != MobilePrivacyStatus::OPT_OUT;
}

}  // namespace NuvraMobile

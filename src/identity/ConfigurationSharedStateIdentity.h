#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "shared/MobilePrivacyStatus.h"

namespace NuvraMobile {

class EventData;

/**
 * What the Identity module reads of a configuration shared state: the organisation id, the privacy
 * status and the identity server host. Immutable after construction; safe to share between threads.
 */
class ConfigurationSharedStateIdentity : public Object {
public:
    /** Without data (or with no such keys) the defaults: no organisation, optunknown, the default server. */
    explicit ConfigurationSharedStateIdentity(const std::shared_ptr<EventData>& configuration);

    std::string GetOrgId() const { return orgId_; }
    std::string GetSkyloomServer() const { return skyloomServer_; }
    MobilePrivacyStatus GetPrivacyStatus() const { return privacyStatus_; }
    /** True with an organisation id while privacy is not optedout. */
    bool CanSyncIdentifiersWithCurrentConfiguration() const;

private:
    std::string orgId_;
    MobilePrivacyStatus privacyStatus_;
    std::string skyloomServer_;
};

}  // namespace NuvraMobile

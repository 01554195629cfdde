#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

class EventHub;
class PlatformServicesInterface;
class Variant;

/**
 * The event-building facade of the User profile module: registers the module once and turns each
 * attribute call into a request event. It checks nothing; the module applies its own rules. Any thread
 * may call it, and every call returns at once, before the change is stored.
 */
class UserProfilePublicApi : public Object {
public:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    /** The platform services are accepted for the callers' symmetry; these operations need only the hub. */
    static std::shared_ptr<UserProfilePublicApi> Create(
        const std::shared_ptr<EventHub>& eventHub,
        const std::shared_ptr<PlatformServicesInterface>& platformServices);

    explicit UserProfilePublicApi(std::shared_ptr<EventHub> eventHub);

    /** Registers a User profile module unless the hub already has one. */
    void RegisterUserProfile();
    /** Sets the key to the text, or removes it when the text is empty. */
    void UpdateUserAttribute(const std::string& key, const std::string& value) const;
    /** Dispatches "UserProfileUpdate" with the map under "userprofileupdatekey". */
    void UpdateUserAttributes(const VariantMap& attributes) const;
    /** Dispatches "RemoveUserProfile" with the key under "userprofileremovekey". */
    void RemoveUserAttribute(const std::string& key) const;

private:
    const std::shared_ptr<EventHub> eventHub_;
};

}  // namespace NuvraMobile

#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/module/InternalModule.h"
#include "userprofile/UserProfileConstants.h"

namespace NuvraMobile {

class Event;
class JsonUtilityServiceInterface;
class LocalStorageServiceInterface;
class UserProfileDispatcher;
class UserProfilePersistentData;
class Variant;

/**
 * The module that keeps the user attributes: the public API's update and remove requests and the rules'
 * "csp" consequences change them, and the message-interaction keys ("a.triggered", "a.viewed",
 * "a.clicked") turn a written message id into a per-message counter. After every change the whole map
 * is persisted and then published, as the shared state at the number of the event handled and in a
 * "UserProfile Response Event", each with its own copy. The stored attributes are loaded at boot, or at
 * the latest before the first change of any kind, so no change is ever applied to an unloaded map.
 *
 * Threads: listeners run on the hub's workers, check the event and queue one named task; the store is
 * touched only by those tasks, one at a time on the module's own queue, so the module takes no lock.
 * Every task body runs under TrySwallow.
 */
class UserProfile : public InternalModule {
public:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    static constexpr const char* LOG_PREFIX =
        UserProfileConstants::EventDataKeys::UserProfile::SHARED_STATE_NAME;

    UserProfile();
    explicit UserProfile(const std::string& name);

    std::string GetSharedStateName() const override;

    /** Queues "RulesRequest": a "csp" consequence with its non-empty detail. */
    virtual void HandleRulesEvent(const std::shared_ptr<Event>& event, const VariantMap& detail);
    /** Queues "UserProfileRequest": merges the map under "userprofileupdatekey". */
    virtual void HandleProfileUpdateEvent(const std::shared_ptr<Event>& event);
    /** Queues "UserProfileRemoveKey": removes the key under "userprofileremovekey". */
    virtual void HandleProfileDeleteEvent(const std::shared_ptr<Event>& event);
    /** Queues "UserProfileBoot": loads the store and publishes it. */
    virtual void HandleBootEvent(const std::shared_ptr<Event>& event);

protected:
    void OnRegistered() override;

private:
    std::shared_ptr<UserProfile> SharedSelf();
    void ApplyRulesConsequence(const VariantMap& detail, std::int32_t eventNumber);
    void HandleWriteConsequence(const VariantMap& detail, std::int32_t eventNumber);
    void HandleDeleteConsequence(const VariantMap& detail, std::int32_t eventNumber);
    /** For a message-interaction key and a string message id: the key's counters with that id counted once
     * more. */
    std::shared_ptr<Variant> ReplaceValueForIAMKey(const std::string& key,
                                                   const std::shared_ptr<Variant>& value);
    bool UpdateProfile(const std::string& key, const std::shared_ptr<Variant>& value);
    bool BulkUpdateProfile(const VariantMap& attributes);
    bool DeleteProfile(const std::string& key);
    void UpdateSharedStateAndDispatchEvent(std::int32_t version);
    /** Creates the store on first success; false (logged) while a service is missing. */
    bool LoadProfileData();
    bool GetPlatformLocalStorageService(std::shared_ptr<LocalStorageServiceInterface>& out);
    bool GetPlatformJsonUtilityService(std::shared_ptr<JsonUtilityServiceInterface>& out);

    std::shared_ptr<UserProfileDispatcher> dispatcher_;
    std::shared_ptr<UserProfilePersistentData> persistentData_;
};

}  // namespace NuvraMobile

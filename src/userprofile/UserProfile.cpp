#include "userprofile/UserProfile.h"

#include <cstdint>
#include <utility>

#include "core/module/ModuleMemberTask.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "userprofile/UserProfileDispatcher.h"
#include "userprofile/UserProfileListeners.h"
#include "userprofile/UserProfilePersistentData.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Keys = UserProfileConstants::EventDataKeys::UserProfile;

namespace {

/** The string under `key`; empty when it is absent or of another kind. */
std::string StringOf(const UserProfile::VariantMap& detail, const char* key) {
    std::string value;
    const auto found = detail.find(key);
    if (found != detail.end()) {
        found->second->GetString(value);
    }
    return value;
}

/** The service of the module's platform services, or null with the warning that says what is missing. */
template <class Service>
std::shared_ptr<Service> ServiceOf(const std::shared_ptr<PlatformServicesInterface>& services,
                                   std::shared_ptr<Service> (PlatformServicesInterface::*getter)() const,
                                   const char* missingMessage) {
    if (!services) {
        Log::Warning(UserProfile::LOG_PREFIX, "Platform services are not available");
        return nullptr;
    }
    auto service = ((*services).*getter)();
    if (!service) {
        Log::Warning(UserProfile::LOG_PREFIX, missingMessage);
    }
    return service;
}

bool IsMessageInteractionKey(const std::string& key) {
    return key == UserProfileConstants::NUVRA_MESSAGE_TRIGGERED ||
           key == UserProfileConstants::NUVRA_MESSAGE_CLICKED ||
           key == UserProfileConstants::NUVRA_MESSAGE_VIEWED;
}

}  // namespace

UserProfile::UserProfile() : UserProfile(Keys::SHARED_STATE_NAME) {}

UserProfile::UserProfile(const std::string& name) : InternalModule(name) {}

std::string UserProfile::GetSharedStateName() const { return Keys::SHARED_STATE_NAME; }

void UserProfile::OnRegistered() {
    RegisterListener<UserProfileListenerRulesResponseContent>(EventType::RULES_ENGINE,
                                                              EventSource::RESPONSE_CONTENT);
    RegisterListener<UserProfileListenerRequestProfile>(EventType::USER_PROFILE,
                                                        EventSource::REQUEST_PROFILE);
    RegisterListener<UserProfileListenerBootEvent>(EventType::HUB, EventSource::BOOTED);
    RegisterListener<UserProfileListenerRequestReset>(EventType::USER_PROFILE, EventSource::REQUEST_RESET);
    dispatcher_ = CreateDispatcher<UserProfileDispatcher>();
}

std::shared_ptr<UserProfile> UserProfile::SharedSelf() {
    return std::static_pointer_cast<UserProfile>(shared_from_this());
}

void UserProfile::HandleBootEvent(const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "UserProfileBoot", [event](UserProfile& module) {
        if (module.LoadProfileData()) {
            module.UpdateSharedStateAndDispatchEvent(event->GetEventNumber());
        }
    });
}

void UserProfile::HandleProfileUpdateEvent(const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "UserProfileRequest", [event](UserProfile& module) {
        VariantMap attributes;
        event->GetData()->GetVariantMap(Keys::UPDATE_DATA_KEY, attributes);
        if (module.BulkUpdateProfile(attributes)) {
            module.UpdateSharedStateAndDispatchEvent(event->GetEventNumber());
        }
    });
}

void UserProfile::HandleProfileDeleteEvent(const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "UserProfileRemoveKey", [event](UserProfile& module) {
        std::string key;
        event->GetData()->GetString(Keys::REMOVE_DATA_KEY, key);
        if (!key.empty() && module.DeleteProfile(key)) {
            module.UpdateSharedStateAndDispatchEvent(event->GetEventNumber());
        }
    });
}

void UserProfile::HandleRulesEvent(const std::shared_ptr<Event>& event, const VariantMap& detail) {
    QueueMemberTask(*this, "RulesRequest", [event, detail](UserProfile& module) {
        module.ApplyRulesConsequence(detail, event->GetEventNumber());
    });
}

void UserProfile::ApplyRulesConsequence(const VariantMap& detail, std::int32_t eventNumber) {
    const auto operation = detail.find(Keys::CONSEQUENCE_OPERATION);
    if (operation == detail.end()) {
        Log::Warning(LOG_PREFIX,
                     "No Operation key provided in UserProfile consequence. Ignoring the consequence.");
        return;
    }
    std::string name;
    operation->second->GetString(name);
    if (name == UserProfileConstants::CONSEQUENCE_OPERATION_WRITE) {
        HandleWriteConsequence(detail, eventNumber);
    } else if (name == UserProfileConstants::CONSEQUENCE_OPERATION_DELETE) {
        HandleDeleteConsequence(detail, eventNumber);
    } else {
        Log::Warning(LOG_PREFIX,
                     "Invalid operation provided in UserProfile consequence. Ignoring the consequence.");
    }
}

void UserProfile::HandleWriteConsequence(const VariantMap& detail, std::int32_t eventNumber) {
    const std::string key = StringOf(detail, Keys::CONSEQUENCE_KEY);
    if (key.empty()) {
        Log::Warning(LOG_PREFIX,
                     "Invalid write key provided in UserProfile consequence. Ignoring the UserProfile write "
                     "operation.");
        return;
    }
    // A counter is read from the stored map, so that map must be loaded before the value is made.
    if (!LoadProfileData()) {
        return;
    }
    const auto found = detail.find(Keys::CONSEQUENCE_VALUE);
    const auto value = ReplaceValueForIAMKey(key, found == detail.end() ? nullptr : found->second);
    if (UpdateProfile(key, value)) {
        UpdateSharedStateAndDispatchEvent(eventNumber);
    }
}

void UserProfile::HandleDeleteConsequence(const VariantMap& detail, std::int32_t eventNumber) {
    const std::string key = StringOf(detail, Keys::CONSEQUENCE_KEY);
    if (key.empty()) {
        Log::Warning(
            LOG_PREFIX,
            "Invalid delete key provided in UserProfile consequence. Ignoring the UserProfile delete "
            "operation.");
        return;
    }
    if (DeleteProfile(key)) {
        UpdateSharedStateAndDispatchEvent(eventNumber);
    }
}

std::shared_ptr<Variant> UserProfile::ReplaceValueForIAMKey(const std::string& key,
                                                            const std::shared_ptr<Variant>& value) {
    std::string messageId;
    if (!IsMessageInteractionKey(key) || !value || !value->GetString(messageId)) {
        return value;
    }
    VariantMap counters;
    if (const auto stored = persistentData_->GetData(key)) {
        stored->GetVariantMap(counters);
    }
    std::int32_t count = 0;
    const auto counted = counters.find(messageId);
    if (counted != counters.end()) {
        counted->second->GetInteger(count);
    }
    // Saturates: a counter at the 32-bit limit stays there rather than overflowing.
    counters[messageId] = Variant::FromInteger(count < INT32_MAX ? count + 1 : count);
    return Variant::FromVariantMap(std::move(counters));
}

bool UserProfile::UpdateProfile(const std::string& key, const std::shared_ptr<Variant>& value) {
    if (!LoadProfileData()) {
        return false;
    }
    if (!persistentData_->UpdateInMemory(key, value)) {
        Log::Warning(LOG_PREFIX, "Error while updating profile value {%s = %s}", key, value);
        return false;
    }
    persistentData_->Persist();
    return true;
}

bool UserProfile::BulkUpdateProfile(const VariantMap& attributes) {
    if (!LoadProfileData()) {
        return false;
    }
    if (!persistentData_->UpdateInMemory(attributes)) {
        Log::Warning(LOG_PREFIX, "Error while updating profile attributes");
        return false;
    }
    persistentData_->Persist();
    return true;
}

bool UserProfile::DeleteProfile(const std::string& key) {
    if (!LoadProfileData()) {
        return false;
    }
    if (!persistentData_->DeleteInMemory(key)) {
        Log::Warning(LOG_PREFIX, "Unable to remove key %s from UserProfile module", key);
        return false;
    }
    persistentData_->Persist();
    return true;
}

void UserProfile::UpdateSharedStateAndDispatchEvent(std::int32_t version) {
    auto data = std::make_shared<EventData>();
    if (persistentData_) {
        data->PutVariantMap(Keys::USERPROFILE_DATA_KEY, persistentData_->GetProfileDataAsMap());
    }
    // Each its own copy: nothing done to the response's data can reach the published state.
    CreateSharedState(version, data->Copy());
    dispatcher_->Dispatch(data);
}

bool UserProfile::LoadProfileData() {
    if (persistentData_) {
        return true;
    }
    std::shared_ptr<LocalStorageServiceInterface> localStorageService;
    if (!GetPlatformLocalStorageService(localStorageService)) {
        Log::Warning(
            LOG_PREFIX,
            "Unable to obtain userprofile data from persistance, Local storage service not available");
        return false;
    }
    std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService;
    if (!GetPlatformJsonUtilityService(jsonUtilityService)) {
        Log::Warning(
            LOG_PREFIX,
            "Unable to obtain userprofile data from persistance, JSON utility service not available");
        return false;
    }
    persistentData_ = std::make_shared<UserProfilePersistentData>(jsonUtilityService, localStorageService);
    return true;
}

bool UserProfile::GetPlatformLocalStorageService(std::shared_ptr<LocalStorageServiceInterface>& out) {
    out = ServiceOf(GetPlatformServices(), &PlatformServicesInterface::GetLocalStorageService,
                    "Local Storage services are not available");
    return out != nullptr;
}

bool UserProfile::GetPlatformJsonUtilityService(std::shared_ptr<JsonUtilityServiceInterface>& out) {
    out = ServiceOf(GetPlatformServices(), &PlatformServicesInterface::GetJsonUtilityService,
                    "JSON services are not available");
    return out != nullptr;
}

}  // namespace NuvraMobile

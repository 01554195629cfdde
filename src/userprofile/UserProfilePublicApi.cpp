#include "userprofile/UserProfilePublicApi.h"

#include <utility>

#include "core/hub/EventHub.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "userprofile/UserProfile.h"

namespace NuvraMobile {

namespace Keys = UserProfileConstants::EventDataKeys::UserProfile;

std::shared_ptr<UserProfilePublicApi> UserProfilePublicApi::Create(
    const std::shared_ptr<EventHub>& eventHub, const std::shared_ptr<PlatformServicesInterface>&) {
    return std::make_shared<UserProfilePublicApi>(eventHub);
}

UserProfilePublicApi::UserProfilePublicApi(std::shared_ptr<EventHub> eventHub)
    : eventHub_(std::move(eventHub)) {}

void UserProfilePublicApi::RegisterUserProfile() {
    if (!eventHub_->IsRegisteredModule(Keys::SHARED_STATE_NAME)) {
        eventHub_->RegisterModule<UserProfile>();
    }
}

void UserProfilePublicApi::UpdateUserAttribute(const std::string& key, const std::string& value) const {
    UpdateUserAttributes({{key, value.empty() ? Variant::FromNull() : Variant::FromString(value)}});
}

void UserProfilePublicApi::UpdateUserAttributes(const VariantMap& attributes) const {
    auto data = std::make_shared<EventData>();
    data->PutVariantMap(Keys::UPDATE_DATA_KEY, attributes);
    eventHub_->Dispatch(
        EventBuilder("UserProfileUpdate", EventType::USER_PROFILE, EventSource::REQUEST_PROFILE)
            .SetData(data)
            .Build());
}

void UserProfilePublicApi::RemoveUserAttribute(const std::string& key) const {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::REMOVE_DATA_KEY, key);
    eventHub_->Dispatch(EventBuilder("RemoveUserProfile", EventType::USER_PROFILE, EventSource::REQUEST_RESET)
                            .SetData(data)
                            .Build());
}

}  // namespace NuvraMobile

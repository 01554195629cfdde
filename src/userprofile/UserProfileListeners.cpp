#include "userprofile/UserProfileListeners.h"

#include <string>

#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "rulesengine/Consequence.h"
#include "rulesengine/ConsequenceSerializer.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Keys = UserProfileConstants::EventDataKeys;

void UserProfileListenerRulesResponseContent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(UserProfile::LOG_PREFIX, [&](UserProfile& module) {
        const auto data = event->GetData();
        if (!data) {
            Log::Error(UserProfile::LOG_PREFIX, "Rules data is null. Ignoring event");
            return;
        }
        if (!data->ContainsKey(Keys::RulesEngine::CONSEQUENCE_TRIGGERED)) {
            return;
        }
        const auto consequence = data->GetTypedObject<Consequence>(Keys::RulesEngine::CONSEQUENCE_TRIGGERED);
        if (!consequence.HasValue() || !consequence.Value() ||
            consequence.Value()->GetType() != RULES_CONSEQUENCE_KEY_CSP) {
            return;
        }
        const auto detail = consequence.Value()->GetDetail();
        if (detail.empty()) {
            Log::Error(UserProfile::LOG_PREFIX,
                       "UserProfile consequence has invalid details for consequence id : (%s)",
                       consequence.Value()->GetId());
            return;
        }
        module.HandleRulesEvent(event, detail);
    });
}

void UserProfileListenerRequestProfile::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(UserProfile::LOG_PREFIX, [&](UserProfile& module) {
        const auto data = event->GetData();
        if (!data) {
            Log::Error(UserProfile::LOG_PREFIX, "UserProfile data is null. Ignoring event");
            return;
        }
        if (!data->ContainsKey(Keys::UserProfile::UPDATE_DATA_KEY)) {
            Log::Error(UserProfile::LOG_PREFIX, "No update request key in eventData. Ignoring event");
            return;
        }
        module.HandleProfileUpdateEvent(event);
    });
}

void UserProfileListenerBootEvent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(UserProfile::LOG_PREFIX, [&](UserProfile& module) { module.HandleBootEvent(event); });
}

void UserProfileListenerRequestReset::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(UserProfile::LOG_PREFIX, [&](UserProfile& module) {
        const auto data = event->GetData();
        if (!data) {
            Log::Warning(UserProfile::LOG_PREFIX,
                         "Invalid event data for user profile request reset event. Discarding the event.");
            return;
        }
        if (data->OptString(Keys::UserProfile::REMOVE_DATA_KEY, "").empty()) {
            return;
        }
        module.HandleProfileDeleteEvent(event);
    });
}

}  // namespace NuvraMobile

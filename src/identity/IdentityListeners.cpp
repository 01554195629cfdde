#include "identity/IdentityListeners.h"

#include <string>

#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "identity/IdentityConstants.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Keys = IdentityConstants::EventDataKeys;

void IdentityListenerRequestIdentity::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Identity::LOG_PREFIX, [&](Identity& module) { module.HandleIdentityRequest(event); });
}

bool IdentityListenerHubSharedState::ShouldProcessEvent(const std::shared_ptr<EventData>& data) {
    if (!data) {
        Log::Trace(Identity::LOG_PREFIX, "Failed to process event (data was null)");
        return false;
    }
    if (!GetParentModule()) {
        Log::Error(Identity::LOG_PREFIX, "Parent module not available");
        return false;
    }
    std::string owner;
    if (!data->GetString(Keys::STATE_OWNER, owner)) {
        Log::Trace(Identity::LOG_PREFIX, "Failed to process shared state update event (invalid state owner)");
        return false;
    }
    return true;
}

void IdentityListenerHubSharedState::Hear(const std::shared_ptr<Event>& event) {
    const auto data = event ? event->GetData() : nullptr;
    if (!ShouldProcessEvent(data)) {
        return;
    }
    if (data->OptString(Keys::STATE_OWNER, "") != Keys::Configuration::SHARED_STATE_NAME) {
        return;
    }
    if (auto module = GetParentModule()) {
        module->TryProcessEventQueue();
    }
}

void IdentityListenerBootedEvent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Identity::LOG_PREFIX, [&](Identity& module) { module.Bootup(event); });
}

void IdentityListenerConfigurationResponseContent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Identity::LOG_PREFIX, [&](Identity& module) { module.HandleConfigurationResponse(event); });
}

void IdentityListenerAudienceResponseContent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Identity::LOG_PREFIX, [&](Identity& module) { module.HandleAudienceResponse(event); });
}

void IdentityListenerAnalyticsResponseIdentity::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Identity::LOG_PREFIX,
                     [&](Identity& module) { module.HandleAnalyticsResponseIdentity(event); });
}

void IdentityListenerGenericIdentityRequestContent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Identity::LOG_PREFIX, [&](Identity& module) { module.HandleIdentityRequest(event); });
}

}  // namespace NuvraMobile

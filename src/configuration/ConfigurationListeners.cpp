#include "configuration/ConfigurationListeners.h"

#include <array>
#include <string>

#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace StateKeys = ConfigurationConstants::SharedStateKeys;

void ConfigurationListenerRequestContent::Hear(const std::shared_ptr<Event>& event) {
    if (auto module = GetParentModule()) {
        module->HandleConfigurationEvent(event);
    }
}

void ConfigurationListenerLifecycleResponseContent::Hear(const std::shared_ptr<Event>& event) {
    std::string sessionEvent;
    if (!event->GetData()->GetString(SESSION_EVENT, sessionEvent)) {
        Log::Error(Configuration::LOG_PREFIX, "Failed to get session data from event");
        return;
    }
    if (sessionEvent != LIFECYCLE_START) {
        return;
    }
    if (auto module = GetParentModule()) {
        module->HandleLifeCycleEvent();
    }
}

void ConfigurationListenerBootEvent::Hear(const std::shared_ptr<Event>& event) {
    if (auto module = GetParentModule()) {
        module->HandleBootEvent(event);
    }
}

void ConfigurationListenerHubSharedState::Hear(const std::shared_ptr<Event>& event) {
    static const std::array<const char*, 5> kIdentityOwners = {
        StateKeys::Analytics::MODULE_NAME, StateKeys::Audience::MODULE_NAME, StateKeys::Pivora::MODULE_NAME,
        StateKeys::Identity::MODULE_NAME,
        ConfigurationConstants::EventDataKeys::Configuration::SHARED_STATE_NAME};
    WithParentModule(Configuration::LOG_PREFIX, [&](Configuration& module) {
        const std::string owner = event->GetData()->OptString(
            ConfigurationConstants::EventDataKeys::Configuration::EVENT_STATE_OWNER, "");
        for (const char* identityOwner : kIdentityOwners) {
            if (owner == identityOwner) {
                module.HandleSharedStateChangeEvent();
                return;
            }
        }
    });
}

void ConfigurationListenerRequestIdentity::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Configuration::LOG_PREFIX,
                     [&](Configuration& module) { module.HandleGetSdkIdentitiesEvent(event); });
}

}  // namespace NuvraMobile

#include "configuration/MobileIdentities.h"

#include <map>

#include "configuration/Configuration.h"
#include "core/SharedStateMarkers.h"
#include "core/Variant.h"
#include "platformShim/JsonObject.h"
#include "platformShim/JsonUtilityServiceInterface.h"

// The readiness check of the identities request. The identifiers of the report come with the modules
// that own them; until then the report is the empty object.

namespace NuvraMobile {

namespace StateKeys = ConfigurationConstants::SharedStateKeys;

std::string MobileIdentities::GetAllIdentifiers(
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService,
    const std::shared_ptr<Event>& /*event*/, const std::shared_ptr<Configuration>& /*configuration*/) {
    const auto report =
        jsonUtilityService->CreateJsonObject(std::map<std::string, std::shared_ptr<Variant>>());
    return report ? report->ToString() : "";
}

bool MobileIdentities::AreAllSharedStateReady(const std::shared_ptr<Event>& event,
                                              const std::shared_ptr<Configuration>& configuration) {
    static const char* const kOwners[] = {
        StateKeys::Identity::MODULE_NAME, StateKeys::Analytics::MODULE_NAME, StateKeys::Pivora::MODULE_NAME,
        StateKeys::Audience::MODULE_NAME,
        ConfigurationConstants::EventDataKeys::Configuration::SHARED_STATE_NAME};
    for (const char* owner : kOwners) {
        if (configuration->HasSharedEventState(owner) &&
            configuration->GetSharedEventState(owner, event) == SHARED_STATE_PENDING) {
            return false;
        }
    }
    return true;
}

bool MobileIdentities::IsSharedStateValid(const std::shared_ptr<EventData>& state) {
    return state != SHARED_STATE_PENDING && state != SHARED_STATE_INVALID;
}

}  // namespace NuvraMobile

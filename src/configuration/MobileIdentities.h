#pragma once

#include <memory>
#include <string>

namespace NuvraMobile {

class Configuration;
class Event;
class EventData;
class JsonUtilityServiceInterface;

/**
 * Builds the SDK-identities report that answers an identities request, from the shared states of the
 * identity owners as they stood at the request. Static operations only; called from the Configuration
 * module's tasks.
 */
class MobileIdentities {
public:
    /** The report as JSON text; "" when it cannot be written. */
    static std::string GetAllIdentifiers(
        const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService,
        const std::shared_ptr<Event>& event, const std::shared_ptr<Configuration>& configuration);
    /** False while the state of an owner that has published one is still pending for the request. */
    static bool AreAllSharedStateReady(const std::shared_ptr<Event>& event,
                                       const std::shared_ptr<Configuration>& configuration);
    /** Neither pending nor invalid. */
    static bool IsSharedStateValid(const std::shared_ptr<EventData>& state);
};

}  // namespace NuvraMobile

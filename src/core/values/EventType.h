#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "core/values/EventName.h"
#include "core/values/Object.h"

namespace NuvraMobile {

// What an event concerns (a module or a domain). Interned: for each name, compared without regard
// to letter case, the process holds exactly one object, so types are compared by pointer. The
// registry and the constants may be used from any thread at any time, also during static
// initialisation and at process exit.
class EventType : public EventName {
public:
    // The one type for `name` (any letter case, any text); the spelling of the first request is kept.
    static std::shared_ptr<EventType> Get(const std::string& name);
    // "com.nuvra.eventType."
    static std::string GetNuvraPrefix();

    static const std::shared_ptr<EventType>& ACQUISITION;
    static const std::shared_ptr<EventType>& ANALYTICS;
    static const std::shared_ptr<EventType>& COHORTIX;
    static const std::shared_ptr<EventType>& CAMPAIGN;
    static const std::shared_ptr<EventType>& CONFIGURATION;
    static const std::shared_ptr<EventType>& CUSTOM;
    static const std::shared_ptr<EventType>& GENERIC_DATA;
    static const std::shared_ptr<EventType>& GENERIC_IDENTITY;
    static const std::shared_ptr<EventType>& GENERIC_LIFECYCLE;
    static const std::shared_ptr<EventType>& GENERIC_PII;
    static const std::shared_ptr<EventType>& GENERIC_TRACK;
    static const std::shared_ptr<EventType>& HUB;
    static const std::shared_ptr<EventType>& IDENTITY;
    static const std::shared_ptr<EventType>& LIFECYCLE;
    static const std::shared_ptr<EventType>& LOCATION;
    static const std::shared_ptr<EventType>& PII;
    static const std::shared_ptr<EventType>& PLACES;
    static const std::shared_ptr<EventType>& RULES_ENGINE;
    static const std::shared_ptr<EventType>& SIGNAL;
    static const std::shared_ptr<EventType>& SYSTEM;
    static const std::shared_ptr<EventType>& PIVORA;
    static const std::shared_ptr<EventType>& USER_PROFILE;
    static const std::shared_ptr<EventType>& WILDCARD;

    // Builds the constants on first call; every file that includes this header calls it first.
    static void EnsureConstants();

protected:
    explicit EventType(std::string name) : EventName(std::move(name)) {}
};

// Writes the type's name quoted.
void ToStringImpl(std::ostream& stream, const std::shared_ptr<EventType>& type,
                  const ToStringOptions& options);

namespace EventTypeInternal {
struct ConstantsInitializer {
    ConstantsInitializer() { EventType::EnsureConstants(); }
};
static const ConstantsInitializer constantsInitializer;
}  // namespace EventTypeInternal

}  // namespace NuvraMobile

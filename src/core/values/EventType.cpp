#include "core/values/EventType.h"

#include "core/values/EventNameRegistry.h"

namespace NuvraMobile {

namespace {

// The concrete class, so that only the registry makes types.
class EventTypePriv : public EventType {
public:
    explicit EventTypePriv(const std::string& name) : EventType(name) {}
};

const char* const SUFFIXES[] = {
    "acquisition",  "analytics",        "cohortix",
    "campaign",     "configuration",    "custom",
    "generic.data", "generic.identity", "generic.lifecycle",
    "generic.pii",  "generic.track",    "hub",
    "identity",     "lifecycle",        "location",
    "pii",          "places",           "rulesEngine",
    "signal",       "system",           "pivora",
    "userProfile",  "__wildcard__",
};

EventConstantStorage<std::shared_ptr<EventType>> constants[std::size(SUFFIXES)];

}  // namespace

const std::shared_ptr<EventType>& EventType::ACQUISITION = constants[0].value;
const std::shared_ptr<EventType>& EventType::ANALYTICS = constants[1].value;
const std::shared_ptr<EventType>& EventType::COHORTIX = constants[2].value;
const std::shared_ptr<EventType>& EventType::CAMPAIGN = constants[3].value;
const std::shared_ptr<EventType>& EventType::CONFIGURATION = constants[4].value;
const std::shared_ptr<EventType>& EventType::CUSTOM = constants[5].value;
const std::shared_ptr<EventType>& EventType::GENERIC_DATA = constants[6].value;
const std::shared_ptr<EventType>& EventType::GENERIC_IDENTITY = constants[7].value;
const std::shared_ptr<EventType>& EventType::GENERIC_LIFECYCLE = constants[8].value;
const std::shared_ptr<EventType>& EventType::GENERIC_PII = constants[9].value;
const std::shared_ptr<EventType>& EventType::GENERIC_TRACK = constants[10].value;
const std::shared_ptr<EventType>& EventType::HUB = constants[11].value;
const std::shared_ptr<EventType>& EventType::IDENTITY = constants[12].value;
const std::shared_ptr<EventType>& EventType::LIFECYCLE = constants[13].value;
const std::shared_ptr<EventType>& EventType::LOCATION = constants[14].value;
const std::shared_ptr<EventType>& EventType::PII = constants[15].value;
const std::shared_ptr<EventType>& EventType::PLACES = constants[16].value;
const std::shared_ptr<EventType>& EventType::RULES_ENGINE = constants[17].value;
const std::shared_ptr<EventType>& EventType::SIGNAL = constants[18].value;
const std::shared_ptr<EventType>& EventType::SYSTEM = constants[19].value;
const std::shared_ptr<EventType>& EventType::PIVORA = constants[20].value;
const std::shared_ptr<EventType>& EventType::USER_PROFILE = constants[21].value;
const std::shared_ptr<EventType>& EventType::WILDCARD = constants[22].value;

std::shared_ptr<EventType> EventType::Get(const std::string& name) {
    return EventNameRegistry<EventType>::Instance().Intern(
        name, [](const std::string& spelling) { return std::make_shared<EventTypePriv>(spelling); });
}

std::string EventType::GetNuvraPrefix() {
    static const char* const prefix = "com.nuvra.eventType.";
    return prefix;
}

void EventType::EnsureConstants() { EnsureEventNameConstants(constants, SUFFIXES); }

void ToStringImpl(std::ostream& stream, const std::shared_ptr<EventType>& type, const ToStringOptions&) {
    WriteEventName(stream, type.get());
}

}  // namespace NuvraMobile

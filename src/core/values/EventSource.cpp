#include "core/values/EventSource.h"

#include "core/values/EventNameRegistry.h"

namespace NuvraMobile {

namespace {

// The concrete class, so that only the registry makes sources.
class EventSourcePriv : public EventSource {
public:
    explicit EventSourcePriv(const std::string& name) : EventSource(name) {}
};

const char* const SUFFIXES[] = {
    "none",
    "booted",
    "os",
    "requestContent",
    "requestIdentity",
    "requestProfile",
    "requestReset",
    "responseContent",
    "responseIdentity",
    "responseProfile",
    "sharedState",
    "__wildcard__",
};

EventConstantStorage<std::shared_ptr<EventSource>> constants[std::size(SUFFIXES)];

}  // namespace

const std::shared_ptr<EventSource>& EventSource::NONE = constants[0].value;
const std::shared_ptr<EventSource>& EventSource::BOOTED = constants[1].value;
const std::shared_ptr<EventSource>& EventSource::OS = constants[2].value;
const std::shared_ptr<EventSource>& EventSource::REQUEST_CONTENT = constants[3].value;
const std::shared_ptr<EventSource>& EventSource::REQUEST_IDENTITY = constants[4].value;
const std::shared_ptr<EventSource>& EventSource::REQUEST_PROFILE = constants[5].value;
const std::shared_ptr<EventSource>& EventSource::REQUEST_RESET = constants[6].value;
const std::shared_ptr<EventSource>& EventSource::RESPONSE_CONTENT = constants[7].value;
const std::shared_ptr<EventSource>& EventSource::RESPONSE_IDENTITY = constants[8].value;
const std::shared_ptr<EventSource>& EventSource::RESPONSE_PROFILE = constants[9].value;
const std::shared_ptr<EventSource>& EventSource::SHARED_STATE = constants[10].value;
const std::shared_ptr<EventSource>& EventSource::WILDCARD = constants[11].value;

std::shared_ptr<EventSource> EventSource::Get(const std::string& name) {
    return EventNameRegistry<EventSource>::Instance().Intern(
        name, [](const std::string& spelling) { return std::make_shared<EventSourcePriv>(spelling); });
}

std::string EventSource::GetNuvraPrefix() {
    static const char* const prefix = "com.nuvra.eventSource.";
    return prefix;
}

void EventSource::EnsureConstants() { EnsureEventNameConstants(constants, SUFFIXES); }

void ToStringImpl(std::ostream& stream, const std::shared_ptr<EventSource>& source, const ToStringOptions&) {
    WriteEventName(stream, source.get());
}

}  // namespace NuvraMobile

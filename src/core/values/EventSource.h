#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "core/values/EventName.h"
#include "core/values/Object.h"

namespace NuvraMobile {

// What kind of message an event is (a request, a response, a notification). Interned: for each name, compared
// without regard to letter case, the process holds exactly one object, so sources are compared by pointer.
// The registry and the constants may be used from any thread at any time, also during static initialisation
// and at process exit.
class EventSource : public EventName {
public:
    // The one source for `name` (any letter case, any text); the spelling of the first request is kept.
    static std::shared_ptr<EventSource> Get(const std::string& name);
    // "com.nuvra.eventSource."
    static std::string GetNuvraPrefix();

    static const std::shared_ptr<EventSource>& NONE;
    static const std::shared_ptr<EventSource>& BOOTED;
    static const std::shared_ptr<EventSource>& OS;
    static const std::shared_ptr<EventSource>& REQUEST_CONTENT;
    static const std::shared_ptr<EventSource>& REQUEST_IDENTITY;
    static const std::shared_ptr<EventSource>& REQUEST_PROFILE;
    static const std::shared_ptr<EventSource>& REQUEST_RESET;
    static const std::shared_ptr<EventSource>& RESPONSE_CONTENT;
    static const std::shared_ptr<EventSource>& RESPONSE_IDENTITY;
    static const std::shared_ptr<EventSource>& RESPONSE_PROFILE;
    static const std::shared_ptr<EventSource>& SHARED_STATE;
    static const std::shared_ptr<EventSource>& WILDCARD;

    // Builds the constants on first call; every file that includes this header calls it first.
    static void EnsureConstants();

protected:
    explicit EventSource(std::string name) : EventName(std::move(name)) {}
};

// Writes the source's name quoted.
void ToStringImpl(std::ostream& stream, const std::shared_ptr<EventSource>& source,
                  const ToStringOptions& options);

namespace EventSourceInternal {
struct ConstantsInitializer {
    ConstantsInitializer() { EventSource::EnsureConstants(); }
};
static const ConstantsInitializer constantsInitializer;
}  // namespace EventSourceInternal

}  // namespace NuvraMobile

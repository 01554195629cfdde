#pragma once

#include <memory>
#include <string>

namespace NuvraMobile {

class Event;
class JsonUtilityServiceInterface;

// Free functions with which the extension side builds and reads events without handling core values:
// event data crosses as JSON text (one object; the empty text for no data). They keep no state and
// may run on any thread; a null event reads as empty texts.

/**
 * A new event of that name, type and source (empty names accepted) whose data is parsed from the
 * JSON text; empty data for the empty text. Null when the text does not convert, or is not empty and
 * no JSON service is given.
 */
std::shared_ptr<Event> CreateBroadcastEvent(
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService, const std::string& eventName,
    const std::string& eventTypeName, const std::string& eventSourceName, const std::string& eventData);

/** The type's name in the letter case in which it was first interned. */
std::string GetEventTypeAsString(const std::shared_ptr<Event>& event);
std::string GetEventSourceAsString(const std::shared_ptr<Event>& event);
/** The event's data as JSON text; the empty text when it cannot be rendered or no service is given. */
std::string GetEventDataAsString(const std::shared_ptr<Event>& event,
                                 const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService);
std::string GetEventUniqueIdentifierAsString(const std::shared_ptr<Event>& event);

}  // namespace NuvraMobile

#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/values/Event.h"

namespace NuvraMobile {

class EventData;

// One-shot builder of one event, used on the stack by one thread. Every call after Build throws
// SdkError "general.unsupported", so an event cannot be changed through its builder once handed out.
class EventBuilder {
public:
    // Gives the event a new random unique identifier.
    EventBuilder(std::string name, std::shared_ptr<EventType> type, std::shared_ptr<EventSource> source);

    EventBuilder& SetPairID(const std::string& pairId);
    EventBuilder& SetResponsePairID(const std::string& responsePairId);
    EventBuilder& SetTimestamp(int64_t timestampMilliseconds);
    // Shares `data` with the caller; null gives empty data.
    EventBuilder& SetData(const std::shared_ptr<EventData>& data);
    // Holds a deep copy of `data`; null gives empty data.
    EventBuilder& CopyData(const std::shared_ptr<const EventData>& data);
    EventBuilder& SetEventNumber(int32_t eventNumber);
    std::shared_ptr<Event> Build();

    // A new random UUID in its 36-character text form, upper case as on the phone.
    static std::string GenerateUniqueIdentifier();

private:
    void ThrowIfBuilt() const;

    std::shared_ptr<Event> event_;
    bool built_ = false;
};

}  // namespace NuvraMobile

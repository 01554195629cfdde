#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Object.h"

namespace NuvraMobile {

class EventData;

// The one message type of the system: a name, a type and a source, a payload, and the ids that
// pair a response with its request. Made through EventBuilder. Once dispatched an event is shared
// read-only by the hub and every listener; only the hub sets its number, before any listener sees
// it. Where the hub changes an event (rules attaching data) it works on a copy made by WithData, so
// the sender's object never changes. Every construction by EventBuilder draws the next response pair id
// from one process-wide counter.
class Event : public Object {
public:
    // An event that only carries a number: used where an event selects a shared-state version.
    explicit Event(int32_t eventNumber);
    Event(std::string name, std::shared_ptr<EventType> type, std::shared_ptr<EventSource> source);

    const std::string& GetName() const { return name_; }
    const std::shared_ptr<EventSource>& GetEventSource() const { return source_; }
    const std::shared_ptr<EventType>& GetEventType() const { return type_; }
    const std::string& GetPairID() const { return pairId_; }
    const std::string& GetResponsePairID() const { return responsePairId_; }
    // The payload itself, never null.
    const std::shared_ptr<EventData>& GetData() const { return data_; }
    // Milliseconds since the Unix epoch.
    int64_t GetTimestamp() const { return timestamp_; }
    int32_t GetEventNumber() const { return eventNumber_.load(std::memory_order_relaxed); }
    std::string GetUniqueIdentifier() const { return uniqueIdentifier_; }

    void SetEventNumber(int32_t eventNumber) { eventNumber_.store(eventNumber, std::memory_order_relaxed); }
    // Pairs a fresh copy of a response with its request.
    void SetPairID(const std::string& pairId) { pairId_ = pairId; }
    // Equal in everything but the unique identifier (a new one) and the data (a deep copy).
    std::shared_ptr<Event> Copy() const;
    // The same event (identifier, number, pair ids, timestamp) with other data; null becomes empty data.
    std::shared_ptr<Event> WithData(std::shared_ptr<EventData> data) const;
    std::string ToStringImpl(const ToStringOptions& options) const override;

    // Pass these where an event selects a shared-state version: the oldest or the newest one.
    static const std::shared_ptr<Event>& SHARED_STATE_OLDEST;
    static const std::shared_ptr<Event>& SHARED_STATE_NEWEST;

    // Builds the constants on first call; every file that includes this header calls it first.
    static void EnsureConstants();

private:
    friend class EventBuilder;

    Event(const Event& original, std::shared_ptr<EventData> data);
    void SetData(std::shared_ptr<EventData> data);

    std::string name_;
    std::shared_ptr<EventSource> source_;
    std::shared_ptr<EventType> type_;
    std::string pairId_;
    std::string responsePairId_;
    std::shared_ptr<EventData> data_;
    int64_t timestamp_;
    std::atomic<int32_t> eventNumber_;
    std::string uniqueIdentifier_;
};

namespace EventInternal {
struct ConstantsInitializer {
    ConstantsInitializer() { Event::EnsureConstants(); }
};
static const ConstantsInitializer constantsInitializer;
}  // namespace EventInternal

}  // namespace NuvraMobile

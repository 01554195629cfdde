#include "core/values/Event.h"

#include <atomic>
#include <limits>

#include "core/values/EventBuilder.h"
#include "core/values/EventConstantStorage.h"
#include "core/values/EventData.h"
#include "util/StringUtils.h"
#include "util/TimeUtils.h"

namespace NuvraMobile {

namespace {

// Constant-initialised and trivially destroyed, so events may be made at any time of the process.
std::atomic<uint32_t> responsePairCounter{0};

std::string NextResponsePairId() {
    const uint32_t next = responsePairCounter.fetch_add(1, std::memory_order_relaxed) + 1;
    return std::to_string(static_cast<int32_t>(next));
}

EventConstantStorage<std::shared_ptr<Event>> constants[2];

}  // namespace

const std::shared_ptr<Event>& Event::SHARED_STATE_OLDEST = constants[0].value;
const std::shared_ptr<Event>& Event::SHARED_STATE_NEWEST = constants[1].value;

void Event::EnsureConstants() {
    static const bool built = [] {
        EventType::EnsureConstants();
        EventSource::EnsureConstants();
        constants[0].Construct(std::make_shared<Event>(0));
        constants[1].Construct(std::make_shared<Event>(std::numeric_limits<int32_t>::max()));
        return true;
    }();
    (void)built;
}

Event::Event(int32_t eventNumber) : Event(std::string(), EventType::SYSTEM, EventSource::OS) {
    eventNumber_.store(eventNumber, std::memory_order_relaxed);
}

Event::Event(std::string name, std::shared_ptr<EventType> type, std::shared_ptr<EventSource> source)
    : name_(std::move(name)),
      source_(std::move(source)),
      type_(std::move(type)),
      responsePairId_(NextResponsePairId()),
      data_(std::make_shared<EventData>()),
      timestamp_(TimeUtils::GetUnixTime()),
      eventNumber_(0) {}

Event::Event(const Event& original, std::shared_ptr<EventData> data)
    : name_(original.name_),
      source_(original.source_),
      type_(original.type_),
      pairId_(original.pairId_),
      responsePairId_(original.responsePairId_),
      timestamp_(original.timestamp_),
      eventNumber_(original.GetEventNumber()),
      uniqueIdentifier_(original.uniqueIdentifier_) {
    SetData(std::move(data));
}

std::shared_ptr<Event> Event::Copy() const {
    return EventBuilder(name_, type_, source_)
        .CopyData(data_)
        .SetPairID(pairId_)
        .SetResponsePairID(responsePairId_)
        .SetTimestamp(timestamp_)
        .SetEventNumber(GetEventNumber())
        .Build();
}

std::shared_ptr<Event> Event::WithData(std::shared_ptr<EventData> data) const {
    return std::shared_ptr<Event>(new Event(*this, std::move(data)));
}

void Event::SetData(std::shared_ptr<EventData> data) {
    data_ = data ? std::move(data) : std::make_shared<EventData>();
}

std::string Event::ToStringImpl(const ToStringOptions&) const {
    return StringUtils::FormatString(
        "{\n    class: \"Event\",\n    name: %q,\n    uniqueIdentifier: %s,\n    source: %s,\n    type: %s,\n"
        "    pair_id: %q,\n    response_pair_id: %q,\n    event_number: %s,\n    timestamp: %s,\n    data: "
        "%s\n}",
        StringUtils::Quotify(name_), StringUtils::Quotify(uniqueIdentifier_), source_, type_,
        StringUtils::Quotify(pairId_), StringUtils::Quotify(responsePairId_), GetEventNumber(), timestamp_,
        data_->PrettyString(2));
}

}  // namespace NuvraMobile

#include "core/values/EventBuilder.h"

#include <uuid/uuid.h>

#include <cstring>
#include <random>

#include "core/values/EventData.h"
#include "core/values/SdkError.h"

namespace NuvraMobile {

namespace {

// A random (version 4) UUID from libuuid costs several system calls, and every event needs one. So
// each thread seeds a generator once from libuuid's random UUIDs and draws the bits from it.
class RandomUuidSource {
public:
    RandomUuidSource() {
        uuid_t seeds[2];
        uuid_generate_random(seeds[0]);
        uuid_generate_random(seeds[1]);
        uint32_t words[8];
        std::memcpy(words, seeds, sizeof(words));
        std::seed_seq sequence(std::begin(words), std::end(words));
        engine_.seed(sequence);
    }

    void Generate(uuid_t uuid) {
        const uint64_t halves[2] = {engine_(), engine_()};
        std::memcpy(uuid, halves, sizeof(halves));
        uuid[6] = static_cast<unsigned char>((uuid[6] & 0x0F) | 0x40);  // version 4: random
        uuid[8] = static_cast<unsigned char>((uuid[8] & 0x3F) | 0x80);  // RFC 4122 variant
    }

private:
    std::mt19937_64 engine_;
};

}  // namespace

EventBuilder::EventBuilder(std::string name, std::shared_ptr<EventType> type,
                           std::shared_ptr<EventSource> source)
    : event_(std::make_shared<Event>(std::move(name), std::move(type), std::move(source))) {
    event_->uniqueIdentifier_ = GenerateUniqueIdentifier();
}

EventBuilder& EventBuilder::SetPairID(const std::string& pairId) {
    ThrowIfBuilt();
    event_->pairId_ = pairId;
    return *this;
}

EventBuilder& EventBuilder::SetResponsePairID(const std::string& responsePairId) {
    ThrowIfBuilt();
    event_->responsePairId_ = responsePairId;
    return *this;
}

EventBuilder& EventBuilder::SetTimestamp(int64_t timestampMilliseconds) {
    ThrowIfBuilt();
    event_->timestamp_ = timestampMilliseconds;
    return *this;
}

EventBuilder& EventBuilder::SetData(const std::shared_ptr<EventData>& data) {
    ThrowIfBuilt();
    event_->SetData(data);
    return *this;
}

EventBuilder& EventBuilder::CopyData(const std::shared_ptr<const EventData>& data) {
    ThrowIfBuilt();
    event_->data_ = data ? data->Copy() : std::make_shared<EventData>();
    return *this;
}

EventBuilder& EventBuilder::SetEventNumber(int32_t eventNumber) {
    ThrowIfBuilt();
    event_->SetEventNumber(eventNumber);
    return *this;
}

std::shared_ptr<Event> EventBuilder::Build() {
    ThrowIfBuilt();
    built_ = true;
    return event_;
}

std::string EventBuilder::GenerateUniqueIdentifier() {
    thread_local RandomUuidSource source;
    uuid_t uuid;
    source.Generate(uuid);
    char text[37];
    uuid_unparse_upper(uuid, text);
    return std::string(text, 36);
}

void EventBuilder::ThrowIfBuilt() const {
    if (built_) {
        Throw(SdkError("general.unsupported",
                       "attempted to call methods on EventBuilder after Build() was called",
                       CurrentDebugInfo()));
    }
}

}  // namespace NuvraMobile

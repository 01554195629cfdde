#include "rulesengine/FlattenedEventIndex.h"

#include <algorithm>

#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "rulesengine/EventDataFlattener.h"
#include "rulesengine/MatcherPatterns.h"
#include "rulesengine/RuleKey.h"

namespace NuvraMobile {

namespace {

constexpr size_t INITIAL_SLOTS = 64;

}  // namespace

void FlattenedEventIndex::Build(const std::shared_ptr<const EventData>& data) {
    Clear();
    EventDataFlattener::ForEachLeaf(
        data, [this](const std::string& key, const std::shared_ptr<Variant>& value) { Put(key, value); });
}

void FlattenedEventIndex::Clear() {
    if (used_ == 0) {
        return;
    }
    for (Slot& slot : slots_) {
        slot.value.reset();
    }
    used_ = 0;
}

const std::shared_ptr<Variant>* FlattenedEventIndex::Find(const RuleKey& key) const {
    if (used_ == 0) {
        return nullptr;
    }
    const Slot& slot = slots_[SlotFor(key.GetText(), key.GetHash())];
    return slot.value ? &slot.value : nullptr;
}

const std::string* FlattenedEventIndex::LoweredSubject(const RuleKey& key, const Variant& value) {
    if (used_ == 0) {
        return nullptr;
    }
    Slot& slot = slots_[SlotFor(key.GetText(), key.GetHash())];
    if (slot.value.get() != &value) {
        return nullptr;
    }
    if (slot.subject == Subject::UNKNOWN) {
        slot.subject = MatcherPatterns::LowerSubject(value, slot.lowerSubject) ? Subject::MADE : Subject::NONE;
    }
    return slot.subject == Subject::MADE ? &slot.lowerSubject : nullptr;
}

// Open addressing with linear probing; a slot is taken when it holds a value (values are never null).
size_t FlattenedEventIndex::SlotFor(const std::string& key, size_t hash) const {
    const size_t mask = slots_.size() - 1;
    size_t index = hash & mask;
    while (slots_[index].value && (slots_[index].hash != hash || slots_[index].key != key)) {
        index = (index + 1) & mask;
    }
    return index;
}

void FlattenedEventIndex::Put(const std::string& key, const std::shared_ptr<Variant>& value) {
    // At most half full, so probes stay short and a free slot always exists.
    if ((used_ + 1) * 2 > slots_.size()) {
        Grow();
    }
    const size_t hash = RuleKey::HashOf(key);
    Slot& slot = slots_[SlotFor(key, hash)];
    if (!slot.value) {
        ++used_;
        slot.hash = hash;
        slot.key.assign(key);
    }
    // A path written again (a dotted key colliding with a nested one) takes the later value.
    slot.value = value;
    slot.subject = Subject::UNKNOWN;
}

void FlattenedEventIndex::Grow() {
    std::vector<Slot> old(std::max(INITIAL_SLOTS, slots_.size() * 2));
    old.swap(slots_);
    used_ = 0;
    for (Slot& slot : old) {
        if (slot.value) {
            Slot& target = slots_[SlotFor(slot.key, slot.hash)];
            target = std::move(slot);
            ++used_;
        }
    }
}

}  // namespace NuvraMobile

#include "core/hub/SharedStateStore.h"

#include "core/hub/SharedStateMarkers.h"
#include "core/values/EventData.h"

namespace NuvraMobile {

bool SharedStateStore::Write(const std::string& owner, int32_t version,
                             const std::shared_ptr<EventData>& data, bool create, bool update) {
    auto found = states_.find(owner);
    if (found == states_.end()) {
        if (!create) {
            return false;
        }
        auto resolver = std::make_shared<Resolver>(SHARED_STATE_PENDING, SHARED_STATE_INVALID,
                                                   SHARED_STATE_NEXT, SHARED_STATE_PREV);
        found = states_.emplace(owner, std::move(resolver)).first;
    }
    Resolver& resolver = *found->second;
    return (create && resolver.Add(version, data)) || (update && resolver.Update(version, data));
}

void SharedStateStore::Clear(const std::string& owner) { states_.erase(owner); }

std::shared_ptr<EventData> SharedStateStore::Read(const std::string& owner, int32_t version) const {
    auto found = states_.find(owner);
    return found == states_.end() ? SHARED_STATE_PENDING : found->second->Get(version);
}

bool SharedStateStore::Has(const std::string& owner) const {
    auto found = states_.find(owner);
    return found != states_.end() && found->second->ContainsValidState();
}

bool SharedStateStore::NoteReadAndCheckCircular(const std::string& reader, const std::string& owner) {
    if (reader == owner) {
        return false;
    }
    reads_[reader].insert(owner);
    const auto ownerReads = reads_.find(owner);
    return ownerReads != reads_.end() && ownerReads->second.count(reader) != 0;
}

std::shared_ptr<EventData> SharedStateStore::ForPublication(const std::shared_ptr<EventData>& data) {
    const bool isMarker = data == SHARED_STATE_PENDING || data == SHARED_STATE_INVALID ||
                          data == SHARED_STATE_NEXT || data == SHARED_STATE_PREV;
    return isMarker ? data : data->Copy();
}

}  // namespace NuvraMobile

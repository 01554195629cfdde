#pragma once

#include <cstdint>
#include <iterator>
#include <map>
#include <memory>

#include "core/values/Object.h"
#include "util/Log.h"

namespace NuvraMobile {

// A versioned value: a sorted map from version (an event number) to a value or one of four markers.
// PENDING says the value for a version comes later, INVALID that it is invalid, NEXT and PREV that
// the version resolves to the next real value after it or the nearest real value before it. A
// reader asks with a version and gets the value that was valid then. Markers are compared by
// pointer identity. Takes no lock: its owner serialises every access.
template <class T>
class RangedResolver : public Object {
public:
    using Value = std::shared_ptr<T>;
    using States = std::map<int32_t, Value>;

    // Keeps references to the four markers, which must outlive the resolver, and inserts -1 as NEXT
    // so that every version before the first real value resolves to it.
    RangedResolver(const Value& pending, const Value& invalid, const Value& next, const Value& previous)
        : pending_(pending), invalid_(invalid), next_(next), previous_(previous) {
        if (MarkersCollide()) {
            Log::Warning(
                "RangedResolver",
                "Found equality between marker states! Pending(%p) Invalid(%p) Next(%p) Previous(%p)",
                Address(pending), Address(invalid), Address(next), Address(previous));
        }
        states_.emplace(-1, next_);
    }

    // Adds a version after every existing one; NEXT and PREV cannot be added.
    bool Add(int32_t version, const Value& value) {
        if (value == next_ || value == previous_) {
            return false;
        }
        if (!states_.empty() && version <= states_.rbegin()->first) {
            return false;
        }
        states_.emplace_hint(states_.end(), version, value);
        return true;
    }

    // Fills a PENDING version, once; the value may not be PENDING itself.
    bool Update(int32_t version, const Value& value) {
        if (value == pending_) {
            return false;
        }
        auto entry = states_.find(version);
        if (entry == states_.end() || entry->second != pending_) {
            return false;
        }
        entry->second = value;
        return true;
    }

    // The value valid at `version`: a real value, PENDING or INVALID.
    const Value& Get(int32_t version) const {
        if (states_.empty()) {
            return pending_;
        }
        auto entry = states_.upper_bound(version);
        if (entry != states_.begin()) {
            --entry;
        }
        return Resolve(entry);
    }

    const Value& Resolve(typename States::const_iterator entry) const {
        while (entry != states_.begin() && entry->second == previous_) {
            --entry;
        }
        for (; entry != states_.end(); ++entry) {
            if (entry->second != next_ && entry->second != previous_) {
                return entry->second;
            }
        }
        return pending_;
    }

    // True when some version holds a real value or PENDING.
    bool ContainsValidState() const {
        for (const auto& state : states_) {
            if (state.second != invalid_ && state.second != next_ && state.second != previous_) {
                return true;
            }
        }
        return false;
    }

private:
    static uintptr_t Address(const Value& value) { return reinterpret_cast<uintptr_t>(value.get()); }

    bool MarkersCollide() const {
        const Value* markers[] = {&pending_, &invalid_, &next_, &previous_};
        for (size_t i = 0; i < 4; ++i) {
            for (size_t j = i + 1; j < 4; ++j) {
                if (*markers[i] == *markers[j]) {
                    return true;
                }
            }
        }
        return false;
    }

    const Value& pending_;
    const Value& invalid_;
    const Value& next_;
    const Value& previous_;
    States states_;
};

}  // namespace NuvraMobile

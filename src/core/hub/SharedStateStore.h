#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "core/hub/RangedResolver.h"

namespace NuvraMobile {

class EventData;

/**
 * The event hub's versioned shared states, one resolver per lower-cased owner name, and the record
 * of which module has read which state. Takes no lock: the hub calls it with its own mutex held.
 */
class SharedStateStore {
public:
    /**
     * With `create`, adds `data` at `version` (making the owner's resolver when it has none, whether
     * or not the add succeeds); when that was not asked or failed and `update` is set, fills the
     * pending entry at exactly `version`. True when something was added or filled.
     */
    bool Write(const std::string& owner, int32_t version, const std::shared_ptr<EventData>& data, bool create,
               bool update);

    /** Drops every version of the owner's state. */
    void Clear(const std::string& owner);

    /** The state valid at `version`, or PENDING (null) when the owner has no resolver. */
    std::shared_ptr<EventData> Read(const std::string& owner, int32_t version) const;

    /** True when the owner has a resolver holding a real or pending version. */
    bool Has(const std::string& owner) const;

    /**
     * Notes that `reader` read `owner`'s state (names compared exactly, a module reading its own
     * state is not noted). True when the two have now read each other's states.
     */
    bool NoteReadAndCheckCircular(const std::string& reader, const std::string& owner);

    /**
     * What the hub stores for `data`: a private deep copy of real state data, so that nothing can
     * rewrite a published state; markers (and PENDING, which is null) are kept as they are, since
     * they are compared by identity.
     */
    static std::shared_ptr<EventData> ForPublication(const std::shared_ptr<EventData>& data);

private:
    using Resolver = RangedResolver<EventData>;

    std::map<std::string, std::shared_ptr<Resolver>> states_;
    /** For each reader, the owners whose states it has read. */
    std::map<std::string, std::set<std::string>> reads_;
};

}  // namespace NuvraMobile

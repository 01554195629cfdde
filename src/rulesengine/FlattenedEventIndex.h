#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace NuvraMobile {

class EventData;
class RuleKey;
class Variant;

/**
 * The flattened data of one event (see EventDataFlattener) as a hash table that rule keys, hashed when
 * they were loaded, look up without hashing or allocating again. Rebuilt for each event by the rules
 * pass; the table and its key buffers are kept between builds, so a pass over an event of the usual
 * size allocates nothing. Not synchronised: owned by the token parser under the engine's lock.
 */
class FlattenedEventIndex {
public:
    /** Replaces the content by the flattened `data` (empty for null data). */
    void Build(const std::shared_ptr<const EventData>& data);
    /** Drops the values, so the index holds no part of the event between passes. */
    void Clear();
    /** The value under the key's text, or null when the flattened data has no such entry. */
    const std::shared_ptr<Variant>* Find(const RuleKey& key) const;
    /**
     * The pattern subject (MatcherPatterns::LowerSubject) of the value under the key, made at the first
     * call after a build; null when the entry does not hold `value` or the value has no subject.
     */
    const std::string* LoweredSubject(const RuleKey& key, const Variant& value);

private:
    enum class Subject { UNKNOWN, MADE, NONE };

    struct Slot {
        size_t hash = 0;
        std::string key;
        std::shared_ptr<Variant> value;
        Subject subject = Subject::UNKNOWN;
        std::string lowerSubject;  // its buffer is kept between builds, as the key's is
    };

    void Put(const std::string& key, const std::shared_ptr<Variant>& value);
    void Grow();
    size_t SlotFor(const std::string& key, size_t hash) const;

    std::vector<Slot> slots_;
    size_t used_ = 0;
};

}  // namespace NuvraMobile

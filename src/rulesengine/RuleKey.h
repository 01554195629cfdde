#pragma once

#include <cstddef>
#include <string>

namespace NuvraMobile {

/**
 * A rule key taken apart once, when the rule or token that names it is loaded, so that a rules pass
 * resolves it without comparing prefixes again: a dotted event-data path, one of the special "~" keys,
 * "~state.<state name>/<state key>", or a "~" key that names nothing (which still falls back to event
 * data). The hash of the text is kept for the lookup in the flattened event. Immutable; any thread.
 */
class RuleKey {
public:
    enum class Kind { EMPTY, EVENT_DATA, SHARED_STATE, SPECIAL, UNKNOWN_SPECIAL };
    enum class Special {
        TYPE,
        SOURCE,
        TIMESTAMP_UNIX,
        TIMESTAMP_ISO8601,
        SDK_VERSION,
        CACHEBUST,
        ALL_URL,
        ALL_JSON
    };

    RuleKey() : RuleKey(std::string()) {}
    explicit RuleKey(std::string text);

    const std::string& GetText() const { return text_; }
    size_t GetHash() const { return hash_; }
    Kind GetKind() const { return kind_; }
    /** Meaningful for SPECIAL keys only. */
    Special GetSpecial() const { return special_; }
    /** Meaningful for SHARED_STATE keys only; either is empty when the key lacks it (no value then). */
    const std::string& GetStateName() const { return stateName_; }
    const std::string& GetStateKey() const { return stateKey_; }

    /** The hash under which the flattened event stores `text`; the same function as GetHash's. */
    static size_t HashOf(const std::string& text);

private:
    std::string text_;
    size_t hash_ = 0;
    Kind kind_ = Kind::EMPTY;
    Special special_ = Special::TYPE;
    std::string stateName_;
    std::string stateKey_;
};

}  // namespace NuvraMobile

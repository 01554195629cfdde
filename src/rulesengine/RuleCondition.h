#pragma once

#include <memory>

#include "core/values/Object.h"

namespace NuvraMobile {

class Event;
class JsonObject;
class RuleTokenParser;

/**
 * A node of a rule's condition tree: a group of conditions joined by "and" or "or", or a matcher
 * leaf. Immutable once built; evaluated by the rules engine on the hub's thread, with the engine's
 * token parser.
 */
class RuleCondition : public Object {
public:
    static constexpr const char* RULE_CONDITION_TYPE_KEY_JSON = "type";
    static constexpr const char* RULE_CONDITION_TYPE_GROUP_JSON = "group";
    static constexpr const char* RULE_CONDITION_TYPE_MATCHER_JSON = "matcher";
    static constexpr const char* RULE_CONDITION_DEFINITION_KEY_JSON = "definition";
    /** Groups nested deeper than this make the whole condition invalid. */
    static constexpr int MAX_GROUP_NESTING = 64;

    /**
     * The condition a condition object ({"type": "group" | "matcher", "definition": {...}}) describes.
     * Throws SdkError for a null object, a missing or ill-typed member, an unknown type or group logic,
     * and groups nested deeper than MAX_GROUP_NESTING.
     */
    static std::shared_ptr<RuleCondition> RuleConditionFromJson(const std::shared_ptr<JsonObject>& json);

    virtual bool Evaluate(const std::shared_ptr<RuleTokenParser>& parser,
                          const std::shared_ptr<Event>& event) const = 0;

protected:
    /** Throws when the groups below `json` nest deeper than MAX_GROUP_NESTING, counting from `depth`. */
    static void CheckGroupNesting(const std::shared_ptr<JsonObject>& json, int depth);
};

}  // namespace NuvraMobile

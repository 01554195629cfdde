#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rulesengine/RuleCondition.h"

namespace NuvraMobile {

/** A list of conditions joined by one logic; an empty group never holds. Immutable once built. */
class RuleConditionGroup : public RuleCondition {
public:
    static constexpr const char* RULE_CONDITIONS_JSON_KEY = "conditions";
    static constexpr const char* RULE_CONDITION_JSON_DEFINITION_LOGIC = "logic";
    static constexpr const char* RULE_CONDITION_JSON_DEFINITION_LOGIC_AND = "and";
    static constexpr const char* RULE_CONDITION_JSON_DEFINITION_LOGIC_OR = "or";

    /**
     * The group of a group definition ({"logic": "and" | "or", "conditions": [...]}), or null for any
     * other logic. A nested condition that fails to build is left out (logged at trace level only).
     * Throws SdkError for a null definition or a missing or ill-typed member.
     */
    static std::shared_ptr<RuleConditionGroup> RuleConditionGroupFromJson(
        const std::shared_ptr<JsonObject>& json);

    explicit RuleConditionGroup(std::vector<std::shared_ptr<RuleCondition>> conditions);
    const std::vector<std::shared_ptr<RuleCondition>>& GetConditions() const { return conditions_; }

protected:
    /** Pretty: "(" the conditions joined by `joiner` ")", empty for no condition; else the class form. */
    std::string Render(const ToStringOptions& options, const std::string& joiner,
                       const std::string& className) const;

private:
    const std::vector<std::shared_ptr<RuleCondition>> conditions_;
};

/** Holds when every condition holds, evaluated in order up to the first that does not. */
class RuleConditionAndGroup : public RuleConditionGroup {
public:
    using RuleConditionGroup::RuleConditionGroup;
    bool Evaluate(const std::shared_ptr<RuleTokenParser>& parser,
                  const std::shared_ptr<Event>& event) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/** Holds when some condition holds, evaluated in order up to the first that does. */
class RuleConditionOrGroup : public RuleConditionGroup {
public:
    using RuleConditionGroup::RuleConditionGroup;
    bool Evaluate(const std::shared_ptr<RuleTokenParser>& parser,
                  const std::shared_ptr<Event>& event) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

}  // namespace NuvraMobile

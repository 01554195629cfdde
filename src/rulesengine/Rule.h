#pragma once

#include <memory>
#include <vector>

#include "core/values/Object.h"
#include "rulesengine/ConditionProgram.h"

namespace NuvraMobile {

class Event;
class RuleCondition;
class RuleTokenParser;

/**
 * One rule: a condition tree and the consequence events to dispatch when it holds for an event.
 * Immutable after construction, so it may be read from any thread.
 */
class Rule : public Object {
public:
    /** The consequence list is copied; the condition may be null. */
    Rule(std::shared_ptr<RuleCondition> condition, std::vector<std::shared_ptr<Event>> consequenceEvents);

    /** False for a rule without condition; otherwise the condition's answer for the event. */
    virtual bool EvaluateCondition(const std::shared_ptr<RuleTokenParser>& parser,
                                   const std::shared_ptr<Event>& event) const;
    virtual const std::vector<std::shared_ptr<Event>>& GetConsequenceEvents() const;

    const std::shared_ptr<RuleCondition>& GetCondition() const;

    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    const std::vector<std::shared_ptr<Event>> consequenceEvents_;
    const std::shared_ptr<RuleCondition> condition_;
    const ConditionProgram program_;  // the condition's tree in one block, for the rules pass
};

}  // namespace NuvraMobile

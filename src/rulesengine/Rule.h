#pragma once

#include <memory>
#include <vector>

#include "core/Object.h"

namespace NuvraMobile {

class Event;
class RuleCondition;

/**
 * One rule: a condition tree and the consequence events to dispatch when it holds for an event.
 * Immutable after construction, so it may be read from any thread.
 */
class Rule : public Object {
public:
    /** The consequence list is copied; the condition may be null. */
    Rule(std::shared_ptr<RuleCondition> condition, std::vector<std::shared_ptr<Event>> consequenceEvents);

    virtual const std::vector<std::shared_ptr<Event>>& GetConsequenceEvents() const;

    const std::shared_ptr<RuleCondition>& GetCondition() const;

private:
    const std::vector<std::shared_ptr<Event>> consequenceEvents_;
    const std::shared_ptr<RuleCondition> condition_;
};

}  // namespace NuvraMobile

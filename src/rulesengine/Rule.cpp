#include "rulesengine/Rule.h"

#include <utility>

namespace NuvraMobile {

Rule::Rule(std::shared_ptr<RuleCondition> condition, std::vector<std::shared_ptr<Event>> consequenceEvents)
    : consequenceEvents_(std::move(consequenceEvents)), condition_(std::move(condition)) {}

const std::vector<std::shared_ptr<Event>>& Rule::GetConsequenceEvents() const { return consequenceEvents_; }

const std::shared_ptr<RuleCondition>& Rule::GetCondition() const { return condition_; }

}  // namespace NuvraMobile

#include "rulesengine/Rule.h"

#include <utility>

#include "core/values/Event.h"
#include "rulesengine/RuleCondition.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

Rule::Rule(std::shared_ptr<RuleCondition> condition, std::vector<std::shared_ptr<Event>> consequenceEvents)
    : consequenceEvents_(std::move(consequenceEvents)),
      condition_(std::move(condition)),
      program_(condition_.get()) {}

bool Rule::EvaluateCondition(const std::shared_ptr<RuleTokenParser>& parser,
                             const std::shared_ptr<Event>& event) const {
    return program_.Evaluate(parser, event);
}

const std::vector<std::shared_ptr<Event>>& Rule::GetConsequenceEvents() const { return consequenceEvents_; }

const std::shared_ptr<RuleCondition>& Rule::GetCondition() const { return condition_; }

std::string Rule::ToStringImpl(const ToStringOptions& options) const {
    return StringUtils::FormatString("{ class: \"Rule\", condition: %s, consequences events: %s, super: %q }",
                                     condition_, consequenceEvents_, Object::ToStringImpl(options));
}

}  // namespace NuvraMobile

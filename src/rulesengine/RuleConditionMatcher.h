#pragma once

#include <memory>

#include "rulesengine/RuleCondition.h"

namespace NuvraMobile {

class Matcher;

/** The leaf condition: resolves its matcher's key for the event and asks the matcher. Immutable. */
class RuleConditionMatcher : public RuleCondition {
public:
    /** Throws SdkError for a null or empty definition, or one that gives no matcher. */
    static std::shared_ptr<RuleConditionMatcher> RuleConditionMatcherFromJson(
        const std::shared_ptr<JsonObject>& json);

    explicit RuleConditionMatcher(std::shared_ptr<Matcher> matcher);

    bool Evaluate(const std::shared_ptr<RuleTokenParser>& parser,
                  const std::shared_ptr<Event>& event) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;

    const std::shared_ptr<Matcher>& GetMatcher() const { return matcher_; }
    /** Whether the matcher holds for the event's value under its key; false when any part is null. */
    static bool Holds(const Matcher* matcher, RuleTokenParser* parser, const std::shared_ptr<Event>& event);

private:
    const std::shared_ptr<Matcher> matcher_;
};

}  // namespace NuvraMobile

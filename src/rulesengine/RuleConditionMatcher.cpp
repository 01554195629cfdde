#include "rulesengine/RuleConditionMatcher.h"

#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/JsonObject.h"
#include "rulesengine/Matcher.h"
#include "rulesengine/RuleKey.h"
#include "rulesengine/RuleTokenParser.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

std::shared_ptr<RuleConditionMatcher> RuleConditionMatcher::RuleConditionMatcherFromJson(
    const std::shared_ptr<JsonObject>& json) {
    if (!json || json->Length() == 0) {
        Throw("json.jsonobject_is_null", "Json Object cannot be nullptr.");
    }
    std::shared_ptr<Matcher> matcher = Matcher::MatcherWithJsonObject(json);
    if (!matcher) {
        Throw("json.key_not_found", "Failed to parse RuleConditionMatcher from Json Object.");
    }
    return std::make_shared<RuleConditionMatcher>(std::move(matcher));
}

RuleConditionMatcher::RuleConditionMatcher(std::shared_ptr<Matcher> matcher) : matcher_(std::move(matcher)) {}

bool RuleConditionMatcher::Evaluate(const std::shared_ptr<RuleTokenParser>& parser,
                                    const std::shared_ptr<Event>& event) const {
    return Holds(matcher_.get(), parser.get(), event);
}

bool RuleConditionMatcher::Holds(const Matcher* matcher, RuleTokenParser* parser,
                                 const std::shared_ptr<Event>& event) {
    if (!parser || !event || !matcher) {
        return false;
    }
    std::shared_ptr<Variant> holder;
    return matcher->MatchesInPass(parser->ResolveKey(matcher->GetRuleKey(), event, holder), *parser);
}

std::string RuleConditionMatcher::ToStringImpl(const ToStringOptions& options) const {
    if (options.pretty) {
        return matcher_ ? matcher_->ToString(options) : "";
    }
    return StringUtils::FormatString("{ class: \"RuleConditionMatcher\", matcher: %s }", matcher_);
}

}  // namespace NuvraMobile

#include "rulesengine/MatcherKinds.h"


#include "core/values/Variant.h"
#include "rulesengine/RuleTokenParser.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

enum class Comparison { MATCH, NO_MATCH, END_WITH_MATCH, END_WITHOUT_MATCH };

bool IsNull(const std::shared_ptr<Variant>& value) {
    return !value || value->GetKind() == VariantKind::VARIANT_NULL;
}

bool IsString(const Variant& value) { return value.GetKind() == VariantKind::VARIANT_STRING; }
bool IsBoolean(const Variant& value) { return value.GetKind() == VariantKind::VARIANT_BOOLEAN; }
bool IsNumeric(const Variant& value) { return Variant::IsNumericKind(value.GetKind()); }
bool IsIntegral(const Variant& value) {
    return value.GetKind() == VariantKind::VARIANT_INTEGER || value.GetKind() == VariantKind::VARIANT_LONG;
}

bool EqualsIgnoringCase(const std::string& left, const std::string& right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (size_t index = 0; index < left.size(); ++index) {
        const char a =
            left[index] >= 'A' && left[index] <= 'Z' ? static_cast<char>(left[index] + 32) : left[index];
        const char b =
            right[index] >= 'A' && right[index] <= 'Z' ? static_cast<char>(right[index] + 32) : right[index];
        if (a != b) {
            return false;
        }
    }
    return true;
}

Comparison Decided(bool matches) {
    return matches ? Comparison::END_WITH_MATCH : Comparison::END_WITHOUT_MATCH;
}

/** An integral value standing for a boolean: 1 for true, 0 for false, anything else for neither. */
bool IntegralMeansBoolean(const Variant& integral, const Variant& boolean) {
    int64_t number = 0;
    bool flag = false;
    if (!integral.GetLong(number) || !boolean.GetBoolean(flag)) {
        return false;
    }
    return (number == 1 && flag) || (number == 0 && !flag);
}

Comparison CompareWithBoolean(const Variant& rule, const Variant& event) {
    if (IsString(rule) || IsString(event) || (IsBoolean(rule) && IsBoolean(event))) {
        bool ruleFlag = false;
        bool eventFlag = false;
        return Decided(rule.GetBoolean(ruleFlag) && event.GetBoolean(eventFlag) && ruleFlag == eventFlag);
    }
    if (IsIntegral(rule)) {
        return Decided(IntegralMeansBoolean(rule, event));
    }
    if (IsIntegral(event)) {
        return Decided(IntegralMeansBoolean(event, rule));
    }
    return Comparison::NO_MATCH;
}

Comparison CompareForEquality(const Variant& rule, const Variant& event) {
    const std::string* ruleText = rule.PeekString();
    const std::string* eventText = event.PeekString();
    std::string convertedText;
    double ruleNumber = 0;
    double eventNumber = 0;
    if (ruleText && eventText) {
        return EqualsIgnoringCase(*ruleText, *eventText) ? Comparison::MATCH : Comparison::NO_MATCH;
    }
    if (ruleText && IsNumeric(event)) {
        return event.ConvertToString(convertedText) && EqualsIgnoringCase(*ruleText, convertedText)
                   ? Comparison::MATCH
                   : Comparison::NO_MATCH;
    }
    if (IsNumeric(rule) && IsNumeric(event)) {
        return rule.GetDouble(ruleNumber) && event.GetDouble(eventNumber) && ruleNumber == eventNumber
                   ? Comparison::MATCH
                   : Comparison::NO_MATCH;
    }
    if (IsNumeric(rule) && eventText) {
        return rule.GetDouble(ruleNumber) && event.ConvertToDouble(eventNumber) && ruleNumber == eventNumber
                   ? Comparison::MATCH
                   : Comparison::NO_MATCH;
    }
    if (IsBoolean(rule) || IsBoolean(event)) {
        return CompareWithBoolean(rule, event);
    }
    return Comparison::NO_MATCH;
}

bool AnyOrdered(const std::vector<std::shared_ptr<Variant>>& ruleValues,
                const std::shared_ptr<Variant>& value, bool (*test)(double, double)) {
    if (IsNull(value)) {
        return false;
    }
    for (const std::shared_ptr<Variant>& rule : ruleValues) {
        if (rule && Matcher::CompareAsDoubles(*value, *rule, test)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool MatcherEquals::Matches(const std::shared_ptr<Variant>& value) const {
    if (IsNull(value)) {
        return false;
    }
    for (const std::shared_ptr<Variant>& rule : GetValues()) {
        if (!rule) {
            continue;
        }
        switch (CompareForEquality(*rule, *value)) {
            case Comparison::MATCH:
            case Comparison::END_WITH_MATCH:
                return true;
            case Comparison::END_WITHOUT_MATCH:
                return false;
            case Comparison::NO_MATCH:
                break;
        }
    }
    return false;
}

std::string MatcherEquals::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " EQUALS ", "MatcherEquals");
}

bool MatcherNotEquals::Matches(const std::shared_ptr<Variant>& value) const {
    return !IsNull(value) && !MatcherEquals::Matches(value);
}

std::string MatcherNotEquals::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " NOT EQUALS ", "MatcherNotEquals");
}

bool MatcherGreaterThan::Matches(const std::shared_ptr<Variant>& value) const {
    return AnyOrdered(GetValues(), value, [](double event, double rule) { return event > rule; });
}

std::string MatcherGreaterThan::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " GREATER THAN ", "MatcherGreaterThan");
}

bool MatcherGreaterThanOrEqual::Matches(const std::shared_ptr<Variant>& value) const {
    return AnyOrdered(GetValues(), value, [](double event, double rule) { return event >= rule; });
}

std::string MatcherGreaterThanOrEqual::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " GREATER THAN OR EQUALS ", "MatcherGreaterThanOrEqual");
}

bool MatcherLessThan::Matches(const std::shared_ptr<Variant>& value) const {
    return AnyOrdered(GetValues(), value, [](double event, double rule) { return event < rule; });
}

std::string MatcherLessThan::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " LESS THAN ", "MatcherLessThan");
}

bool MatcherLessThanOrEqual::Matches(const std::shared_ptr<Variant>& value) const {
    return AnyOrdered(GetValues(), value, [](double event, double rule) { return event <= rule; });
}

std::string MatcherLessThanOrEqual::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " LESS THAN OR EQUALS ", "MatcherLessThanOrEqual");
}

bool PatternMatcher::Matches(const std::shared_ptr<Variant>& value) const {
    return !IsNull(value) && HasValidPatterns() && Finds(*value, nullptr);
}

bool PatternMatcher::MatchesInPass(const std::shared_ptr<Variant>& value, RuleTokenParser& parser) const {
    return !IsNull(value) && HasValidPatterns() && Finds(*value, parser.LoweredSubject(GetRuleKey(), *value));
}

void PatternMatcher::OnValuesChanged() {
    patterns_ = MatcherPatterns(GetValues(), anchor_);
    if (!patterns_.IsValid()) {
        Log::Warning(LOG_TAG,
                     "Pattern \"%s\" of the matcher for key \"%s\" is not a valid regular expression (%s); "
                     "the matcher never matches",
                     patterns_.GetInvalidPattern(), GetKey(), patterns_.GetCompileError());
    }
}

bool PatternMatcher::Finds(const Variant& value, const std::string* lowerSubject) const {
    if (lowerSubject) {
        return patterns_.SearchAny(*lowerSubject);
    }
    std::string subject;
    return MatcherPatterns::LowerSubject(value, subject) && patterns_.SearchAny(subject);
}

std::string MatcherContains::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " CONTAINS ", "MatcherContains");
}

bool MatcherNotContains::Matches(const std::shared_ptr<Variant>& value) const {
    return !IsNull(value) && HasValidPatterns() && !Finds(*value, nullptr);
}

bool MatcherNotContains::MatchesInPass(const std::shared_ptr<Variant>& value, RuleTokenParser& parser) const {
    return !IsNull(value) && HasValidPatterns() &&
           !Finds(*value, parser.LoweredSubject(GetRuleKey(), *value));
}

std::string MatcherNotContains::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " NOT CONTAINS ", "MatcherNotContains");
}

std::string MatcherStartsWith::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " STARTS WITH ", "MatcherStartsWith");
}

std::string MatcherEndsWith::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " ENDS WITH ", "MatcherEndsWith");
}

bool MatcherExists::Matches(const std::shared_ptr<Variant>& value) const { return !IsNull(value); }

std::string MatcherExists::ToStringImpl(const ToStringOptions& options) const {
    return options.pretty ? "(" + GetKey() + " EXISTS)" : ToStringImplHelper(options, "", "MatcherExists");
}

bool MatcherNotExists::Matches(const std::shared_ptr<Variant>& value) const { return IsNull(value); }

std::string MatcherNotExists::ToStringImpl(const ToStringOptions& options) const {
    return options.pretty ? "(" + GetKey() + " NOT EXISTS)"
                          : ToStringImplHelper(options, "", "MatcherNotExists");
}

}  // namespace NuvraMobile

#include "rulesengine/RuleConditionGroup.h"

#include "core/values/SdkError.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonObject.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

std::shared_ptr<RuleConditionGroup> RuleConditionGroup::RuleConditionGroupFromJson(
    const std::shared_ptr<JsonObject>& json) {
    if (!json) {
        Throw("json.jsonobject_is_null", "Json Object cannot be nullptr.");
    }
    const std::string logic = json->GetString(RULE_CONDITION_JSON_DEFINITION_LOGIC);
    const std::shared_ptr<JsonArray> elements = json->GetJsonArray(RULE_CONDITIONS_JSON_KEY);
    std::vector<std::shared_ptr<RuleCondition>> conditions;
    const uint64_t length = elements ? elements->Length() : 0;
    for (uint32_t index = 0; index < length; ++index) {
        TrySwallow([&] { conditions.push_back(RuleConditionFromJson(elements->GetJsonObject(index))); });
    }
    if (logic == RULE_CONDITION_JSON_DEFINITION_LOGIC_AND) {
        return std::make_shared<RuleConditionAndGroup>(std::move(conditions));
    }
    if (logic == RULE_CONDITION_JSON_DEFINITION_LOGIC_OR) {
        return std::make_shared<RuleConditionOrGroup>(std::move(conditions));
    }
    return nullptr;
}

RuleConditionGroup::RuleConditionGroup(std::vector<std::shared_ptr<RuleCondition>> conditions)
    : conditions_(std::move(conditions)) {}

std::string RuleConditionGroup::Render(const ToStringOptions& options, const std::string& joiner,
                                       const std::string& className) const {
    if (!options.pretty) {
        return StringUtils::FormatString("{ class: \"%q\", conditions: %s }", className, conditions_);
    }
    if (conditions_.empty()) {
        return "";
    }
    std::string text = "(";
    for (size_t index = 0; index < conditions_.size(); ++index) {
        text += (index == 0 ? "" : joiner) + conditions_[index]->ToString(options);
    }
    return text + ")";
}

bool RuleConditionAndGroup::Evaluate(const std::shared_ptr<RuleTokenParser>& parser,
                                     const std::shared_ptr<Event>& event) const {
    if (GetConditions().empty()) {
        return false;
    }
    for (const std::shared_ptr<RuleCondition>& condition : GetConditions()) {
        if (!condition->Evaluate(parser, event)) {
            return false;
        }
    }
    return true;
}

std::string RuleConditionAndGroup::ToStringImpl(const ToStringOptions& options) const {
    return Render(options, " AND ", "RuleConditionAndGroup");
}

bool RuleConditionOrGroup::Evaluate(const std::shared_ptr<RuleTokenParser>& parser,
                                    const std::shared_ptr<Event>& event) const {
    for (const std::shared_ptr<RuleCondition>& condition : GetConditions()) {
        if (condition->Evaluate(parser, event)) {
            return true;
        }
    }
    return false;
}

std::string RuleConditionOrGroup::ToStringImpl(const ToStringOptions& options) const {
    return Render(options, " OR ", "RuleConditionOrGroup");
}

}  // namespace NuvraMobile

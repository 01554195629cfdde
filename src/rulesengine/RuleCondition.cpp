#include "rulesengine/RuleCondition.h"

#include <utility>
#include <vector>

#include "core/values/SdkError.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonObject.h"
#include "rulesengine/RuleConditionGroup.h"
#include "rulesengine/RuleConditionMatcher.h"

namespace NuvraMobile {

namespace {

constexpr const char* JSON_OBJECT_IS_NULL = "json.jsonobject_is_null";
constexpr const char* JSON_KEY_NOT_FOUND = "json.key_not_found";

}  // namespace

std::shared_ptr<RuleCondition> RuleCondition::RuleConditionFromJson(const std::shared_ptr<JsonObject>& json) {
    if (!json) {
        Throw(JSON_OBJECT_IS_NULL, "Json Object cannot be nullptr.");
    }
    CheckGroupNesting(json, 0);
    const std::string type = json->GetString(RULE_CONDITION_TYPE_KEY_JSON);
    std::shared_ptr<RuleCondition> condition;
    if (type == RULE_CONDITION_TYPE_GROUP_JSON) {
        condition = RuleConditionGroup::RuleConditionGroupFromJson(
            json->GetJsonObject(RULE_CONDITION_DEFINITION_KEY_JSON));
    } else if (type == RULE_CONDITION_TYPE_MATCHER_JSON) {
        condition = RuleConditionMatcher::RuleConditionMatcherFromJson(
            json->GetJsonObject(RULE_CONDITION_DEFINITION_KEY_JSON));
    }
    if (!condition) {
        Throw(JSON_KEY_NOT_FOUND, "Json Object did not contaion a valid Rule Condition type.");
    }
    return condition;
}

void RuleCondition::CheckGroupNesting(const std::shared_ptr<JsonObject>& json, int depth) {
    // An explicit stack: the tree comes from a downloaded file and must not drive the recursion depth.
    std::vector<std::pair<std::shared_ptr<JsonObject>, int>> pending{{json, depth}};
    while (!pending.empty()) {
        auto [condition, level] = std::move(pending.back());
        pending.pop_back();
        if (!condition ||
            condition->OptString(RULE_CONDITION_TYPE_KEY_JSON, "") != RULE_CONDITION_TYPE_GROUP_JSON) {
            continue;
        }
        if (++level > MAX_GROUP_NESTING) {
            Throw("general.invalid_argument", "Rule condition groups are nested deeper than 64 levels.");
        }
        const std::shared_ptr<JsonObject> definition =
            condition->OptJsonObject(RULE_CONDITION_DEFINITION_KEY_JSON);
        const std::shared_ptr<JsonArray> children =
            definition ? definition->OptJsonArray(RuleConditionGroup::RULE_CONDITIONS_JSON_KEY) : nullptr;
        const uint64_t length = children ? children->Length() : 0;
        for (uint32_t index = 0; index < length; ++index) {
            pending.emplace_back(children->OptJsonObject(index), level);
        }
    }
}

}  // namespace NuvraMobile

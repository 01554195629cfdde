#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/module/InternalModule.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "rulesengine/Rule.h"
#include "rulesengine/RuleConditionGroup.h"
#include "rulesengine/RuleConditionMatcher.h"
#include "rulesengine/RulesTestSupport.h"

namespace NuvraMobile {

/** A module that only owns rules in the engine. */
class RuleOwnerModule : public InternalModule {
public:
    explicit RuleOwnerModule(const std::string& name = "rule.owner") : InternalModule(name) {}
    std::string GetSharedStateName() const override { return GetModuleName(); }
};

/** A consequence event as the rules file gives it: "Rules Event" holding the record. */
inline std::shared_ptr<Event> ConsequenceEvent(const std::string& id, const std::shared_ptr<Variant>& type,
                                               const EventData::VariantMap& detail) {
    auto data = std::make_shared<EventData>();
    data->PutVariantMap(
        "triggeredconsequence",
        {{"id", Variant::FromString(id)}, {"type", type}, {"detail", Variant::FromVariantMap(detail)}});
    return EventBuilder("Rules Event", EventType::RULES_ENGINE, EventSource::RESPONSE_CONTENT)
        .SetData(data)
        .Build();
}

inline std::shared_ptr<Event> ConsequenceEvent(const std::string& id, const std::string& type,
                                               const EventData::VariantMap& detail) {
    return ConsequenceEvent(id, Variant::FromString(type), detail);
}

/** A condition built from its rules-file text. */
inline std::shared_ptr<RuleCondition> Condition(const std::string& json) {
    return RuleCondition::RuleConditionFromJson(ParseJson(json));
}

/** A matcher condition: `key` `kind` the JSON `values`. */
inline std::shared_ptr<RuleCondition> Matches(const std::string& key, const std::string& kind,
                                              const std::string& values) {
    return Condition(R"({"type": "matcher", "definition": {"key": ")" + key + R"(", "matcher": ")" + kind +
                     R"(", "values": )" + values + "}}");
}

}  // namespace NuvraMobile

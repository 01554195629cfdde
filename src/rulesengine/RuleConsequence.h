#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"

namespace NuvraMobile {

class EventData;
class JsonArray;
class JsonObject;
class Variant;

/**
 * One consequence of a rule as the rules file gives it (id, type, detail), and the data of the
 * consequence event built from it. Immutable once parsed; any thread may read it.
 */
class RuleConsequence : public Object {
public:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    static constexpr const char* LOG_TAG = "RuleConsequence";

    /**
     * The consequence of one element of a rule's "consequences", or null after a warning when "id" or
     * "type" is not a non-empty string or "detail" gives no member.
     */
    static std::shared_ptr<RuleConsequence> ConsequenceFromJson(const std::shared_ptr<JsonObject>& json);
    /**
     * The members as variants: numbers as doubles, booleans, strings, arrays as lists and objects as
     * maps; null members are left out. Reading stops at the first member that fails, with a warning.
     */
    static VariantMap ParseJsonObjectIntoMap(const std::shared_ptr<JsonObject>& json);
    /** The elements as variants by the same rules; an element that fails is left out with a warning. */
    static std::vector<std::shared_ptr<Variant>> ParseJsonArrayIntoList(
        const std::shared_ptr<JsonArray>& json);

    /** New data holding only "triggeredconsequence": { "id", "type", "detail" }. */
    virtual std::shared_ptr<EventData> GenerateEventData() const;
    /** The consequence's map with "assetsPath" set to the given path. */
    VariantMap GenerateConsequenceMap(const std::string& assetsPath) const;

    const std::string& GetConsequenceId() const { return id_; }
    VariantMap GetConsequenceDetail() const { return detail_; }

private:
    VariantMap ConsequenceMap() const;

    std::string id_;
    std::string type_;
    VariantMap detail_;
};

}  // namespace NuvraMobile

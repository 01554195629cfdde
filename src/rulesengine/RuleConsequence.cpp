#include "rulesengine/RuleConsequence.h"

#include "core/values/CoreConstants.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonObject.h"
#include "rulesengine/JsonScalar.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace RulesEngineKeys = CoreConstants::EventDataKeys::RulesEngine;

namespace {

/** Scalars as rules hold them, arrays as lists and objects as maps; nulls are left out. */
template <class Document, class Position>
std::shared_ptr<Variant> ReadJsonValue(const Document& document, const Position& position) {
    switch (document.GetType(position)) {
        case JsonType::JSON_ARRAY:
            return Variant::FromVariantVector(
                RuleConsequence::ParseJsonArrayIntoList(document.GetJsonArray(position)));
        case JsonType::JSON_OBJECT:
            return Variant::FromVariantMap(
                RuleConsequence::ParseJsonObjectIntoMap(document.GetJsonObject(position)));
        default:
            return ReadJsonScalar(document, position);
    }
}

std::string RequiredText(const JsonObject& json, const char* key) {
    std::string value;
    TryCatch(
        [&] {
            if (json.GetType(key) == JsonType::JSON_STRING) {
                value = json.GetString(key);
            }
        },
        [](SdkError&) {});
    if (value.empty()) {
        Log::Warning(RuleConsequence::LOG_TAG,
                     "Unable to find field \"%s\" in rules consequence.  This a required field.", key);
    }
    return value;
}

}  // namespace

std::shared_ptr<RuleConsequence> RuleConsequence::ConsequenceFromJson(
    const std::shared_ptr<JsonObject>& json) {
    if (!json) {
        Log::Warning(LOG_TAG, "Consequence data is empty");
        return nullptr;
    }
    auto consequence = std::make_shared<RuleConsequence>();
    consequence->id_ = RequiredText(*json, RulesEngineKeys::CONSEQUENCE_ID);
    if (consequence->id_.empty()) {
        return nullptr;
    }
    consequence->type_ = RequiredText(*json, RulesEngineKeys::CONSEQUENCE_TYPE);
    if (consequence->type_.empty()) {
        return nullptr;
    }
    consequence->detail_ = ParseJsonObjectIntoMap(json->OptJsonObject(RulesEngineKeys::CONSEQUENCE_DETAIL));
    if (consequence->detail_.empty()) {
        Log::Warning(LOG_TAG, "Unable to find field \"%s\" in rules consequence.  This a required field.",
                     RulesEngineKeys::CONSEQUENCE_DETAIL);
        return nullptr;
    }
    return consequence;
}

RuleConsequence::VariantMap RuleConsequence::ParseJsonObjectIntoMap(const std::shared_ptr<JsonObject>& json) {
    VariantMap map;
    if (!json) {
        return map;
    }
    TryCatch(
        [&] {
            std::vector<std::string> keys;
            json->Keys(keys);
            for (const std::string& key : keys) {
                std::shared_ptr<Variant> value = ReadJsonValue(*json, key);
                if (value) {
                    map[key] = std::move(value);
                }
            }
        },
        [](SdkError& error) {
            Log::Warning(LOG_TAG, "Could not read json object for key (%s)", error.GetMessage());
        });
    return map;
}

std::vector<std::shared_ptr<Variant>> RuleConsequence::ParseJsonArrayIntoList(
    const std::shared_ptr<JsonArray>& json) {
    std::vector<std::shared_ptr<Variant>> list;
    const uint64_t length = json ? json->Length() : 0;
    for (uint32_t index = 0; index < length; ++index) {
        TryCatch(
            [&] {
                std::shared_ptr<Variant> value = ReadJsonValue(*json, index);
                if (value) {
                    list.push_back(std::move(value));
                }
            },
            [index](SdkError& error) {
                Log::Warning(LOG_TAG, "Could not read json array for index %d (%s)", index,
                             error.GetMessage());
            });
    }
    return list;
}

std::shared_ptr<EventData> RuleConsequence::GenerateEventData() const {
    auto data = std::make_shared<EventData>();
    data->PutVariantMap(RulesEngineKeys::CONSEQUENCE_TRIGGERED, ConsequenceMap());
    return data;
}

RuleConsequence::VariantMap RuleConsequence::GenerateConsequenceMap(const std::string& assetsPath) const {
    VariantMap map = ConsequenceMap();
    map[RulesEngineKeys::CONSEQUENCE_ASSETS_PATH] = Variant::FromString(assetsPath);
    return map;
}

RuleConsequence::VariantMap RuleConsequence::ConsequenceMap() const {
    return {{RulesEngineKeys::CONSEQUENCE_ID, Variant::FromString(id_)},
            {RulesEngineKeys::CONSEQUENCE_TYPE, Variant::FromString(type_)},
            {RulesEngineKeys::CONSEQUENCE_DETAIL, Variant::FromVariantMap(detail_)}};
}

}  // namespace NuvraMobile

#include "rulesengine/Matcher.h"

#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonObject.h"
#include "rulesengine/JsonScalar.h"
#include "rulesengine/MatcherKinds.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* UNKNOWN_MATCHER_TYPE = "UNKNOWN";

std::string ReadMatcherType(const JsonObject& definition) {
    std::string type;
    TryCatch([&] { type = definition.GetString(Matcher::MATCHER_JSON_MATCHES); },
             [&](SdkError& error) {
                 Log::Warning(Matcher::LOG_TAG, "Messages - message matcher type is required (%s)",
                              error.GetMessage());
                 type = UNKNOWN_MATCHER_TYPE;
             });
    if (type.empty()) {
        Log::Warning(Matcher::LOG_TAG, "Messages - message matcher type is empty");
    }
    return type;
}

bool IsNumeric(const Variant& value) { return Variant::IsNumericKind(value.GetKind()); }

/** A string's number through parsing, a number's through reading; false for any other kind. */
bool ReadDouble(const Variant& value, double& out) {
    if (value.GetKind() == VariantKind::VARIANT_STRING) {
        return value.ConvertToDouble(out);
    }
    return IsNumeric(value) && value.GetDouble(out);
}

bool IsComparable(const Variant& value) {
    return value.GetKind() == VariantKind::VARIANT_STRING || IsNumeric(value);
}

}  // namespace

std::shared_ptr<Matcher> Matcher::MatcherWithJsonObject(const std::shared_ptr<JsonObject>& definition) {
    if (!definition) {
        return nullptr;
    }
    const std::string type = ReadMatcherType(*definition);
    std::shared_ptr<Matcher> matcher = InitializeMatcherTypeDictionary(type);
    if (!matcher) {
        Log::Warning(LOG_TAG, "Matcher type \"%s\" is invalid", type);
        return nullptr;
    }
    SetMatcherKeyFromJson(definition, matcher);
    if (!matcher->ReadsValues()) {
        return matcher;
    }
    bool valuesRead = false;
    TryCatch(
        [&] {
            SetMatcherValuesFromJson(definition, matcher);
            valuesRead = true;
        },
        [](SdkError& error) {
            Log::Warning(LOG_TAG, "Messages - error creating matcher, values is required (%s)",
                         error.GetMessage());
        });
    if (!valuesRead) {
        return nullptr;
    }
    if (matcher->GetValues().empty()) {
        Log::Warning(LOG_TAG, "Messages - error creating matcher, values is empty");
    }
    return matcher;
}

std::shared_ptr<Matcher> Matcher::InitializeMatcherTypeDictionary(const std::string& type) {
    using Factory = std::shared_ptr<Matcher> (*)();
    static const std::pair<const char*, Factory> kinds[] = {
        {MATCHER_STRING_EQUALS, [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherEquals>()); }},
        {MATCHER_STRING_NOT_EQUALS,
         [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherNotEquals>()); }},
        {MATCHER_STRING_GREATER_THAN,
         [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherGreaterThan>()); }},
        {MATCHER_STRING_GREATER_THAN_OR_EQUALS,
         [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherGreaterThanOrEqual>()); }},
        {MATCHER_STRING_LESS_THAN,
         [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherLessThan>()); }},
        {MATCHER_STRING_LESS_THAN_OR_EQUALS,
         [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherLessThanOrEqual>()); }},
        {MATCHER_STRING_CONTAINS,
         [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherContains>()); }},
        {MATCHER_STRING_NOT_CONTAINS,
         [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherNotContains>()); }},
        {MATCHER_STRING_STARTS_WITH,
         [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherStartsWith>()); }},
        {MATCHER_STRING_ENDS_WITH,
         [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherEndsWith>()); }},
        {MATCHER_STRING_EXISTS, [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherExists>()); }},
        {MATCHER_STRING_NOT_EXISTS,
         [] { return std::shared_ptr<Matcher>(std::make_shared<MatcherNotExists>()); }},
    };
    for (const auto& kind : kinds) {
        if (type == kind.first) {
            return kind.second();
        }
    }
    return nullptr;
}

void Matcher::SetMatcherKeyFromJson(const std::shared_ptr<JsonObject>& definition,
                                    const std::shared_ptr<Matcher>& matcher) {
    if (!matcher || !definition) {
        return;
    }
    TryCatch(
        [&] {
            const std::string key = definition->GetString(MATCHER_JSON_KEY);
            if (key.empty()) {
                Log::Warning(LOG_TAG, "Messages - error creating matcher, key is empty");
            }
            matcher->SetKey(key);
        },
        [](SdkError& error) {
            Log::Warning(LOG_TAG, "Messages - error creating matcher, key is required (%s)",
                         error.GetMessage());
        });
}

void Matcher::SetMatcherValuesFromJson(const std::shared_ptr<JsonObject>& definition,
                                       const std::shared_ptr<Matcher>& matcher) {
    if (!matcher || !definition) {
        return;
    }
    const std::shared_ptr<JsonArray> array = definition->GetJsonArray(MATCHER_JSON_VALUES);
    std::vector<std::shared_ptr<Variant>> values;
    const uint64_t length = array ? array->Length() : 0;
    values.reserve(length);
    for (uint32_t index = 0; index < length; ++index) {
        values.push_back(ReadJsonScalar(*array, index));
    }
    matcher->SetValues(std::move(values));
}

bool Matcher::CompareAsDoubles(const Variant& eventValue, const Variant& ruleValue,
                               bool (*test)(double, double)) {
    if (!IsComparable(eventValue) || !IsComparable(ruleValue)) {
        return false;
    }
    double event = 0;
    double rule = 0;
    return ReadDouble(eventValue, event) && ReadDouble(ruleValue, rule) && test(event, rule);
}

bool Matcher::Matches(const std::shared_ptr<Variant>&) const { return false; }

std::string Matcher::ToStringImpl(const ToStringOptions& options) const {
    return ToStringImplHelper(options, " ", "Matcher");
}

void Matcher::SetValues(std::vector<std::shared_ptr<Variant>> values) {
    values_ = std::move(values);
    OnValuesChanged();
}

std::string Matcher::ToStringImplHelper(const ToStringOptions& options, const std::string& operatorText,
                                        const std::string& className) const {
    if (!options.pretty) {
        const std::string base =
            StringUtils::FormatString("key: %q, values: %s ", StringUtils::Quotify(GetKey()), values_);
        return StringUtils::FormatString("{ class: \"%q\", %q }", className, base);
    }
    std::string text = "(";
    for (size_t index = 0; index < values_.size(); ++index) {
        std::string value;
        if (values_[index]) {
            values_[index]->GetString(value);
        }
        text += (index == 0 ? "" : " OR ") + GetKey() + operatorText + value;
    }
    return text + ")";
}

}  // namespace NuvraMobile

#include "configuration/ConfigurationData.h"

#include <sstream>
#include <vector>

#include "configuration/Configuration.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonArraySerializer.h"
#include "platformShim/JsonConstants.h"
#include "platformShim/JsonObject.h"
#include "platformShim/JsonObjectSerializer.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = Configuration::LOG_PREFIX;

/** The reader's own words from the message of a refused text, without the text repeated in it. */
std::string ReaderDescription(const std::string& message, const std::string& text) {
    const std::string lead =
        std::string(JsonConstants::PARSE_ERROR_PREFIX) + text + JsonConstants::PARSE_ERROR_SEPARATOR;
    return StringUtils::StartsWith(message, lead) ? message.substr(lead.size()) : message;
}

}  // namespace

ConfigurationData::ConfigurationData(const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService)
    : jsonUtilityService_(jsonUtilityService) {}

ConfigurationData& ConfigurationData::Put(const std::string& jsonString) {
    ParseAndPut(jsonString);
    return *this;
}

std::string ConfigurationData::ParseAndPut(const std::string& jsonString) {
    if (jsonString.empty()) {
        return "";
    }
    if (!jsonUtilityService_) {
        Log::Debug(LOG_TAG, "JSON utility service not available");
        return "";
    }
    std::string refusal;
    TryCatch([&] { Put(jsonUtilityService_->CreateJsonObject(jsonString)); },
             [&](SdkError& error) {
                 Log::Debug(LOG_TAG, "Unable to create JSON object from:\n%s\nError - %s %s", jsonString,
                            error.GetCode(), error.GetMessage());
                 refusal = ReaderDescription(error.GetMessage(), jsonString);
             });
    return refusal;
}

ConfigurationData& ConfigurationData::Put(const std::shared_ptr<JsonObject>& jsonObject) {
    if (!jsonObject) {
        return *this;
    }
    std::vector<std::string> keys;
    jsonObject->Keys(keys);
    for (const auto& key : keys) {
        PutJsonMember(*jsonObject, key);
    }
    return *this;
}

void ConfigurationData::PutJsonMember(const JsonObject& jsonObject, const std::string& key) {
    const JsonType type = jsonObject.GetType(key);
    switch (type) {
        case JsonType::JSON_NUMBER:
        case JsonType::JSON_BOOLEAN:
        case JsonType::JSON_STRING:
        case JsonType::JSON_ARRAY:
        case JsonType::JSON_OBJECT:
            break;
        default:
            Log::Error(LOG_TAG, "Unsupported JsonType");
            return;
    }
    TrySwallow([&] {
        std::shared_ptr<Variant> value;
        switch (type) {
            case JsonType::JSON_NUMBER:
                value = Variant::FromDouble(jsonObject.GetDouble(key));
                break;
            case JsonType::JSON_BOOLEAN:
                value = Variant::FromBoolean(jsonObject.GetBoolean(key));
                break;
            case JsonType::JSON_STRING:
                value = Variant::FromString(jsonObject.GetString(key));
                break;
            case JsonType::JSON_ARRAY: {
                const auto array = jsonObject.GetJsonArray(key);
                value =
                    array ? JsonArraySerializer(jsonUtilityService_).Serialize(*array) : Variant::FromNull();
                break;
            }
            default: {
                const auto object = jsonObject.GetJsonObject(key);
                value = object ? JsonObjectSerializer(jsonUtilityService_).Serialize(*object)
                               : Variant::FromNull();
                break;
            }
        }
        data_[key] = value;
    });
}

ConfigurationData& ConfigurationData::Put(const std::shared_ptr<ConfigurationData>& other) {
    if (other && other.get() != this) {
        Put(other->data_);
    }
    return *this;
}

ConfigurationData& ConfigurationData::Put(const VariantMap& map) {
    for (const auto& [key, value] : map) {
        data_[key] = value ? value->Copy() : Variant::FromNull();
    }
    return *this;
}

std::shared_ptr<EventData> ConfigurationData::GetEventData() const {
    return std::make_shared<EventData>(data_);
}

std::string ConfigurationData::GetJsonString() const {
    if (!jsonUtilityService_) {
        Log::Debug(LOG_TAG, "JSON utility service not available");
        return "";
    }
    std::shared_ptr<JsonObject> jsonObject;
    TrySwallow([&] { jsonObject = jsonUtilityService_->CreateJsonObject(data_); });
    if (!jsonObject) {
        Log::Debug(LOG_TAG, "Unable to create JSON object");
        return "";
    }
    std::string text;
    TrySwallow([&] { text = jsonObject->ToString(); });
    return text;
}

bool ConfigurationData::IsEmpty() const { return data_.empty(); }

std::string ConfigurationData::ToStringImpl(const ToStringOptions& options) const {
    if (options.pretty) {
        return StringUtils::ToString(data_, options);
    }
    return StringUtils::FormatString(options, "{ class: \"ConfigurationData\", data: %s, super: %q }", data_,
                                     Object::ToStringImpl(options));
}

}  // namespace NuvraMobile

// The two JSON serializers share the reading of one value, and each makes the other for nested values.
#include <functional>

#include "core/values/VariantKinds.h"
#include "platformShim/JsonArraySerializer.h"
#include "platformShim/JsonConstants.h"
#include "platformShim/JsonObjectSerializer.h"
#include "util/Log.h"

namespace NuvraMobile {
namespace {

void ThrowIfTooDeep(size_t depth) {
    if (depth > JsonConstants::MAX_NESTING_DEPTH) {
        Throw(SdkError(JsonConstants::SERIALIZATION_ERROR, "JSON document nested deeper than 256 levels",
                       CurrentDebugInfo()));
    }
}

// Reads a nested array or object at one position. Failures are logged and leave the value out, so a
// damaged part does not cost the whole document. (A callable held by reference keeps TrySwallow from
// allocating.)
template <typename Document, typename Position>
struct NestedRead {
    const std::shared_ptr<JsonUtilityServiceInterface>& service;
    size_t depth;
    const Document& document;
    const Position& position;
    bool isArray;
    std::shared_ptr<Variant> result;

    void operator()() {
        if (isArray) {
            const std::shared_ptr<JsonArray> array = document.GetJsonArray(position);
            result = array ? JsonArraySerializer(service, depth + 1).Serialize(*array) : Variant::FromNull();
        } else {
            const std::shared_ptr<JsonObject> object = document.GetJsonObject(position);
            result =
                object ? JsonObjectSerializer(service, depth + 1).Serialize(*object) : Variant::FromNull();
        }
    }
};

// The variant of the value at `position` (an index or a key), or an empty pointer when it is left out.
template <typename Document, typename Position>
std::shared_ptr<Variant> ReadValue(const std::shared_ptr<JsonUtilityServiceInterface>& service, size_t depth,
                                   const Document& document, const Position& position, const char* logTag) {
    const JsonType type = document.GetType(position);
    switch (type) {
        case JsonType::JSON_NUMBER:
            return Variant::FromDouble(document.GetDouble(position));
        case JsonType::JSON_BOOLEAN:
            return Variant::FromBoolean(document.GetBoolean(position));
        case JsonType::JSON_STRING:
            return Variant::FromString(document.GetString(position));
        case JsonType::JSON_ARRAY:
        case JsonType::JSON_OBJECT: {
            NestedRead<Document, Position> read{
                service, depth, document, position, type == JsonType::JSON_ARRAY, nullptr};
            TrySwallow(std::ref(read));
            return read.result;
        }
        default:
            Log::Warning(logTag, "Unrecognized json type %d", static_cast<int32_t>(type));
            return nullptr;
    }
}

}  // namespace

JsonArraySerializer::JsonArraySerializer(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService)
    : JsonArraySerializer(std::move(jsonUtilityService), 0) {}

JsonArraySerializer::JsonArraySerializer(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService,
                                         size_t depth)
    : jsonUtilityService_(std::move(jsonUtilityService)), depth_(depth) {}

Expected<std::shared_ptr<JsonArray>, SdkError> JsonArraySerializer::Deserialize(const Variant& variant) {
    if (variant.GetKind() == VariantKind::VARIANT_NULL) {
        return std::shared_ptr<JsonArray>();
    }
    // The service copies the elements it is given: read a vector variant's own in place.
    if (variant.GetKind() == VariantKind::VARIANT_VECTOR) {
        return jsonUtilityService_->CreateJsonArray(static_cast<const VectorVariant&>(variant).GetElements());
    }
    return SdkError(Variant::NOT_TYPE_ERROR_CODE, Variant::NOT_TYPE_ERROR_MESSAGE, DebugInfo());
}

std::shared_ptr<Variant> JsonArraySerializer::Serialize(const JsonArray& array) {
    ThrowIfTooDeep(depth_);
    const uint64_t length = array.Length();
    std::vector<std::shared_ptr<Variant>> elements;
    elements.reserve(length);
    for (uint32_t index = 0; index < length; ++index) {
        std::shared_ptr<Variant> element = ReadValue(jsonUtilityService_, depth_, array, index, LOG_TAG);
        if (element) {
            elements.push_back(std::move(element));
        }
    }
    return Variant::FromVariantVector(std::move(elements));
}

JsonObjectSerializer::JsonObjectSerializer(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService)
    : JsonObjectSerializer(std::move(jsonUtilityService), 0) {}

JsonObjectSerializer::JsonObjectSerializer(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService,
                                           size_t depth)
    : jsonUtilityService_(std::move(jsonUtilityService)), depth_(depth) {}

Expected<std::shared_ptr<JsonObject>, SdkError> JsonObjectSerializer::Deserialize(const Variant& variant) {
    if (variant.GetKind() == VariantKind::VARIANT_NULL) {
        return std::shared_ptr<JsonObject>();
    }
    // The service copies the entries it is given: read a map variant's own in place.
    if (variant.GetKind() == VariantKind::VARIANT_MAP) {
        return jsonUtilityService_->CreateJsonObject(static_cast<const VariantMapVariant&>(variant).GetEntries());
    }
    return SdkError(Variant::NOT_TYPE_ERROR_CODE, Variant::NOT_TYPE_ERROR_MESSAGE, DebugInfo());
}

std::shared_ptr<Variant> JsonObjectSerializer::Serialize(const JsonObject& object) {
    ThrowIfTooDeep(depth_);
    std::vector<std::string> keys;
    keys.reserve(object.Length());
    object.Keys(keys);
    std::map<std::string, std::shared_ptr<Variant>> members;
    for (std::string& key : keys) {
        std::shared_ptr<Variant> member = ReadValue(jsonUtilityService_, depth_, object, key, LOG_TAG);
        if (member) {
            // Keys usually come in order, so the hint makes each insertion constant time.
            members.insert_or_assign(members.end(), std::move(key), std::move(member));
        }
    }
    return Variant::FromVariantMap(std::move(members));
}

}  // namespace NuvraMobile

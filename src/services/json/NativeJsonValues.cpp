#include "services/json/NativeJsonValues.h"

#include "core/values/VariantKinds.h"
#include "services/json/NativeJsonArray.h"
#include "services/json/NativeJsonObject.h"

namespace NuvraMobile {
namespace NativeJsonValues {

bool IsOfType(const std::shared_ptr<Variant>& value, JsonType type) {
    return value && NVBJsonType::Get(value->GetKind()) == type;
}

std::shared_ptr<const Members> SharedMembers(const std::shared_ptr<Variant>& value) {
    if (const auto map = std::dynamic_pointer_cast<VariantMapVariant>(value)) {
        return std::shared_ptr<const Members>(map, &map->GetEntries());
    }
    Members members;
    return value && value->GetVariantMap(members) ? std::make_shared<const Members>(std::move(members))
                                                  : nullptr;
}

std::shared_ptr<const Elements> SharedElements(const std::shared_ptr<Variant>& value) {
    if (const auto vector = std::dynamic_pointer_cast<VectorVariant>(value)) {
        return std::shared_ptr<const Elements>(vector, &vector->GetElements());
    }
    Elements elements;
    return value && value->GetVariantVector(elements) ? std::make_shared<const Elements>(std::move(elements))
                                                      : nullptr;
}

std::shared_ptr<JsonObject> AsJsonObject(const std::shared_ptr<Variant>& value) {
    std::shared_ptr<const Members> members = SharedMembers(value);
    return members ? std::make_shared<NativeJsonObject>(std::move(members)) : nullptr;
}

std::shared_ptr<JsonArray> AsJsonArray(const std::shared_ptr<Variant>& value) {
    std::shared_ptr<const Elements> elements = SharedElements(value);
    return elements ? std::make_shared<NativeJsonArray>(std::move(elements)) : nullptr;
}

std::shared_ptr<Variant> FromJsonObject(const std::shared_ptr<JsonObject>& object) {
    if (!object) {
        return nullptr;
    }
    const auto* native = dynamic_cast<const NativeJsonObject*>(object.get());
    if (native == nullptr) {
        Throw(SdkError(JsonConstants::VALUE_NOT_OBJECT_TYPE, "only native JSON objects can be stored",
                       CurrentDebugInfo()));
    }
    return Variant::FromVariantMap(native->GetMembers());
}

std::shared_ptr<Variant> FromJsonArray(const std::shared_ptr<JsonArray>& array) {
    if (!array) {
        return nullptr;
    }
    const auto* native = dynamic_cast<const NativeJsonArray*>(array.get());
    if (native == nullptr) {
        Throw(SdkError(JsonConstants::VALUE_NOT_ARRAY_TYPE, "only native JSON arrays can be stored",
                       CurrentDebugInfo()));
    }
    return Variant::FromVariantVector(native->GetElements());
}

}  // namespace NativeJsonValues
}  // namespace NuvraMobile

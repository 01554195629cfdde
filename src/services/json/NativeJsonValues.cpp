#include "services/json/NativeJsonValues.h"

#include "services/json/NativeJsonArray.h"
#include "services/json/NativeJsonObject.h"

namespace NuvraMobile {
namespace NativeJsonValues {

bool IsOfType(const std::shared_ptr<Variant>& value, JsonType type) {
    return value && NVBJsonType::Get(value->GetKind()) == type;
}

std::shared_ptr<JsonObject> AsJsonObject(const Variant& value) {
    std::map<std::string, std::shared_ptr<Variant>> members;
    if (!value.GetVariantMap(members)) {
        return nullptr;
    }
    return std::make_shared<NativeJsonObject>(std::move(members));
}

std::shared_ptr<JsonArray> AsJsonArray(const Variant& value) {
    std::vector<std::shared_ptr<Variant>> elements;
    if (!value.GetVariantVector(elements)) {
        return nullptr;
    }
    return std::make_shared<NativeJsonArray>(std::move(elements));
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

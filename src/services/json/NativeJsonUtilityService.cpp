#include "services/json/NativeJsonUtilityService.h"

#include "core/values/EventData.h"
#include "services/json/JsonText.h"
#include "services/json/NativeJsonArray.h"
#include "services/json/NativeJsonObject.h"

namespace NuvraMobile {
namespace {

// The text of one member: nested documents as JSON, null as "", scalars as Variant::ConvertToString.
std::string MemberText(const Variant& value) {
    std::vector<std::shared_ptr<Variant>> elements;
    if (value.GetVariantVector(elements)) {
        return JsonText::WriteArray(elements);
    }
    std::map<std::string, std::shared_ptr<Variant>> members;
    if (value.GetVariantMap(members)) {
        return JsonText::WriteObject(members);
    }
    std::string text;
    value.ConvertToString(text);
    return text;
}

}  // namespace

std::shared_ptr<JsonObject> NativeJsonUtilityService::CreateJsonObject(const std::string& text) {
    return std::make_shared<NativeJsonObject>(text);
}

std::shared_ptr<JsonObject> NativeJsonUtilityService::CreateJsonObject(
    const std::map<std::string, std::shared_ptr<Variant>>& members) {
    return std::make_shared<NativeJsonObject>(members);
}

std::shared_ptr<JsonObject> NativeJsonUtilityService::CreateJsonObject(
    const std::map<std::string, std::string>& members) {
    return std::make_shared<NativeJsonObject>(members);
}

std::shared_ptr<JsonObject> NativeJsonUtilityService::CreateEmptyJsonObject() {
    return std::make_shared<NativeJsonObject>(std::map<std::string, std::shared_ptr<Variant>>());
}

std::shared_ptr<JsonArray> NativeJsonUtilityService::CreateJsonArray(const std::string& text) {
    return std::make_shared<NativeJsonArray>(text);
}

std::shared_ptr<JsonArray> NativeJsonUtilityService::CreateJsonArray(
    const std::vector<std::shared_ptr<Variant>>& elements) {
    return std::make_shared<NativeJsonArray>(elements);
}

std::shared_ptr<JsonArray> NativeJsonUtilityService::CreateEmptyJsonArray() {
    return std::make_shared<NativeJsonArray>(std::vector<std::shared_ptr<Variant>>());
}

std::map<std::string, std::string> NativeJsonUtilityService::MapFromJsonObject(
    const std::shared_ptr<JsonObject>& object) {
    std::map<std::string, std::string> flat;
    const auto* native = dynamic_cast<const NativeJsonObject*>(object.get());
    if (native == nullptr) {
        return flat;
    }
    for (const auto& [key, value] : native->GetMembers()) {
        if (value) {
            flat.emplace_hint(flat.end(), key, MemberText(*value));
        }
    }
    return flat;
}

std::shared_ptr<Variant> NativeJsonUtilityService::JsonTextToVariant(const std::string& text) {
    return Variant::FromVariantMap(JsonText::ParseObject(text, JsonShape::Values));
}

Expected<std::shared_ptr<JsonObject>> NativeJsonUtilityService::EventDataToJsonObject(
    const std::shared_ptr<EventData>& eventData) {
    std::shared_ptr<JsonObject> object =
        std::make_shared<NativeJsonObject>(eventData ? eventData->GetEntries() : EventData::VariantMap());
    return object;
}

std::shared_ptr<JsonUtilityServiceInterface> CreateNativeJsonUtilityService() {
    return std::make_shared<NativeJsonUtilityService>();
}

}  // namespace NuvraMobile

#include "platformShim/JsonUtilityServiceInterface.h"

#include "core/values/EventData.h"
#include "platformShim/JsonObjectSerializer.h"

namespace NuvraMobile {

namespace {
SdkError NotAMap() {
    return SdkError(Variant::NOT_TYPE_ERROR_CODE, Variant::NOT_TYPE_ERROR_MESSAGE, DebugInfo());
}
}  // namespace

Expected<std::shared_ptr<JsonObject>> JsonUtilityServiceInterface::EventDataToJsonObject(
    const std::shared_ptr<EventData>& eventData) {
    JsonObjectSerializer serializer(ObjectToSharedPtr<JsonUtilityServiceInterface>(*this));
    // A copy of the map; the values are immutable, so it shares them.
    return serializer.Deserialize(
        *Variant::FromVariantMap(eventData ? eventData->GetEntries() : EventData::VariantMap()));
}

Expected<std::shared_ptr<EventData>> JsonUtilityServiceInterface::JsonObjectToEventData(
    const std::shared_ptr<JsonObject>& jsonObject) {
    if (!jsonObject) {
        return NotAMap();
    }
    JsonObjectSerializer serializer(ObjectToSharedPtr<JsonUtilityServiceInterface>(*this));
    EventData::VariantMap members;
    if (!serializer.Serialize(*jsonObject)->GetVariantMap(members)) {
        return NotAMap();
    }
    return std::make_shared<EventData>(members);
}

std::shared_ptr<Variant> JsonUtilityServiceInterface::JsonTextToVariant(const std::string& text) {
    return JsonObjectSerializer(ObjectToSharedPtr<JsonUtilityServiceInterface>(*this)).Serialize(*CreateJsonObject(text));
}

std::shared_ptr<EventData> JsonUtilityServiceInterface::JsonTextToEventData(const std::string& text) {
    std::map<std::string, std::shared_ptr<Variant>> members;
    JsonTextToVariant(text)->GetVariantMap(members);
    return std::make_shared<EventData>(members);
}

}  // namespace NuvraMobile

#include "externalModule/ExternalModuleBridge.h"

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {
constexpr const char* LOG_TAG = "ExternalModuleBridge";
}  // namespace

std::shared_ptr<Event> CreateBroadcastEvent(
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService, const std::string& eventName,
    const std::string& eventTypeName, const std::string& eventSourceName, const std::string& eventData) {
    EventBuilder builder(eventName, EventType::Get(eventTypeName), EventSource::Get(eventSourceName));
    if (eventData.empty()) {
        return builder.Build();
    }
    if (!jsonUtilityService) {
        return nullptr;
    }
    std::shared_ptr<Event> event;
    TryCatch(
        [&] {
            // What converting a parsed document gives, read straight from the text.
            event = builder.SetData(jsonUtilityService->JsonTextToEventData(eventData)).Build();
        },
        [](SdkError& error) {
            Log::Debug(LOG_TAG,
                       "Error preparing event. JsonUtility service failed to parse event_data string.\n%s",
                       error.GetMessage());
        });
    return event;
}

std::string GetEventTypeAsString(const std::shared_ptr<Event>& event) {
    return event ? event->GetEventType()->GetName() : std::string();
}

std::string GetEventSourceAsString(const std::shared_ptr<Event>& event) {
    return event ? event->GetEventSource()->GetName() : std::string();
}

std::string GetEventDataAsString(const std::shared_ptr<Event>& event,
                                 const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService) {
    if (!event || !jsonUtilityService) {
        return std::string();
    }
    std::string text;
    TryCatch(
        [&] {
            auto object = jsonUtilityService->EventDataToJsonObject(event->GetData());
            if (object.HasValue() && object.Value()) {
                text = object.Value()->ToString();
            }
        },
        [](SdkError& error) {
            Log::Debug(LOG_TAG, "JsonUtility service failed to parse EventData to json string.\n%s",
                       error.GetMessage());
        });
    return text;
}

std::string GetEventUniqueIdentifierAsString(const std::shared_ptr<Event>& event) {
    return event ? event->GetUniqueIdentifier() : std::string();
}

}  // namespace NuvraMobile

#include "configuration/ConfigurationDispatchers.h"

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"

namespace NuvraMobile {

namespace Keys = ConfigurationConstants::EventDataKeys::Configuration;

void ConfigurationDispatcherConfigurationRequestContent::DispatchInternalConfigureWithAppIdEvent(
    const std::string& appId) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::CONFIGURATION_REQUEST_CONTENT_JSON_APP_ID, appId);
    DispatchInternalRequest("Configure with AppID Internal", data);
}

void ConfigurationDispatcherConfigurationRequestContent::DispatchInternalDownloadedConfigurationEvent(
    const std::string& text, const std::string& appId) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::CONFIGURATION_REQUEST_CONTENT_DOWNLOADED_CONFIG, text);
    data->PutString(Keys::CONFIGURATION_REQUEST_CONTENT_DOWNLOADED_FOR, appId);
    DispatchInternalRequest("Downloaded Configuration Internal", data);
}

void ConfigurationDispatcherConfigurationRequestContent::DispatchInternalRequest(
    const char* name, const std::shared_ptr<EventData>& data) {
    data->PutBoolean(Keys::CONFIGURATION_REQUEST_CONTENT_IS_INTERNAL_EVENT, true);
    Dispatch(
        EventBuilder(name, EventType::CONFIGURATION, EventSource::REQUEST_CONTENT).SetData(data).Build());
}

void ConfigurationDispatcherConfigurationResponseContent::DispatchConfigResponseWithEventData(
    const std::shared_ptr<EventData>& data, const std::string& pairId) {
    Dispatch(
        EventBuilder("Configuration Response Event", EventType::CONFIGURATION, EventSource::RESPONSE_CONTENT)
            .SetPairID(pairId)
            .SetData(data)
            .Build());
}

void ConfigurationDispatcherConfigurationResponseIdentity::DispatchAllIdentities(
    const std::string& allIdentifiers, const std::string& pairId) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::CONFIGURATION_RESPONSE_IDENTITY_ALL_IDENTIFIERS, allIdentifiers);
    Dispatch(EventBuilder("Configuration Response Identity Event", EventType::CONFIGURATION,
                          EventSource::RESPONSE_IDENTITY)
                 .SetPairID(pairId)
                 .SetData(data)
                 .Build());
}

}  // namespace NuvraMobile

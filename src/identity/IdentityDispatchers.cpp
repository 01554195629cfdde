#include "identity/IdentityDispatchers.h"

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "identity/IdentityConstants.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Names = IdentityConstants::EventNames;

void IdentityDispatcherAnalyticsRequestContent::DispatchAnalyticsEventWithEventData(
    const std::shared_ptr<EventData>& data) {
    if (!data) {
        Log::Trace(Identity::LOG_PREFIX, "Cannot dispatch null analytics data");
        return;
    }
    data->PutBoolean(IdentityConstants::EventDataKeys::Analytics::TRACK_INTERNAL, true);
    Dispatch(EventBuilder(Names::ANALYTICS_FOR_IDENTITY_REQUEST, EventType::ANALYTICS, EventSource::REQUEST_CONTENT)
                 .SetData(data)
                 .Build());
}

void IdentityDispatcherConfigurationRequestContent::DispatchConfigUpdateRequest(
    const std::shared_ptr<EventData>& data) {
    Dispatch(EventBuilder(Names::CONFIGURATION_UPDATE_FROM_IDENTITY, EventType::CONFIGURATION,
                          EventSource::REQUEST_CONTENT)
                 .SetData(data)
                 .Build());
}

void IdentityDispatcherIdentityResponseIdentity::DispatchIdentityResponse(const std::string& eventName,
                                                                          const std::shared_ptr<EventData>& data,
                                                                          const std::string& pairId) {
    Dispatch(EventBuilder(eventName, EventType::IDENTITY, EventSource::RESPONSE_IDENTITY)
                 .SetPairID(pairId)
                 .SetData(data)
                 .Build());
}

}  // namespace NuvraMobile

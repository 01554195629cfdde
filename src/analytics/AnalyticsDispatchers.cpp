#include "analytics/AnalyticsDispatchers.h"

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Keys = AnalyticsConstants::EventDataKeys::Analytics;

void AnalyticsDispatcherAnalyticsResponseContent::DispatchAnalyticsHitResponse(
    const std::string& response, const std::map<std::string, std::string>& headers,
    const std::string& requestEventIdentifier, const std::string& hitHost, const std::string& hitUrl) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::ANALYTICS_SERVER_RESPONSE, response);
    data->PutStringMap(Keys::HEADERS_RESPONSE, headers);
    data->PutString(Keys::HIT_HOST, hitHost);
    data->PutString(Keys::HIT_URL, hitUrl);
    if (!requestEventIdentifier.empty()) {
        data->PutString(Keys::REQUEST_EVENT_IDENTIFIER, requestEventIdentifier);
    }
    Dispatch(EventBuilder("AnalyticsResponse", EventType::ANALYTICS, EventSource::RESPONSE_CONTENT)
                 .SetData(data)
                 .Build());
}

void AnalyticsDispatcherAnalyticsResponseContent::DispatchQueueSize(std::int64_t size, const std::string& pairId) {
    auto data = std::make_shared<EventData>();
    data->PutLong(Keys::QUEUE_SIZE, size);
    Dispatch(EventBuilder("QueueSizeValue", EventType::ANALYTICS, EventSource::RESPONSE_CONTENT)
                 .SetData(data)
                 .SetPairID(pairId)
                 .Build());
}

void AnalyticsDispatcherAnalyticsResponseIdentity::DispatchAnalyticsIdentity(const std::string& aid,
                                                                             const std::string& vid,
                                                                             const std::string& pairId) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::ANALYTICS_ID, aid);
    data->PutString(Keys::VISITOR_IDENTIFIER, vid);
    const auto build = [&data] {
        return EventBuilder("TrackingIdentifierValue", EventType::ANALYTICS, EventSource::RESPONSE_IDENTITY)
            .SetData(data->Copy());
    };
    if (!pairId.empty()) {
        Dispatch(build().SetPairID(pairId).Build());
    }
    Dispatch(build().Build());
    Log::Debug(Analytics::LOG_TAG, "New analytics response identity dispatched, with aid = %s, vid = %s", aid, vid);
}

}  // namespace NuvraMobile

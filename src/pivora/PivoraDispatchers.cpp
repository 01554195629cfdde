#include "pivora/PivoraDispatchers.h"

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "pivora/PivoraPrefetchResult.h"

namespace NuvraMobile {

namespace Keys = PivoraConstants::EventDataKeys::Pivora;
namespace AnalyticsKeys = PivoraConstants::EventDataKeys::Analytics;

namespace {

constexpr const char* RESPONSE_CONTENT = "Pivora Response Content";

std::shared_ptr<Event> Build(const char* name, const std::shared_ptr<EventType>& type,
                             const std::shared_ptr<EventSource>& source, const std::shared_ptr<EventData>& data,
                             const std::string& pairId) {
    return EventBuilder(name, type, source).SetData(data).SetPairID(pairId).Build();
}

}  // namespace

void PivoraDispatcherResponseContent::DispatchMboxContent(const std::string& content, const std::string& pairId) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::MBOX_CONTENT, content);
    Dispatch(Build(RESPONSE_CONTENT, EventType::PIVORA, EventSource::RESPONSE_CONTENT, data, pairId));
}

void PivoraDispatcherResponseContent::DispatchPrefetchResult(const std::string& error, const std::string& pairId) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::PREFETCH_ERROR, error);
    data->PutBoolean(Keys::PREFETCH_RESULT, error.empty());
    Dispatch(Build(RESPONSE_CONTENT, EventType::PIVORA, EventSource::RESPONSE_CONTENT, data, pairId));
}

void PivoraDispatcherResponseContent::DispatchViewPrefetchResult(const PivoraPrefetchResult& result,
                                                                 const std::shared_ptr<Event>& requestEvent) {
    auto data = std::make_shared<EventData>();
    if (!result.GetError().empty()) {
        data->PutString(Keys::PREFETCH_ERROR, result.GetError());
    } else {
        data->PutString(Keys::PREFETCH_VIEWS_RESULT, result.GetResult());
    }
    data->PutBoolean(Keys::CACHE_ONLY, requestEvent->GetData()->OptBoolean(Keys::CACHE_ONLY, true));
    // The requester waits on its event's response pair id; the event's own pair id is always empty.
    Dispatch(Build("Pivora View Prefetch Response", EventType::PIVORA, EventSource::RESPONSE_CONTENT, data,
                   requestEvent->GetResponsePairID()));
}

void PivoraDispatcherResponseContent::DispatchPreviewLifecycleEvent(bool previewInitiated) {
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::PREVIEW_INITIATED, previewInitiated);
    Dispatch(Build("Pivora Preview Lifecycle", EventType::PIVORA, EventSource::RESPONSE_CONTENT, data, ""));
}

void PivoraDispatcherResponseIdentity::DispatchIdentityResponse(const std::string& qtxId,
                                                                const std::string& thirdPartyId,
                                                                const std::string& pairId) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::QTX_ID, qtxId);
    data->PutString(Keys::THIRD_PARTY_ID, thirdPartyId);
    Dispatch(Build("Pivora Response Identity", EventType::PIVORA, EventSource::RESPONSE_IDENTITY, data, pairId));
}

void PivoraDispatcherAnalyticsRequestContent::DispatchAnalyticsRequest(const std::map<std::string, std::string>& payload) {
    if (payload.empty()) {
        return;
    }
    auto data = std::make_shared<EventData>();
    data->PutStringMap(AnalyticsKeys::CONTEXT_DATA, payload);
    data->PutString(AnalyticsKeys::ACTION, AnalyticsKeys::ACTION_ANALYTICS_FOR_PIVORA);
    data->PutBoolean(AnalyticsKeys::TRACK_INTERNAL, true);
    Dispatch(Build("Analytics Request Content", EventType::ANALYTICS, EventSource::REQUEST_CONTENT, data, ""));
}

}  // namespace NuvraMobile

#include "analytics/AnalyticsPublicApi.h"

#include <utility>

#include "analytics/Analytics.h"
#include "analytics/AnalyticsConstants.h"
#include "analytics/AnalyticsVersionProvider.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Keys = AnalyticsConstants::EventDataKeys::Analytics;
using AnalyticsConstants::LOG_TAG;

std::shared_ptr<AnalyticsPublicApi> AnalyticsPublicApi::Create(
    const std::shared_ptr<EventHub>& eventHub, const std::shared_ptr<PlatformServicesInterface>& platformServices,
    const std::string& version) {
    AnalyticsVersionProvider::SetVersion(version);
    return std::make_shared<AnalyticsPublicApi>(eventHub, platformServices);
}

AnalyticsPublicApi::AnalyticsPublicApi(std::shared_ptr<EventHub> eventHub,
                                       std::shared_ptr<PlatformServicesInterface> platformServices)
    : eventHub_(std::move(eventHub)), platformServices_(std::move(platformServices)) {}

void AnalyticsPublicApi::RegisterExtension() {
    if (eventHub_ && !eventHub_->IsRegisteredModule(AnalyticsConstants::SharedStateKeys::ANALYTICS)) {
        // A registration racing this one makes the hub refuse the second module; the app hears nothing of it.
        TryCatch([&] { eventHub_->RegisterModule<Analytics>(); },
                 [](SdkError& error) { Log::Debug(LOG_TAG, "Analytics was not registered (%s)", error.GetMessage()); });
    }
}

void AnalyticsPublicApi::GetTrackingIdentifier(const StringCallback& callback) {
    if (!callback) {
        return;
    }
    DispatchWithAnswer({"AnalyticsGetTrackingIdentifier", EventSource::REQUEST_IDENTITY,
                        "Get tracking identifier request event was sent"},
                       nullptr, "RESPONSE_IDENTITY", [callback](const std::shared_ptr<Event>& answer) {
                           std::string aid;
                           if (answer->GetData() && answer->GetData()->GetString(Keys::ANALYTICS_ID, aid)) {
                               callback(aid);
                           }
                       });
}

void AnalyticsPublicApi::GetQueueSize(const CountCallback& callback) {
    if (!callback) {
        return;
    }
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::GET_QUEUE_SIZE, true);
    DispatchWithAnswer(
        {"AnalyticsGetQueueSize", EventSource::REQUEST_CONTENT, "Get hits queue size request event was sent"}, data,
        "RESPONSE_CONTENT", [callback](const std::shared_ptr<Event>& answer) {
            std::int64_t size = 0;
            if (answer->GetData() && answer->GetData()->GetLong(Keys::QUEUE_SIZE, size)) {
                callback(size);
            }
        });
}

void AnalyticsPublicApi::GetVisitorIdentifier(const StringCallback& callback) {
    if (!callback) {
        return;
    }
    DispatchWithAnswer({"AnalyticsGetVisitorIdentifier", EventSource::REQUEST_IDENTITY,
                        "Get visitor identifier request event was sent"},
                       std::make_shared<EventData>(), "REQUEST_IDENTITY",
                       [callback](const std::shared_ptr<Event>& answer) {
                           std::string vid;
                           if (answer->GetData() && answer->GetData()->GetString(Keys::VISITOR_IDENTIFIER, vid)) {
                               callback(vid);
                           }
                       });
}

void AnalyticsPublicApi::ClearQueue() {
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::CLEAR_HITS_QUEUE, true);
    const Request request{"AnalyticsClearQueue", EventSource::REQUEST_CONTENT, "Clear hits queue event was sent"};
    Dispatch(BuildEvent(request, data), request.sentMessage);
}

void AnalyticsPublicApi::SendQueuedHits() {
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::FORCE_KICK_HITS, true);
    const Request request{"AnalyticsSendQueuedHits", EventSource::REQUEST_CONTENT, "Kick all hits event was sent"};
    Dispatch(BuildEvent(request, data), request.sentMessage);
}

void AnalyticsPublicApi::UpdateVisitorIdentifier(const std::string& identifier) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::VISITOR_IDENTIFIER, identifier);
    const Request request{"AnalyticsUpdateVisitorIdentifier", EventSource::REQUEST_IDENTITY,
                          "Update visitor identifier event was sent"};
    Dispatch(BuildEvent(request, data), request.sentMessage);
}

std::shared_ptr<Event> AnalyticsPublicApi::BuildEvent(const Request& request, const std::shared_ptr<EventData>& data) {
    EventBuilder builder(request.name, EventType::ANALYTICS, request.source);
    if (data) {
        builder.SetData(data);
    }
    return builder.Build();
}

void AnalyticsPublicApi::DispatchWithAnswer(const Request& request, const std::shared_ptr<EventData>& data,
                                            const char* listenerName,
                                            const std::function<void(const std::shared_ptr<Event>&)>& onAnswer) {
    if (!eventHub_) {
        return;
    }
    const auto event = BuildEvent(request, data);
    // A failed registration only loses the answer: the request still reaches the module.
    TryCatch(
        [&] {
            eventHub_->RegisterOneTimeListener(typeid(Analytics).hash_code(), EventType::ANALYTICS,
                                               EventSource::RESPONSE_CONTENT, event->GetResponsePairID(),
                                               [onAnswer](const std::shared_ptr<Event>& answer) {
                                                   if (answer) {
                                                       onAnswer(answer);
                                                   }
                                               });
        },
        [listenerName](SdkError& error) {
            Log::Debug(LOG_TAG, "Failed to register %s listener (%s)", listenerName, error.GetMessage());
        });
    Dispatch(event, request.sentMessage);
}

void AnalyticsPublicApi::Dispatch(const std::shared_ptr<Event>& event, const char* sentMessage) {
    if (!eventHub_) {
        return;
    }
    eventHub_->Dispatch(event);
    Log::Debug(LOG_TAG, "%s", sentMessage);
}

}  // namespace NuvraMobile

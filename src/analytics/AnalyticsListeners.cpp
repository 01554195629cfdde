#include "analytics/AnalyticsListeners.h"

#include "core/values/CoreConstants.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "rulesengine/Consequence.h"
#include "rulesengine/ConsequenceSerializer.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

/** Hands the event to one handler of the parent module, or logs that the module is gone. */
template <class Listener>
void Forward(Listener& listener, void (Analytics::*handler)(const std::shared_ptr<Event>&),
             const std::shared_ptr<Event>& event) {
    if (auto module = listener.GetParentModule()) {
        ((*module).*handler)(event);
    } else {
        Log::Error(Analytics::LOG_TAG, "Parent module not available");
    }
}

}  // namespace

void AnalyticsListenerRulesEngineResponseContent::Hear(const std::shared_ptr<Event>& event) {
    auto module = GetParentModule();
    if (!module) {
        Log::Error(Analytics::LOG_TAG, "Parent module not available");
        return;
    }
    if (!event || !event->GetData()) {
        Log::Debug(Analytics::LOG_TAG, "Event data is null. Ignoring event");
        return;
    }
    const auto consequence =
        event->GetData()->GetTypedObject<Consequence>(CoreConstants::EventDataKeys::RulesEngine::CONSEQUENCE_TRIGGERED);
    if (!consequence.HasValue() || !consequence.Value()) {
        Log::Debug(Analytics::LOG_TAG, "Triggered rule is not Analytics type. Ignoring event.");
        return;
    }
    if (consequence.Value()->GetType() != AnalyticsConstants::EventDataKeys::Analytics::RULES_CONSEQUENCE_TYPE_TRACK) {
        return;
    }
    if (consequence.Value()->GetId().empty()) {
        Log::Debug(Analytics::LOG_TAG, "Triggered rule has no consequence id. Ignoring event.");
        return;
    }
    module->HandleAnalyticsConsequenceEvent(event);
}

void AnalyticsListenerAnalyticsRequestContent::Hear(const std::shared_ptr<Event>& event) {
    Forward(*this, &Analytics::HandleAnalyticsContentRequest, event);
}

void AnalyticsListenerGenericTrackRequestContent::Hear(const std::shared_ptr<Event>& event) {
    Forward(*this, &Analytics::HandleAnalyticsContentRequest, event);
}

void AnalyticsListenerAnalyticsRequestIdentity::Hear(const std::shared_ptr<Event>& event) {
    Forward(*this, &Analytics::HandleAnalyticsIdentityRequest, event);
}

void AnalyticsListenerConfigurationResponseContent::Hear(const std::shared_ptr<Event>& event) {
    Forward(*this, &Analytics::HandleConfigurationEvent, event);
}

void AnalyticsListenerAcquisitionResponseContent::Hear(const std::shared_ptr<Event>& event) {
    Forward(*this, &Analytics::HandleAcquisitionContentEvent, event);
}

void AnalyticsListenerLifecycleResponseContent::Hear(const std::shared_ptr<Event>& event) {
    Forward(*this, &Analytics::HandleLifecycleResponseEvent, event);
}

void AnalyticsListenerHubSharedState::Hear(const std::shared_ptr<Event>& event) {
    Forward(*this, &Analytics::HandleSharedStateUpdateEvent, event);
}

void AnalyticsListenerHubBooted::Hear(const std::shared_ptr<Event>& event) {
    Forward(*this, &Analytics::HandleHubBootedEvent, event);
}

void AnalyticsListenerLifecycleRequestContent::Hear(const std::shared_ptr<Event>& event) {
    Forward(*this, &Analytics::HandleLifecycleRequestEvent, event);
}

}  // namespace NuvraMobile

#include "analytics/Analytics.h"

#include <utility>

#include "analytics/AnalyticsProperties.h"
#include "analytics/AnalyticsState.h"
#include "analytics/AnalyticsUnprocessedEvent.h"
#include "analytics/ConfigurationSearch.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/CoreConstants.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "rulesengine/Consequence.h"
#include "rulesengine/ConsequenceSerializer.h"
#include "util/Log.h"

// The queue of requests that wait for shared states, and the routing of a request once it is ready.

namespace NuvraMobile {

namespace Keys = AnalyticsConstants::EventDataKeys::Analytics;
namespace LifecycleKeys = AnalyticsConstants::EventDataKeys::Lifecycle;
namespace StateKeys = AnalyticsConstants::SharedStateKeys;

namespace {

constexpr std::int64_t MILLISECONDS_PER_SECOND = 1000;

bool IsAvailable(const std::shared_ptr<EventData>& state) {
    return state != SHARED_STATE_PENDING && state != SHARED_STATE_INVALID;
}

bool Is(const Event& event, const std::shared_ptr<EventType>& type, const std::shared_ptr<EventSource>& source) {
    return event.GetEventType() == type && event.GetEventSource() == source;
}

}  // namespace

void Analytics::PutEvent(const std::shared_ptr<Event>& event, const std::vector<std::string>& hardDependencies,
                         const std::vector<std::string>& softDependencies) {
    if (!event || !event->GetData()) {
        return;
    }
    unprocessedEvents_.Add(
        std::make_shared<AnalyticsUnprocessedEvent>(event, hardDependencies, softDependencies));
}

void Analytics::ProcessEvents() {
    unprocessedEvents_.HandleInOrder([this](const std::shared_ptr<AnalyticsUnprocessedEvent>& front) {
        const SharedStates states = GetSharedState(front);
        if (states.empty()) {
            return false;
        }
        ClearHitsOfAnOptOutPassedBy(front->GetEvent());
        Process(front->GetEvent(), states);
        return true;
    });
}

std::size_t Analytics::CountRequestsLeftWaiting() {
    return unprocessedEvents_.CountIf([](const std::shared_ptr<AnalyticsUnprocessedEvent>& unprocessed) {
        return !Is(*unprocessed->GetEvent(), EventType::HUB, EventSource::BOOTED);
    });
}

void Analytics::ClearHitsOfAnOptOutPassedBy(const std::shared_ptr<Event>& request) {
    const auto configuration = GetSharedEventState(StateKeys::CONFIGURATION, request);
    const BuiltRequest previous = std::exchange(lastBuiltRequest_, {request->GetEventNumber(), configuration});
    // Each configuration the hub holds is its own object: the same one means no change in between.
    if (!previous.configuration || configuration == previous.configuration) {
        return;
    }
    if (NewestOptedOutEvent(*this, previous.eventNumber + 1, request->GetEventNumber())) {
        ClearStoredHits();
    }
}

Analytics::SharedStates Analytics::GetSharedState(const std::shared_ptr<AnalyticsUnprocessedEvent>& unprocessedEvent) {
    const auto& event = unprocessedEvent->GetEvent();
    SharedStates states;
    for (const std::string& name : unprocessedEvent->GetHardStateDependencies()) {
        const auto state = GetSharedEventState(name, event);
        if (!HasSharedEventState(name)) {
            Log::Debug(LOG_TAG,
                       "Couldn't retrieve shared state for %s. Please make sure you have registered and configured "
                       "the %s extension properly based on the documentation.",
                       name, name);
            return {};
        }
        if (!IsAvailable(state)) {
            Log::Debug(LOG_TAG, "Couldn't retrieve shared state for %s, it was pending", name);
            return {};
        }
        states[name] = state->Copy();
    }
    for (const std::string& name : unprocessedEvent->GetSoftStateDependencies()) {
        const auto state = GetSharedEventState(name, event);
        if (IsAvailable(state)) {
            states[name] = state->Copy();
        }
    }
    return states;
}

void Analytics::Process(const std::shared_ptr<Event>& event, const SharedStates& sharedStates) {
    const auto state = std::make_shared<AnalyticsState>(sharedStates);
    lastState_ = state;
    // Before the request stores a hit: its own kick and a worker already sending both read the gate.
    FollowPrivacyInEventOrder(state, BuiltHitDatabase());
    auto data = event->GetData();
    if (state->IsDebugApiEnabled()) {
        // The event's own data may still be read by other modules: the identifier goes into a copy.
        data = data->Copy();
        data->PutString(Keys::REQUEST_EVENT_IDENTIFIER, event->GetUniqueIdentifier());
    }
    const std::int64_t timestampSeconds = event->GetTimestamp() / MILLISECONDS_PER_SECOND;
    if (Is(*event, EventType::ANALYTICS, EventSource::REQUEST_CONTENT) ||
        Is(*event, EventType::GENERIC_TRACK, EventSource::REQUEST_CONTENT)) {
        if (data->ContainsKey(Keys::TRACK_STATE) || data->ContainsKey(Keys::TRACK_ACTION) ||
            data->ContainsKey(Keys::CONTEXT_DATA)) {
            Track(state, data, timestampSeconds, false);
        } else if (data->ContainsKey(Keys::FORCE_KICK_HITS)) {
            ForceKickEventsFromDB(state);
        }
    } else if (Is(*event, EventType::LIFECYCLE, EventSource::RESPONSE_CONTENT)) {
        properties_->SetLifecycleSessionStartTimestamp(data->OptLong(LifecycleKeys::SESSION_START_TIMESTAMP, 0));
        properties_->SetLifecycleMaxSessionLength(data->OptLong(LifecycleKeys::MAX_SESSION_LENGTH, 0));
        TrackLifecycle(state, event);
    } else if (Is(*event, EventType::HUB, EventSource::BOOTED) ||
               Is(*event, EventType::ANALYTICS, EventSource::REQUEST_IDENTITY)) {
        std::string visitorId;
        if (data->GetString(Keys::VISITOR_IDENTIFIER, visitorId)) {
            HandleVisitorIdentifierRequest(visitorId, event->GetEventNumber(), event->GetResponsePairID());
        } else {
            HandleAnalyticsIdRequest(state, event->GetResponsePairID(), event->GetEventNumber());
        }
    } else if (Is(*event, EventType::ACQUISITION, EventSource::RESPONSE_CONTENT)) {
        trackAcquisition(state, event);
    } else if (Is(*event, EventType::RULES_ENGINE, EventSource::RESPONSE_CONTENT)) {
        ProcessRulesConsequence(state, event);
    }
}

void Analytics::ProcessRulesConsequence(const std::shared_ptr<AnalyticsState>& state,
                                        const std::shared_ptr<Event>& event) {
    const auto consequence =
        event->GetData()->GetTypedObject<Consequence>(CoreConstants::EventDataKeys::RulesEngine::CONSEQUENCE_TRIGGERED);
    if (!consequence.HasValue() || !consequence.Value()) {
        Log::Debug(LOG_TAG, "Ignoring analytics triggered consequence, consequence was null");
        return;
    }
    auto trackData = std::make_shared<EventData>(consequence.Value()->GetDetail());
    Track(state, trackData->Copy(), event->GetTimestamp() / MILLISECONDS_PER_SECOND, false);
}

}  // namespace NuvraMobile
